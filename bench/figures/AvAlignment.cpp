// A station whose captions appear exactly when a tone burst starts in its
// sound, and the measure of a recording of it: how far each script row's
// start is from the onset of its burst in the recorded WAV.
//   av_alignment make <station folder> [seconds, default 120] [sound rate, default 48000]
//   av_alignment measure <recorded wav> <recorded script>
//   av_alignment format <wav>      rate, channels, bits and length
// The station shows a new pop-on caption every two seconds; its sound is
// silent but for a 1 kHz burst of 200 ms from each caption's boundary frame:
// the first of the two erase-displayed-memory codes, the moment the script
// takes as the caption's start. The end-of-caption that puts it on a
// receiver's screen follows two frames (66.7 ms) later.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/scc/Scc.h"

namespace {

namespace scc = platform::scc;

constexpr int64_t kCaptionEveryFrames = 60;  // about two seconds
constexpr double kBurstSeconds = 0.2;
// Search this far either side of a row's start for its burst: well inside
// the two seconds between bursts.
constexpr double kSearchSeconds = 0.6;

uint8_t withParity(int b) {
    return static_cast<uint8_t>(__builtin_popcount(static_cast<unsigned>(b)) % 2 == 0 ? b | 0x80
                                                                                      : b);
}

// The frame of caption k's boundary (its first erase-displayed-memory).
int64_t boundaryFrame(int64_t k) {
    return 45 + k * kCaptionEveryFrames;
}

int make(const std::filesystem::path& folder, double seconds, int rate) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "title.txt") << "Alignment\n";
    std::vector<scc::CaptionWord> words;
    std::vector<double> onsets;
    for (int64_t k = 0; scc::frameTime(boundaryFrame(k)) + 1.0 < seconds; ++k) {
        // Loaded well before its display: clear the off-screen memory, place
        // the row, write the text; then erase the screen and swap.
        int64_t f = boundaryFrame(k) - 30;
        const auto add = [&](int a, int b) {
            words.push_back({f++, withParity(a), withParity(b)});
        };
        add(0x14, 0x20), add(0x14, 0x20), add(0x14, 0x2E), add(0x14, 0x2E);
        add(0x14, 0x70), add(0x14, 0x70);
        const std::string text = "ROW " + std::to_string(100 + k);
        for (std::size_t i = 0; i < text.size(); i += 2) {
            add(text[i], i + 1 < text.size() ? text[i + 1] : 0);
        }
        f = boundaryFrame(k);
        add(0x14, 0x2C), add(0x14, 0x2C), add(0x14, 0x2F), add(0x14, 0x2F);
        onsets.push_back(scc::frameTime(boundaryFrame(k)));
    }
    std::ofstream(folder / "captions.scc") << scc::formatScc(words);

    const auto frames = static_cast<std::size_t>(seconds * static_cast<double>(rate));
    std::vector<float> sound(frames, 0.0f);
    for (double onset : onsets) {
        const auto first = static_cast<std::size_t>(std::ceil(onset * rate));
        const auto n = static_cast<std::size_t>(kBurstSeconds * rate);
        for (std::size_t i = 0; i < n && first + i < frames; ++i) {
            sound[first + i] =
                0.5f *
                static_cast<float>(std::sin(2 * M_PI * 1000 * static_cast<double>(i) / rate));
        }
    }
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* out = sf_open((folder / "sound.wav").c_str(), SFM_WRITE, &info);
    if (out == nullptr) {
        std::fprintf(stderr, "cannot write %s: %s\n", (folder / "sound.wav").c_str(),
                     sf_strerror(nullptr));
        return 1;
    }
    sf_writef_float(out, sound.data(), static_cast<sf_count_t>(frames));
    sf_close(out);
    std::printf("station %s: %zu captions over %.0f s\n", folder.c_str(), onsets.size(), seconds);
    return 0;
}

// The first column of every row: its start in centiseconds.
std::vector<int> rowStarts(const std::string& path) {
    std::ifstream in(path);
    std::vector<int> starts;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] >= '0' && line[0] <= '9') {
            starts.push_back(std::atoi(line.c_str()));
        }
    }
    return starts;
}

