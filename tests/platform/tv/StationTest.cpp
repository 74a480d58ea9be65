#include <gtest/gtest.h>

#include <sstream>

#include "TinyStation.h"
#include "platform/tv/Station.h"

using namespace platform::tv;

namespace {

TEST(Stations, ReadsEachChannelFolderWithItsCaptionsSoundAndTitle) {
    tvtest::TempBroadcasts b;
    b.addStation(3, "00:00:01:00\t942c 942c\n", 2.0, 0.0f, "Morning News");
    b.addStation(125, "00:00:00:00\t9420\n", 1.0, 0.0f);
    b.writeFile(3, "picture.png", "not looked at until shown");
    std::ostringstream errors;
    const StationSet set = loadStations(b.root().string(), errors);
    EXPECT_EQ(errors.str(), "");
    EXPECT_EQ(set.size(), 2);

    const Station* s = set.at(3);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->title, "Morning News");
    EXPECT_EQ(s->sampleRate(), tvtest::kTinyRate);
    EXPECT_EQ(s->channels(), 1);
    EXPECT_EQ(s->soundFrames(), 16000);
    EXPECT_EQ(s->picturePath, (b.folder(3) / "picture.png").string());
    // A second after the last word (frame 31) is longer than the 2 s of sound.
    EXPECT_EQ(s->lengthFrames(), 31 + 1 + 30);
    EXPECT_EQ(s->pairs[30], 0x942c);
    EXPECT_EQ(s->pairs[31], 0x942c);
    EXPECT_EQ(s->pairs[0], 0x8080) << "frames without data carry the null pair";
    EXPECT_EQ(s->pairs[32], 0x8080);
    EXPECT_EQ(set.at(125)->picturePath, "");
}

TEST(Stations, LengthFollowsTheSoundWhenItIsLonger) {
    tvtest::TempBroadcasts b;
    b.addStation(4, "00:00:00:00\t9420\n", 3.0, 0.0f);
    std::ostringstream errors;
    const StationSet set = loadStations(b.root().string(), errors);
    ASSERT_NE(set.at(4), nullptr);
    // 3 s is 89.91 frames: the programme rounds up to whole frames.
    EXPECT_EQ(set.at(4)->lengthFrames(), 90);
}

TEST(Stations, BrokenStationsAreSkippedAndNamedOnTheErrorStream) {
    tvtest::TempBroadcasts b;
    b.addStation(3, "00:00:00:00\t9420\n", 1.0, 0.0f);
    b.addStation(5, "00:00:00:00\t9420\n", 1.0, 0.0f);
    b.writeFile(5, "sound.wav", "RIFF but not really");
    b.addStation(6, "00:00:00:00\t9420\n", 1.0, 0.0f);
    b.writeFile(6, "captions.scc", "no header here\n");
    b.addStation(7, "00:00:00:00\t9420\n", 1.0, 0.0f);
    std::filesystem::remove(b.folder(7) / "title.txt");
    b.addStation(126, "00:00:00:00\t9420\n", 1.0, 0.0f);  // beyond the card's channels
    b.writeFile(8, "readme.txt", "a folder with no station in it");
    std::filesystem::create_directories(b.root() / "news");

    std::ostringstream errors;
    const StationSet set = loadStations(b.root().string(), errors);
    EXPECT_EQ(set.size(), 1);
    EXPECT_NE(set.at(3), nullptr);
    const std::string e = errors.str();
    EXPECT_NE(e.find("Channel 5 has no station"), std::string::npos) << e;
    EXPECT_NE(e.find((b.folder(5) / "sound.wav").string()), std::string::npos) << e;
    EXPECT_NE(e.find((b.folder(6) / "captions.scc").string()), std::string::npos) << e;
    EXPECT_NE(e.find((b.folder(7) / "title.txt").string()), std::string::npos) << e;
    EXPECT_NE(e.find("Channel 8 has no station"), std::string::npos) << e;
    EXPECT_EQ(e.find("126"), std::string::npos) << e;
    // Read side by side, but told in channel order.
    EXPECT_LT(e.find("Channel 5 "), e.find("Channel 6 ")) << e;
    EXPECT_LT(e.find("Channel 6 "), e.find("Channel 7 ")) << e;
    EXPECT_LT(e.find("Channel 7 "), e.find("Channel 8 ")) << e;
}

TEST(Stations, EachChannelGetsItsOwnFolderWhenManyAreReadAtOnce) {
    tvtest::TempBroadcasts b;
    for (int ch = 1; ch <= 9; ++ch) {
        b.addStation(ch * 11, "00:00:00:00\t9420\n", 0.5, static_cast<float>(ch) / 10.0f,
                     "Station " + std::to_string(ch * 11));
    }
    std::ostringstream errors;
    const StationSet set = loadStations(b.root().string(), errors);
    EXPECT_EQ(errors.str(), "");
    ASSERT_EQ(set.size(), 9);
    for (int ch = 1; ch <= 9; ++ch) {
        const Station* s = set.at(ch * 11);
        ASSERT_NE(s, nullptr) << ch * 11;
        EXPECT_EQ(s->title, "Station " + std::to_string(ch * 11));
        auto cursor = s->sound->open();
        ASSERT_TRUE(cursor) << cursor.message();
        float sample = 0.0f;
        ASSERT_TRUE(cursor.value()->read(7, &sample, 1));
        EXPECT_FLOAT_EQ(sample, tvtest::ramp(7, static_cast<float>(ch) / 10.0f)) << ch * 11;
    }
}

TEST(Stations, MissingFolderGivesNoStationsAndSaysSo) {
    std::ostringstream errors;
    const StationSet set = loadStations("/nonexistent/broadcasts", errors);
    EXPECT_EQ(set.size(), 0);
    EXPECT_NE(errors.str().find("/nonexistent/broadcasts"), std::string::npos);
    EXPECT_EQ(set.at(0), nullptr);
    EXPECT_EQ(set.at(-1), nullptr);
    EXPECT_EQ(set.at(126), nullptr);
}

}  // namespace
