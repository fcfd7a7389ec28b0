#pragma once
// Infantry fighting on a small map built in code: units placed in the
// battle's list, slices driven by the test, and the attacks that fall due
// handed to their targets' TakeAreaHit by the test itself.

#include <vector>

#include "battle/PendingAttack.h"
#include "battle/UnitList.h"
#include "infantry_fixture.h"
#include "units/InfantryConduct.h"

class InfantryFight : public InfantryTest {
protected:
    InfantryFight() {
        mBattle.mBattle.mEdgeOwner[kDirWest] = kAxis; // Germans retreat west
        mBattle.mBattle.mEdgeOwner[kDirEast] = kAllies;
        mBattle.mBattle.mEdgeOwner[kDirNorth] = 2;
        mBattle.mBattle.mEdgeOwner[kDirSouth] = 2;
        mPaces[kStand].mFireLevel = 1;
        mPaces[kMove].mFireLevel = 1;
        mPaces[kFast].mFireLevel = 2;
        mPaces[kPaceRotate].mFireLevel = 1;
        for (int32_t p = 0; p < 32; ++p) {
            mPaces[p].mSuppressionFactor = 1.0f;
            mPaces[p].mExposureClass = 1;
            mPaces[p].mFatigueCeiling = 99;
            mPaces[p].mTiredSpeed = p;
            mPaces[p].mSurrenderedSpeed = p;
            mPaces[p].mSightFactor = 1.0f;
            mPaces[p].mHearingFactor = 1.0f;
            mPaces[p].mConcealClass = 2;
        }
    }
    // A unit of the type at (x, y), owned by the battle's list.
    Infantry* Place(InfantryType type, Force force, float x, float y) {
        Infantry* u = Make(type, force).release();
        u->mX = x;
        u->mY = y;
        u->mHeading = 0.0f;
        mBattle.mBattle.mUnits->Add(u);
        return u;
    }
    // Lays terrain t over the rectangle [x0, x1) x [y0, y1), in metres.
    void Paint(float x0, float y0, float x1, float y1, Terrain t) { mBattle.Paint(x0, y0, x1, y1, t); }

    // Hands every attack due by the current slice to its target's
    // TakeAreaHit, as the battle's resolution will; returns how many.
    int32_t DeliverDueAttacks() {
        int32_t n = 0;
        GList* lists[2] = {&mBattle.mBattle.mNewAttacks, &mBattle.mBattle.mPendingAttacks};
        for (GList* list : lists) {
            for (int32_t i = list->GetCount() - 1; i >= 0; --i) {
                auto* a = static_cast<PendingAttack*>(list->GetObjectA(i));
                if (a->mLandingSlice > mBattle.mSlice) continue;
                if (a->mTarget && a->mTarget->mActive) {
                    int32_t shift = 0;
                    float power = a->GetFirepower(false, &shift);
                    // Bullets whose firepower the test data leave at 0 strike
                    // with a squad's volley.
                    if (power == 0.0f && a->mWeaponClass == kWClassSmallArms) power = mVolleyPower;
                    a->mTarget->TakeAreaHit(power, shift, a);
                    ++n;
                }
                list->DeleteIndex(i, true);
            }
        }
        return n;
    }
    float mVolleyPower = 40.0f;
    int32_t AttackCount() {
        return mBattle.mBattle.mNewAttacks.GetCount() + mBattle.mBattle.mPendingAttacks.GetCount();
    }
    // Runs slices through every unit's conduct, delivering attacks as they
    // fall due.
    void Fight(int32_t slices) {
        for (int32_t s = 0; s < slices; ++s) {
            mBattle.RunSlices(1);
            DeliverDueAttacks();
        }
    }
};
