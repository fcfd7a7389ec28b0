// Breaking a briefing into lines of at most 70 characters.

#include <gtest/gtest.h>

#include <string>

#include "app/ScenarioTextView.h"

namespace {

BriefingLines Break(const std::string& text) {
    BriefingLines lines;
    BreakBriefing(text.data(), static_cast<int32_t>(text.size()), &lines);
    return lines;
}

std::string Line(const BriefingLines& lines, size_t i) {
    return lines.at(i).GetCString();
}

} // namespace

TEST(Briefing, LinesAreCutAfterTheirLastBlankAndTheBlankIsDropped) {
    std::string words;
    for (int i = 0; i < 20; ++i)
        words += "Wort" + std::to_string(i % 10) + " ";
    BriefingLines lines = Break(words);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(Line(lines, 0).size(), 65u); // eleven words, the twelfth would pass 70
    EXPECT_EQ(Line(lines, 0).back(), '0');
    EXPECT_EQ(Line(lines, 1).substr(0, 5), "Wort1");
}

TEST(Briefing, LongWordsAndLeadingBlanks) {
    std::string seventy(70, 'x');
    BriefingLines lines = Break(seventy);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Line(lines, 0).size(), 70u);

    // The only blank stands first: no cut there.
    lines = Break(" " + std::string(75, 'y'));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(Line(lines, 0).size(), 70u);
    EXPECT_EQ(Line(lines, 1), std::string(6, 'y'));
}

TEST(Briefing, ControlCharacters) {
    BriefingLines lines = Break("a\tb\rzweite\x01 Zeile\r\rende");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(Line(lines, 0), "a   b");
    EXPECT_EQ(Line(lines, 1), "zweite Zeile");
    EXPECT_EQ(Line(lines, 2), "");
    EXPECT_EQ(Line(lines, 3), "ende"); // the last line needs no return
    EXPECT_TRUE(Break("").empty());
}

TEST(Briefing, StopsAtTwoThousandLines) {
    std::string many;
    for (int i = 0; i < 2100; ++i)
        many += "z\r";
    EXPECT_EQ(Break(many).size(), 2000u);
}
