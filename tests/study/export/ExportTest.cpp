// Exports judged by oracles that are not our code: the notes file read as
// Anki reads it, clips and condensed audio decoded and measured by ffmpeg
// and compared with the WAV by cross-correlation, subtitles read back by
// ffmpeg; and exports that fail or are cancelled leave nothing behind.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <ctime>
#include <filesystem>
#include <map>

#include "study/export/ExportJob.h"
#include "study/model/Recording.h"
#include "tests/study/StudyTestKit.h"
#include "tests/study/export/Oracles.h"
#include "tests/support/ReadOnlyFolder.h"
#include "tests/support/TempDir.h"

namespace study {
namespace {

using studytest::capture;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

constexpr int kSeconds = 12;

// Five rows: 4 starts inside the sound and runs past its end, 5 starts past it.
const std::string kScript =
    "100\t320\tHELLO <b>&\"q\"\t1\r\n"
    "400\t650\tCaf\xE9 \xBD price\r\n"
    "700\t990\tLAST ONE\t1\r\n"
    "1190\t1300\tpast the end\t1\r\n"
    "1250\t1400\tbeyond\t1\r\n";

struct Fixture {
    TempDir dir;
    std::string script;
    std::string wav;
    int rate = 0;
    int channels = 0;
    ExportSource source;

    Fixture(int rate_, int channels_, float level, const std::string& name = "news")
        : script(dir.file(name + ".txt")),
          wav(dir.file(name + ".wav")),
          rate(rate_),
          channels(channels_) {
        writeFile(script, kScript);
        studytest::writeWav(wav, rate, channels, SF_FORMAT_WAV | SF_FORMAT_PCM_16,
                            studytest::chirp(rate, channels, int64_t{rate} * kSeconds, level));
        platform::Result<std::unique_ptr<Recording>> rec = Recording::open(script);
        EXPECT_TRUE(rec.isOk());
        source = rec.value()->exportSource();
    }
    std::string out(const std::string& name) const {
        const std::string path = dir.file(name);
        std::filesystem::create_directories(path);
        return path;
    }
    // The padded span of row i (0-based), worked out here from the script's times.
    std::pair<long long, long long> span(int i, int beforeMs = 50, int afterMs = 350) const {
        const ExportRow& row = source.rows[static_cast<std::size_t>(i)];
        const long long first = (row.startCs * 10 - beforeMs) * rate / 1000;
        const long long last =
            std::min<long long>((row.endCs * 10 + afterMs) * rate / 1000, int64_t{rate} * kSeconds);
        return {first, last - first};
    }
};

ExportReport runJob(const Fixture& f, const ExportOptions& options,
                    const ExportJob::ProgressFn& progress = {}) {
    ExportJob job({f.source}, options);
    return job.run(progress);
}

std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
        names.push_back(e.path().lexically_relative(folder).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string unescapeHtml(std::string s) {
    for (const auto& [from, to] : std::map<std::string, std::string>{
             {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}}) {
        for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + 1)) {
            s.replace(at, from.size(), to);
        }
    }
    return s;
}

// "[sound:NAME]" gives NAME, anything else "".
std::string clipOfSoundField(const std::string& field) {
    const std::string open = "[sound:";
    if (!field.starts_with(open) || !field.ends_with(']') || field.size() < open.size() + 14) {
        return "";
    }
    return field.substr(open.size(), field.size() - open.size() - 1);
}

// A clip holds exactly its row's padded span of the WAV, at the target loudness.
void expectClipOfSpan(const Fixture& f, const std::string& clip, int row, int decodeRate) {
    SCOPED_TRACE(clip);
    const auto [first, count] = f.span(row);
    const long long expected = decodeRate == 0 ? count : (count * decodeRate + f.rate / 2) / f.rate;
    double lufs = NAN;
    const std::vector<float> asMade = studytest::decodeMono(clip, 0, &lufs);
    EXPECT_EQ(static_cast<long long>(asMade.size()), expected);

    const std::vector<float> original = studytest::wavSpanMono(f.wav, first, count);
    const std::vector<float> decoded =
        decodeRate == 0 ? asMade : studytest::decodeMono(clip, f.rate);
    const studytest::Match match = studytest::bestMatch(original, decoded, 32);
    EXPECT_LE(std::abs(match.lag), decodeRate == 0 ? 0 : 2);
    EXPECT_GT(match.correlation, 0.97);
    // Loudness is only measured over 400 ms blocks.
    if (count > f.rate / 2) {
        EXPECT_NEAR(lufs, -16.0, 1.0);
    }
}

class Export : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
};

