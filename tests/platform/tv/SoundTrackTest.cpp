// A station's sound read from its file as it plays: a read from any point
// gives what decoding the whole file gives, in every format the card takes,
// and the read-ahead hands a listener the same wherever it goes.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "TinyStation.h"
#include "platform/tv/SoundFile.h"
#include "platform/tv/SoundReadAhead.h"

using namespace platform::tv;

namespace {

// Sample (f, c) of a smooth tone, different in each channel.
float tone(int64_t f, int c) {
    return 0.5f * static_cast<float>(std::sin(0.013 * static_cast<double>(f) * (c + 1)));
}

std::string writeSound(const tvtest::TempBroadcasts& dir, const std::string& name, int format,
                       int channels, int rate, int64_t frames) {
    const std::string path = (dir.root() / name).string();
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(f, nullptr) << sf_strerror(nullptr);
    std::vector<float> samples(static_cast<std::size_t>(frames * channels));
    for (int64_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            samples[static_cast<std::size_t>(i * channels + c)] = tone(i, c);
        }
    }
    sf_writef_float(f, samples.data(), frames);
    sf_close(f);
    return path;
}

// The whole file decoded in one go, cut down to the first two channels.
std::vector<float> decodeWhole(const std::string& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    std::vector<float> all(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(f, all.data(), info.frames);
    sf_close(f);
    const int kept = std::min(info.channels, 2);
    std::vector<float> out;
    for (int64_t i = 0; i < info.frames; ++i) {
        for (int c = 0; c < kept; ++c) {
            out.push_back(all[static_cast<std::size_t>(i * info.channels + c)]);
        }
    }
    return out;
}

// Frames [at, at + n) of a decoded track, silence outside it.
std::vector<float> slice(const std::vector<float>& whole, int channels, int64_t at, int64_t n) {
    std::vector<float> out(static_cast<std::size_t>(n * channels), 0.0f);
    const auto frames = static_cast<int64_t>(whole.size()) / channels;
    for (int64_t i = 0; i < n; ++i) {
        if (at + i >= 0 && at + i < frames) {
            for (int c = 0; c < channels; ++c) {
                out[static_cast<std::size_t>(i * channels + c)] =
                    whole[static_cast<std::size_t>((at + i) * channels + c)];
            }
        }
    }
    return out;
}

struct Format {
    const char* name;
    int format;
    int channels;
    int rate = 22050;
};

void PrintTo(const Format& f, std::ostream* os) {
    *os << f.name;
}

class EveryFormat : public ::testing::TestWithParam<Format> {};

TEST_P(EveryFormat, AnyPointReadsAsTheWholeFileDecodes) {
    const Format fmt = GetParam();
    tvtest::TempBroadcasts dir;
    const std::string path = writeSound(dir, "sound", fmt.format, fmt.channels, fmt.rate, 50000);
    auto track = openSoundFile(path);
    ASSERT_TRUE(track) << track.message();
    const int channels = std::min(fmt.channels, 2);
    EXPECT_EQ(track.value()->frames(), 50000);
    EXPECT_EQ(track.value()->channels(), channels);
    EXPECT_EQ(track.value()->sampleRate(), fmt.rate);

    const std::vector<float> whole = decodeWhole(path);
    auto cursor = track.value()->open();
    ASSERT_TRUE(cursor) << cursor.message();
    // Jumps either way, runs on from where the last read ended, the last frame.
    const std::pair<int64_t, int64_t> reads[] = {{30000, 1000},  {0, 10},   {10, 4096},
                                                 {49000, 1000},  {123, 7},  {130, 5000},
                                                 {25000, 25000}, {49999, 1}};
    for (const auto& [at, n] : reads) {
        std::vector<float> got(static_cast<std::size_t>(n * channels), 99.0f);
        ASSERT_TRUE(cursor.value()->read(at, got.data(), static_cast<std::size_t>(n)));
        ASSERT_EQ(got, slice(whole, channels, at, n)) << "from frame " << at;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, EveryFormat,
    ::testing::Values(Format{"flac_mono", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1},
                      Format{"wav_float_stereo", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2},
                      Format{"vorbis_stereo", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2},
                      Format{"opus_stereo", SF_FORMAT_OGG | SF_FORMAT_OPUS, 2, 48000},
                      Format{"wav_three_channels", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 3}),
    [](const ::testing::TestParamInfo<Format>& p) { return std::string(p.param.name); });

TEST(SoundReadAhead, HandsOutTheTrackWhereverTheListenerGoes) {
    tvtest::TempBroadcasts dir;
    // At 8000 Hz the read-ahead holds 16384 frames: the pieces below wrap it
    // many times, and one is larger than all of it.
    const std::string path =
        writeSound(dir, "sound.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 8000, 100000);
    auto track = openSoundFile(path);
    ASSERT_TRUE(track) << track.message();
    const std::vector<float> whole = decodeWhole(path);
    SoundReadAhead ahead(track.value());
    std::vector<std::pair<int64_t, int64_t>> reads = {{-100, 300}};
    for (int64_t at = 200, n = 1; at < 60000; at += n, n = (n * 977) % 3001 + 1) {
        reads.emplace_back(at, n);
    }
    reads.insert(
        reads.end(),
        {{60000, 20000}, {5, 1000}, {99990, 50}, {200000, 10}, {70000, 100}, {69000, 100}});
    for (const auto& [at, n] : reads) {
        std::vector<float> got(static_cast<std::size_t>(n * 2), 99.0f);
        ahead.read(at, got.data(), static_cast<std::size_t>(n));
        ASSERT_EQ(got, slice(whole, 2, at, n)) << "from frame " << at;
    }
}

TEST(SoundReadAhead, AFileGoneSinceTheCardLoadedIsHeardAsSilence) {
    tvtest::TempBroadcasts dir;
    const std::string path =
        writeSound(dir, "sound.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 8000, 8000);
    auto track = openSoundFile(path);
    ASSERT_TRUE(track) << track.message();
    std::filesystem::remove(path);
    SoundReadAhead ahead(track.value());
    std::vector<float> got(500, 99.0f);
    ahead.read(100, got.data(), got.size());
    EXPECT_EQ(got, std::vector<float>(500, 0.0f));
}

}  // namespace
