// A sound card for libasound without a sound driver: an external control
// plugin ("ctl_type" of an ALSA configuration) with four of the codec's
// controls, one of each kind the codec mixer writes. It lets a test run the
// real simple-mixer path (open, attach, register, load, find, set) against
// a card, and journals each control write the library makes, one line
// "<control> := <value>", to the file named by the configuration:
//
//   ctl_type.tq3900card { lib "<this library>" }
//   ctl.tq3900card { type tq3900card journal "<file>" }
//
// Every open starts from the power-on values below, as the card's state is
// not the test's concern: the library writes a control only when a value
// differs from the one it read.
#include <alsa/asoundlib.h>
#include <alsa/control_external.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Control
{
    const char *name;
    snd_ctl_elem_type_t type;
    long max;       // highest value or item index (lowest is 0)
    bool dBScale;   // whether it has the dB scale below
};

// Mono controls, named so that the simple mixer makes the elements
// "LO DAC", "PCM", "LO Driver Gain" and "Loopback-SecDataIn" of them.
const Control kControls[] = {
    {"LO DAC Playback Switch", SND_CTL_ELEM_TYPE_BOOLEAN, 1, false},
    {"PCM Playback Volume", SND_CTL_ELEM_TYPE_INTEGER, 175, true},
    {"LO Driver Gain Playback Volume", SND_CTL_ELEM_TYPE_INTEGER, 35, false},
    {"Loopback-SecDataIn", SND_CTL_ELEM_TYPE_ENUMERATED, 1, false},
};
constexpr int kCount = int(sizeof(kControls) / sizeof(kControls[0]));
const long kPowerOn[kCount] = {1, 0, 0, 0};
const char *const kItems[] = {"Off", "On"};

// PCM: step 0 is -63.50 dB, 0.50 dB a step (hundredths of a dB).
const unsigned int kPcmScale[] = {SND_CTL_TLVT_DB_SCALE, 2 * sizeof(unsigned int), unsigned(-6350), 50};

struct Card
{
    snd_ctl_ext_t ext;
    std::string journal;
    long values[kCount];
};

Card *card(snd_ctl_ext_t *ext) { return static_cast<Card *>(ext->private_data); }

void journal(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, long value)
{
    if (FILE *f = std::fopen(card(ext)->journal.c_str(), "a")) {
        std::fprintf(f, "%s := %ld\n", kControls[key].name, value);
        std::fclose(f);
    }
}

void closeCard(snd_ctl_ext_t *ext) { delete card(ext); }

int elemCount(snd_ctl_ext_t *) { return kCount; }

int elemList(snd_ctl_ext_t *, unsigned int offset, snd_ctl_elem_id_t *id)
{
    snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
    snd_ctl_elem_id_set_name(id, kControls[offset].name);
    return 0;
}

snd_ctl_ext_key_t findElem(snd_ctl_ext_t *, const snd_ctl_elem_id_t *id)
{
    const unsigned int numid = snd_ctl_elem_id_get_numid(id);
    if (numid > 0 && numid <= unsigned(kCount))
        return numid - 1;
    for (int i = 0; i < kCount; ++i)
        if (std::strcmp(snd_ctl_elem_id_get_name(id), kControls[i].name) == 0)
            return snd_ctl_ext_key_t(i);
    return SND_CTL_EXT_KEY_NOT_FOUND;
}

int getAttribute(snd_ctl_ext_t *, snd_ctl_ext_key_t key, int *type, unsigned int *access, unsigned int *count)
{
    *type = kControls[key].type;
    *access = SND_CTL_EXT_ACCESS_READWRITE | (kControls[key].dBScale ? SND_CTL_EXT_ACCESS_TLV_READ : 0);
    *count = 1;
    return 0;
}

int getIntegerInfo(snd_ctl_ext_t *, snd_ctl_ext_key_t key, long *min, long *max, long *step)
{
    *min = 0;
    *max = kControls[key].max;
    *step = 1;
    return 0;
}

