#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "engine/GOLTA.h"
#include "engine/GString.h"
#include "engine/GStringTable.h"

namespace {
std::string Text(const GString& s) {
    return std::string(s.GetCString(), s.GetLength());
}
} // namespace

TEST(GString, EveryKindCutsAtItsCapacity) {
    GString15 s15;
    GString31 s31;
    GString63 s63;
    GString127 s127;
    GString255 s255;
    GString* all[] = {&s15, &s31, &s63, &s127, &s255};
    const std::string longText(300, 'x');
    for (GString* s : all) {
        s->IStringText(longText.c_str());
        EXPECT_EQ(s->GetLength(), s->GetCapacity());
        EXPECT_EQ(s->GetCString()[s->GetLength()], '\0');
        s->AddChar('y');
        s->InsertSpace(5);
        s->ConcatNum(12345);
        EXPECT_EQ(Text(*s), std::string(s->GetCapacity(), 'x'));
    }
    EXPECT_EQ(s15.GetCapacity(), 15);
    EXPECT_EQ(s255.GetCapacity(), 255);
}

TEST(GString, AppendingStopsAtTheRoomLeft) {
    GString15 s;
    s.IStringText("0123456789");
    s.ConcatText("abcdefgh");
    EXPECT_EQ(Text(s), "0123456789abcde");

    s.IStringText("ab");
    s.InsertSpace(3);
    s.InsertSpace(0);
    s.InsertSpace(-4);
    s.AddChar('c');
    EXPECT_EQ(Text(s), "ab   c");

    s.Concat(&s); // appending itself
    EXPECT_EQ(Text(s), "ab   cab   c");
    s.Concat(nullptr);
    s.ConcatText(nullptr);
    EXPECT_EQ(s.GetLength(), 12);
}

TEST(GString, AssignmentAndCopiesCutAcrossKinds) {
    GString255 big("Panzergranate (75) und noch mehr");
    GString15 small;
    small = big;
    EXPECT_EQ(Text(small), "Panzergranate (");
    GString* asBase = &small;
    GString255 copy(*asBase);
    EXPECT_EQ(Text(copy), "Panzergranate (");
    GString15 other(small);
    EXPECT_TRUE(other.IsEqualTo(&small));
    other.AddChar('!'); // full: ignored
    EXPECT_TRUE(other.IsEqualTo(&small));
    other.CropLength(3, true);
    EXPECT_FALSE(other.IsEqualTo(&small));
    EXPECT_FALSE(other.IsEqualTo(nullptr));
    GString& alias = big;
    big = alias; // self-assignment keeps the text
    EXPECT_EQ(big.GetLength(), 32);
}

TEST(GString, CropKeepsStartOrEnd) {
    GString31 s("Sprenggranate");
    s.CropLength(50, true);
    EXPECT_EQ(Text(s), "Sprenggranate");
    s.CropLength(7, false);
    EXPECT_EQ(Text(s), "granate");
    s.CropLength(4, true);
    EXPECT_EQ(Text(s), "gran");
    s.CropLength(-1, true);
    EXPECT_EQ(s.GetLength(), 0);
    EXPECT_EQ(s.GetCString()[0], '\0');
}

TEST(GString, CharactersByIndex) {
    GString15 s("Rauch");
    EXPECT_EQ(s.GetChar(0), 'R');
    EXPECT_EQ(s.GetChar(4), 'h');
    EXPECT_EQ(s.GetChar(5), '\0');
    EXPECT_EQ(s.GetChar(-1), '\0');
}

TEST(GString, Numbers) {
    GString31 s;
    s.IStringNum(0);
    EXPECT_EQ(Text(s), "0");
    s.IStringNum(-1234);
    EXPECT_EQ(Text(s), "-1234");
    s.IStringNum(INT32_MIN);
    EXPECT_EQ(Text(s), "-2147483648");
    s.IStringText("x=");
    s.ConcatNum(INT32_MAX);
    EXPECT_EQ(Text(s), "x=2147483647");

    struct Case {
        float value;
        int32_t decimals;
        const char* text;
    } cases[] = {
        {0.3f, 1, "0.3"}, {1.0f / 3.0f, 2, "0.33"}, {2.0f / 3.0f, 2, "0.66"}, {-2.5f, 1, "-2.5"},
        {7.9f, 0, "7"},   {12.05f, 3, "12.050"},    {-0.0001f, 2, "0.00"},    {26.832f, 1, "26.8"},
    };
    for (const Case& c : cases) {
        s.IStringText("");
        s.ConcatNumDecimal(c.value, c.decimals);
        EXPECT_EQ(Text(s), c.text) << c.value << " with " << c.decimals;
    }
}

TEST(GString, ConvertToNumber) {
    struct Case {
        const char* text;
        int32_t value;
    } cases[] = {{"  42", 42}, {"-17abc", -17}, {"abc", 0}, {"", 0}, {"- 5", 0}, {"007", 7}};
    for (const Case& c : cases)
        EXPECT_EQ(GString31(c.text).ConvertToNumber(), c.value) << c.text;
}

TEST(StringTable, TextsByNumberCutAtCapacity) {
    GString63 s;
    s.IStringRez(1541);
    EXPECT_EQ(Text(s), "Szenarien");
    s.ConcatRez(1542);
    EXPECT_EQ(Text(s), "SzenarienSavegames");
    s.IStringRez(-7); // no such text: empty
    EXPECT_EQ(s.GetLength(), 0);

    GString15 cut;
    cut.IStringRez(410);
    EXPECT_EQ(Text(cut), "Computerspieler");

    // Stored as single-byte Latin-1, escapes resolved.
    GString255 german;
    german.IStringRez(238);
    EXPECT_EQ(Text(german), "H\xF6"
                            "chste");
    german.IStringRez(1261);
    EXPECT_EQ(german.GetChar(0), '\\');
    EXPECT_EQ(german.GetChar(1), ' ');

    for (int32_t i = 1; i < gStringTableCount; ++i)
        ASSERT_LT(gStringTable[i - 1].id, gStringTable[i].id);
}

TEST(GString, SurvivesABytewiseCopyOfItsHolder) {
    struct Record {
        int32_t id;
        GString15 name;
    };
    Record a{1, GString15("Panzer IV")};
    Record b{2, GString15()};
    CopyMem(&a, &b, sizeof(Record));
    a.name.IStringText("anders");
    EXPECT_EQ(Text(b.name), "Panzer IV");
    b.name.AddChar('H');
    EXPECT_EQ(Text(a.name), "anders");
    EXPECT_EQ(Text(b.name), "Panzer IVH");
}
