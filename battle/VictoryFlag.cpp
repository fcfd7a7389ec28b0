#include "battle/VictoryFlag.h"

#include "engine/GFile.h"
#include "engine/GOLTA.h"

VictoryFlag::VictoryFlag() {
    mX = static_cast<float>(50.0 + 100.0 * RandomFraction());
    mY = static_cast<float>(50.0 + 100.0 * RandomFraction());
}

void VictoryFlag::Write(GFile* file) {
    file->WriteFloat(mX);
    file->WriteFloat(mY);
    file->WriteChar(static_cast<int8_t>(mKind));
    file->WriteChar(mNeutral ? 1 : 0);
    file->WriteChar(static_cast<int8_t>(mHolderNation));
    file->WriteChar(mCandidate ? 1 : 0);
    file->WriteChar(mReal ? 1 : 0);
}

void VictoryFlag::Read(GFile* file) {
    mX = file->ReadFloat();
    mY = file->ReadFloat();
    mKind = file->ReadChar();
    mNeutral = file->ReadChar() != 0;
    mHolderNation = file->ReadChar();
    mCandidate = file->ReadChar() != 0;
    mReal = file->ReadChar() != 0;
}
