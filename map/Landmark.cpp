#include "map/Landmark.h"

#include "engine/GFile.h"

void Landmark::ILandmark(int32_t column, int32_t row, const GString* name)
{
    mColumn = column;
    mRow = row;
    if (name) {
        mName = *name;
    } else {
        mName.IStringText("");
    }
}

void Landmark::Write(GFile* file)
{
    file->WriteLong(mColumn);
    file->WriteLong(mRow);
    // The name as every string is stored: a length byte and the characters.
    file->WriteChar(static_cast<int8_t>(mName.GetLength()));
    file->WriteBytes(mName.GetCString(), mName.GetLength());
}

void Landmark::Read(GFile* file)
{
    mColumn = file->ReadLong();
    mRow = file->ReadLong();
    char text[256] = {};
    int32_t length = static_cast<uint8_t>(file->ReadChar());
    file->ReadBytes(text, length);
    mName.IStringText(text);
}