int measure(const std::string& wavPath, const std::string& scriptPath) {
    SF_INFO info{};
    SNDFILE* in = sf_open(wavPath.c_str(), SFM_READ, &info);
    if (in == nullptr) {
        std::fprintf(stderr, "cannot read %s: %s\n", wavPath.c_str(), sf_strerror(nullptr));
        return 1;
    }
    std::vector<float> all(static_cast<std::size_t>(info.frames) *
                           static_cast<std::size_t>(info.channels));
    sf_readf_float(in, all.data(), info.frames);
    sf_close(in);
    std::vector<float> mono(static_cast<std::size_t>(info.frames));
    for (std::size_t i = 0; i < mono.size(); ++i) {
        mono[i] = std::fabs(all[i * static_cast<std::size_t>(info.channels)]);
    }
    const float peak = mono.empty() ? 0.0f : *std::max_element(mono.begin(), mono.end());
    const float threshold = 0.3f * peak;
    const double rate = info.samplerate;

    std::vector<double> offsets;
    int missing = 0;
    const std::vector<int> starts = rowStarts(scriptPath);
    for (int cs : starts) {
        const double start = cs / 100.0;
        const auto from = static_cast<std::size_t>(std::max(0.0, start - kSearchSeconds) * rate);
        const auto to =
            std::min(mono.size(), static_cast<std::size_t>((start + kSearchSeconds) * rate));
        std::size_t onset = to;
        for (std::size_t i = from; i < to; ++i) {
            if (mono[i] > threshold) {
                onset = i;
                break;
            }
        }
        // A burst already sounding at the window's start belongs to the row
        // before: this row's own burst is missing.
        if (onset == to || onset == from) {
            ++missing;
            continue;
        }
        offsets.push_back(start - static_cast<double>(onset) / rate);
    }
    if (offsets.empty()) {
        std::printf("rows 0 of %zu matched a burst (peak %.3f): not measured\n", starts.size(),
                    static_cast<double>(peak));
        return 2;
    }
    std::vector<double> magnitude(offsets.size());
    std::transform(offsets.begin(), offsets.end(), magnitude.begin(),
                   [](double d) { return std::fabs(d); });
    std::sort(magnitude.begin(), magnitude.end());
    std::vector<double> signedSorted = offsets;
    std::sort(signedSorted.begin(), signedSorted.end());
    std::printf(
        "rows %zu matched, %d without a burst; |offset| ms: median %.1f max %.1f; "
        "signed ms (caption minus sound): median %.1f min %.1f max %.1f\n",
        offsets.size(), missing, 1000 * magnitude[magnitude.size() / 2], 1000 * magnitude.back(),
        1000 * signedSorted[signedSorted.size() / 2], 1000 * signedSorted.front(),
        1000 * signedSorted.back());
    return 0;
}

int format(const std::string& wavPath) {
    SF_INFO info{};
    SNDFILE* in = sf_open(wavPath.c_str(), SFM_READ, &info);
    if (in == nullptr) {
        std::fprintf(stderr, "cannot read %s: %s\n", wavPath.c_str(), sf_strerror(nullptr));
        return 1;
    }
    sf_close(in);
    const int sub = info.format & SF_FORMAT_SUBMASK;
    const int bits = sub == SF_FORMAT_PCM_U8 ? 8 : sub == SF_FORMAT_PCM_16 ? 16 : 0;
    std::printf("%d Hz %s %d-bit, %.1f s\n", info.samplerate,
                info.channels == 2 ? "stereo" : "mono", bits,
                static_cast<double>(info.frames) / info.samplerate);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "make" && argc >= 3) {
        return make(argv[2], argc > 3 ? std::max(10.0, std::atof(argv[3])) : 120.0,
                    argc > 4 ? std::max(8000, std::atoi(argv[4])) : 48000);
    }
    if (mode == "measure" && argc >= 4) {
        return measure(argv[2], argv[3]);
    }
    if (mode == "format" && argc >= 3) {
        return format(argv[2]);
    }
    std::fprintf(stderr,
                 "usage: av_alignment make <station folder> [seconds] [sound rate]\n"
                 "       av_alignment measure <recorded wav> <recorded script>\n"
                 "       av_alignment format <wav>\n");
    return 64;
}
