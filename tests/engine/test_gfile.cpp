#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "FileTestFolder.h"
#include "engine/GFile.h"
#include "engine/GString.h"

namespace {

std::vector<uint8_t> ReadDisk(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteDisk(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::unique_ptr<GFile> Open(const std::string& path, FileMode mode)
{
    auto file = std::make_unique<GFile>();
    if (!file->IFile(path.c_str(), mode)) return nullptr;
    return file;
}

// A record of every primitive, as persistent classes write them.
void WriteRecord(GFile* f)
{
    f->WriteChar(-5);
    f->WriteShort(-1234);
    f->WriteLong(0x12345678);
    f->WriteFloat(3.25f);
    const int16_t shorts[3] = {1, -2, 30000};
    f->WriteShortArray(shorts, 3);
    f->WriteBytes("abc", 3);
    f->WriteZeros(5);
    f->WriteFixed(12.34f, 100.0f);
}

void CheckRecord(GFile* f)
{
    EXPECT_EQ(f->ReadChar(), -5);
    EXPECT_EQ(f->ReadShort(), -1234);
    EXPECT_EQ(f->ReadLong(), 0x12345678);
    EXPECT_EQ(f->ReadFloat(), 3.25f);
    int16_t shorts[3];
    f->ReadShortArray(shorts, 3);
    EXPECT_EQ(shorts[0], 1);
    EXPECT_EQ(shorts[1], -2);
    EXPECT_EQ(shorts[2], 30000);
    char text[3];
    f->ReadBytes(text, 3);
    EXPECT_EQ(std::memcmp(text, "abc", 3), 0);
    f->Skip(5);
    EXPECT_FLOAT_EQ(f->ReadFixed(100.0f), 12.34f);
    EXPECT_FALSE(f->HasFailed());
}

// A stream longer than the plain header, so that both parts are used.
void WriteLongStream(GFile* f, int32_t longs)
{
    for (int32_t i = 0; i < longs; ++i) f->WriteLong(i * 7);
}

}  // namespace

TEST(GFile, PlainWriteIsBigEndianOnDisk)
{
    FileTestFolder folder;
    const std::string path = folder.File("plain.bin");
    {
        auto f = Open(path, kFileModePlainWrite);
        ASSERT_TRUE(f);
        f->WriteShort(0x0102);
        f->WriteLong(0x03040506);
        f->WriteFloat(1.0f);
        f->WriteFixed(-1.5f, 2.0f);  // floor(-3 + 0.5) = -3
    }
    const std::vector<uint8_t> expected = {1, 2, 3, 4, 5, 6, 0x3F, 0x80, 0, 0, 0xFF, 0xFD};
    EXPECT_EQ(ReadDisk(path), expected);
}

TEST(GFile, EveryModePairRoundTrips)
{
    FileTestFolder folder;
    const struct { FileMode write, read; } pairs[] = {
        {kFileModePlainWrite, kFileModePlainRead},
        {kFileModeCompressedWrite, kFileModeCompressedRead},
        {kFileModeMailWrite, kFileModeMailRead},
    };
    for (const auto& pair : pairs) {
        SCOPED_TRACE(pair.write);
        const std::string path = folder.File("round.bin");
        {
            auto f = Open(path, pair.write);
            ASSERT_TRUE(f);
            EXPECT_EQ(f->GetMode(), pair.write);
            WriteRecord(f.get());
            WriteLongStream(f.get(), 2000);
        }
        auto f = Open(path, pair.read);
        ASSERT_TRUE(f);
        EXPECT_EQ(f->GetMode(), pair.read);
        CheckRecord(f.get());
        for (int32_t i = 0; i < 2000; ++i) ASSERT_EQ(f->ReadLong(), i * 7);
        EXPECT_FALSE(f->HasFailed());
        EXPECT_EQ(f->ReadChar(), 0);
        EXPECT_TRUE(f->HasFailed());
    }
}

TEST(GFile, CompressedFileKeepsPlainHeader)
{
    FileTestFolder folder;
    const std::string path = folder.File("game.mvg");
    {
        auto f = Open(path, kFileModeCompressedWrite);
        ASSERT_TRUE(f);
        f->WriteLong(4);
        f->WriteLong(2);
        WriteLongStream(f.get(), 10000);
    }
    const std::vector<uint8_t> disk = ReadDisk(path);
    ASSERT_GT(disk.size(), 1024u);
    EXPECT_LT(disk.size(), 40008u * 2 / 3);  // the rest really is compressed
    // A header reader opens the same file plainly.
    auto f = Open(path, kFileModePlainRead);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->ReadLong(), 4);
    EXPECT_EQ(f->ReadLong(), 2);
    f->Skip(1024 - 8 - 8);
    EXPECT_EQ(f->ReadLong(), 7 * 252);  // the first long after the header
    EXPECT_EQ(f->GetFileLength(), int32_t(disk.size()));
}

TEST(GFile, ShortStreamHeaderIsZeroFilled)
{
    FileTestFolder folder;
    const std::string path = folder.File("short.mvg");
    {
        auto f = Open(path, kFileModeCompressedWrite);
        f->WriteLong(99);
    }
    auto f = Open(path, kFileModeCompressedRead);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->GetFileLength(), 1024);
    EXPECT_EQ(f->ReadLong(), 99);
    EXPECT_EQ(f->ReadLong(), 0);
    EXPECT_FALSE(f->HasFailed());
}

