#include "alsacodecmixer.h"

#include <alsa/asoundlib.h>

AlsaCodecMixer::AlsaCodecMixer(const QByteArray &card)
    : m_card(card)
{
}

QString AlsaCodecMixer::errorText(int code) const
{
    return QString::fromLocal8Bit(snd_strerror(code));
}

QVector<CodecMixer::Result> AlsaCodecMixer::apply(const QVector<Write> &writes)
{
    QVector<Result> results(writes.size());
    auto failAll = [&results](int code) {
        for (Result &r : results)
            r = {Status::NoCard, code};
        return results;
    };

    snd_mixer_t *handle = nullptr;
    int err = snd_mixer_open(&handle, 0);
    if (err < 0)
        return failAll(err);
    if ((err = snd_mixer_attach(handle, m_card.constData())) < 0
        || (err = snd_mixer_selem_register(handle, nullptr, nullptr)) < 0
        || (err = snd_mixer_load(handle)) < 0) {
        snd_mixer_close(handle);
        return failAll(err);
    }

    snd_mixer_selem_id_t *sid = nullptr;
    if ((err = snd_mixer_selem_id_malloc(&sid)) < 0) {
        snd_mixer_close(handle);
        return failAll(err);
    }
    for (int i = 0; i < writes.size(); ++i) {
        const Write &w = writes.at(i);
        snd_mixer_selem_id_set_index(sid, 0);
        snd_mixer_selem_id_set_name(sid, w.element.constData());
        snd_mixer_elem_t *elem = snd_mixer_find_selem(handle, sid);
        if (!elem) {
            results[i] = {Status::NoElement, 0};
            continue;
        }
        int rc = 0;
        switch (w.op) {
        case Op::GainDb:
            rc = snd_mixer_selem_set_playback_dB_all(elem, w.value, 0);
            break;
        case Op::Switch:
            rc = snd_mixer_selem_set_playback_switch_all(elem, int(w.value));
            break;
        case Op::Volume:
            rc = snd_mixer_selem_set_playback_volume(elem, SND_MIXER_SCHN_FRONT_LEFT, w.value);
            break;
        case Op::EnumItem:
            rc = snd_mixer_selem_set_enum_item(elem, SND_MIXER_SCHN_FRONT_LEFT, unsigned(w.value));
            break;
        }
        results[i] = rc < 0 ? Result{Status::Failed, rc} : Result{Status::Done, rc};
    }
    snd_mixer_selem_id_free(sid);
    snd_mixer_close(handle);
    return results;
}
