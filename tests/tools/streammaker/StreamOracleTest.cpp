// Streams made by the stream maker, read back by FFmpeg's own command-line
// tools, which are not our code: the captions ffprobe finds in the decoded
// pictures are the station's pairs in order, each in the frame on display
// when it is due; the sound ffmpeg decodes is the station's sound, placed by
// its timestamps where it belongs; and making a stream twice gives the same
// bytes.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "platform/scc/Scc.h"
#include "platform/tv/Line21.h"
#include "platform/tv/Station.h"
#include "tests/support/TempDir.h"
#include "tools/streammaker/StreamMaker.h"

namespace {

using namespace tools::stream;
using testsupport::TempDir;

constexpr double kPi = 3.14159265358979323846;
constexpr int kStationRate = 16000;
constexpr double kSoundSeconds = 6.0;

// The station's sound as a function of time: a rising sweep that starts again
// every two seconds, whose correlation has one sharp peak.
double sweep(double t) {
    const double u = std::fmod(t, 2.0);
    return 0.4 * std::sin(2 * kPi * (200 * u + 900 * u * u));
}

uint16_t textPair(char a, char b) {
    using platform::tv::withOddParity;
    return static_cast<uint16_t>(withOddParity(static_cast<uint8_t>(a)) << 8 |
                                 withOddParity(static_cast<uint8_t>(b)));
}

// A station with a pop-on caption every second: doubled control codes, text,
// and frames with nothing in between.
void writeStation(const std::string& dir) {
    std::vector<platform::scc::CaptionWord> words;
    const char* text = "HELLO WORLD, LINE TWENTY-ONE";
    for (int s = 0; s < 5; ++s) {
        std::vector<uint16_t> pairs = {0x9420, 0x9420, 0x94D0, 0x94D0};
        for (int i = 0; text[i] != '\0' && text[i + 1] != '\0'; i += 2) {
            pairs.push_back(textPair(text[i], static_cast<char>(text[i + 1] + s % 2)));
        }
        for (uint16_t p : {0x942C, 0x942C, 0x942F, 0x942F}) {
            pairs.push_back(p);
        }
        int64_t frame = s * 30 + 3;
        for (uint16_t p : pairs) {
            words.push_back({frame++, static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p)});
        }
    }
    testsupport::writeFile(dir + "/captions.scc", platform::scc::formatScc(words, false));
    testsupport::writeFile(dir + "/title.txt", "Oracle\n");
    std::vector<float> sound(static_cast<std::size_t>(kSoundSeconds * kStationRate));
    for (std::size_t i = 0; i < sound.size(); ++i) {
        sound[i] = static_cast<float>(sweep(static_cast<double>(i) / kStationRate));
    }
    SF_INFO info{};
    info.samplerate = kStationRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open((dir + "/sound.wav").c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    sf_writef_float(f, sound.data(), static_cast<sf_count_t>(sound.size()));
    sf_close(f);
}

// Standard output of a command; its standard error goes into the failure text.
struct Output {
    std::string out;
    std::string err;
    int status = -1;
};

// A path as one word of a shell command.
std::string shellWord(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

Output run(const std::string& command, const TempDir& dir) {
    Output r;
    const std::string errFile = dir.file("stderr.txt");
    FILE* p = ::popen((command + " 2>" + shellWord(errFile)).c_str(), "r");
    if (p == nullptr) {
        r.err = "cannot start: " + command;
        return r;
    }
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) {
        r.out.append(buffer, n);
    }
    r.status = ::pclose(p);
    r.err = command + "\n" + testsupport::readFile(errFile);
    return r;
}

struct Triplets {
    double time = 0;  // the picture's presentation time, seconds
    std::vector<uint8_t> bytes;
};

// ffprobe's -show_packets -show_data of the caption stream: each packet's
// time and its bytes from the hex columns of the dump.
std::vector<Triplets> parsePackets(const std::string& text) {
    std::vector<Triplets> packets;
    std::istringstream in(text);
    std::string line;
    bool data = false;
    while (std::getline(in, line)) {
        if (line == "[PACKET]") {
            packets.emplace_back();
            data = false;
        } else if (line.rfind("pts_time=", 0) == 0 && !packets.empty()) {
            packets.back().time = std::stod(line.substr(9));
        } else if (line == "data=") {
            data = true;
        } else if (line.empty() || line[0] == '[') {
            data = false;
        } else if (data && line.size() > 10 && !packets.empty()) {
            // "00000000: fc80 80fd ...  <text>": 39 columns of hex after the offset.
            const std::string hex = line.substr(10, 39);
            std::string digits;
            for (char c : hex) {
                if (c != ' ') {
                    digits += c;
                }
            }
            for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
                packets.back().bytes.push_back(
                    static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
            }
        }
    }
    return packets;
}

struct Field1Pair {
    int64_t frame = 0;
    uint16_t pair = 0;
};

// The valid field-1 pairs, with the frame number each picture has from its time.
std::vector<Field1Pair> field1Pairs(const std::vector<Triplets>& packets, Rational fps) {
    std::vector<Field1Pair> pairs;
    const double first = packets.empty() ? 0 : packets.front().time;
    for (const Triplets& t : packets) {
        const int64_t frame = std::llround((t.time - first) * fps.num / fps.den);
        for (std::size_t i = 0; i + 2 < t.bytes.size(); i += 3) {
            if ((t.bytes[i] & 0x07) == 0x04) {  // cc_valid, field 1
                pairs.push_back(
                    {frame, static_cast<uint16_t>(t.bytes[i + 1] << 8 | t.bytes[i + 2])});
            }
        }
    }
    return pairs;
}

bool isControl(uint16_t pair) {
    return ((pair >> 8) & 0x70) == 0x10;
}

struct Case {
    const char* name;
    VideoCodec video;
    SoundCodec sound;
    FrameRate rate;
    bool pad;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class StreamOracleTest : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override {
        writeStation(station_.path());
        std::ostringstream warnings;
        platform::Result<platform::tv::Station> s =
            platform::tv::loadStation(station_.path(), 1, warnings);
        ASSERT_TRUE(s.isOk()) << s.message();
        loaded_ = std::move(s.value());
        options_.video = GetParam().video;
        options_.sound = GetParam().sound;
        options_.cadence = {GetParam().rate, GetParam().pad};
        options_.width = 352;
        options_.height = 240;
        options_.x264Preset = "ultrafast";
        ts_ = work_.file("stream.ts");
        platform::Result<StreamSummary> made = makeStream(loaded_, options_, ts_);
        ASSERT_TRUE(made.isOk()) << made.message();
    }

