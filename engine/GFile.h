#pragma once
// The buffered file through which every persistent object reads and writes
// itself. Numbers are big-endian; fixed-point values carry a per-field scale.
//
// A file holds its whole byte stream in memory: a reading file decodes the
// disk image completely when it is opened (so a damaged compressed or e-mail
// file fails the open and nothing is half-loaded), and a writing file encodes
// its stream onto the disk when it is rewound, flushed or deleted.
//
// Reads never fail towards the caller: past the end of the data they give
// zeros and set the file's error state, which HasFailed() reports.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class GString;

using FileMode = int32_t;

// Plain read: the bytes as they lie on the disk.
constexpr FileMode kFileModePlainRead = 0;
// Plain write: creates or empties the file and stores the bytes as they are.
constexpr FileMode kFileModePlainWrite = 1;
// Temporary working file, written first and read back later; removed from the
// disk when its GFile is deleted.
constexpr FileMode kFileModeTemporary = 2;
// Temporary working file whose stream is compressed as a whole when flushed.
constexpr FileMode kFileModeTemporaryCompressed = 3;
// Game file: the first 1024 bytes plain, the rest one compressed stream.
constexpr FileMode kFileModeCompressedRead = 5;
constexpr FileMode kFileModeCompressedWrite = 6;
// E-mail turn file: the game-file form above, wrapped as 6-bit text.
constexpr FileMode kFileModeMailRead = 9;
constexpr FileMode kFileModeMailWrite = 10;

// Size of the plain part in front of a game file's compressed stream.
constexpr int32_t kFilePlainHeaderSize = 1024;

class GFile {
public:
    GFile();
    // Writes out pending output and closes; a temporary file is removed.
    virtual ~GFile();

    GFile(const GFile&) = delete;
    GFile& operator=(const GFile&) = delete;

    // Opens `path` in `mode`. Reading modes need an existing file whose
    // contents decode completely; writing modes check that the folder takes
    // the file and replace an existing one only when the new one has been
    // written whole (at Commit, Rewind or close).
    // False on any failure (the object then holds no data). A file the
    // object held before is closed first, as by the destructor.
    bool IFile(const char* path, FileMode mode);
    // Creates a new temporary working file in the system's temporary folder,
    // ready for writing.
    bool ITempFile(bool compressed);
    // A working file that stays in memory: written, rewound and read back
    // without ever touching the disk.
    void IMemoryFile();

    FileMode GetMode() const { return mMode; }
    // The error state: a read past the end, damaged data, a refused
    // operation or a failed disk write.
    bool HasFailed() const { return mFailed; }
    // CRC-32 of the e-mail data read (mode 9) or written (mode 10).
    uint32_t GetCRC() const { return mCRC; }
    // The full path on the disk.
    const char* GetPath() const { return mPath.c_str(); }

    void WriteChar(int8_t value);
    void WriteShort(int16_t value);
    void WriteLong(int32_t value);
    void WriteFloat(float value);
    void WriteBytes(const void* data, int32_t count);
    void WriteShortArray(const int16_t* values, int32_t count);
    void WriteZeros(int32_t count);
    // Writes floor(value × scale + 0.5) as a signed 16-bit number, clamped
    // to -32768..32767. Writing what ReadFixed gave with the same scale
    // gives the same number again.
    void WriteFixed(float value, float scale);
    // The number WriteFixed stores for value, and the value ReadFixed gives
    // back for it: what a value kept at that precision is after a save and
    // a load.
    static int16_t FixedStored(float value, float scale);
    static float FixedAsStored(float value, float scale) { return static_cast<float>(FixedStored(value, scale)) / scale; }

    int8_t ReadChar();
    int16_t ReadShort();
    int32_t ReadLong();
    float ReadFloat();
    void ReadBytes(void* data, int32_t count);
    void ReadShortArray(int16_t* values, int32_t count);
    // Reads and drops count bytes.
    void Skip(int32_t count);
    // The signed 16-bit number read, divided by scale.
    float ReadFixed(float scale);

    // Field names of what is written, for telling two records apart: while
    // a list is attached, NameField notes the name of the field that starts
    // at the stream's current end. Costs nothing while none is attached.
    using FieldNames = std::vector<std::pair<size_t, const char*>>;
    void AttachFieldNames(FieldNames* names) { mFieldNames = names; }
    void NameField(const char* name) {
        if (mFieldNames) mFieldNames->emplace_back(mData.size(), name);
    }

    // Writes out pending output now. False when the file could not be
    // written whole; the file it replaces is then kept as it was.
    bool Commit();

    // Writes out pending output and returns to the start. A writing file
    // then reads back, from its start, the stream it wrote.
    void Rewind();
    // The file's name without folder and extension.
    void GetName(GString* name) const;
    void GetName(GString& name) const { GetName(&name); }
    // Length of the stream the file currently reads or has written.
    int32_t GetFileLength() const;
    // Bytes of the stream not yet read (0 for a writing file).
    int32_t GetRemaining() const;

    // Ends writing, compresses the whole written stream into the file and
    // rewinds it for reading its raw compressed bytes.
    void FlushCompressedAndRewindAsPlainRead();
    // Takes the file's bytes as one compressed stream and reads it
    // decompressed from its start. False (and the error state) when the
    // bytes do not decompress.
    bool RewindAndReadAsCompressed();

private:
    void Close();
    void Reset();
    const uint8_t* Take(int32_t count);
    void Put(const void* data, size_t count);
    bool DecodeImage(std::vector<uint8_t>& image);
    bool EncodeImage(std::vector<uint8_t>& image);
    bool StoreImage(const std::vector<uint8_t>& image);
    void FlushPending();

    std::string mPath;
    FileMode mMode = kFileModePlainRead;
    std::vector<uint8_t> mData;      // the stream as the caller sees it
    size_t mPosition = 0;            // next byte to read
    uint32_t mCRC = 0;
    bool mWriting = false;
    bool mPending = false;           // written bytes not yet on the disk
    bool mFailed = false;
    bool mTemporary = false;
    bool mInMemory = false;
    FieldNames* mFieldNames = nullptr; // not owned
};
