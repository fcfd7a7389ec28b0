#include <gtest/gtest.h>

#include <string>

#include "engine/GFile.h"
#include "engine/GGroup.h"
#include "engine/GString.h"

namespace {

// A member that writes one long of its own.
class Stamp : public GObject {
public:
    explicit Stamp(int32_t v = 0) : value(v) {}
    void Write(GFile* file) override { file->WriteLong(value); }
    void Read(GFile* file) override { value = file->ReadLong(); }
    int32_t value;
};

} // namespace

TEST(Persistence, StringsAreALengthByteAndTheirCharacters) {
    GFile file;
    ASSERT_TRUE(file.ITempFile(false));
    GString255 longText(std::string(40, 'L').c_str());
    GString15 shortText("Kanister");
    longText.Write(&file);
    shortText.WriteNoConversion(&file);
    file.WriteLong(0x12345678);
    EXPECT_EQ(file.GetFileLength(), 1 + 40 + 1 + 8 + 4);

    file.Rewind();
    GString15 cut;
    cut.Read(&file); // 40 stored characters into a 15-character kind
    EXPECT_EQ(std::string(cut.GetCString()), std::string(15, 'L'));
    GString31 back;
    back.ReadNoConversion(&file);
    EXPECT_TRUE(back.IsEqualTo(&shortText));
    EXPECT_EQ(file.ReadLong(), 0x12345678); // still in step after the cut
    EXPECT_FALSE(file.HasFailed());

    back.Read(&file); // past the end: empty, and the file reports it
    EXPECT_EQ(back.GetLength(), 0);
    EXPECT_TRUE(file.HasFailed());
}

TEST(Persistence, GroupFlagByteIsOneWhenOwningAndReadsBackAsItsInverse) {
    GFile file;
    ASSERT_TRUE(file.ITempFile(false));
    GList owner;
    owner.IList();
    owner.Add(new Stamp(7));
    owner.Add(new Stamp(-3));
    owner.Write(&file);
    GList keeper;
    keeper.IList();
    keeper.PreserveObjects();
    keeper.Write(&file);

    file.Rewind();
    EXPECT_EQ(file.ReadChar(), 1);
    EXPECT_EQ(file.ReadLong(), 2);
    EXPECT_EQ(file.ReadLong(), 7);
    EXPECT_EQ(file.ReadLong(), -3);
    EXPECT_EQ(file.ReadChar(), 0);
    EXPECT_EQ(file.ReadLong(), 0);

    file.Rewind();
    GList ownerBack;
    ownerBack.IList();
    ownerBack.PreserveObjects();
    ownerBack.Read(&file);
    EXPECT_FALSE(ownerBack.IsPreserving());
    int32_t count = file.ReadLong();
    for (int32_t i = 0; i < count; ++i) {
        auto* s = new Stamp;
        s->Read(&file);
        ownerBack.Add(s);
    }
    ASSERT_EQ(ownerBack.GetCount(), 2);
    EXPECT_EQ(static_cast<Stamp*>(ownerBack.GetObjectA(1))->value, -3);
    GList keeperBack;
    keeperBack.IList();
    keeperBack.Read(&file);
    EXPECT_TRUE(keeperBack.IsPreserving());
    EXPECT_EQ(file.ReadLong(), 0);
}
