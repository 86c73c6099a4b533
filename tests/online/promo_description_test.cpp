// Reading the promotion page's description: numbers, lines, "TRUE", the font size rule, file
// names, and every way a description can fall short.

#include "online/promo_description.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

// Two buttons: an ordinary one and the exit button (normal rectangle 45 high).
std::vector<std::string> GoodLines() {
    return {
        "2",
        "wdata/back.bmp",
        "10 20 110 60",  // button 1: hover x y width height
        "12 22 100 50",  // normal
        "wdata/b1.bmp",
        "wdata/b1h.bmp",
        "wdata/site.url",
        "300 500 210 55",  // exit: hover
        "305 505 200 45",  // normal
        "305 505 200 45",  // inactive
        "wdata/exit.bmp",
        "wdata/exith.bmp",
        "wdata/exiti.bmp",
        "700 520",
        "5",
        "255 128 0",
        "no",
    };
}

std::string Join(const std::vector<std::string>& lines, const char* end = "\n") {
    std::string text;
    for (const std::string& line : lines) text += line + end;
    return text;
}

const std::set<std::string> kFiles = {"wdata/back.bmp",  "wdata/b1.bmp",   "wdata/b1h.bmp",
                                      "wdata/site.url",  "wdata/exit.bmp", "wdata/exith.bmp",
                                      "wdata/exiti.bmp", "wdata\\back.bmp"};

PromoDescription Read(const std::string& text) {
    return ReadPromoDescription(text, [](const std::string& name) { return kFiles.count(name) != 0; });
}

TEST(PromoDescription, AGoodDescriptionGivesItsButtonsCountdownAndColour) {
    const PromoDescription page = Read(Join(GoodLines()));
    ASSERT_TRUE(page.valid);
    EXPECT_EQ(page.buttonCount, 2);
    EXPECT_EQ(page.background, "wdata/back.bmp");
    ASSERT_EQ(page.buttons.size(), 2u);
    const PromoButtonDescription& first = page.buttons[0];
    EXPECT_EQ(first.hover.x, 10);
    EXPECT_EQ(first.hover.y, 20);
    EXPECT_EQ(first.hover.width, 110);
    EXPECT_EQ(first.hover.height, 60);
    EXPECT_EQ(first.normal.width, 100);
    EXPECT_EQ(first.normal.height, 50);
    EXPECT_EQ(first.normalPicture, "wdata/b1.bmp");
    EXPECT_EQ(first.hoverPicture, "wdata/b1h.bmp");
    EXPECT_EQ(first.target, "wdata/site.url");
    // An ordinary button's inactive state is its normal one.
    EXPECT_EQ(first.inactivePicture, "wdata/b1.bmp");
    EXPECT_EQ(first.inactive.x, 12);
    EXPECT_FALSE(first.IsExit());
    const PromoButtonDescription& exit = page.buttons[1];
    EXPECT_TRUE(exit.IsExit());
    EXPECT_EQ(exit.inactivePicture, "wdata/exiti.bmp");
    EXPECT_EQ(exit.inactive.y, 505);
    EXPECT_EQ(page.centreX, 700);
    EXPECT_EQ(page.centreY, 520);
    EXPECT_EQ(page.countdown, 50);
    EXPECT_EQ(page.colour, 0xFF8000u);
    EXPECT_FALSE(page.customFontSize);
    // 0.6 x 45
    EXPECT_EQ(page.fontSize, 27);
}

TEST(PromoDescription, FontSizeComesFromTrueOrFromTheExitButtonsHeight) {
    struct Case {
        std::vector<std::string> tail;  // lines after the colour
        int exitHeight;
        bool custom;
        int size;
    };
    const Case cases[] = {
        {{"TRUE", "30"}, 45, true, 30},
        {{"TRUE", "30", "anything after"}, 45, true, 30},
        {{"true", "30"}, 45, false, 27},  // only the capital word counts
        {{"TRUE "}, 45, false, 27},       // nor with a blank after it
        {{"   TRUE", "12"}, 45, true, 12},
        {{""}, 45, false, 27},
        {{"no"}, 44, false, 26},  // 26.4
        {{"no"}, 46, false, 28},  // 27.6
        {{"no"}, 1, false, 1},    // 0.6
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines = GoodLines();
        lines.pop_back();
        lines[8] = "305 505 200 " + std::to_string(c.exitHeight);
        lines.insert(lines.end(), c.tail.begin(), c.tail.end());
        const PromoDescription page = Read(Join(lines));
        ASSERT_TRUE(page.valid) << c.tail[0];
        EXPECT_EQ(page.customFontSize, c.custom) << c.tail[0];
        EXPECT_EQ(page.fontSize, c.size) << c.tail[0] << " " << c.exitHeight;
    }
}

