#include "map/BuildingWallCrater.h"

#include <algorithm>
#include <cmath>

#include "engine/GFile.h"
#include "engine/GParallel.h"
#include "map/Map.h"
#include "map/TerrainTable.h"

namespace {

bool Finite(float v) { return std::isfinite(v); }

// Objects may stand a little beyond the map's edge (a wall along it, a
// crater's rim), never far off it.
constexpr float kEdgeSlack = 100.0f;

bool NearMap(float x, float y, float w, float h)
{
    return Finite(x) && Finite(y) && x >= -kEdgeSlack && y >= -kEdgeSlack && x <= w + kEdgeSlack &&
           y <= h + kEdgeSlack;
}

} // namespace

// ---------------------------------------------------------------- Building

void Building::IBuilding(int32_t column, int32_t row, Terrain type, const float cornerX[4], const float cornerY[4])
{
    mColumn = column;
    mRow = row;
    mType = type;
    for (int i = 0; i < 4; ++i) {
        mCornerX[i] = cornerX[i];
        mCornerY[i] = cornerY[i];
    }
    mUpperFloor = (type == kTerrainUpperLight || type == kTerrainUpperHeavy) ? 1 : 0;
}

float Building::DamageFraction() const
{
    if (!(mDamage > 0.0f)) return 0.0f;
    return mDamage < 1.0f ? mDamage : 1.0f;
}

bool Building::Contains(float x, float y) const
{
    // Crossing-number test over the four corners, so any simple quadrilateral
    // in either winding works.
    bool inside = false;
    for (int i = 0, j = 3; i < 4; j = i++) {
        float yi = mCornerY[i], yj = mCornerY[j];
        if ((yi > y) != (yj > y)) {
            float xc = mCornerX[j] + (y - yj) * (mCornerX[i] - mCornerX[j]) / (yi - yj);
            if (x < xc) inside = !inside;
        }
    }
    return inside;
}

void Building::GetCenter(float* x, float* y) const
{
    *x = (mCornerX[0] + mCornerX[1] + mCornerX[2] + mCornerX[3]) * 0.25f;
    *y = (mCornerY[0] + mCornerY[1] + mCornerY[2] + mCornerY[3]) * 0.25f;
}

void Building::GravitateXYToCenter(float* x, float* y) const
{
    float cx, cy;
    GetCenter(&cx, &cy);
    *x = (*x + cx) * 0.5f;
    *y = (*y + cy) * 0.5f;
}

void Building::UpdatePacket()
{
    if (!mDirty || !mMap || !mMap->GetBattleLink()) return;
    MapBattleLink* link = mMap->GetBattleLink();
    if (!link->IsComputing()) return;
    float cx, cy;
    GetCenter(&cx, &cy);
    link->RecordBuildingState(link->GetSlice() + 1, cx, cy, mDamage, mStateFlag != 0);
    mDirty = 0;
}

void Building::Write(GFile* file)
{
    file->WriteLong(mColumn);
    file->WriteLong(mRow);
    file->WriteLong(mType);
    for (int i = 0; i < 4; ++i) {
        file->WriteFloat(mCornerX[i]);
        file->WriteFloat(mCornerY[i]);
    }
    file->WriteFloat(mDamage);
    file->WriteChar(static_cast<int8_t>((mRuined ? 1 : 0) | (mStateFlag ? 2 : 0) | (mUpperFloor ? 4 : 0)));
}

void Building::Read(GFile* file)
{
    mColumn = file->ReadLong();
    mRow = file->ReadLong();
    mType = file->ReadLong();
    for (int i = 0; i < 4; ++i) {
        mCornerX[i] = file->ReadFloat();
        mCornerY[i] = file->ReadFloat();
    }
    mDamage = file->ReadFloat();
    int8_t flags = file->ReadChar();
    mRuined = (flags & 1) ? 1 : 0;
    mStateFlag = (flags & 2) ? 1 : 0;
    mUpperFloor = (flags & 4) ? 1 : 0;
}

bool Building::IsValid(int32_t cols, int32_t rows) const
{
    if (mColumn < 0 || mColumn >= cols || mRow < 0 || mRow >= rows) return false;
    if (mType < kTerrainLightBuilding || mType > kTerrainUpperHeavyClosed) return false;
    for (int i = 0; i < 4; ++i) {
        if (!NearMap(mCornerX[i], mCornerY[i], cols * 20.0f, rows * 20.0f)) return false;
    }
    return Finite(mDamage) && mDamage >= 0.0f;
}

bool Building::SameAs(const Building& o) const
{
    for (int i = 0; i < 4; ++i) {
        if (mCornerX[i] != o.mCornerX[i] || mCornerY[i] != o.mCornerY[i]) return false;
    }
    return mColumn == o.mColumn && mRow == o.mRow && mType == o.mType && mDamage == o.mDamage &&
           mRuined == o.mRuined && mStateFlag == o.mStateFlag && mUpperFloor == o.mUpperFloor;
}

