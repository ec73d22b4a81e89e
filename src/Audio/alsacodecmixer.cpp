#include "alsacodecmixer.h"

#include <QDebug>
#include <QLibrary>

#include <alsa/asoundlib.h>

#include <cerrno>

namespace {

// libasound's simple-mixer calls, taken from the library when the codec is
// first set: the board sets it after the main page's first frame, and a
// device root never does, so the start-up does not load or link it.
struct AlsaMixerApi
{
    decltype(&snd_mixer_open) open = nullptr;
    decltype(&snd_mixer_attach) attach = nullptr;
    decltype(&snd_mixer_selem_register) selemRegister = nullptr;
    decltype(&snd_mixer_load) load = nullptr;
    decltype(&snd_mixer_close) close = nullptr;
    decltype(&snd_mixer_selem_id_malloc) idMalloc = nullptr;
    decltype(&snd_mixer_selem_id_free) idFree = nullptr;
    decltype(&snd_mixer_selem_id_set_index) idSetIndex = nullptr;
    decltype(&snd_mixer_selem_id_set_name) idSetName = nullptr;
    decltype(&snd_mixer_find_selem) findSelem = nullptr;
    decltype(&snd_mixer_selem_set_playback_dB_all) setPlaybackDbAll = nullptr;
    decltype(&snd_mixer_selem_set_playback_switch_all) setPlaybackSwitchAll = nullptr;
    decltype(&snd_mixer_selem_set_playback_volume) setPlaybackVolume = nullptr;
    decltype(&snd_mixer_selem_set_enum_item) setEnumItem = nullptr;
    decltype(&snd_strerror) errorString = nullptr;

    bool complete() const
    {
        return open && attach && selemRegister && load && close && idMalloc && idFree && idSetIndex && idSetName
               && findSelem && setPlaybackDbAll && setPlaybackSwitchAll && setPlaybackVolume && setEnumItem
               && errorString;
    }
};

template<typename F>
void take(QLibrary &library, F &function, const char *name)
{
    function = reinterpret_cast<F>(library.resolve(name));
}

AlsaMixerApi loadApi()
{
    AlsaMixerApi api;
    QLibrary library(QStringLiteral("asound"), 2);
    if (!library.load()) {
        qDebug() << "Codec mixer: cannot load libasound:" << library.errorString();
        return api;
    }
    take(library, api.open, "snd_mixer_open");
    take(library, api.attach, "snd_mixer_attach");
    take(library, api.selemRegister, "snd_mixer_selem_register");
    take(library, api.load, "snd_mixer_load");
    take(library, api.close, "snd_mixer_close");
    take(library, api.idMalloc, "snd_mixer_selem_id_malloc");
    take(library, api.idFree, "snd_mixer_selem_id_free");
    take(library, api.idSetIndex, "snd_mixer_selem_id_set_index");
    take(library, api.idSetName, "snd_mixer_selem_id_set_name");
    take(library, api.findSelem, "snd_mixer_find_selem");
    take(library, api.setPlaybackDbAll, "snd_mixer_selem_set_playback_dB_all");
    take(library, api.setPlaybackSwitchAll, "snd_mixer_selem_set_playback_switch_all");
    take(library, api.setPlaybackVolume, "snd_mixer_selem_set_playback_volume");
    take(library, api.setEnumItem, "snd_mixer_selem_set_enum_item");
    take(library, api.errorString, "snd_strerror");
    if (!api.complete()) {
        qDebug() << "Codec mixer: libasound lacks a simple-mixer call";
        library.unload();
        return AlsaMixerApi();
    }
    return api; // the library stays loaded to the end of the process
}

// Loaded once, also when two threads ask at the same time.
const AlsaMixerApi &api()
{
    static const AlsaMixerApi loaded = loadApi();
    return loaded;
}

} // namespace

AlsaCodecMixer::AlsaCodecMixer(const QByteArray &card)
    : m_card(card)
{
}

QString AlsaCodecMixer::errorText(int code) const
{
    if (api().errorString)
        return QString::fromLocal8Bit(api().errorString(code));
    return qt_error_string(-code);
}

QVector<CodecMixer::Result> AlsaCodecMixer::apply(const QVector<Write> &writes)
{
    QVector<Result> results(writes.size());
    auto failAll = [&results](int code) {
        for (Result &r : results)
            r = {Status::NoCard, code};
        return results;
    };

    const AlsaMixerApi &alsa = api();
    if (!alsa.complete())
        return failAll(-ENOSYS);

    snd_mixer_t *handle = nullptr;
    int err = alsa.open(&handle, 0);
    if (err < 0)
        return failAll(err);
    if ((err = alsa.attach(handle, m_card.constData())) < 0 || (err = alsa.selemRegister(handle, nullptr, nullptr)) < 0
        || (err = alsa.load(handle)) < 0) {
        alsa.close(handle);
        return failAll(err);
    }

    snd_mixer_selem_id_t *sid = nullptr;
    if ((err = alsa.idMalloc(&sid)) < 0) {
        alsa.close(handle);
        return failAll(err);
    }
    for (int i = 0; i < writes.size(); ++i) {
        const Write &w = writes.at(i);
        alsa.idSetIndex(sid, 0);
        alsa.idSetName(sid, w.element.constData());
        snd_mixer_elem_t *elem = alsa.findSelem(handle, sid);
        if (!elem) {
            results[i] = {Status::NoElement, 0};
            continue;
        }
        int rc = 0;
        switch (w.op) {
        case Op::GainDb:
            rc = alsa.setPlaybackDbAll(elem, w.value, 0);
            break;
        case Op::Switch:
            rc = alsa.setPlaybackSwitchAll(elem, int(w.value));
            break;
        case Op::Volume:
            rc = alsa.setPlaybackVolume(elem, SND_MIXER_SCHN_FRONT_LEFT, w.value);
            break;
        case Op::EnumItem:
            rc = alsa.setEnumItem(elem, SND_MIXER_SCHN_FRONT_LEFT, unsigned(w.value));
            break;
        }
        results[i] = rc < 0 ? Result{Status::Failed, rc} : Result{Status::Done, rc};
    }
    alsa.idFree(sid);
    alsa.close(handle);
    return results;
}