TEST(PromoDescription, LinesAsWindowsWritesThemAndLeadingBlanksAreRead) {
    std::vector<std::string> lines = GoodLines();
    for (std::string& line : lines) line = "  " + line;
    EXPECT_TRUE(Read(Join(lines, "\r\n")).valid);
    // The last line needs no line end; a number line's pieces after the last one read are ignored.
    lines = GoodLines();
    lines[14] = "5 and more";
    std::string text = Join(lines);
    text.pop_back();
    EXPECT_TRUE(Read(text).valid);
    // A description written for the Windows game names its files with "\".
    lines = GoodLines();
    lines[1] = "wdata\\back.bmp";
    EXPECT_TRUE(Read(Join(lines)).valid);
}

TEST(PromoDescription, WhatMakesADescriptionInvalid) {
    struct Case {
        const char* what;
        size_t line;
        std::string text;
    };
    const Case cases[] = {
        {"no button at all", 0, "0"},
        {"a negative button count", 0, "-2"},
        {"a button count past any page", 0, "100000"},
        {"a button count that is no number", 0, "two"},
        {"an empty number line", 0, ""},
        {"a blank-only number line", 0, "   "},
        {"two spaces between numbers", 2, "10 20  110 60"},
        {"a rectangle short of a number", 3, "12 22 100"},
        {"a trailing letter", 3, "12 22 100 50x"},
        {"a number past 32 bits", 3, "12 22 100 99999999999"},
        {"a tab between numbers", 3, "12\t22 100 50"},
        {"an empty picture name", 4, ""},
        {"a picture that does not exist", 4, "wdata/none.bmp"},
        {"the second button's hover picture missing", 11, "wdata/missing.bmp"},
        {"a target that does not exist", 6, "wdata/none.url"},
        {"a missing background", 1, "wdata/nothing.bmp"},
        {"a countdown centre with one number", 13, "700"},
        {"a countdown centre far off", 13, "700 -2000000000"},
        {"a button far off", 3, "2147483000 22 100 50"},
        {"a button wider than any screen", 2, "10 20 100001 60"},
        {"a negative countdown", 14, "-1"},
        {"a countdown past a day", 14, "86401"},
        {"a countdown whose tenths pass 32 bits", 14, "939992002"},
        {"a colour above 255", 15, "256 0 0"},
        {"a negative colour", 15, "0 -1 0"},
        {"a colour of two numbers", 15, "255 0"},
        {"an exit button 0 high", 8, "305 505 200 0"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines = GoodLines();
        lines[c.line] = c.text;
        EXPECT_FALSE(Read(Join(lines)).valid) << c.what;
    }
    std::vector<std::string> lines = GoodLines();
    lines.back() = "TRUE";
    EXPECT_FALSE(Read(Join(lines)).valid) << "TRUE without a size";
    lines.push_back("0");
    EXPECT_FALSE(Read(Join(lines)).valid) << "a font size of 0";
    lines.back() = "401";
    EXPECT_FALSE(Read(Join(lines)).valid) << "a font size past any screen";
}

TEST(PromoDescription, EveryDescriptionCutShortIsInvalid) {
    const std::vector<std::string> lines = GoodLines();
    for (size_t count = 0; count < lines.size(); ++count) {
        const std::vector<std::string> part(lines.begin(), lines.begin() + static_cast<ptrdiff_t>(count));
        EXPECT_FALSE(Read(Join(part)).valid) << count << " lines";
    }
    EXPECT_FALSE(Read("").valid);
}

TEST(PromoDescription, NamesOutsideTheDataRootAreNeverTaken) {
    // The files "exist" as far as the lookup is concerned; the names alone rule them out.
    const char* const names[] = {"/etc/passwd",          "../back.bmp",
                                 "wdata/../../back.bmp", "wdata/..\\..\\back.bmp",
                                 "C:\\game\\back.bmp",   "\\\\server\\share\\back.bmp",
                                 "wdata/\x01.bmp"};
    for (const char* name : names) {
        std::vector<std::string> lines = GoodLines();
        lines[1] = name;
        std::vector<std::string> asked;
        const PromoDescription page = ReadPromoDescription(Join(lines), [&](const std::string& file) {
            asked.push_back(file);
            return true;
        });
        EXPECT_FALSE(page.valid) << name;
        for (const std::string& file : asked) EXPECT_NE(file, name) << "the lookup was asked for " << name;
    }
}

TEST(PromoDescription, ReadingStopsAtTheFirstFault) {
    // A bad count must not make the reader look up files for a million buttons.
    std::vector<std::string> lines = GoodLines();
    lines[2] = "bad";
    int lookups = 0;
    ReadPromoDescription(Join(lines), [&](const std::string&) {
        ++lookups;
        return true;
    });
    EXPECT_EQ(lookups, 1);  // the background only
}

}  // namespace