// ---------------------------------------------------------------- Wall

void Wall::IWall(Terrain type, float x0, float y0, float x1, float y1, float height)
{
    mType = type;
    mX0 = x0;
    mY0 = y0;
    mX1 = x1;
    mY1 = y1;
    mHeight = height;
}

void Wall::Write(GFile* file)
{
    file->WriteLong(mType);
    file->WriteFloat(mX0);
    file->WriteFloat(mY0);
    file->WriteFloat(mX1);
    file->WriteFloat(mY1);
    file->WriteFloat(mHeight);
}

void Wall::Read(GFile* file)
{
    mType = file->ReadLong();
    mX0 = file->ReadFloat();
    mY0 = file->ReadFloat();
    mX1 = file->ReadFloat();
    mY1 = file->ReadFloat();
    mHeight = file->ReadFloat();
}

bool Wall::IsValid(float w, float h) const
{
    if (!TerrainHas(mType, kTFWall)) return false;  // 16 and 41..44 only
    return NearMap(mX0, mY0, w, h) && NearMap(mX1, mY1, w, h) && Finite(mHeight) && mHeight >= 0.0f &&
           mHeight <= 50.0f;
}

bool Wall::SameAs(const Wall& o) const
{
    return mType == o.mType && mX0 == o.mX0 && mY0 == o.mY0 && mX1 == o.mX1 && mY1 == o.mY1 &&
           mHeight == o.mHeight;
}

// ---------------------------------------------------------------- Crater

void Crater::ICrater(float x, float y, float radius, float depth, float shade, int32_t kind, Affiliation side)
{
    mX = x;
    mY = y;
    mRadius = radius;
    mDepth = depth;
    mShade = shade;
    mKind = kind;
    mFoxhole = kind >= kCraterKindFoxhole ? 1 : 0;
    mSide = side;
    mSpotted = 0;
    mLevel = mFoxhole ? kDugFoxholeLevel : 0;
}

void Crater::MakeSpotPacket()
{
    mSpotted = 1;
    MapBattleLink* link = mMap ? mMap->GetBattleLink() : nullptr;
    if (link) link->RecordFoxholeSpotted(link->GetSlice(), mX, mY);
}

void Crater::BeSpotted()
{
    if (!mFoxhole || mSpotted || mSide > 1) return;
    MapBattleLink* link = mMap ? mMap->GetBattleLink() : nullptr;
    if (link && link->LivingUnitNear(mX, mY, 1 - mSide, kFoxholeSpotRange)) MakeSpotPacket();
}

bool Crater::Covers(float x, float y) const
{
    return std::fabs(mX - x) <= mRadius && std::fabs(mY - y) <= mRadius;
}

void Crater::Write(GFile* file)
{
    file->WriteFloat(mX);
    file->WriteFloat(mY);
    file->WriteFloat(mRadius);
    file->WriteFloat(mDepth);
    file->WriteFloat(mShade);
    file->WriteLong(mKind);
    file->WriteChar(static_cast<int8_t>(mSide));
    file->WriteChar(mSpotted);
    file->WriteLong(mLevel);
}

void Crater::Read(GFile* file)
{
    mX = file->ReadFloat();
    mY = file->ReadFloat();
    mRadius = file->ReadFloat();
    mDepth = file->ReadFloat();
    mShade = file->ReadFloat();
    mKind = file->ReadLong();
    mFoxhole = mKind >= kCraterKindFoxhole ? 1 : 0;
    mSide = file->ReadChar();
    mSpotted = file->ReadChar() ? 1 : 0;
    mLevel = file->ReadLong();
    // Files written before foxholes kept their level hold 0: dug ones.
    if (mFoxhole && mLevel == 0) mLevel = kDugFoxholeLevel;
}

bool Crater::IsValid(float w, float h) const
{
    return NearMap(mX, mY, w, h) && Finite(mRadius) && mRadius >= 0.0f && mRadius <= 100.0f && Finite(mDepth) &&
           Finite(mShade) && mKind >= 0 && mKind <= 100 && mSide >= 0 && mSide <= 2;
}

bool Crater::SameAs(const Crater& o) const
{
    return mX == o.mX && mY == o.mY && mRadius == o.mRadius && mDepth == o.mDepth && mShade == o.mShade &&
           mKind == o.mKind && mFoxhole == o.mFoxhole && mSpotted == o.mSpotted && mSide == o.mSide &&
           mLevel == o.mLevel;
}

// ---------------------------------------------------------------- CraterGroup

void CraterGroup::ICraterGroup(Map* map)
{
    IList();
    mMap = map;
}



