// The header rewrite on its own: libsndfile's downgraded RF64 header becomes
// plain PCM with the data where it was, and anything else is left alone.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/sound/PlainPcmHeader.h"
#include "tests/platform/sound/SoundTestKit.h"

namespace ps = platform::sound;
using Bytes = std::vector<unsigned char>;

namespace {

Bytes readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeAll(const std::string& path, const Bytes& b) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// A file the way the recorder makes it: RF64 with downgrade, frames of a
// counting pattern so moved data would show.
std::string writeWithSndfile(const soundtest::ScratchDir& dir, const std::string& name,
                             int channels, int format, sf_count_t frames) {
    const std::string path = dir / name;
    SF_INFO info{};
    info.samplerate = 22050;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) {
        return {};
    }
    sf_command(f, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    std::vector<short> samples(static_cast<std::size_t>(frames * channels), 0);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<short>((i * 523) % 65536 - 32768);
    }
    sf_writef_short(f, samples.data(), frames);
    sf_close(f);
    return path;
}

bool rewrite(Bytes& b) {
    return ps::rewriteAsPlainPcm(b.data(), std::min(b.size(), ps::kPlainPcmHeaderScan), b.size());
}

// The offset of the "data" chunk's body, found by walking the chunks.
std::size_t dataAt(const Bytes& b) {
    std::size_t pos = 12;
    while (pos + 8 <= b.size()) {
        const uint32_t size = soundtest::le32(&b[pos + 4]);
        if (std::memcmp(&b[pos], "data", 4) == 0) {
            return pos + 8;
        }
        pos += 8 + size + (size & 1);
    }
    return 0;
}

struct Layout {
    int channels;
    int format;
    sf_count_t frames;  // odd counts of 8-bit mono leave a pad byte after the data
};

class EveryLayout : public ::testing::TestWithParam<Layout> {};

TEST_P(EveryLayout, BecomesPlainPcmWithTheDataUntouched) {
    const Layout l = GetParam();
    soundtest::ScratchDir dir;
    const std::string path =
        writeWithSndfile(dir, "a.wav", l.channels, SF_FORMAT_RF64 | l.format, l.frames);
    ASSERT_FALSE(path.empty());
    const Bytes before = readAll(path);
    ASSERT_EQ(soundtest::readFmt(path).formatTag, 0xFFFE) << "libsndfile changed its header";
    const std::size_t data = dataAt(before);
    ASSERT_GT(data, 0u);

    ASSERT_TRUE(ps::rewriteFileAsPlainPcm(path));
    const Bytes after = readAll(path);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(dataAt(after), data);
    EXPECT_TRUE(std::equal(before.begin() + static_cast<long>(data) - 8, before.end(),
                           after.begin() + static_cast<long>(data) - 8))
        << "the data chunk and what follows must not change";
    const auto h = soundtest::readFmt(path);
    const int bits = l.format == SF_FORMAT_PCM_U8 ? 8 : 16;
    EXPECT_EQ(h.formatTag, 1);
    EXPECT_EQ(h.fmtSize, 16u);
    EXPECT_EQ(h.channels, l.channels);
    EXPECT_EQ(h.sampleRate, 22050u);
    EXPECT_EQ(h.bits, bits);
    EXPECT_EQ(h.blockAlign, l.channels * bits / 8);
    EXPECT_EQ(h.byteRate, 22050u * h.blockAlign);
    EXPECT_EQ(h.riffEnd, after.size());
    EXPECT_EQ(h.chunksEnd, after.size());

    // Both readers see the same samples as before.
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    std::vector<short> got(static_cast<std::size_t>(info.frames * info.channels), 0);
    sf_readf_short(f, got.data(), info.frames);
    sf_close(f);
    EXPECT_EQ(info.frames, l.frames);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | l.format);
    const std::string original = dir / "b.wav";
    writeWithSndfile(dir, "b.wav", l.channels, SF_FORMAT_RF64 | l.format, l.frames);
    const soundtest::Decoded ours = soundtest::decode(path);
    EXPECT_EQ(soundtest::decode(original).samples, ours.samples);
    const soundtest::ForeignRead ffmpeg = soundtest::readWithFfmpeg(path);
    ASSERT_TRUE(ffmpeg.ok) << path;
    EXPECT_EQ(ffmpeg.summary(), "22050 " + std::to_string(l.channels) + " " + std::to_string(bits) +
                                    " " + std::to_string(l.frames) +
                                    (bits == 8 ? " pcm_u8" : " pcm_s16le"));
    EXPECT_EQ(ffmpeg.samples, ours.samples);

    // A second pass finds nothing to do.
    ASSERT_TRUE(ps::rewriteFileAsPlainPcm(path));
    EXPECT_EQ(readAll(path), after);
}

