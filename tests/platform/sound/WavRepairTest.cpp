// A recording's header set from the length of its file: what a program
// killed mid-recording, or a disk that filled up mid-write, leaves behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/sound/WavRepair.h"
#include "tests/platform/sound/SoundTestKit.h"

namespace ps = platform::sound;

namespace {

void put32(std::vector<unsigned char>& b, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
    }
}
uint64_t get64(const std::vector<unsigned char>& b, std::size_t at) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) {
        v = (v << 8) | b[at + static_cast<std::size_t>(i)];
    }
    return v;
}

// "RIFF" or "RF64" WAVE, [ds64], fmt (16 bytes, PCM), [fact], data: sizes
// all 0 (RF64's 32-bit ones 0xFFFFFFFF), then dataBytes of sound.
std::vector<unsigned char> header(bool rf64, uint16_t channels, uint16_t bits, bool fact,
                                  std::size_t dataBytes) {
    std::vector<unsigned char> b;
    auto id = [&](const char* s) {
        for (int i = 0; i < 4; ++i) {
            b.push_back(static_cast<unsigned char>(s[i]));
        }
    };
    auto u32 = [&](uint32_t v) {
        b.resize(b.size() + 4);
        put32(b, b.size() - 4, v);
    };
    auto u16 = [&](uint16_t v) {
        b.push_back(static_cast<unsigned char>(v));
        b.push_back(static_cast<unsigned char>(v >> 8));
    };
    id(rf64 ? "RF64" : "RIFF");
    u32(rf64 ? 0xFFFFFFFFu : 0);
    id("WAVE");
    if (rf64) {
        id("ds64");
        u32(28);
        b.resize(b.size() + 28, 0);
    }
    id("fmt ");
    u32(16);
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    u16(1);
    u16(channels);
    u32(8000);
    u32(8000u * align);
    u16(align);
    u16(bits);
    if (fact) {
        id("fact");
        u32(4);
        u32(0);
    }
    id("data");
    u32(rf64 ? 0xFFFFFFFFu : 0);
    b.resize(b.size() + dataBytes, 0x55);
    return b;
}

TEST(WavRepair, AHeaderThatSaysEmptyGetsTheLengthOfItsData) {
    struct Case {
        uint16_t channels, bits;
        bool fact;
        std::size_t dataBytes;
        uint64_t frames;
        std::size_t fileSize;  // a partial frame cut, an odd data chunk padded
    };
    const std::size_t h = 44;
    const Case cases[] = {
        {1, 16, false, 8000, 4000, h + 8000},
        {2, 16, true, 4003, 1000, h + 12 + 4000},
        {1, 8, false, 101, 101, h + 102},
        {2, 8, false, 0, 0, h},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> b = header(false, c.channels, c.bits, c.fact, c.dataBytes);
        const auto r = ps::repairWavHeader(b.data(), b.size() - c.dataBytes, b.size());
        ASSERT_TRUE(r) << r.message();
        EXPECT_EQ(r.value().frames, c.frames);
        EXPECT_EQ(r.value().fileSize, c.fileSize);
        const std::size_t dataAt = r.value().dataStart - 8;
        EXPECT_EQ(soundtest::le32(&b[4]), c.fileSize - 8) << "RIFF size";
        EXPECT_EQ(soundtest::le32(&b[dataAt + 4]), c.frames * c.channels * c.bits / 8);
        if (c.fact) {
            EXPECT_EQ(soundtest::le32(&b[dataAt - 4]), c.frames) << "fact sample count";
        }
        // Repaired again, as the next start would: the pad byte is no sample.
        const auto again = ps::repairWavHeader(b.data(), b.size() - c.dataBytes, c.fileSize);
        ASSERT_TRUE(again);
        EXPECT_EQ(again.value().frames, c.frames);
    }
}

TEST(WavRepair, RF64KeepsItsSizesInDs64) {
    std::vector<unsigned char> b = header(true, 2, 16, false, 4 * 1000 + 2);
    const std::size_t headSize = b.size() - 4002;
    const auto r = ps::repairWavHeader(b.data(), headSize, b.size());
    ASSERT_TRUE(r) << r.message();
    EXPECT_EQ(r.value().frames, 1000u);
    EXPECT_EQ(get64(b, 20), r.value().fileSize - 8);
    EXPECT_EQ(get64(b, 28), 4000u);
    EXPECT_EQ(get64(b, 36), 1000u);
    EXPECT_EQ(soundtest::le32(&b[4]), 0xFFFFFFFFu) << "the 32-bit sizes stay 'see ds64'";
}

TEST(WavRepair, BytesThatAreNoRecordingAreLeftAlone) {
    std::vector<std::vector<unsigned char>> bad;
    bad.push_back({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '});
    bad.push_back(header(false, 0, 16, false, 10));  // no channels
    bad.push_back(header(true, 1, 16, false, 10));   // RF64 ...
    std::memcpy(bad.back().data() + 12, "JUNK", 4);  // ... without ds64
    std::vector<unsigned char> noData = header(false, 1, 16, false, 0);
    noData.resize(noData.size() - 8);
    bad.push_back(noData);
    for (std::vector<unsigned char>& b : bad) {
        const std::vector<unsigned char> before = b;
        EXPECT_FALSE(ps::repairWavHeader(b.data(), b.size(), b.size()));
        EXPECT_EQ(b, before);
    }
}

TEST(WavRepair, AFileIsCutToWholeFramesAndReadsToItsEnd) {
    soundtest::ScratchDir dir;
    const std::string path = dir / "cut.wav";
    std::vector<unsigned char> b = header(false, 2, 16, false, 4 * 2000 + 3);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    const auto r = ps::repairWavFile(path);
    ASSERT_TRUE(r) << r.message();
    EXPECT_DOUBLE_EQ(r.value().seconds(), 0.25);
    const soundtest::Decoded d = soundtest::decode(path);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.info.frames, 2000);
    EXPECT_EQ(std::filesystem::file_size(path), 44u + 8000u);
    EXPECT_FALSE(ps::repairWavFile(dir / "missing.wav"));
}

}  // namespace