TEST(GFile, ReadsPastTheEndGiveZerosAndFail)
{
    FileTestFolder folder;
    const std::string path = folder.File("three.bin");
    WriteDisk(path, {1, 2, 3});
    auto f = Open(path, kFileModePlainRead);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->ReadShort(), 0x0102);
    EXPECT_EQ(f->ReadLong(), 0);  // only one byte left: nothing is half-read
    EXPECT_TRUE(f->HasFailed());
    EXPECT_EQ(f->ReadChar(), 0);  // and the rest was passed over
    char buffer[4] = {'x', 'x', 'x', 'x'};
    f->ReadBytes(buffer, 4);
    EXPECT_EQ(std::memcmp(buffer, "\0\0\0\0", 4), 0);
    int16_t shorts[2] = {5, 5};
    f->ReadShortArray(shorts, 2);
    EXPECT_EQ(shorts[0], 0);
    EXPECT_EQ(shorts[1], 0);
    EXPECT_EQ(f->ReadFloat(), 0.0f);
    EXPECT_EQ(f->ReadFixed(10.0f), 0.0f);
}

TEST(GFile, SkipPastTheEndFails)
{
    FileTestFolder folder;
    const std::string path = folder.File("skip.bin");
    WriteDisk(path, {1, 2, 3, 4});
    auto f = Open(path, kFileModePlainRead);
    f->Skip(0);
    f->Skip(-3);
    EXPECT_FALSE(f->HasFailed());
    f->Skip(3);
    EXPECT_EQ(f->ReadChar(), 4);
    f->Skip(1);
    EXPECT_TRUE(f->HasFailed());
}

TEST(GFile, FixedPointClampsAndRoundsHalvesUp)
{
    FileTestFolder folder;
    const std::string path = folder.File("fixed.bin");
    {
        auto f = Open(path, kFileModePlainWrite);
        f->WriteFixed(1000.0f, 100.0f);   // 100000.5 -> 32767, not a wrapped value
        f->WriteFixed(-1000.0f, 100.0f);  // -> -32768
        f->WriteFixed(2.0f, 0.5f);        // floor(1.5) = 1
        f->WriteFixed(-0.9f, 1.0f);       // floor(-0.4) = -1
        f->WriteFixed(-3.0f, 1.0f);       // floor(-2.5) = -3
        f->WriteFixed(std::numeric_limits<float>::quiet_NaN(), 1.0f);
        f->WriteFixed(327.67f, 100.0f);
        f->WriteFixed(-0.25f, 1000.0f);   // -250, not -249
    }
    auto f = Open(path, kFileModePlainRead);
    EXPECT_EQ(f->ReadShort(), 32767);
    EXPECT_EQ(f->ReadShort(), -32768);
    EXPECT_EQ(f->ReadShort(), 1);
    EXPECT_EQ(f->ReadShort(), -1);
    EXPECT_EQ(f->ReadShort(), -3);
    EXPECT_EQ(f->ReadShort(), 0);
    EXPECT_FLOAT_EQ(f->ReadFixed(100.0f), 327.67f);
    EXPECT_EQ(f->ReadShort(), -250);
}