INSTANTIATE_TEST_SUITE_P(Formats, EveryLayout,
                         ::testing::Values(Layout{1, SF_FORMAT_PCM_U8, 101},
                                           Layout{2, SF_FORMAT_PCM_U8, 100},
                                           Layout{1, SF_FORMAT_PCM_16, 3000},
                                           Layout{2, SF_FORMAT_PCM_16, 0}),
                         [](const ::testing::TestParamInfo<Layout>& p) {
                             return std::to_string(p.param.channels) + "ch" +
                                    (p.param.format == SF_FORMAT_PCM_U8 ? "8bit" : "16bit") +
                                    std::to_string(p.param.frames) + "frames";
                         });

// Each case starts from a good downgraded header and spoils one thing.
class Unexpected : public ::testing::Test {
  protected:
    void SetUp() override {
        good = readAll(writeWithSndfile(dir, "g.wav", 2, SF_FORMAT_RF64 | SF_FORMAT_PCM_16, 50));
        ASSERT_GT(good.size(), 92u);
        ASSERT_EQ(std::memcmp(&good[12], "JUNK", 4), 0);
        ASSERT_EQ(std::memcmp(&good[44], "fmt ", 4), 0);
        Bytes copy = good;
        ASSERT_TRUE(rewrite(copy)) << "the unspoilt header must be rewritten";
    }
    void expectLeftAlone(Bytes b, const char* why) {
        const Bytes before = b;
        EXPECT_FALSE(rewrite(b)) << why;
        EXPECT_EQ(b, before) << why;
    }
    soundtest::ScratchDir dir;
    Bytes good;
    static constexpr std::size_t fmt = 44 + 8;  // the extensible body
};

TEST_F(Unexpected, HeadersThatAreNotTheDowngradedLayoutAreLeftAlone) {
    auto spoil = [&](std::size_t at, std::initializer_list<unsigned char> bytes) {
        Bytes b = good;
        std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<long>(at));
        return b;
    };
    expectLeftAlone(spoil(0, {'R', 'F', '6', '4'}), "RF64 stays RF64");
    expectLeftAlone(spoil(8, {'A', 'V', 'I', ' '}), "not a WAVE");
    expectLeftAlone(spoil(12, {'L', 'I', 'S', 'T'}), "no JUNK first");
    expectLeftAlone(spoil(44, {'f', 'm', 't', 'x'}), "no fmt after the JUNK");
    expectLeftAlone(spoil(48, {16}), "fmt of another size");
    expectLeftAlone(spoil(16, {25}), "odd JUNK size");
    expectLeftAlone(spoil(16, {0xF0, 0xFF, 0xFF, 0xFF}), "JUNK running past the file");
    expectLeftAlone(spoil(4, {0xFF, 0xFF, 0xFF, 0x7F}), "RIFF size past the end of the file");
    expectLeftAlone(spoil(fmt, {1, 0}), "already PCM");
    expectLeftAlone(spoil(fmt, {3, 0}), "float");
    expectLeftAlone(spoil(fmt + 2, {6}), "5.1 needs extensible");
    expectLeftAlone(spoil(fmt + 2, {0}), "no channels");
    expectLeftAlone(spoil(fmt + 14, {24}), "24-bit needs extensible");
    expectLeftAlone(spoil(fmt + 12, {2}), "block align that does not fit");
    expectLeftAlone(spoil(fmt + 8, {0}), "byte rate that does not fit");
    expectLeftAlone(spoil(fmt + 16, {0}), "extension of another size");
    expectLeftAlone(spoil(fmt + 18, {12}), "fewer valid bits than stored");
    expectLeftAlone(spoil(fmt + 24, {3}), "float subformat");
    expectLeftAlone(spoil(fmt + 39, {0}), "unknown subformat");
}

TEST_F(Unexpected, ShortHeadsAreLeftAlone) {
    for (std::size_t n : {0u, 4u, 12u, 19u, 20u, 91u}) {
        Bytes b(good.begin(), good.begin() + static_cast<long>(n));
        const Bytes before = b;
        EXPECT_FALSE(ps::rewriteAsPlainPcm(b.data(), b.size(), good.size())) << n;
        EXPECT_EQ(b, before) << n;
    }
    Bytes b = good;
    EXPECT_FALSE(ps::rewriteAsPlainPcm(b.data(), b.size(), 60)) << "file shorter than its RIFF";
}

TEST(PlainPcmFile, UnreadableFileIsAnErrorNamingIt) {
    const platform::Status s = ps::rewriteFileAsPlainPcm("/nonexistent/take.wav");
    ASSERT_FALSE(s);
    EXPECT_NE(s.message().find("'/nonexistent/take.wav'"), std::string::npos) << s.message();
    EXPECT_NE(s.message().find("No such file or directory"), std::string::npos) << s.message();
}

TEST(PlainPcmFile, AnotherKindOfFileIsLeftAsItIs) {
    soundtest::ScratchDir dir;
    const Bytes text = {'h', 'e', 'l', 'l', 'o'};
    writeAll(dir / "t.wav", text);
    EXPECT_TRUE(ps::rewriteFileAsPlainPcm(dir / "t.wav"));
    EXPECT_EQ(readAll(dir / "t.wav"), text);
}

}  // namespace
