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
    mName.Write(file);  // a length byte and the characters
}

void Landmark::Read(GFile* file)
{
    mColumn = file->ReadLong();
    mRow = file->ReadLong();
    mName.Read(file);
}
