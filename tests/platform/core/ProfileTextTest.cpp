#include "platform/core/ProfileText.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace platform {
namespace {

struct FindCase {
    const char* name;
    std::string text;
    std::string section;
    std::string key;
    std::optional<std::string> expected;
};

void PrintTo(const FindCase& c, std::ostream* os) {
    *os << c.name;
}

class FindProfileValue : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindProfileValue, ReadsTheFirstMatchingKeyOfTheSection) {
    const FindCase& c = GetParam();
    EXPECT_EQ(findProfileValue(c.text, c.section, c.key), c.expected);
}

const std::string kNone = "\x01";  // marks "expect nothing" in the table below

std::optional<std::string> want(const std::string& v) {
    return v == kNone ? std::nullopt : std::optional<std::string>(v);
}

INSTANTIATE_TEST_SUITE_P(
    HandEditedFiles, FindProfileValue,
    ::testing::Values(
        FindCase{"plain", "[global]\nSaveDir=E:/Rec\n", "global", "SaveDir", want("E:/Rec")},
        FindCase{"caseBlindNames", "[GLOBAL]\nsaveDIR=x\n", "Global", "SaveDir", want("x")},
        FindCase{"crlfEndingsNotInValue", "[global]\r\nSaveDir=x\r\n", "global", "SaveDir",
                 want("x")},
        FindCase{"noNewlineAtEnd", "[global]\nSaveDir=x", "global", "SaveDir", want("x")},
        FindCase{"emptyValueIsNotMissing", "[global]\nSaveDir=\n", "global", "SaveDir", want("")},
        FindCase{"missingKey", "[global]\nOther=1\n", "global", "SaveDir", want(kNone)},
        FindCase{"missingSection", "[other]\nSaveDir=1\n", "global", "SaveDir", want(kNone)},
        FindCase{"keyBeforeAnySection", "SaveDir=1\n[global]\n", "global", "SaveDir", want(kNone)},
        FindCase{"keyOfTheNextSection", "[global]\nA=1\n[other]\nSaveDir=2\n", "global", "SaveDir",
                 want(kNone)},
        FindCase{"blanksAroundKeyAndValue", "[global]\n \t SaveDir \t= \t a b \t\n", "global",
                 "SaveDir", want("a b")},
        FindCase{"blanksInHeader", "  [ global ]  \nSaveDir=x\n", "global", "SaveDir", want("x")},
        FindCase{"headerWithoutBracket", "[global\nSaveDir=x\n", "global", "SaveDir", want("x")},
        FindCase{"quotesRemovedOnce", "[global]\nSaveDir=\" a \"\n", "global", "SaveDir",
                 want(" a ")},
        FindCase{"loneQuoteKept", "[global]\nSaveDir=\"\n", "global", "SaveDir", want("\"")},
        FindCase{"innerQuotesKept", "[global]\nSaveDir=a\"b\"\n", "global", "SaveDir",
                 want("a\"b\"")},
        FindCase{"semicolonComment", "[global]\n;SaveDir=x\n", "global", "SaveDir", want(kNone)},
        FindCase{"hashComment", "[global]\n  # SaveDir=x\n", "global", "SaveDir", want(kNone)},
        FindCase{"semicolonInsideValue", "[global]\nSaveDir=a;b\n", "global", "SaveDir",
                 want("a;b")},
        FindCase{"lineWithoutEquals", "[global]\nSaveDir\n", "global", "SaveDir", want(kNone)},
        FindCase{"equalsInValue", "[global]\nSaveDir=a=b\n", "global", "SaveDir", want("a=b")},
        FindCase{"firstOfRepeatedKeys", "[global]\nSaveDir=1\nSaveDir=2\n", "global", "SaveDir",
                 want("1")},
        FindCase{"repeatedSectionSearched", "[global]\nA=1\n[x]\n[global]\nSaveDir=2\n", "global",
                 "SaveDir", want("2")},
        FindCase{"highBytesUnchanged", "[global]\nSaveDir=\xE9\xFF\n", "global", "SaveDir",
                 want("\xE9\xFF")},
        FindCase{"tabsInsideValueKept", "[global]\nSaveDir=a\tb\n", "global", "SaveDir",
                 want("a\tb")}),
    [](const ::testing::TestParamInfo<FindCase>& info) { return std::string(info.param.name); });

struct SetCase {
    const char* name;
    std::string before;
    std::string key;
    std::string value;
    std::string after;
};

void PrintTo(const SetCase& c, std::ostream* os) {
    *os << c.name;
}

class SetProfileValue : public ::testing::TestWithParam<SetCase> {};

