// Finds where a recorded WAV lies in a station's sound, by normalised
// cross-correlation, and checks it against where it should lie.
//   e2e_soundmatch RECORDED.wav STATION_SOUND EXPECTED_SECONDS SLACK_SECONDS
// Prints the offset found; fails when it is further than SLACK from
// EXPECTED or the match is poor.
#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Sound {
    int rate = 0;
    std::vector<float> mono;
};

bool readMono(const char* path, Sound& out) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path, SFM_READ, &info);
    if (f == nullptr) {
        std::fprintf(stderr, "cannot read %s: %s\n", path, sf_strerror(nullptr));
        return false;
    }
    std::vector<float> all(static_cast<std::size_t>(info.frames * info.channels));
    const sf_count_t got = sf_readf_float(f, all.data(), info.frames);
    sf_close(f);
    out.rate = info.samplerate;
    out.mono.assign(static_cast<std::size_t>(std::max<sf_count_t>(got, 0)), 0.0f);
    for (std::size_t i = 0; i < out.mono.size(); ++i) {
        for (int c = 0; c < info.channels; ++c) {
            out.mono[i] +=
                all[i * static_cast<std::size_t>(info.channels) + static_cast<std::size_t>(c)] /
                static_cast<float>(info.channels);
        }
    }
    return true;
}

std::vector<float> convert(const std::vector<float>& in, int from, int to) {
    const double ratio = static_cast<double>(to) / from;
    std::vector<float> out(static_cast<std::size_t>(std::ceil(in.size() * ratio)) + 16);
    SRC_DATA d{};
    d.data_in = in.data();
    d.input_frames = static_cast<long>(in.size());
    d.data_out = out.data();
    d.output_frames = static_cast<long>(out.size());
    d.src_ratio = ratio;
    if (src_simple(&d, SRC_SINC_FASTEST, 1) != 0) {
        return {};
    }
    out.resize(static_cast<std::size_t>(d.output_frames_gen));
    return out;
}

double correlationAt(const std::vector<float>& x, const std::vector<float>& y, std::size_t lag) {
    const std::size_t n = std::min(x.size(), y.size() - lag);
    double xy = 0, xx = 0, yy = 0;
    for (std::size_t i = 0; i < n; ++i) {
        xy += static_cast<double>(x[i]) * y[lag + i];
        xx += static_cast<double>(x[i]) * x[i];
        yy += static_cast<double>(y[lag + i]) * y[lag + i];
    }
    return xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0.0;
}

std::vector<float> blockMeans(const std::vector<float>& x, std::size_t block) {
    std::vector<float> out(x.size() / block, 0.0f);
    for (std::size_t k = 0; k < out.size(); ++k) {
        for (std::size_t i = 0; i < block; ++i) {
            out[k] += x[k * block + i] / static_cast<float>(block);
        }
    }
    return out;
}

// The lag in [first, last] where x matches y best.
long bestLag(const std::vector<float>& x, const std::vector<float>& y, long first, long last,
             double& correlation) {
    long best = first;
    correlation = -2.0;
    for (long lag = std::max(0L, first); lag <= last; ++lag) {
        const double c = correlationAt(x, y, static_cast<std::size_t>(lag));
        if (c > correlation) {
            correlation = c;
            best = lag;
        }
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s RECORDED.wav STATION_SOUND EXPECTED_S SLACK_S\n", argv[0]);
        return 2;
    }
    Sound rec, station;
    if (!readMono(argv[1], rec) || !readMono(argv[2], station) || rec.mono.empty()) {
        return 1;
    }
    const double expected = std::atof(argv[3]);
    const double slack = std::atof(argv[4]);
    const std::vector<float> ref = convert(station.mono, station.rate, rec.rate);
    // The whole recording against every lag within the slack (and a little more).
    const double reach = slack + 0.5;
    const long first = std::max(0L, static_cast<long>((expected - reach) * rec.rate));
    const long last = std::min(static_cast<long>(ref.size() - rec.mono.size()),
                               static_cast<long>((expected + reach) * rec.rate));
    if (last < first) {
        std::fprintf(stderr, "the recording does not fit the station's sound near %.3f s\n",
                     expected);
        return 1;
    }
    // Coarse on means of ten samples, then sample by sample near there.
    constexpr long kBlock = 10;
    double bestC = 0.0;
    const long coarse = bestLag(blockMeans(rec.mono, kBlock), blockMeans(ref, kBlock),
                                first / kBlock, last / kBlock, bestC);
    const long best = bestLag(rec.mono, ref, coarse * kBlock - 2 * kBlock,
                              std::min(last, coarse * kBlock + 2 * kBlock), bestC);
    const double found = static_cast<double>(best) / rec.rate;
    std::printf(
        "%s: %.3f s of sound found at %.3f s of the station (expected %.3f s), "
        "correlation %.4f\n",
        argv[1], static_cast<double>(rec.mono.size()) / rec.rate, found, expected, bestC);
    if (std::fabs(found - expected) > slack || bestC < 0.9) {
        std::fprintf(stderr, "no match within %.3f s\n", slack);
        return 1;
    }
    return 0;
}
