// Reading and writing groups: a flag byte, a count and the members.
#include "engine/GFile.h"
#include "engine/GGroup.h"

void GGroup::Write(GFile* file) {
    if (file == nullptr) return;
    // 1 when the group owns its members; Read is the exact inverse.
    file->WriteChar(mPreserve ? 0 : 1);
    int32_t count = 0;
    for (GObject* member : mMembers)
        if (member != nullptr) ++count;
    file->WriteLong(count);
    for (GObject* member : mMembers)
        if (member != nullptr) member->Write(file);
}

void GGroup::Read(GFile* file) {
    if (file == nullptr) return;
    // Only the flag byte: the caller knows the members' kinds and reads the
    // count and the members itself.
    mPreserve = file->ReadChar() == 0 ? 1 : 0;
}
