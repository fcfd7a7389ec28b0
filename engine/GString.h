#pragma once
// Fixed-capacity Latin-1 strings. Every kind stores a length byte, the text
// and a closing NUL in its own fixed buffer; every operation cuts silently at
// the capacity, so a string never allocates and never overflows.
//
// GString is the shared implementation that works on a buffer owned by the
// concrete kind (GString15 ... GString255), so a GString* can point at any
// kind and all operations respect that kind's capacity. The buffer is found
// by its offset inside the object, not by a pointer, so a string stays valid
// when the object holding it is copied byte for byte.

#include <cstdint>

class GFile;

class GString {
public:
    // Assignment copies the text, cut at this string's capacity.
    GString& operator=(const GString& other);
    GString(const GString&) = delete;

    // Replacing the text.
    void IStringRez(int32_t id);        // string-table text; empty for an unknown id
    void IStringText(const char* text); // NUL-terminated text; null gives empty
    void IStringNum(int32_t value);     // plain decimal

    // Appending; each stops at the capacity.
    void ConcatRez(int32_t id);
    void ConcatText(const char* text);
    void Concat(const GString* other);
    void ConcatNum(int32_t value);
    void ConcatNumDecimal(float value, int32_t decimals);
    void AddChar(char c);            // only when there is room
    void InsertSpace(int32_t count); // appends blanks; none for count <= 0

    // Keeps the first (keepStart) or the last count characters.
    void CropLength(int32_t count, bool keepStart);

    unsigned char GetLength() const { return static_cast<unsigned char>(Buffer()[0]); }
    unsigned char GetCapacity() const { return mCapacity; }
    char GetChar(int32_t index) const; // 0 outside the text
    char* GetCString() { return Buffer() + 1; }
    const char* GetCString() const { return Buffer() + 1; }
    bool IsEqualTo(const GString* other) const;
    int32_t ConvertToNumber() const; // blanks, optional '-', digits; 0 without digits

    // A length byte and the characters. The character-set conversion of
    // Write/Read is the identity on this platform.
    void Write(GFile* file) const;
    void Read(GFile* file);
    void WriteNoConversion(GFile* file) const;
    void ReadNoConversion(GFile* file);

protected:
    // buffer has room for capacity + 2 bytes: length, text, NUL.
    GString(char* buffer, unsigned char capacity);
    ~GString() = default;

private:
    char* Buffer() { return reinterpret_cast<char*>(this) + mOffset; }
    const char* Buffer() const { return reinterpret_cast<const char*>(this) + mOffset; }
    void SetLength(int32_t length);
    void AppendBytes(const char* text, int32_t count);

    uint16_t mOffset; // of the buffer from the start of this object
    unsigned char mCapacity;
};

// One concrete kind: the buffer lives inside the object.
template <int Capacity> class GStringOf : public GString {
    static_assert(Capacity >= 1 && Capacity <= 255, "capacity is a length byte");

public:
    GStringOf() : GString(mStorage, Capacity) {}
    GStringOf(const GStringOf& other) : GString(mStorage, Capacity) { GString::operator=(other); }
    GStringOf(const GString& other) : GString(mStorage, Capacity) { GString::operator=(other); }
    explicit GStringOf(const char* text) : GString(mStorage, Capacity) { IStringText(text); }
    GStringOf& operator=(const GStringOf& other) {
        GString::operator=(other);
        return *this;
    }
    GStringOf& operator=(const GString& other) {
        GString::operator=(other);
        return *this;
    }

private:
    char mStorage[Capacity + 2] = {};
};

class GString15 : public GStringOf<15> {
public:
    using GStringOf<15>::GStringOf;
    using GStringOf<15>::operator=;
};
class GString31 : public GStringOf<31> {
public:
    using GStringOf<31>::GStringOf;
    using GStringOf<31>::operator=;
};
class GString63 : public GStringOf<63> {
public:
    using GStringOf<63>::GStringOf;
    using GStringOf<63>::operator=;
};
class GString127 : public GStringOf<127> {
public:
    using GStringOf<127>::GStringOf;
    using GStringOf<127>::operator=;
};
class GString255 : public GStringOf<255> {
public:
    using GStringOf<255>::GStringOf;
    using GStringOf<255>::operator=;
};

// Conversion between the stored and the in-memory character set: both are
// Latin-1 here, so these leave the text alone.
void ConvertCharactersToPC(char* text, int32_t length);
void ConvertCharactersToMac(char* text, int32_t length);
