#include "engine/GString.h"

#include <cstring>

#include "engine/GStringTable.h"

GString::GString(char* buffer, unsigned char capacity)
    : mOffset(static_cast<uint16_t>(buffer - reinterpret_cast<char*>(this))), mCapacity(capacity) {
    buffer[0] = 0;
    buffer[1] = 0;
}

GString& GString::operator=(const GString& other) {
    if (this == &other) return *this;
    int32_t n = other.GetLength();
    if (n > mCapacity) n = mCapacity;
    std::memmove(Buffer() + 1, other.Buffer() + 1, static_cast<size_t>(n));
    SetLength(n);
    return *this;
}

void GString::SetLength(int32_t length) {
    Buffer()[0] = static_cast<char>(static_cast<unsigned char>(length));
    Buffer()[1 + length] = 0;
}

void GString::AppendBytes(const char* text, int32_t count) {
    int32_t length = GetLength();
    int32_t room = mCapacity - length;
    if (count > room) count = room;
    if (count <= 0) return;
    std::memmove(Buffer() + 1 + length, text, static_cast<size_t>(count));
    SetLength(length + count);
}

void GString::IStringRez(int32_t id) {
    SetLength(0);
    ConcatRez(id);
}

void GString::IStringText(const char* text) {
    SetLength(0);
    ConcatText(text);
}

void GString::IStringNum(int32_t value) {
    SetLength(0);
    ConcatNum(value);
}

void GString::ConcatRez(int32_t id) {
    ConcatText(GetStringRez(id));
}

void GString::ConcatText(const char* text) {
    if (text == nullptr) return;
    // Measure no further than the room left: the source may be long.
    int32_t room = mCapacity - GetLength();
    int32_t n = 0;
    while (n < room && text[n] != 0)
        ++n;
    AppendBytes(text, n);
}

void GString::Concat(const GString* other) {
    if (other == nullptr) return;
    AppendBytes(other->Buffer() + 1, other->GetLength());
}

void GString::ConcatNum(int32_t value) {
    char digits[12];
    int n = 0;
    // Work in 64 bits so that the most negative value has a magnitude.
    int64_t v = value;
    bool negative = v < 0;
    if (negative) v = -v;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    if (negative) AddChar('-');
    while (n > 0)
        AddChar(digits[--n]);
}

void GString::ConcatNumDecimal(float value, int32_t decimals) {
    if (decimals < 0) decimals = 0;
    if (decimals > 9) decimals = 9;
    double magnitude = value < 0.0f ? -static_cast<double>(value) : static_cast<double>(value);
    if (!(magnitude == magnitude)) magnitude = 0.0; // NaN prints as 0
    // The small bias keeps values such as 0.3 (stored as 0.29999...) from
    // losing their last digit to the truncation.
    magnitude += 0.00001;
    double scale = 1.0;
    for (int32_t i = 0; i < decimals; ++i)
        scale *= 10.0;
    double scaled = magnitude * scale;
    const double kLimit = 9.0e18;
    if (scaled > kLimit) scaled = kLimit;
    uint64_t units = static_cast<uint64_t>(scaled);
    uint64_t divisor = static_cast<uint64_t>(scale);
    uint64_t whole = units / divisor;
    uint64_t fraction = units % divisor;

    char text[40];
    int n = 0;
    if (value < 0.0f && units != 0) text[n++] = '-';
    char rev[24];
    int r = 0;
    do {
        rev[r++] = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    while (r > 0)
        text[n++] = rev[--r];
    if (decimals > 0) {
        text[n++] = '.';
        for (int32_t i = decimals - 1; i >= 0; --i) {
            text[n + i] = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        n += decimals;
    }
    AppendBytes(text, n);
}

void GString::AddChar(char c) {
    int32_t length = GetLength();
    if (length >= mCapacity) return;
    Buffer()[1 + length] = c;
    SetLength(length + 1);
}

void GString::InsertSpace(int32_t count) {
    int32_t length = GetLength();
    int32_t room = mCapacity - length;
    if (count > room) count = room;
    if (count <= 0) return;
    std::memset(Buffer() + 1 + length, ' ', static_cast<size_t>(count));
    SetLength(length + count);
}

void GString::CropLength(int32_t count, bool keepStart) {
    int32_t length = GetLength();
    if (count < 0) count = 0;
    if (count >= length) return;
    if (!keepStart) std::memmove(Buffer() + 1, Buffer() + 1 + (length - count), static_cast<size_t>(count));
    SetLength(count);
}

char GString::GetChar(int32_t index) const {
    if (index < 0 || index >= GetLength()) return 0;
    return Buffer()[1 + index];
}

bool GString::IsEqualTo(const GString* other) const {
    if (other == nullptr) return false;
    int32_t length = GetLength();
    return length == other->GetLength() &&
           std::memcmp(Buffer() + 1, other->Buffer() + 1, static_cast<size_t>(length)) == 0;
}

int32_t GString::ConvertToNumber() const {
    const char* p = GetCString();
    while (*p == ' ')
        ++p;
    bool negative = false;
    if (*p == '-') {
        negative = true;
        ++p;
    }
    // Unsigned arithmetic: an over-long number wraps instead of overflowing.
    uint32_t value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10u + static_cast<uint32_t>(*p - '0');
        ++p;
    }
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
}

void ConvertCharactersToPC(char* text, int32_t length) {}

void ConvertCharactersToMac(char* text, int32_t length) {}