Crater* CraterGroup::FindCrater(float x, float y)
{
    Crater* found = nullptr;
    const bool hideOthers = gPlayerView && mMap;
    ++mLocked;  // no member may be removed while the storage is searched
    for (GObject* member : mMembers) {
        Crater* crater = static_cast<Crater*>(member);
        if (hideOthers && crater->HiddenFrom(mMap->ViewingSide())) continue;
        if (crater->Covers(x, y)) {
            found = crater;
            break;
        }
    }
    --mLocked;
    if (found && mMap) mMap->mLastCraterWasFoxhole = found->IsFoxhole();
    return found;
}

bool CraterGroup::SquareListsCurrent() const
{
    return mMap && mListedWidth == mMap->mWidth && mListedHeight == mMap->mHeight &&
           mListedChanges == GetChangeCount() && !mSquareStart.empty();
}

void CraterGroup::PrepareSquareLists() const
{
    if (!mMap || SquareListsCurrent()) return;
    const int32_t width = mMap->mWidth, height = mMap->mHeight;
    mListedWidth = width;
    mListedHeight = height;
    mListedChanges = GetChangeCount();
    mEverywhere.clear();
    mSquareHoles.clear();
    mSquareStart.assign(static_cast<size_t>(std::max(0, width * height)) + 1, 0);
    // The squares (20 m) from lo to hi, clamped to the map; false when none.
    auto span = [](float lo, float hi, int32_t count, int32_t* first, int32_t* last) {
        const float a = lo * 0.05f, b = hi * 0.05f;
        if (!(b >= 0.0f) || !(a < static_cast<float>(count)) || !(a <= b)) return false;
        *first = a <= 0.0f ? 0 : static_cast<int32_t>(a);
        *last = b >= static_cast<float>(count - 1) ? count - 1 : static_cast<int32_t>(b);
        return *first <= *last;
    };
    // Two passes over the foxholes: the count per square, then the lists.
    constexpr float kLarge = 1e6f;
    for (int pass = 0; pass < 2; ++pass) {
        for (GObject* member : mMembers) {
            const Crater* c = static_cast<const Crater*>(member);
            if (!c->IsFoxhole()) continue;
            if (!(std::fabs(c->mX) < kLarge && std::fabs(c->mY) < kLarge && std::fabs(c->mRadius) < kLarge)) {
                if (pass == 0) mEverywhere.push_back(c);
                continue;
            }
            const float r = std::fabs(c->mRadius) + 1.0f;
            int32_t c0, c1, r0, r1;
            if (!span(c->mX - r, c->mX + r, width, &c0, &c1) || !span(c->mY - r, c->mY + r, height, &r0, &r1))
                continue;
            for (int32_t col = c0; col <= c1; ++col)
                for (int32_t row = r0; row <= r1; ++row) {
                    const size_t sq = static_cast<size_t>(col) * height + row;
                    if (pass == 0)
                        ++mSquareStart[sq + 1];
                    else
                        mSquareHoles[static_cast<size_t>(mSquareStart[sq]++)] = c;
                }
        }
        if (pass == 0) {
            for (size_t k = 1; k < mSquareStart.size(); ++k) mSquareStart[k] += mSquareStart[k - 1];
            mSquareHoles.assign(static_cast<size_t>(mSquareStart.back()), nullptr);
        } else {
            // Each start moved on to the next square's: shift them back.
            for (size_t k = mSquareStart.size() - 1; k > 0; --k) mSquareStart[k] = mSquareStart[k - 1];
            mSquareStart[0] = 0;
        }
    }
}

bool CraterGroup::HasFoxholeAt(float x, float y) const
{
    // Dug-in units make foxholes by the hundred, and every unit's terrain
    // asks: a point on the map looks at its square's list, the foxholes
    // that can reach it, with the same question as below.
    if (mMap && x >= 0.0f && y >= 0.0f && x < mMap->mWidthMetres && y < mMap->mHeightMetres) {
        if (!SquareListsCurrent() && !InsideParallelWork()) PrepareSquareLists();
        if (SquareListsCurrent()) {
            const int32_t col = static_cast<int32_t>(x * 0.05f), row = static_cast<int32_t>(y * 0.05f);
            if (col >= 0 && row >= 0 && col < mListedWidth && row < mListedHeight) {
                for (const Crater* c : mEverywhere)
                    if (c->Covers(x, y)) return true;
                const size_t sq = static_cast<size_t>(col) * mListedHeight + row;
                for (int32_t k = mSquareStart[sq]; k < mSquareStart[sq + 1]; ++k)
                    if (mSquareHoles[static_cast<size_t>(k)]->Covers(x, y)) return true;
                return false;
            }
        }
    }
    for (GObject* member : mMembers) {
        const Crater* crater = static_cast<const Crater*>(member);
        if (crater->IsFoxhole() && crater->Covers(x, y)) return true;
    }
    return false;
}