TEST_F(Export, AnkiNotesReadAsAnkiReadsThemWithClipsOfTheirSpans) {
    const Fixture f(44100, 2, 0.05F);  // quiet: the clips must be raised
    ExportOptions o;
    o.rows = RowChoice::Marked;
    o.ankiDir = f.out("cards");
    const ExportReport report = runJob(f, o);
    ASSERT_TRUE(report.status.isOk()) << report.status.message();
    ASSERT_EQ(report.notes.size(), 1u);
    EXPECT_NE(report.notes[0].find("row 5"), std::string::npos) << report.notes[0];

    // As Anki's text import: '#' lines are key:value headers, then a note per line.
    const std::string tsv = readFile(o.ankiDir + "/news.tsv");
    std::map<std::string, std::string> headers;
    std::vector<std::vector<std::string>> notes;
    std::istringstream lines(tsv);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with('#')) {
            headers[line.substr(1, line.find(':') - 1)] = line.substr(line.find(':') + 1);
            continue;
        }
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, '\t');) {
            fields.push_back(field);
        }
        if (line.ends_with('\t')) {
            fields.emplace_back();
        }
        notes.push_back(fields);
    }
    EXPECT_EQ(headers["separator"], "tab");
    EXPECT_EQ(headers["html"], "true");
    EXPECT_EQ(headers["columns"], "Text\tSound\tTime\tSource");

    struct stat st {};
    ASSERT_EQ(::stat(f.wav.c_str(), &st), 0);
    const std::time_t started = st.st_mtime - kSeconds;
    char date[32] = {};
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M", std::gmtime(&started));

    const int marked[] = {0, 2, 3, 4};
    ASSERT_EQ(notes.size(), std::size(marked));
    std::set<std::string> clips;
    for (std::size_t n = 0; n < notes.size(); ++n) {
        const int row = marked[n];
        ASSERT_EQ(notes[n].size(), 4u) << n;
        EXPECT_EQ(unescapeHtml(notes[n][0]), f.source.rows[row].text);
        EXPECT_EQ(notes[n][3], std::string("news · ") + date);
        if (row == 4) {
            EXPECT_EQ(notes[n][1], "") << "the row past the end of the sound has no clip";
            continue;
        }
        const std::string clip = clipOfSoundField(notes[n][1]);
        ASSERT_EQ(clip, "news_" + clip.substr(5, 8) + "_000" + std::to_string(row + 1) + ".mp3")
            << notes[n][1];
        EXPECT_EQ(clip.substr(5, 8).find_first_not_of("0123456789abcdef"), std::string::npos);
        clips.insert(clip);
        expectClipOfSpan(f, o.ankiDir + "/media/" + clip, row, 0);
    }
    EXPECT_EQ(notes[0][2], "00:01.00");
    // Nothing else: no temporary files, no clip without a note.
    EXPECT_EQ(entries(o.ankiDir).size(), 2 + clips.size());
}

TEST_F(Export, OpusClipsAreMadeAt48kHzWithTheSameSpans) {
    const Fixture f(22050, 1, 0.6F);  // loud: the clips must be lowered
    ExportOptions o;
    o.clipsDir = f.out("clips");
    o.clipFormat = ClipFormat::Opus;
    const ExportReport report = runJob(f, o);
    ASSERT_TRUE(report.status.isOk()) << report.status.message();
    ASSERT_EQ(report.written.size(), 4u);
    for (int row = 0; row < 4; ++row) {
        EXPECT_TRUE(report.written[row].ends_with(std::to_string(row + 1) + ".opus"));
        expectClipOfSpan(f, report.written[row], row, 48000);
    }
}

TEST_F(Export, CondensedAudioIsTheRowsWithTheirPaddingAndGaps) {
    const Fixture f(22050, 1, 0.2F);
    ExportOptions o;
    o.padding = {100, 200};
    o.condensedGapMs = 300;
    o.rows = RowChoice::Marked;
    o.condensedPath = f.out("go") + "/news.mp3";
    ASSERT_TRUE(runJob(f, o).status.isOk());

    const std::vector<float> decoded = studytest::decodeMono(o.condensedPath);
    long long at = 0;
    for (const int row : {0, 2, 3}) {
        const auto [first, count] = f.span(row, 100, 200);
        const std::vector<float> piece(decoded.begin() + at, decoded.begin() + at + count);
        const studytest::Match match =
            studytest::bestMatch(studytest::wavSpanMono(f.wav, first, count), piece, 50);
        EXPECT_EQ(match.lag, 0) << row;
        EXPECT_GT(match.correlation, 0.97) << row;
        at += count + (row == 3 ? 0 : 300 * f.rate / 1000);
    }
    EXPECT_EQ(static_cast<long long>(decoded.size()), at);
}