int getEnumeratedInfo(snd_ctl_ext_t *, snd_ctl_ext_key_t key, unsigned int *items)
{
    *items = unsigned(kControls[key].max + 1);
    return 0;
}

int getEnumeratedName(snd_ctl_ext_t *, snd_ctl_ext_key_t, unsigned int item, char *name, size_t size)
{
    if (item > 1)
        return -EINVAL;
    std::snprintf(name, size, "%s", kItems[item]);
    return 0;
}

int readInteger(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, long *value)
{
    *value = card(ext)->values[key];
    return 0;
}

int writeInteger(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, long *value)
{
    if (*value < 0 || *value > kControls[key].max)
        return -EINVAL;
    journal(ext, key, *value);
    const bool changed = card(ext)->values[key] != *value;
    card(ext)->values[key] = *value;
    return changed ? 1 : 0;
}

int readEnumerated(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, unsigned int *item)
{
    *item = unsigned(card(ext)->values[key]);
    return 0;
}

int writeEnumerated(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, unsigned int *item)
{
    long value = long(*item);
    return writeInteger(ext, key, &value);
}

const snd_ctl_ext_callback_t kCallbacks = [] {
    snd_ctl_ext_callback_t c{};
    c.close = closeCard;
    c.elem_count = elemCount;
    c.elem_list = elemList;
    c.find_elem = findElem;
    c.get_attribute = getAttribute;
    c.get_integer_info = getIntegerInfo;
    c.get_enumerated_info = getEnumeratedInfo;
    c.get_enumerated_name = getEnumeratedName;
    c.read_integer = readInteger;
    c.read_enumerated = readEnumerated;
    c.write_integer = writeInteger;
    c.write_enumerated = writeEnumerated;
    return c;
}();

} // namespace

extern "C" {

SND_CTL_PLUGIN_DEFINE_FUNC(tq3900card)
{
    (void)root;
    const char *journalFile = nullptr;
    snd_config_iterator_t i, next;
    snd_config_for_each(i, next, conf)
    {
        snd_config_t *n = snd_config_iterator_entry(i);
        const char *id = nullptr;
        if (snd_config_get_id(n, &id) < 0)
            continue;
        if (std::strcmp(id, "comment") == 0 || std::strcmp(id, "type") == 0 || std::strcmp(id, "hint") == 0)
            continue;
        if (std::strcmp(id, "journal") == 0 && snd_config_get_string(n, &journalFile) >= 0)
            continue;
        SNDERR("Unknown field %s", id);
        return -EINVAL;
    }
    if (!journalFile) {
        SNDERR("No journal file");
        return -EINVAL;
    }

    Card *c = new Card{};
    c->journal = journalFile;
    std::memcpy(c->values, kPowerOn, sizeof(kPowerOn));
    snd_ctl_ext_t &ext = c->ext;
    ext.version = SND_CTL_EXT_VERSION;
    ext.card_idx = 0;
    std::snprintf(ext.id, sizeof(ext.id), "TQ3900Card");
    std::snprintf(ext.driver, sizeof(ext.driver), "tq3900card");
    std::snprintf(ext.name, sizeof(ext.name), "Codec stand-in");
    std::snprintf(ext.longname, sizeof(ext.longname), "Codec stand-in for the mixer tests");
    std::snprintf(ext.mixername, sizeof(ext.mixername), "Codec stand-in");
    ext.poll_fd = -1;
    ext.callback = &kCallbacks;
    ext.private_data = c;
    ext.tlv.p = kPcmScale;
    const int err = snd_ctl_ext_create(&ext, name, mode);
    if (err < 0) {
        delete c;
        return err;
    }
    *handlep = ext.handle;
    return 0;
}

SND_CTL_PLUGIN_SYMBOL(tq3900card)

} // extern "C"
