// Engine services pinned to exact answers: names of files that start with a
// dot, stored strings past 127 characters, the shuffle's order for a seed and
// the hash at every padding boundary.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FileTestFolder.h"
#include "engine/GEncoder.h"
#include "engine/GFile.h"
#include "engine/GFileStub.h"
#include "engine/GGroup.h"
#include "engine/GOLTA.h"
#include "engine/GString.h"

namespace {

std::string NameOfFile(const FileTestFolder& folder, const std::string& file) {
    GFile f;
    EXPECT_TRUE(f.IFile(folder.File(file).c_str(), kFileModePlainWrite));
    GString63 name;
    f.GetName(&name);
    return name.GetCString();
}

std::string StubName(const char* file, bool noExtension) {
    GFileStub stub;
    stub.IFileStub("/tmp", file);
    GString63 name;
    stub.GetFileName(noExtension, &name);
    return name.GetCString();
}

} // namespace

// A leading dot belongs to the name; only a later dot starts an extension.
TEST(DotFileNames, ALeadingDotIsPartOfTheName) {
    FileTestFolder folder;
    EXPECT_EQ(NameOfFile(folder, ".hidden"), ".hidden");
    EXPECT_EQ(NameOfFile(folder, ".hidden.mvg"), ".hidden");
    EXPECT_EQ(NameOfFile(folder, "a.b.mvg"), "a.b");
    EXPECT_EQ(StubName(".profile", true), ".profile");
    EXPECT_EQ(StubName(".profile.mvg", true), ".profile");
    EXPECT_EQ(StubName(".profile.mvg", false), ".profile.mvg");
    EXPECT_EQ(StubName("Zug.1.mvg", true), "Zug.1");
}

// A stored string is a length byte and its characters: lengths from 128 up
// fill the byte's upper half (200 = 0xC8) and must read back as they are.
TEST(StoredStrings, TextsLongerThan127CharactersReadBack) {
    std::string text;
    for (int i = 0; i < 255; ++i)
        text += static_cast<char>('a' + i % 26);
    for (size_t length : {127u, 128u, 200u, 255u}) {
        GFile file;
        ASSERT_TRUE(file.ITempFile(false));
        GString255 out(text.substr(0, length).c_str());
        ASSERT_EQ(static_cast<size_t>(out.GetLength()), length);
        out.WriteNoConversion(&file);
        file.WriteLong(0x01020304); // what follows must stay in step
        file.Rewind();
        EXPECT_EQ(static_cast<uint8_t>(file.ReadChar()), length);
        file.Rewind();
        GString255 in;
        in.ReadNoConversion(&file);
        EXPECT_EQ(std::string(in.GetCString()), text.substr(0, length)) << length;
        EXPECT_EQ(file.ReadLong(), 0x01020304) << length;
        EXPECT_FALSE(file.HasFailed());
    }
}

TEST(StoredStrings, AShorterKindKeepsItsCapacityAndStaysInStep) {
    std::string text(200, 'q');
    text[126] = 'x';
    text[127] = 'y';
    GFile file;
    ASSERT_TRUE(file.ITempFile(false));
    GString255 out(text.c_str());
    out.WriteNoConversion(&file);
    file.WriteLong(77);
    file.Rewind();
    GString127 in;
    in.ReadNoConversion(&file);
    EXPECT_EQ(std::string(in.GetCString()), text.substr(0, 127));
    EXPECT_EQ(file.ReadLong(), 77);
}

namespace {

class Tag : public GObject {
public:
    explicit Tag(int key) : mKey(key) {}
    GObject* CopyItself() override { return new Tag(mKey); }
    int mKey;
};

std::vector<int> ShuffledKeys(uint32_t seed, int count) {
    GList list;
    list.IList();
    for (int k = 0; k < count; ++k)
        list.Add(new Tag(k));
    SeedRandomGenerator(seed);
    list.RandomShuffle();
    std::vector<int> keys;
    for (int k = 0; k < list.GetCount(); ++k)
        keys.push_back(static_cast<Tag*>(list.GetObjectA(k))->mKey);
    return keys;
}

} // namespace

