// tonegen: writes the test tone played by the hearing-protection dialog.
//
//   tonegen OUTFILE
//
// One second of a 300 Hz sine at full scale (peak 32767) as PCM WAV, 16000
// samples per second, mono, 16 bits. A second holds exactly 300 periods, so
// the tone loops without a click.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

const int kRate = 16000;
const int kFrequency = 300;
const int kSamples = kRate; // one second

void put16(std::vector<unsigned char> &out, unsigned v)
{
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}

void put32(std::vector<unsigned char> &out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void tag(std::vector<unsigned char> &out, const char *fourcc)
{
    out.insert(out.end(), fourcc, fourcc + 4);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tonegen OUTFILE\n");
        return 2;
    }
    const std::uint32_t dataBytes = kSamples * 2;
    std::vector<unsigned char> wav;
    tag(wav, "RIFF");
    put32(wav, 36 + dataBytes);
    tag(wav, "WAVE");
    tag(wav, "fmt ");
    put32(wav, 16);
    put16(wav, 1);        // PCM
    put16(wav, 1);        // mono
    put32(wav, kRate);
    put32(wav, kRate * 2); // bytes per second
    put16(wav, 2);        // bytes per frame
    put16(wav, 16);       // bits per sample
    tag(wav, "data");
    put32(wav, dataBytes);
    const double pi = std::acos(-1.0);
    for (int n = 0; n < kSamples; ++n) {
        const long v = std::lround(32767.0 * std::sin(2.0 * pi * kFrequency * n / kRate));
        put16(wav, static_cast<unsigned>(static_cast<std::int16_t>(v)) & 0xFFFF);
    }

    std::FILE *f = std::fopen(argv[1], "wb");
    if (!f) {
        std::fprintf(stderr, "tonegen: cannot write %s\n", argv[1]);
        return 1;
    }
    const bool ok = std::fwrite(wav.data(), 1, wav.size(), f) == wav.size();
    if (std::fclose(f) != 0 || !ok) {
        std::fprintf(stderr, "tonegen: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