TEST_F(Export, CondensedAudioOfRecordingsInDifferentFormatsTakesTheFirstOnesFormat) {
    const Fixture a(22050, 1, 0.2F, "a");
    const Fixture b(44100, 2, 0.2F, "b");
    ExportOptions o;
    o.rows = RowChoice::Marked;
    o.condensedGapMs = 0;
    o.condensedPath = a.dir.file("both.wav");
    ExportJob job({a.source, b.source}, o);
    ASSERT_TRUE(job.run().status.isOk());

    SF_INFO info{};
    SNDFILE* file = sf_open(o.condensedPath.c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    sf_close(file);
    EXPECT_EQ(info.samplerate, 22050);
    EXPECT_EQ(info.channels, 1);
    long long fromA = 0;
    long long fromB = 0;
    for (const int row : {0, 2, 3}) {
        fromA += a.span(row).second;
        fromB += (b.span(row).second + 1) / 2;  // 44100 Hz halved
    }
    EXPECT_NEAR(static_cast<double>(info.frames), static_cast<double>(fromA + fromB), 3.0);
    // b's last piece, its row 4, ends the file.
    const auto [first, count] = b.span(3);
    const std::vector<float> tail =
        studytest::wavSpanMono(o.condensedPath, info.frames - count / 2, count / 2);
    const std::vector<float> original = studytest::decodeMono(b.wav, 22050);
    const std::vector<float> expected(original.begin() + first / 2,
                                      original.begin() + first / 2 + count / 2);
    EXPECT_GT(studytest::bestMatch(expected, tail, 4).correlation, 0.95);
}

// Cues as ffmpeg reads them: "start --> end" and the text, one per cue.
std::vector<std::pair<std::string, std::string>> cuesByFfmpeg(const std::string& file,
                                                              const std::string& format) {
    int status = 0;
    const std::string out = capture(
        "ffmpeg -nostdin -v error -i '" + file + "' -c:s copy -f " + format + " - 2>&1", &status);
    EXPECT_EQ(status, 0) << out;
    std::vector<std::pair<std::string, std::string>> cues;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.find(" --> ") != std::string::npos) {
            std::string text;
            std::getline(lines, text);
            cues.emplace_back(line, text);
        }
    }
    return cues;
}

TEST_F(Export, SubtitlesAreReadBackByFfmpegWithTheirTimesTextsAndMarks) {
    Fixture f(22050, 1, 0.2F);
    f.source.rows[1].startCs -= 30;  // moved by the window, as the export gets them
    ExportOptions o;
    o.srt = true;
    o.vtt = true;
    o.subtitleDir = f.out("subs");
    ASSERT_TRUE(runJob(f, o).status.isOk());

    const auto srt = cuesByFfmpeg(o.subtitleDir + "/news.srt", "srt");
    const auto vtt = cuesByFfmpeg(o.subtitleDir + "/news.vtt", "webvtt");
    const std::vector<std::pair<std::string, std::string>> expectSrt = {
        {"00:00:01,000 --> 00:00:03,200", "★ HELLO <b>&\"q\""},
        {"00:00:03,700 --> 00:00:06,500", "Café ½ price"},
        {"00:00:07,000 --> 00:00:09,900", "★ LAST ONE"},
        {"00:00:11,900 --> 00:00:13,000", "★ past the end"},
        {"00:00:12,500 --> 00:00:14,000", "★ beyond"},
    };
    const std::vector<std::pair<std::string, std::string>> expectVtt = {
        {"00:01.000 --> 00:03.200", "<c.marked>HELLO &lt;b&gt;&amp;\"q\"</c>"},
        {"00:03.700 --> 00:06.500", "Café ½ price"},
        {"00:07.000 --> 00:09.900", "<c.marked>LAST ONE</c>"},
        {"00:11.900 --> 00:13.000", "<c.marked>past the end</c>"},
        {"00:12.500 --> 00:14.000", "<c.marked>beyond</c>"},
    };
    EXPECT_EQ(srt, expectSrt);
    EXPECT_EQ(vtt, expectVtt);
}