// Worked from the generator's rule outside the program: state = state x
// 1103515245 + 12345, draws (state >> 16) & 0x7FFF, R = high << 16 | low;
// from the last place down, place i swaps with place R mod (i + 1).
// Seed 11 draws R = 0x538530D8, 0x2C6B10AC, 0x2D985C96, 0x69F73BA6, 0x5F196712:
// the swaps 5<->0, 4<->4, 3<->2, 2<->1, 1<->0 turn 012345 into 351240.
TEST(Shuffle, TheOrderForASeedIsFixed) {
    EXPECT_EQ(ShuffledKeys(11, 6), (std::vector<int>{3, 5, 1, 2, 4, 0}));
    EXPECT_EQ(ShuffledKeys(2024, 10), (std::vector<int>{9, 7, 4, 1, 5, 3, 2, 8, 6, 0}));
    // Five draws of two calls each for six members.
    SeedRandomGenerator(11);
    for (int k = 0; k < 10; ++k)
        Random();
    const uint32_t after = GetRandomState();
    ShuffledKeys(11, 6);
    EXPECT_EQ(GetRandomState(), after);
}

// Digests of the first n letters of "abcdefghijklmnopqrstuvwxyz" repeated,
// from an independent implementation of the 3-pass, 256-bit hash. The
// message fills blocks of 128 bytes; padding takes a byte, and the last 10
// bytes of the last block hold the version, passes, size and bit length, so
// 117 bytes still fit one block, 118 spill into a second, 128 fill one
// exactly, and 245/246 and 256 repeat that a block later.
TEST(HavalBoundaries, DigestsOnEveryPaddingBoundary) {
    const struct {
        size_t length;
        const char* digest;
    } cases[] = {
        {3, "8699f1e3384d05b2a84b032693e2b6f46df85a13a50d93808d6874bb8fb9e86c"},
        {4, "a780e44755f8ed459fad3a6af5182eefa5cd07c6149d9f38503741b216b3c1e0"},
        {117, "e6a570cd91898b7903bbfbe693a5ceaebd3e7b4b38e372f6e80830ae8530d50e"},
        {118, "22a60ffe3b07d6dfa84930a91cb5114f841f327a429c3bfe336e35dd05939551"},
        {119, "c1caf739a18ff474b179e657a43ab88b62c3001ac3cb5d5d71cb6df00d434282"},
        {127, "ee83d20058fe11faba83de2233faeca4894d1b78d8dd8166e70852f20f2406af"},
        {128, "86110ba030a5acf77b827078193d26f2cb97d82eabed670a500b74db057126c3"},
        {129, "c6d6b7e447e745cc859fce7547dc0ace4df3fa77478d5dba245d3a6d46196d34"},
        {245, "8b91f2a7275d9ec515faee4b258e5dbebd5d5006dc540e520d77ebe0b78ddca8"},
        {246, "93bc79c224a3d011e653d5bf644e85dfa540295d0367085d96537aabe58acecc"},
        {247, "d2f5b46c6de4328bb6ebf96f586ab3aa2d68e8a45910d6e0630385403d8806e6"},
        {255, "869ee29f3a9e755b4bcc85aeaa2b04729f9833ac41842feec2f8109ac9c828a1"},
        {256, "0f2cc7de312ec124682f0ecf19663a28d3be7352dfacaa79518686267d76d352"},
        {257, "a7369f132cc820f5ac571410aa6207216bdb740a381722bf8678d14ac70c4ce0"},
    };
    std::string letters;
    while (letters.size() < 300)
        letters += "abcdefghijklmnopqrstuvwxyz";
    for (const auto& c : cases) {
        const HavalDigest d = HavalHash256(reinterpret_cast<const uint8_t*>(letters.data()), c.length);
        EXPECT_EQ(HavalHex(d), c.digest) << c.length << " bytes";
    }
}
