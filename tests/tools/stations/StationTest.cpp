// The committed sample stations: their captions read cleanly, and the script
// the program would record from them gives back their transcripts.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/scc/Scc.h"
#include "tools/broadcastmaker/Transcript.h"
#include "tools/scriptmaker/ScriptMaker.h"

namespace {

namespace fs = std::filesystem;

const fs::path kBroadcasts = CUELARK_BROADCASTS_DIR;

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// What the script should read for a transcript caption: markup gone, rows
// joined by a space, Latin-1 letters as their Windows-1252 bytes, the music
// note (which Windows-1252 lacks) left out, blanks collapsed.
std::string expectedScriptText(const std::string& utf8) {
    std::string text;
    for (size_t i = 0; i < utf8.size();) {
        if (utf8.compare(i, 3, "<i>") == 0) {
            i += 3;
        } else if (utf8.compare(i, 4, "</i>") == 0) {
            i += 4;
        } else if (utf8.compare(i, 3, "\xE2\x99\xAA") == 0) {
            i += 3;
        } else if (utf8[i] == '|') {
            text += ' ';
            ++i;
        } else if ((static_cast<unsigned char>(utf8[i]) & 0xE0) == 0xC0) {
            text += static_cast<char>(((utf8[i] & 0x1F) << 6) | (utf8[i + 1] & 0x3F));
            i += 2;
        } else {
            text += utf8[i++];
        }
    }
    return text;
}

std::string collapseBlanks(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == ' ' && (out.empty() || out.back() == ' ')) {
            continue;
        }
        out += c;
    }
    while (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
    return out;
}

class Station : public ::testing::TestWithParam<std::string> {
  protected:
    fs::path folder() const { return kBroadcasts / GetParam(); }
};

TEST_P(Station, HasTheFilesTheCardReads) {
    const std::string title = readAll(folder() / "title.txt");
    ASSERT_FALSE(title.empty());
    EXPECT_EQ(title.find('\n'), title.size() - 1) << "one line";

    SF_INFO info{};
    SNDFILE* sound = sf_open((folder() / "sound.flac").c_str(), SFM_READ, &info);
    ASSERT_NE(sound, nullptr) << sf_strerror(nullptr);
    sf_close(sound);
    EXPECT_EQ(info.channels, 1);
    const double soundSeconds = static_cast<double>(info.frames) / info.samplerate;

    platform::Result<std::vector<tools::broadcast::TranscriptLine>> lines =
        tools::broadcast::readTranscriptFile((folder() / "transcript.txt").string());
    ASSERT_TRUE(lines.isOk()) << lines.message();
    EXPECT_GT(soundSeconds, lines.value().back().end) << "the sound outlasts the captions";
    EXPECT_GE(soundSeconds, 60.0);
    EXPECT_LE(soundSeconds, 180.0);
}

TEST_P(Station, ScriptGivesBackTheTranscript) {
    platform::Result<platform::scc::CaptionTrack> track =
        platform::scc::readSccFile((folder() / "captions.scc").string());
    ASSERT_TRUE(track.isOk()) << track.message();
    EXPECT_TRUE(track.value().warnings.empty()) << track.value().warnings.front();

    const fs::path script =
        fs::temp_directory_path() / ("station_" + GetParam() + "_" + std::to_string(::getpid()));
    platform::Result<tools::ScriptSummary> made = tools::makeScript(track.value(), script.string());
    ASSERT_TRUE(made.isOk()) << made.message();
    std::istringstream rows(readAll(script));
    fs::remove(script);

    platform::Result<std::vector<tools::broadcast::TranscriptLine>> lines =
        tools::broadcast::readTranscriptFile((folder() / "transcript.txt").string());
    ASSERT_TRUE(lines.isOk()) << lines.message();
    ASSERT_EQ(made.value().rows, static_cast<int64_t>(lines.value().size()));

    for (const tools::broadcast::TranscriptLine& line : lines.value()) {
        std::string row;
        ASSERT_TRUE(std::getline(rows, row));
        ASSERT_FALSE(row.empty());
        EXPECT_EQ(row.back(), '\r');
        row.pop_back();
        std::istringstream fields(row);
        std::string start, end, text;
        std::getline(fields, start, '\t');
        std::getline(fields, end, '\t');
        std::getline(fields, text);
        const std::string where = "transcript line " + std::to_string(line.lineNumber);
        EXPECT_LE(std::abs(std::stoi(start) / 100.0 - line.start), platform::scc::kFrameSeconds)
            << where << ": starts at " << start;
        EXPECT_LE(std::abs(std::stoi(end) / 100.0 - line.end), platform::scc::kFrameSeconds)
            << where << ": ends at " << end;
        EXPECT_EQ(collapseBlanks(text), collapseBlanks(expectedScriptText(line.text))) << where;
    }
}

std::vector<std::string> stations() {
    std::vector<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(kBroadcasts)) {
        if (e.is_directory()) {
            names.push_back(e.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

INSTANTIATE_TEST_SUITE_P(Committed, Station, ::testing::ValuesIn(stations()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             return "Channel" + info.param;
                         });

TEST(Stations, ChannelThreeIsAmongThemAndAllFitTogether) {
    const std::vector<std::string> names = stations();
    EXPECT_NE(std::find(names.begin(), names.end(), "3"), names.end());
    EXPECT_GE(names.size(), 3u);
    uintmax_t bytes = 0;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(kBroadcasts)) {
        bytes += e.is_regular_file() ? e.file_size() : 0;
    }
    EXPECT_LT(bytes, 4u * 1024 * 1024);
    // Its first caption comes a few seconds into the programme.
    platform::Result<std::vector<tools::broadcast::TranscriptLine>> lines =
        tools::broadcast::readTranscriptFile((kBroadcasts / "3" / "transcript.txt").string());
    ASSERT_TRUE(lines.isOk()) << lines.message();
    EXPECT_GE(lines.value().front().start, 2.0);
    EXPECT_LE(lines.value().front().start, 10.0);
}

}  // namespace