// Every stored number, read back and written again with the scale it was
// read with, stores as itself: a value saved and loaded over and over never
// moves. Positive values keep the bytes they had when halves were cut
// towards zero.
TEST(GFile, FixedPointWriteReadWriteIsExactOverTheWholeRange)
{
    const float scales[] = {0.5f, 1.0f, 3.0f, 10.0f, 20.0f, 50.0f, 90.0f, 100.0f,
                            150.0f, 200.0f, 500.0f, 1000.0f, 7500.0f, 10000.0f, 1000000.0f};
    for (float scale : scales) {
        SCOPED_TRACE(scale);
        GFile file;
        ASSERT_TRUE(file.ITempFile(false));
        for (int32_t n = -32768; n <= 32767; ++n) file.WriteShort(static_cast<int16_t>(n));
        file.Rewind();
        std::vector<float> values;
        for (int32_t n = -32768; n <= 32767; ++n) values.push_back(file.ReadFixed(scale));

        GFile again;
        ASSERT_TRUE(again.ITempFile(false));
        for (float v : values) again.WriteFixed(v, scale);
        again.Rewind();
        int32_t moved = 0;
        for (int32_t n = -32768; n <= 32767; ++n)
            if (again.ReadShort() != n) ++moved;
        EXPECT_EQ(moved, 0);
        EXPECT_FALSE(again.HasFailed());

        // Positive values between the steps, halves included.
        GFile positive;
        ASSERT_TRUE(positive.ITempFile(false));
        std::vector<int16_t> truncated;
        for (int32_t n = 0; n < 32767; n += 7) {
            for (float part : {0.0f, 0.25f, 0.5f, 0.75f}) {
                const float v = (static_cast<float>(n) + part) / scale;
                positive.WriteFixed(v, scale);
                truncated.push_back(static_cast<int16_t>(std::trunc(v * scale + 0.5f)));
            }
        }
        positive.Rewind();
        int32_t changed = 0;
        for (int16_t expected : truncated)
            if (positive.ReadShort() != expected) ++changed;
        EXPECT_EQ(changed, 0);
    }
}

TEST(GFile, NonPositiveRunsDoNothing)
{
    FileTestFolder folder;
    const std::string path = folder.File("runs.bin");
    {
        auto f = Open(path, kFileModePlainWrite);
        f->WriteZeros(0);
        f->WriteZeros(-4);
        f->WriteBytes("x", 0);
        f->WriteShortArray(nullptr, -1);
        EXPECT_EQ(f->GetFileLength(), 0);
        f->WriteZeros(3);
        EXPECT_EQ(f->GetFileLength(), 3);
    }
    EXPECT_EQ(ReadDisk(path), (std::vector<uint8_t>{0, 0, 0}));
}

TEST(GFile, RewindAfterWritingReadsBack)
{
    FileTestFolder folder;
    const std::string path = folder.File("auto.mvg");
    auto f = Open(path, kFileModeCompressedWrite);
    WriteRecord(f.get());
    WriteLongStream(f.get(), 1000);
    f->Rewind();
    CheckRecord(f.get());
    // The disk already holds the finished file.
    auto again = Open(path, kFileModeCompressedRead);
    ASSERT_TRUE(again);
    CheckRecord(again.get());
    // Writing after the rewind is refused, and the file is not rewritten.
    f->WriteLong(1);
    EXPECT_TRUE(f->HasFailed());
}

TEST(GFile, OpenFailsCleanly)
{
    FileTestFolder folder;
    EXPECT_FALSE(Open(folder.File("missing.bin"), kFileModePlainRead));
    EXPECT_FALSE(Open(folder.File("no/such/folder.bin"), kFileModePlainWrite));
    EXPECT_FALSE(Open(folder.File("x.bin"), 4));  // not a mode
    GFile f;
    EXPECT_FALSE(f.IFile(nullptr, kFileModePlainRead));
    EXPECT_EQ(f.GetFileLength(), 0);
    EXPECT_EQ(f.ReadLong(), 0);
}

TEST(GFile, DamagedCompressedFileIsRefused)
{
    FileTestFolder folder;
    const std::string path = folder.File("damaged.mvg");
    {
        auto f = Open(path, kFileModeCompressedWrite);
        WriteLongStream(f.get(), 5000);
    }
    const std::vector<uint8_t> good = ReadDisk(path);
    ASSERT_TRUE(Open(path, kFileModeCompressedRead));

    std::vector<uint8_t> truncated(good.begin(), good.end() - 10);
    WriteDisk(path, truncated);
    EXPECT_FALSE(Open(path, kFileModeCompressedRead));

    std::vector<uint8_t> flipped = good;
    flipped[1024 + flipped.size() / 3] ^= 0x40;
    WriteDisk(path, flipped);
    EXPECT_FALSE(Open(path, kFileModeCompressedRead));

    std::vector<uint8_t> trailing = good;
    trailing.push_back(0);
    WriteDisk(path, trailing);
    EXPECT_FALSE(Open(path, kFileModeCompressedRead));

    WriteDisk(path, std::vector<uint8_t>(good.begin(), good.begin() + 1024));
    EXPECT_FALSE(Open(path, kFileModeCompressedRead));
    WriteDisk(path, {});
    EXPECT_FALSE(Open(path, kFileModeCompressedRead));
}

