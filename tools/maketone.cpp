// Writes the alarm tone "ringout.wav": a 0.5 s two-tone beep, 16-bit mono PCM
// at 22050 Hz, with short fades so that restarting it every 700 ms does not
// click.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

void put16(std::vector<unsigned char> &out, uint16_t v)
{
    out.push_back(v & 0xFF);
    out.push_back(v >> 8);
}

void put32(std::vector<unsigned char> &out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: maketone OUTPUT.wav\n");
        return 2;
    }
    const uint32_t rate = 22050;
    const uint32_t samples = rate / 2;
    const double pi = 3.14159265358979323846;
    std::vector<unsigned char> data;
    for (uint32_t i = 0; i < samples; ++i) {
        const double t = double(i) / rate;
        const double freq = (i < samples / 2) ? 880.0 : 660.0;
        const double fadeIn = std::fmin(1.0, i / (0.01 * rate));
        const double fadeOut = std::fmin(1.0, (samples - i) / (0.02 * rate));
        const double v = 0.5 * std::sin(2 * pi * freq * t) * fadeIn * fadeOut;
        put16(data, uint16_t(int16_t(v * 32767)));
    }
    std::vector<unsigned char> wav;
    const char *riff = "RIFF";
    wav.insert(wav.end(), riff, riff + 4);
    put32(wav, 36 + uint32_t(data.size()));
    const char *fmt = "WAVEfmt ";
    wav.insert(wav.end(), fmt, fmt + 8);
    put32(wav, 16);
    put16(wav, 1);  // PCM
    put16(wav, 1);  // mono
    put32(wav, rate);
    put32(wav, rate * 2);
    put16(wav, 2);
    put16(wav, 16);
    const char *dataTag = "data";
    wav.insert(wav.end(), dataTag, dataTag + 4);
    put32(wav, uint32_t(data.size()));
    wav.insert(wav.end(), data.begin(), data.end());

    FILE *f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(wav.data(), 1, wav.size(), f) != wav.size()) {
        std::perror(argv[1]);
        return 1;
    }
    std::fclose(f);
    return 0;
}
