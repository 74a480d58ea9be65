#pragma once
// Judges of exported files that are not our code: Debian's ffmpeg decodes
// clips, measures loudness and reads subtitles; libsndfile reads the source
// WAV directly.
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace studytest {

// Standard output of a shell command; status gets its exit status.
inline std::string capture(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return out;
    }
    char buffer[65536];
    for (std::size_t n = 0; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        out.append(buffer, n);
    }
    const int rc = ::pclose(pipe);
    if (status != nullptr) {
        *status = rc;
    }
    return out;
}

// The file decoded by ffmpeg to mono float at rate Hz (0: its own rate).
// With lufs, ffmpeg's ebur128 filter also measures its integrated loudness
// on the way (NaN when it reports none).
inline std::vector<float> decodeMono(const std::string& path, int rate = 0,
                                     double* lufs = nullptr) {
    const std::string log = path + ".ebur128.log";
    const std::string bytes = capture(
        "ffmpeg -nostdin -nostats -i '" + path + "' " + (lufs ? "-af ebur128 " : "") + "-ac 1 " +
        (rate > 0 ? "-ar " + std::to_string(rate) + " " : "") + "-f f32le - 2>'" + log + "'");
    std::vector<float> out(bytes.size() / sizeof(float));
    std::memcpy(out.data(), bytes.data(), out.size() * sizeof(float));
    if (lufs != nullptr) {
        const std::string text = capture("cat '" + log + "'");
        const std::size_t summary = text.rfind("Summary:");
        const std::size_t at = summary == std::string::npos ? summary : text.find("I:", summary);
        *lufs = at == std::string::npos ? NAN : std::strtod(text.c_str() + at + 2, nullptr);
    }
    std::remove(log.c_str());
    return out;
}

// Frames [first, first + count) of a WAV, mixed to mono, read by libsndfile.
inline std::vector<float> wavSpanMono(const std::string& path, long long first, long long count) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    std::vector<float> mono;
    if (file == nullptr) {
        return mono;
    }
    std::vector<float> frames(static_cast<std::size_t>(count * info.channels));
    sf_seek(file, first, SEEK_SET);
    const sf_count_t got = sf_readf_float(file, frames.data(), count);
    sf_close(file);
    for (sf_count_t f = 0; f < got; ++f) {
        float sum = 0;
        for (int c = 0; c < info.channels; ++c) {
            sum += frames[static_cast<std::size_t>(f * info.channels + c)];
        }
        mono.push_back(sum / static_cast<float>(info.channels));
    }
    return mono;
}

struct Match {
    int lag = 0;               // where b lines up best with a, in samples
    double correlation = 0.0;  // normalised, 1 for the same shape at any level
};

// Normalised cross-correlation of b against a for lags within ±maxLag.
inline Match bestMatch(const std::vector<float>& a, const std::vector<float>& b, int maxLag) {
    Match best{0, -2.0};
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double ab = 0, aa = 0, bb = 0;
        for (std::size_t i = 0; i < a.size(); ++i) {
            const long long j = static_cast<long long>(i) + lag;
            if (j < 0 || j >= static_cast<long long>(b.size())) {
                continue;
            }
            ab += double{a[i]} * b[static_cast<std::size_t>(j)];
            aa += double{a[i]} * a[i];
            bb += double{b[static_cast<std::size_t>(j)]} * b[static_cast<std::size_t>(j)];
        }
        const double c = aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
        if (c > best.correlation) {
            best = {lag, c};
        }
    }
    return best;
}

}  // namespace studytest