TEST(GFile, MailFileKeepsItsCRCAndRefusesDamage)
{
    FileTestFolder folder;
    const std::string path = folder.File("turn.txt");
    uint32_t written = 0;
    {
        auto f = Open(path, kFileModeMailWrite);
        WriteLongStream(f.get(), 3000);
        f->Rewind();
        written = f->GetCRC();
        EXPECT_NE(written, 0u);
    }
    auto f = Open(path, kFileModeMailRead);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->GetCRC(), written);

    std::vector<uint8_t> text = ReadDisk(path);
    // Mail headers in front and a signature behind do no harm.
    std::vector<uint8_t> mailed;
    const std::string head = "From: someone\r\nSubject: turn\r\n\r\n";
    const std::string tail = "\r\n-- \r\ngreetings\r\n";
    mailed.insert(mailed.end(), head.begin(), head.end());
    mailed.insert(mailed.end(), text.begin(), text.end());
    mailed.insert(mailed.end(), tail.begin(), tail.end());
    WriteDisk(path, mailed);
    ASSERT_TRUE(Open(path, kFileModeMailRead));

    // One changed letter in the data: the CRC no longer matches.
    std::vector<uint8_t> changed = text;
    const size_t dataStart = std::string(changed.begin(), changed.end()).find("\r\n", 80) + 2;
    changed[dataStart + 5] = changed[dataStart + 5] == 'A' ? 'B' : 'A';
    WriteDisk(path, changed);
    EXPECT_FALSE(Open(path, kFileModeMailRead));

    // A character outside the alphabet.
    std::vector<uint8_t> bad = text;
    bad[dataStart + 7] = '#';
    WriteDisk(path, bad);
    EXPECT_FALSE(Open(path, kFileModeMailRead));

    // No end marker.
    std::string cut(text.begin(), text.end());
    cut.erase(cut.rfind("-----------------"));
    WriteDisk(path, std::vector<uint8_t>(cut.begin(), cut.end()));
    EXPECT_FALSE(Open(path, kFileModeMailRead));

    // A compressed game file is not a mail file.
    EXPECT_FALSE(Open(path, kFileModeCompressedRead));
}

TEST(GFile, TemporaryCompressedFileTravelsAndIsRemoved)
{
    std::string path;
    std::vector<uint8_t> raw;
    {
        GFile out;
        ASSERT_TRUE(out.ITempFile(true));
        path = out.GetPath();
        EXPECT_TRUE(std::filesystem::exists(path));
        EXPECT_EQ(out.GetMode(), kFileModeTemporaryCompressed);
        WriteRecord(&out);
        WriteLongStream(&out, 4000);
        out.FlushCompressedAndRewindAsPlainRead();
        const int32_t length = out.GetFileLength();
        EXPECT_GT(length, 0);
        EXPECT_LT(length, 16000);
        EXPECT_EQ(int64_t(std::filesystem::file_size(path)), length);
        // Read the raw bytes in chunks, as the network sender does.
        raw.resize(size_t(length));
        for (int32_t done = 0; done < length; done += 100)
            out.ReadBytes(raw.data() + done, std::min(100, length - done));
        EXPECT_FALSE(out.HasFailed());
        // The sender may then read its own file as the receiver does.
        ASSERT_TRUE(out.RewindAndReadAsCompressed());
        CheckRecord(&out);
    }
    EXPECT_FALSE(std::filesystem::exists(path));

    // The receiver appends the chunks to a plain temporary file.
    GFile in;
    ASSERT_TRUE(in.ITempFile(false));
    for (size_t done = 0; done < raw.size(); done += 333)
        in.WriteBytes(raw.data() + done, int32_t(std::min<size_t>(333, raw.size() - done)));
    ASSERT_TRUE(in.RewindAndReadAsCompressed());
    CheckRecord(&in);
    for (int32_t i = 0; i < 4000; ++i) ASSERT_EQ(in.ReadLong(), i * 7);
}

