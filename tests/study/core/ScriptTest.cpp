// Script files: Windows-1252 text against the C library's own converter,
// byte-exact round trips of real scripts, and malformed lines named and kept.
#include <gtest/gtest.h>
#include <iconv.h>

#include <filesystem>
#include <string>

#include "study/script/ScriptText.h"
#include "study/script/TimeText.h"
#include "study/script/Windows1252.h"
#include "tests/support/TempDir.h"

namespace study {
namespace {

// glibc's iconv, an oracle that is not our table.
std::string iconvToUtf8(const std::string& bytes) {
    iconv_t cd = ::iconv_open("UTF-8", "WINDOWS-1252");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string in = bytes;
    std::string out(bytes.size() * 4, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size();
    std::size_t outLeft = out.size();
    const std::size_t done = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    ::iconv_close(cd);
    if (done == static_cast<std::size_t>(-1)) {
        return "<no mapping>";
    }
    out.resize(out.size() - outLeft);
    return out;
}

TEST(Windows1252, EveryCodeDecodesAsTheCLibraryDoesAndComesBack) {
    const std::string unassigned = "\x81\x8D\x8F\x90\x9D";
    for (int code = 0; code < 256; ++code) {
        const std::string byte(1, static_cast<char>(code));
        const std::string utf8 = utf8FromWindows1252(byte);
        if (unassigned.find(byte) != std::string::npos) {
            // The C1 control of the same number, two bytes in UTF-8.
            EXPECT_EQ(utf8, std::string("\xC2") + byte) << code;
        } else {
            EXPECT_EQ(utf8, iconvToUtf8(byte)) << code;
        }
        const platform::Result<std::string> back = windows1252FromUtf8(utf8);
        ASSERT_TRUE(back.isOk()) << code << ": " << back.message();
        EXPECT_EQ(back.value(), byte) << code;
    }
}

TEST(Windows1252, RefusesCharactersWithoutACodeAndBrokenUtf8) {
    const platform::Result<std::string> macron = windows1252FromUtf8("caf\xC4\x80");
    ASSERT_FALSE(macron.isOk());
    EXPECT_NE(macron.message().find("U+0100"), std::string::npos) << macron.message();
    for (const std::string bad : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xFF", "a\x80"}) {
        EXPECT_FALSE(windows1252FromUtf8(bad).isOk()) << bad;
    }
}

std::string roundTrip(const std::string& bytes) {
    const ScriptText parsed = parseScript(bytes);
    return formatScript(parsed, parsed.rows);
}

TEST(ScriptText, GoldenScriptsComeBackByteForByte) {
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(CUELARK_GOLDEN_DIR)) {
        if (entry.path().extension() != ".txt" || entry.path().filename() == "CMakeLists.txt") {
            continue;
        }
        const std::string bytes = testsupport::readFile(entry.path());
        const ScriptText parsed = parseScript(bytes);
        EXPECT_TRUE(parsed.problems.empty()) << entry.path() << ": " << parsed.problems[0].message;
        EXPECT_EQ(roundTrip(bytes), bytes) << entry.path();
        ++seen;
    }
    EXPECT_EQ(seen, 5);
}

TEST(ScriptText, EveryByteInTextAndOddLinesComeBackByteForByte) {
    std::string all;
    for (int code = 0; code < 256; ++code) {
        if (code != '\t' && code != '\n' && code != '\r') {
            all += static_cast<char>(code);
        }
    }
    const std::string bytes = "0\t100\t" + all + "\r\n" + "100\t200\t" + all + "\t1\r\n" +
                              "not a row\r\n" + "\r\n" + "1\t2\tstray\r\t1\n" +
                              "-5\t007\tunix line end\n" + "300\t400\tno line end at all";
    const ScriptText parsed = parseScript(bytes);
    ASSERT_EQ(parsed.rows.size(), 4u);
    EXPECT_EQ(parsed.rows[0].text, all);
    EXPECT_TRUE(parsed.rows[1].marked);
    EXPECT_EQ(parsed.rows[2].startCs, -5);
    EXPECT_EQ(parsed.rows[2].endCs, 7);
    EXPECT_EQ(parsed.problems.size(), 3u);
    EXPECT_EQ(roundTrip(bytes), bytes);
}

TEST(ScriptText, ChangedRowsAreRewrittenInTheRecordersFormatAndTheRestKept) {
    const std::string bytes =
        "300\t550\tHELLO\t1\r\n550\t725\tHOW ARE YOU?\r\nbad\r\n"
        "910\t980\tFINE.\n";
    const ScriptText parsed = parseScript(bytes);
    std::vector<ScriptRow> rows = parsed.rows;
    rows[0].marked = false;
    rows[1].startCs = 545;
    rows[1].marked = true;
    rows[2].endCs = -1;
    EXPECT_EQ(formatScript(parsed, rows),
              "300\t550\tHELLO\r\n545\t725\tHOW ARE YOU?\t1\r\nbad\r\n910\t-1\tFINE.\n");
}

TEST(ScriptText, MalformedLinesAreNamedWithTheirNumbersAndTheRestRead) {
    struct Case {
        std::string line;
        std::string why;
    };
    const Case cases[] = {
        {"", "the line is empty"},
        {"12a\t20\tx", "the start time \"12a\" is not"},
        {"1 2\t20\tx", "the start time \"1 2\" is not"},
        {"+12\t20\tx", "the start time \"+12\" is not"},
        {"1234567890\t20\tx", "the start time \"1234567890\" is not"},
        {"12", "there is no end time"},
        {"12\t", "the end time \"\" is not"},
        {"12\t-\tx", "the end time \"-\" is not"},
        {"12\t20", "there is no text column"},
        {"12\t20\tx\t2", "the fourth column is \"2\"; only 1"},
        {"12\t20\tx\t", "the fourth column is \"\""},
        {"12\t20\tx\t1\t1", "there are more than four columns"},
        {"\xE9t\xE9\t20\tx", "the start time \"\xC3\xA9t\xC3\xA9\" is not"},
    };
    std::string bytes = "0\t10\tfirst\r\n";
    for (const Case& c : cases) {
        bytes += c.line + "\r\n";
    }
    bytes += "90\t99\tlast\r\n";
    const ScriptText parsed = parseScript(bytes);
    ASSERT_EQ(parsed.problems.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const ScriptProblem& p = parsed.problems[i];
        EXPECT_EQ(p.lineNumber, static_cast<int>(i) + 2);
        EXPECT_EQ(p.message.rfind("line " + std::to_string(i + 2) + ": " + cases[i].why, 0), 0u)
            << p.message;
    }
    ASSERT_EQ(parsed.rows.size(), 2u);
    EXPECT_EQ(parsed.rows[1].lineNumber, static_cast<int>(std::size(cases)) + 2);
    EXPECT_EQ(parsed.rows[1].text, "last");
    EXPECT_EQ(roundTrip(bytes), bytes);
}

TEST(TimeText, MinutesBelowAnHourHoursFromThenOn) {
    EXPECT_EQ(formatCentiseconds(0), "00:00.00");
    EXPECT_EQ(formatCentiseconds(6203), "01:02.03");
    EXPECT_EQ(formatCentiseconds(359999), "59:59.99");
    EXPECT_EQ(formatCentiseconds(360000), "1:00:00.00");
    EXPECT_EQ(formatCentiseconds(3723 * 100 + 4), "1:02:03.04");
    EXPECT_EQ(formatCentiseconds(-150), "-00:01.50");
}

}  // namespace
}  // namespace study