TEST_P(SetProfileValue, ChangesOnlyTheLineOfTheKey) {
    const SetCase& c = GetParam();
    const Result<std::string> r = setProfileValue(c.before, "global", c.key, c.value);
    ASSERT_TRUE(r.isOk()) << r.message();
    EXPECT_EQ(r.value(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Edits, SetProfileValue,
    ::testing::Values(
        SetCase{"newFile", "", "SaveDir", "E:/Rec", "[global]\nSaveDir=E:/Rec\n"},
        SetCase{"replaceKeepsEverythingElse",
                "; my settings\r\n[global]\r\nChannels1=0101\r\nSaveDir=old\r\n\r\n"
                "[other]\r\nSaveDir=keep\r\n",
                "SaveDir", "new",
                "; my settings\r\n[global]\r\nChannels1=0101\r\nSaveDir=new\r\n\r\n"
                "[other]\r\nSaveDir=keep\r\n"},
        SetCase{"replaceCaseBlind", "[Global]\nsavedir = x \n", "SaveDir", "y",
                "[Global]\nSaveDir=y\n"},
        SetCase{"replaceLastLineWithoutNewline", "[global]\nSaveDir=x", "SaveDir", "y",
                "[global]\nSaveDir=y"},
        SetCase{"replaceOnlyTheFirstOfRepeated", "[global]\nSaveDir=1\nSaveDir=2\n", "SaveDir", "3",
                "[global]\nSaveDir=3\nSaveDir=2\n"},
        SetCase{"newKeyAfterLastKeyOfSection",
                "[global]\nA=1\n; note\nB=2\n\n# next\n[other]\nC=3\n", "SaveDir", "x",
                "[global]\nA=1\n; note\nB=2\nSaveDir=x\n\n# next\n[other]\nC=3\n"},
        SetCase{"newKeyUsesTheFilesLineEnd", "[global]\r\nA=1\r\n", "SaveDir", "x",
                "[global]\r\nA=1\r\nSaveDir=x\r\n"},
        SetCase{"newKeyInEmptySection", "[global]\n[other]\n", "SaveDir", "x",
                "[global]\nSaveDir=x\n[other]\n"},
        SetCase{"newKeyAfterHeaderWithoutNewline", "[global]", "SaveDir", "x",
                "[global]\nSaveDir=x\n"},
        SetCase{"newKeyGoesToTheFirstOfRepeatedSections", "[global]\nA=1\n[global]\nB=2\n",
                "SaveDir", "x", "[global]\nA=1\nSaveDir=x\n[global]\nB=2\n"},
        SetCase{"commentedKeyIsNotReplaced", "[global]\n;SaveDir=x\n", "SaveDir", "y",
                "[global]\nSaveDir=y\n;SaveDir=x\n"},
        SetCase{"missingSectionAppended", "[other]\r\nA=1", "SaveDir", "x",
                "[other]\r\nA=1\r\n[global]\r\nSaveDir=x\r\n"},
        // A lone CR at the end is completed, so A stays "1" (not "1\r").
        SetCase{"newKeyAfterLastLineEndingInCr", "[global]\r\nA=1\r", "SaveDir", "x",
                "[global]\r\nA=1\r\nSaveDir=x\r\n"},
        SetCase{"missingSectionAfterLastLineEndingInCr", "[other]\nA=1\r", "SaveDir", "x",
                "[other]\nA=1\r\n[global]\nSaveDir=x\n"},
        SetCase{"emptyValue", "[global]\nSaveDir=x\n", "SaveDir", "", "[global]\nSaveDir=\n"},
        SetCase{"edgeBlanksQuoted", "", "SaveDir", " a ", "[global]\nSaveDir=\" a \"\n"},
        SetCase{"quotedLookingValueQuoted", "", "SaveDir", "\"a\"",
                "[global]\nSaveDir=\"\"a\"\"\n"}),
    [](const ::testing::TestParamInfo<SetCase>& info) { return std::string(info.param.name); });

TEST(SetProfileValueRefuses, WhatWouldBreakTheFile) {
    EXPECT_FALSE(setProfileValue("", "global", "SaveDir", "a\nSaveDir=evil").isOk());
    EXPECT_FALSE(setProfileValue("", "global", "SaveDir", "a\rb").isOk());
    EXPECT_FALSE(setProfileValue("", "global", "Save=Dir", "x").isOk());
    EXPECT_FALSE(setProfileValue("", "global", ";SaveDir", "x").isOk());
    EXPECT_FALSE(setProfileValue("", "global", "[SaveDir", "x").isOk());
    EXPECT_FALSE(setProfileValue("", "global", "", "x").isOk());
    EXPECT_FALSE(setProfileValue("", "global", " SaveDir", "x").isOk());
    EXPECT_FALSE(setProfileValue("", "glo]bal", "SaveDir", "x").isOk());
    EXPECT_FALSE(setProfileValue("", "", "SaveDir", "x").isOk());
    const Result<std::string> r = setProfileValue("", "global", "SaveDir", "a\nb");
    EXPECT_NE(r.message().find("SaveDir"), std::string::npos) << r.message();
}

TEST(SetProfileValueRoundTrip, AwkwardValuesReadBackUnchanged) {
    const std::string values[] = {
        "",   " ",        "\"", "\"\"",     " a ",  "\"x\"", "a;b",   "\t",
        "#x", "[global]", "=",  "\xE9\x88", "a\"b", "\"a",   "x\"  ", std::string(300, 'd')};
    const std::string start = "; keep\n[global]\nOther=1\n[next]\nSaveDir=n\n";
    for (const std::string& v : values) {
        const Result<std::string> r = setProfileValue(start, "global", "SaveDir", v);
        ASSERT_TRUE(r.isOk()) << r.message();
        EXPECT_EQ(findProfileValue(r.value(), "global", "SaveDir"), v) << "[" << v << "]";
        EXPECT_EQ(findProfileValue(r.value(), "global", "Other"), "1");
        EXPECT_EQ(findProfileValue(r.value(), "next", "SaveDir"), "n");
    }
}

}  // namespace
}  // namespace platform