TEST_F(Export, BadOutputsAndMissingSoundAreToldBeforeAnythingIsWritten) {
    Fixture f(8000, 1, 0.2F);
    const std::string cards = f.out("cards");
    ExportOptions o;
    o.ankiDir = cards;
    {
        testsupport::ReadOnlyFolder readOnly(cards);
        const ExportReport r = runJob(f, o);
        EXPECT_EQ(r.status.message(),
                  "Cannot write into the folder '" + cards + "': Permission denied");
    }
    EXPECT_TRUE(entries(cards).empty());

    o.ankiDir = f.dir.file("missing");
    EXPECT_EQ(runJob(f, o).status.message(), "The folder '" + o.ankiDir + "' does not exist.");

    o.ankiDir.clear();
    o.condensedPath = f.wav;
    EXPECT_NE(runJob(f, o).status.message().find("a file of the recording itself"),
              std::string::npos);
    o.condensedPath = f.dir.file("x.flac");
    EXPECT_NE(runJob(f, o).status.message().find(".mp3, .opus or .wav"), std::string::npos);

    std::filesystem::remove(f.wav);
    o.condensedPath.clear();
    o.clipsDir = cards;
    EXPECT_EQ(runJob(f, o).status.message().rfind("There is no sound file '" + f.wav + "'.", 0),
              0u);
    // Subtitles need no sound.
    o.clipsDir.clear();
    o.srt = true;
    EXPECT_TRUE(runJob(f, o).status.isOk());

    for (ExportRow& row : f.source.rows) {
        row.marked = false;
    }
    o.rows = RowChoice::Marked;
    EXPECT_EQ(runJob(f, o).status.message(), "No row is marked, so there is nothing to export.");
}

TEST_F(Export, ACancelledExportLeavesNothing) {
    const Fixture f(22050, 1, 0.2F);
    ExportOptions o;
    o.ankiDir = f.out("cards");
    o.condensedPath = f.dir.file("cards/all.wav");
    o.srt = true;
    ExportJob job({f.source}, o);
    int calls = 0;
    const ExportReport report = job.run([&](const ExportProgress& p) {
        ++calls;
        EXPECT_EQ(p.total, 5 + 1 + 1);  // a step per row, the notes, the SubRip file
        if (p.done == 2) {
            job.cancel();
        }
    });
    EXPECT_TRUE(report.cancelled);
    EXPECT_EQ(report.status.message(), "The export was cancelled; nothing was written.");
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(report.written.empty());
    EXPECT_TRUE(entries(o.ankiDir).empty()) << "the media folder made for it is gone too";
    EXPECT_FALSE(testsupport::exists(f.dir.file("news.srt")));
}

TEST_F(Export, AFailedWriteLeavesNothing) {
    const Fixture f(44100, 2, 0.2F);
    ExportOptions o;
    o.srt = true;
    o.clipsDir = f.out("out");
    o.condensedPath = f.dir.file("out/all.wav");  // grows past the limit below
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const sighandler_t oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = old;
    lowered.rlim_cur = 200 * 1024;
    ::setrlimit(RLIMIT_FSIZE, &lowered);
    const ExportReport report = runJob(f, o);
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(report.status.isOk());
    EXPECT_NE(report.status.message().find(o.condensedPath), std::string::npos)
        << report.status.message();
    EXPECT_TRUE(report.status.message().ends_with("Nothing was written."))
        << report.status.message();
    EXPECT_TRUE(entries(o.clipsDir).empty());
    EXPECT_FALSE(testsupport::exists(f.dir.file("news.srt")));
}

TEST(ExportCommand, ExportsFromTheCommandLineAndFailsWithAStatus) {
    const Fixture f(8000, 1, 0.2F);
    const std::string tool = CUELARK_EXPORT_TOOL;
    int status = 0;
    EXPECT_NE(capture(tool + " --help", &status).find("Usage: cuelark-export"), std::string::npos);
    EXPECT_EQ(status, 0);

    std::string err = capture(tool + " --srt --pad-end=lots '" + f.script + "' 2>&1", &status);
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_NE(err.find("--pad-end needs a number of milliseconds"), std::string::npos) << err;

    err =
        capture(tool + " --srt '" + f.script + "' '" + f.dir.file("gone.txt") + "' 2>&1", &status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(err.find("There is no script"), std::string::npos) << err;
    EXPECT_FALSE(testsupport::exists(f.dir.file("news.srt")));

    const std::string out = capture(tool + " --marked --vtt --clips '" + f.out("c") +
                                        "' --pad-start 0 '" + f.script + "' 2>/dev/null",
                                    &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find(f.dir.file("news.vtt")), std::string::npos) << out;
    EXPECT_EQ(entries(f.dir.file("c")).size(), 3u);
}

}  // namespace
}  // namespace study