    void checkCaptions();
    void checkSound();

    TempDir station_;
    TempDir work_;
    platform::tv::Station loaded_;
    StreamOptions options_;
    std::string ts_;
};

// The pairs ffprobe finds in the decoded pictures are the station's, in
// order, each in the frame on display when it is due.
void StreamOracleTest::checkCaptions() {
    const Output probe = run("ffprobe -v error -f lavfi -i 'movie=" + ts_ +
                                 "[out0+subcc]' -select_streams 1 -show_packets -show_data",
                             work_);
    ASSERT_EQ(probe.status, 0) << probe.err;
    const Rational fps = framesPerSecond(options_.cadence.rate);
    const std::vector<Field1Pair> got = field1Pairs(parsePackets(probe.out), fps);

    // Every frame of the programme was decoded and carried its data.
    const int64_t frames = std::llround(loaded_.lengthSeconds() * fps.num / fps.den);
    ASSERT_FALSE(got.empty());
    EXPECT_NEAR(static_cast<double>(got.back().frame), static_cast<double>(frames - 1), 1.0);

    std::size_t next = 0;  // into got
    for (std::size_t k = 0; k < loaded_.pairs.size(); ++k) {
        const uint16_t want = loaded_.pairs[k];
        if (want == 0x8080) {
            continue;  // a null is padding: where it goes is the encoder's choice
        }
        while (next < got.size() && got[next].pair == 0x8080) {
            ++next;
        }
        ASSERT_LT(next, got.size()) << "pair " << k << " is missing";
        ASSERT_EQ(got[next].pair, want) << "pair " << k;
        // Due at k/29.97 s, in the frame shown over that moment.
        const double due = platform::scc::frameTime(static_cast<int64_t>(k));
        const double shown = static_cast<double>(got[next].frame) * fps.den / fps.num;
        EXPECT_LE(shown, due + 1e-6) << "pair " << k;
        EXPECT_LT(due, shown + static_cast<double>(fps.den) / fps.num - 1e-6) << "pair " << k;
        if (options_.cadence.padControls && isControl(want) && k >= 1 &&
            loaded_.pairs[k - 1] == want) {
            ASSERT_GE(next, 2u);
            EXPECT_EQ(got[next - 1].pair, 0x8080) << "no null before the copy of pair " << k;
            EXPECT_EQ(got[next - 2].pair, want) << "pair " << k;
        }
        ++next;
    }
}

// Normalised correlation of the decoded sound against the station's, shifted.
double correlation(const std::vector<float>& decoded, const std::vector<double>& want,
                   std::size_t lag) {
    double xy = 0, xx = 0, yy = 0;
    for (std::size_t i = 0; i < want.size() && lag + i < decoded.size(); ++i) {
        xy += want[i] * decoded[lag + i];
        xx += want[i] * want[i];
        yy += static_cast<double>(decoded[lag + i]) * decoded[lag + i];
    }
    return xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0;
}

// The sound ffmpeg decodes is the station's, where its timestamps put it.
void StreamOracleTest::checkSound() {
    // Where each stream starts: the picture's first frame is the programme's
    // start, and the sound is placed by its own timestamps relative to it.
    const Output starts =
        run("ffprobe -v error -show_entries stream=codec_type,start_time -of "
            "csv=p=0 " +
                shellWord(ts_),
            work_);
    ASSERT_EQ(starts.status, 0) << starts.err;
    double videoStart = -1, soundStart = -1;
    std::istringstream lines(starts.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty()) {
            continue;
        }
        const std::size_t comma = line.find(',');
        ASSERT_NE(comma, std::string::npos) << starts.out;
        (line.substr(0, comma) == "video" ? videoStart : soundStart) =
            std::stod(line.substr(comma + 1));
    }
    ASSERT_GE(videoStart, 0) << starts.out;
    ASSERT_GE(soundStart, 0) << starts.out;

