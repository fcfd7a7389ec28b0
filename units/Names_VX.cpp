// Leaders' names: drawing a free name from the nation's table and building
// the name text with its rank.

#include "units/Names_VX.h"

#include "engine/GOLTA.h"
#include "engine/GString.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/Unit.h"

bool gSergeantNameTaken[kNationCount][kNameFlagsPerNation] = {};

namespace {

// Draws of a name before a nation's table counts as exhausted.
constexpr int32_t kNameDraws = 5000;
constexpr int32_t kRankTexts = 5900; // + 6 * rank set + rank
constexpr int32_t kRanksPerSet = 6;

struct NameTable {
    const char* entries;
    int32_t size;
    int32_t width;
};

template <int32_t N, int32_t W> constexpr NameTable Table(const char (&t)[N][W]) {
    return {&t[0][0], N, W};
}

NameTable TableOf(Nation nation) {
    switch (nation) {
    case kNationItalian:
        return Table(gNamesItalian);
    case kNationAmerican:
        return Table(gNamesAmerican);
    case kNationBritish:
    case kNationSouthAfrican:
        return Table(gNamesBritish);
    case kNationCanadian:
        return Table(gNamesCanadian);
    case kNationAustralian:
    case kNationNewZealand:
        return Table(gNamesAustralian);
    case kNationPolish:
        return Table(gNamesPolish);
    case kNationFrench:
        return Table(gNamesFrench);
    default:
        return Table(gNamesGerman);
    }
}

// Draws indices of the row until a free one comes up (marked taken) or
// kNameDraws draws are made; gives the number of draws. *index is the last
// index drawn.
int32_t DrawFreeName(bool* row, int32_t size, int16_t* index) {
    for (int32_t i = 1; i <= kNameDraws; ++i) {
        *index = static_cast<int16_t>(RandomPick(static_cast<uint32_t>(size)));
        if (!row[*index]) {
            row[*index] = true;
            return i;
        }
    }
    return kNameDraws;
}

} // namespace

int32_t NameTableSize(Nation nation) {
    return TableOf(nation).size;
}

const char* NameTableEntry(Nation nation, int32_t index) {
    const NameTable t = TableOf(nation);
    int32_t i = index % t.size;
    if (i < 0) i += t.size;
    return t.entries + static_cast<size_t>(i) * static_cast<size_t>(t.width);
}

bool* NameFlagsRow(Nation nation) {
    return gSergeantNameTaken[nation >= 0 && nation < kNationCount ? nation : 0];
}

void Unit::AssignSergeantName() {
    const Nation n = GetNation();
    const int32_t size = NameTableSize(n);
    bool* row = NameFlagsRow(n);
    if (mNameIndex != -1) { // a custom name stays
        int16_t index = 0;
        // After the last of the draws the table counts as exhausted, even
        // when that draw found a free name: names may repeat from then on.
        if (DrawFreeName(row, size, &index) == kNameDraws) {
            for (int32_t i = 0; i < size; ++i)
                row[i] = false;
        }
        mNameIndex = index;
    }
    // A squad also draws the name its half will bear when it splits; an
    // exhausted table clears nothing here.
    auto* infantry = dynamic_cast<Infantry*>(this);
    if (infantry && gInfantryData[mSubtype].mIsSquad) {
        int16_t index = 0;
        DrawFreeName(row, size, &index);
        infantry->mSplitNameIndex = index;
    }
}

void Unit::GetSergeantName(GString* text, bool withRank) {
    if (!text) return;
    // A crew that left its vehicle goes by the vehicle's name.
    if (mUnitType == kUnitInfantry && mAbandonedVehicle && mAbandonedVehicle->mUnitType == kUnitVehicle) {
        mAbandonedVehicle->GetSergeantName(text, withRank);
        return;
    }
    if (withRank) {
        const int32_t set = gForceTypeChart[mForce].mRankNameSet;
        const int32_t rank = Rank();
        text->IStringRez(kRankTexts + kRanksPerSet * (set < 0 ? 0 : (set > 5 ? 5 : set)) +
                         (rank < 0 ? 0 : (rank > 5 ? 5 : rank)));
        text->AddChar(' ');
    } else {
        text->IStringText("");
    }
    if (mNameIndex < 0) {
        if (mCustomName) text->Concat(mCustomName);
    } else {
        text->ConcatText(NameTableEntry(GetNation(), mNameIndex));
    }
}
