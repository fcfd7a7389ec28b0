// Reading and writing strings: a length byte, then the characters.
#include <cstring>

#include "engine/GFile.h"
#include "engine/GString.h"

void GString::Write(GFile* file) const {
    // The stored character set is the in-memory one here, so no copy is
    // converted before writing.
    WriteNoConversion(file);
}

void GString::Read(GFile* file) {
    ReadNoConversion(file);
    ConvertCharactersToMac(GetCString(), GetLength());
}

void GString::WriteNoConversion(GFile* file) const {
    if (file == nullptr) return;
    file->WriteChar(static_cast<int8_t>(GetLength()));
    file->WriteBytes(GetCString(), GetLength());
}

void GString::ReadNoConversion(GFile* file) {
    if (file == nullptr) return;
    // The whole stored text is consumed even when this kind holds less, so
    // the file stays in step; the text is cut at the capacity.
    int32_t stored = static_cast<unsigned char>(file->ReadChar());
    char text[256];
    file->ReadBytes(text, stored);
    text[stored] = 0;
    SetLength(0);
    AppendBytes(text, stored);
}