// A working file in memory behaves as a temporary one, compressed or not,
// and leaves nothing on the disk: no path, a commit that cannot fail.
TEST(GFile, MemoryFileReadsBackAndNeverTouchesTheDisk)
{
    GFile plain;
    plain.IMemoryFile();
    EXPECT_STREQ(plain.GetPath(), "");
    WriteRecord(&plain);
    EXPECT_TRUE(plain.Commit());
    plain.Rewind();
    CheckRecord(&plain);
    EXPECT_FALSE(plain.HasFailed());

    GFile packed;
    packed.IMemoryFile();
    WriteRecord(&packed);
    WriteLongStream(&packed, 4000);
    packed.FlushCompressedAndRewindAsPlainRead();
    EXPECT_FALSE(packed.HasFailed());
    EXPECT_LT(packed.GetFileLength(), 16000);
    ASSERT_TRUE(packed.RewindAndReadAsCompressed());
    CheckRecord(&packed);
    for (int32_t i = 0; i < 4000; ++i) ASSERT_EQ(packed.ReadLong(), i * 7);
}

TEST(GFile, DamagedTransferFailsToDecompress)
{
    GFile in;
    ASSERT_TRUE(in.ITempFile(false));
    in.WriteBytes("not compressed at all", 21);
    EXPECT_FALSE(in.RewindAndReadAsCompressed());
    EXPECT_TRUE(in.HasFailed());
    EXPECT_EQ(in.GetFileLength(), 0);
    EXPECT_EQ(in.ReadLong(), 0);
}

TEST(GFile, NameHasNoFolderOrExtension)
{
    FileTestFolder folder;
    GString31 name;
    auto f = Open(folder.File("Auto Speicherung.mvg"), kFileModeCompressedWrite);
    f->GetName(&name);
    EXPECT_STREQ(name.GetCString(), "Auto Speicherung");
    auto g = Open(folder.File("no extension"), kFileModePlainWrite);
    g->GetName(&name);
    EXPECT_STREQ(name.GetCString(), "no extension");
    GString15 shortName;  // cut at the capacity
    auto h = Open(folder.File("a rather long file name.txt"), kFileModeMailWrite);
    h->GetName(&shortName);
    EXPECT_STREQ(shortName.GetCString(), "a rather long f");
}

TEST(GFile, ReopeningClosesTheFormerFile)
{
    FileTestFolder folder;
    GFile f;
    ASSERT_TRUE(f.ITempFile(false));
    const std::string temporary = f.GetPath();
    ASSERT_TRUE(f.IFile(folder.File("first.bin").c_str(), kFileModePlainWrite));
    EXPECT_FALSE(std::filesystem::exists(temporary));
    f.WriteLong(5);
    ASSERT_TRUE(f.IFile(folder.File("first.bin").c_str(), kFileModePlainRead));
    EXPECT_EQ(f.ReadLong(), 5);  // the pending long reached the disk first
}

// A save the disk cuts short: the file size limit makes every write past it
// fail (as a full disk does), with the signal it would raise ignored.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &mOld);
        mOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = mOld;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &mOld);
        std::signal(SIGXFSZ, mOldHandler);
    }

private:
    rlimit mOld{};
    void (*mOldHandler)(int) = nullptr;
};

TEST(GFile, AFailedWriteKeepsTheOldFileWholeAndSaysSo)
{
    FileTestFolder folder;
    const std::string path = folder.File("save.mvg");
    for (FileMode mode : {kFileModePlainWrite, kFileModeCompressedWrite, kFileModeMailWrite}) {
        SCOPED_TRACE(mode);
        {
            auto file = Open(path, mode);
            ASSERT_TRUE(file);
            WriteRecord(file.get());
            ASSERT_TRUE(file->Commit());
        }
        const std::vector<uint8_t> old = ReadDisk(path);
        ASSERT_FALSE(old.empty());
        {
            // Opening for writing leaves the old file as it is.
            auto file = Open(path, mode);
            ASSERT_TRUE(file);
            EXPECT_EQ(ReadDisk(path), old);
            std::vector<uint8_t> noise(200000);
            uint32_t x = 12345;  // bytes that do not compress
            for (uint8_t& b : noise) b = static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 24);
            file->WriteBytes(noise.data(), static_cast<int32_t>(noise.size()));
            FileSizeLimit limit(4096);
            EXPECT_FALSE(file->Commit());
            EXPECT_TRUE(file->HasFailed());
        }
        EXPECT_EQ(ReadDisk(path), old);
        // No partial file is left beside it.
        int others = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
            others += entry.path().filename() != "save.mvg";
        EXPECT_EQ(others, 0);
    }
}

TEST(GFile, WritingIntoAFolderThatTakesNoFileFailsAtOnce)
{
    FileTestFolder folder;
    EXPECT_FALSE(Open(folder.File("missing/save.mvg"), kFileModeCompressedWrite));
}