    const Output decode = run(
        "ffmpeg -v error -i " + shellWord(ts_) + " -map 0:a:0 -ac 1 -ar 48000 -f f32le -", work_);
    ASSERT_EQ(decode.status, 0) << decode.err;
    std::vector<float> decoded(decode.out.size() / sizeof(float));
    std::memcpy(decoded.data(), decode.out.data(), decoded.size() * sizeof(float));
    // Both channels carry the mono station, so their mean is the station.
    // A second of it, from a quarter second in, is looked for up to 0.1 s
    // either side of where it belongs.
    constexpr long kFrom = 12000;
    std::vector<double> want(48000);
    for (std::size_t i = 0; i < want.size(); ++i) {
        want[i] = sweep(static_cast<double>(kFrom + static_cast<long>(i)) / 48000);
    }
    // lag: where the programme's first sample lies in the decoded sound.
    long best = 0;
    double bestC = -1;
    for (long lag = -4800; lag < 4800; ++lag) {
        const double c = correlation(decoded, want, static_cast<std::size_t>(kFrom + lag));
        if (c > bestC) {
            best = lag;
            bestC = c;
        }
    }
    EXPECT_GT(bestC, 0.9);
    // The decoded sound's first sample is at soundStart and the programme
    // starts at videoStart: the encoders' delay shows in the timestamps.
    const double placed = (videoStart - soundStart) * 48000;
    EXPECT_NEAR(static_cast<double>(best), placed, 2)
        << "lag " << best << " samples, the picture starts " << placed
        << " samples after the sound";
}

// One stream per case, made once, read back both ways.
TEST_P(StreamOracleTest, FfmpegGivesBackTheStationsPairsAndSound) {
    checkCaptions();
    checkSound();
}

INSTANTIATE_TEST_SUITE_P(Streams, StreamOracleTest,
                         ::testing::Values(Case{"Mpeg2Interlaced", VideoCodec::Mpeg2,
                                                SoundCodec::Mp2, FrameRate::Interlaced2997, false},
                                           Case{"H264Progressive5994Padded", VideoCodec::H264,
                                                SoundCodec::Ac3, FrameRate::Progressive5994, true},
                                           Case{"Mpeg2Film23976Padded", VideoCodec::Mpeg2,
                                                SoundCodec::Ac3, FrameRate::Film23976, true},
                                           Case{"H264Interlaced", VideoCodec::H264, SoundCodec::Mp2,
                                                FrameRate::Interlaced2997, false}),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.name);
                         });

TEST(StreamMakerTest, SameStationAndOptionsGiveTheSameBytes) {
    TempDir station;
    TempDir work;
    writeStation(station.path());
    std::ostringstream warnings;
    platform::Result<platform::tv::Station> s =
        platform::tv::loadStation(station.path(), 1, warnings);
    ASSERT_TRUE(s.isOk()) << s.message();
    for (VideoCodec video : {VideoCodec::Mpeg2, VideoCodec::H264}) {
        StreamOptions o;
        o.video = video;
        o.width = 176;
        o.height = 144;
        o.seconds = 2;
        o.x264Preset = "ultrafast";
        ASSERT_TRUE(makeStream(s.value(), o, work.file("a.ts")).isOk());
        ASSERT_TRUE(makeStream(s.value(), o, work.file("b.ts")).isOk());
        const std::string a = testsupport::readFile(work.file("a.ts"));
        EXPECT_GT(a.size(), 100000u);
        EXPECT_TRUE(a == testsupport::readFile(work.file("b.ts")));
        EXPECT_FALSE(testsupport::exists(work.file("a.ts.part")));
    }
}

}  // namespace
