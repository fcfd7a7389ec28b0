#include "units/DataText.h"

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <type_traits>
#include <vector>

namespace {

// ------------------------------------------------------------ field layout
enum class Kind : uint8_t { I8, U8, I16, I32, U32, F32, Text };

struct Member {
    Kind kind;
    uint32_t offset; // within one element
};

struct Field {
    const char* name;
    uint32_t offset;
    uint32_t count;  // elements
    uint32_t stride; // bytes per element
    uint32_t textSize;
    std::vector<Member> members;
};

template <class E> constexpr Kind KindOf() {
    if constexpr (std::is_same_v<E, char> || std::is_same_v<E, signed char>)
        return Kind::I8;
    else if constexpr (std::is_same_v<E, unsigned char>)
        return Kind::U8;
    else if constexpr (std::is_same_v<E, int16_t>)
        return Kind::I16;
    else if constexpr (std::is_same_v<E, int32_t>)
        return Kind::I32;
    else if constexpr (std::is_same_v<E, uint32_t>)
        return Kind::U32;
    else {
        static_assert(std::is_same_v<E, float>, "field type without a text form");
        return Kind::F32;
    }
}

// A plain field or array of numbers.
template <class A> Field Numbers(const char* name, size_t offset) {
    using E = std::remove_all_extents_t<A>;
    return Field{name, uint32_t(offset),        uint32_t(sizeof(A) / sizeof(E)), uint32_t(sizeof(E)),
                 0,    {Member{KindOf<E>(), 0}}};
}

// A name held as text of fixed size.
template <class A> Field TextField(const char* name, size_t offset) {
    return Field{
        name, uint32_t(offset), 1, uint32_t(sizeof(A)), uint32_t(sizeof(A)), {Member{Kind::Text, 0}}};
}

// An array of small structs, each element written a/b/c.
template <class A> Field Elements(const char* name, size_t offset, std::vector<Member> members) {
    using E = std::remove_all_extents_t<A>;
    return Field{name, uint32_t(offset),  uint32_t(sizeof(A) / sizeof(E)), uint32_t(sizeof(E)),
                 0,    std::move(members)};
}

#define NUM(T, f) Numbers<decltype(T::f)>(#f, offsetof(T, f))
#define TEXT(T, f) TextField<decltype(T::f)>(#f, offsetof(T, f))
#define ELEMS(T, f, ...) Elements<decltype(T::f)>(#f, offsetof(T, f), {__VA_ARGS__})
#define MEMBER(E, m)                                                                                         \
    Member {                                                                                                 \
        KindOf<decltype(E::m)>(), uint32_t(offsetof(E, m))                                                   \
    }

std::vector<Field> FieldsOf(GameTable t) {
    switch (t) {
    case kTableVehicleClass: {
        using T = VehicleClassChart;
        return {NUM(T, mNameString), NUM(T, mDrawingClass), NUM(T, mGeneralType)};
    }
    case kTableForceType: {
        using T = ForceTypeChart;
        return {TEXT(T, mName), NUM(T, mUniformRecord), NUM(T, mNation), NUM(T, mRankNameSet), NUM(T, mSkis)};
    }
    case kTableMovementSpeed: {
        using T = MovementSpeedChart;
        return {NUM(T, mExposureClass),    NUM(T, mSuppressionFactor), NUM(T, mSeeksCover),
                NUM(T, mLowProfile),       NUM(T, mFatigueRate),       NUM(T, mFatigueLimit),
                NUM(T, mFatigueCeiling),   NUM(T, mTiredSpeed),        NUM(T, mPaceKind),
                NUM(T, mFireLevel),        NUM(T, mConcealClass),      NUM(T, mHearingFactor),
                NUM(T, mSightFactor),      NUM(T, mEyesFront),         NUM(T, mKeepsOnReplace),
                NUM(T, mSkisAllowed),      NUM(T, mAnimation),         NUM(T, mPoseCode),
                NUM(T, mFiringPose),       NUM(T, mVoiceChance),       NUM(T, mOrderCode),
                NUM(T, mSurrenderedSpeed), NUM(T, mMixable),           NUM(T, mMultiWaypoint),
                NUM(T, mChangeable),       NUM(T, mDelayFactor),       NUM(T, mVoiceType),
                NUM(T, mOrderTextId),      NUM(T, mMoveNoise),         NUM(T, mCrewSightFactor),
                NUM(T, mExposureFigure)};
    }
    case kTableVehicle: {
        using T = VehicleData;
        return {TEXT(T, mName),
                TEXT(T, mShortName),
                NUM(T, mWeight),
                NUM(T, mCrew),
                NUM(T, mLookAlikeType),
                NUM(T, mClass),
                NUM(T, mVoiceClass),
                NUM(T, mMainWeapon),
                NUM(T, mAmmoProfile),
                NUM(T, mMaxRounds),
                NUM(T, mGunReach),
                NUM(T, mOrdnanceValueFlag),
                NUM(T, mTurretKind),
                NUM(T, mGunArc),
                NUM(T, mGunArcClockwise),
                NUM(T, mBowMG),
                NUM(T, mBowMGCount),
                NUM(T, mCoaxMG),
                NUM(T, mCoaxMGCount),
                NUM(T, mCoaxIndependent),
                NUM(T, mFreeMG),
                NUM(T, mFreeMGCount),
                NUM(T, mFreeMGButtoned),
                NUM(T, mMGRounds),
                NUM(T, mFlameFuel),
                NUM(T, mTopSpeed),
                NUM(T, mMobilityClass),
                NUM(T, mPowerFigure),
                NUM(T, mTrackFigure),
                NUM(T, mGroundPressure),
                NUM(T, mHasTurretArmor),
                NUM(T, mArmorQuality),
                ELEMS(T, mArmorPlates, MEMBER(ArmorPlate, mThickness), MEMBER(ArmorPlate, mSlope)),
                NUM(T, mTopArmor),
                NUM(T, mHasHardness),
                NUM(T, mPlateHardness),
                NUM(T, mAddedPlates),
                NUM(T, mSkirtKind),
                NUM(T, mCurvedPlateChance),
                NUM(T, mShockResistance),
                NUM(T, mTurretShape),
                NUM(T, mCupola),
                NUM(T, mGunCount),
                NUM(T, mGoodVision),
                NUM(T, mLongRange),
                NUM(T, mRidersHidden),
                NUM(T, mOptics),
                NUM(T, mSpecialEquipment),
                NUM(T, mExtraValue),
                NUM(T, mExtraValueSteps),
                NUM(T, mExtraStepsOfFive),
                NUM(T, mTransportClass),
                NUM(T, mPassengerSlots),
                NUM(T, mHullFigure),
                NUM(T, mVehicleFlags),
                NUM(T, mSmokeEquipment),
                NUM(T, mTypeDate),
                NUM(T, mVehicleModel),
                NUM(T, mCommandFlag),
                NUM(T, mRarityCodes),
                NUM(T, mRarityRows),
                NUM(T, mRarityIndex)};
    }
    case kTableInfantry: {
        using T = InfantryData;
        return {
            TEXT(T, mName),          TEXT(T, mShortName),     NUM(T, mIsSquad),     NUM(T, mUsesDemoCharge),
            NUM(T, mLeaderRank),     NUM(T, mNrMen),          NUM(T, mHeavyWeapon), NUM(T, mNrTeams),
            NUM(T, mTeamsCanRefill), NUM(T, mTeamSmallArms),  NUM(T, mTeamMen),     NUM(T, mTeamAnimGroup),
            NUM(T, mVolleys),        NUM(T, mBaseLoadTime),   NUM(T, mMaxAmmo),     NUM(T, mSpeedClass),
            NUM(T, mMobility),       NUM(T, mDataDate),       NUM(T, mFlags),       NUM(T, mLoadingWeight),
            NUM(T, mPlatoonMember),  NUM(T, mHEATReference),  NUM(T, mSupply),      NUM(T, mAmmoProfile),
            NUM(T, mNrWeaponSlots),  NUM(T, mTransportClass), NUM(T, mNrTubes),     NUM(T, mRarityIndex),
                NUM(T, mRarityCodes)};
    }
    case kTableWeapon: {
        using T = WeaponData;
        return {NUM(T, mClass),
                NUM(T, mCalibre),
                NUM(T, mBarrelLength),
                ELEMS(T, mAmmo, MEMBER(WeaponAmmo, mType), MEMBER(WeaponAmmo, mVelocity)),
                NUM(T, mNrTubes),
                NUM(T, mVPGrade),
                ELEMS(T, mLoadMix, MEMBER(LoadMix, mAP), MEMBER(LoadMix, mHEAT), MEMBER(LoadMix, mSmoke),
                      MEMBER(LoadMix, mTungsten), MEMBER(LoadMix, mCanister)),
                NUM(T, mArtilleryMode),
                NUM(T, mArtillerySize),
                NUM(T, mFlags),
                NUM(T, mMinRange),
                NUM(T, mMaxRange),
                NUM(T, mFireSound),
                NUM(T, mOrdnanceModel),
                NUM(T, mModelScale),
                NUM(T, mMarkingTexture),
                NUM(T, mATRModel),
                NUM(T, mKillMultiplier),
                NUM(T, mAntiAircraft),
                NUM(T, mPenetrationParameter),
                NUM(T, mCommandLevel),
                NUM(T, mCarriage)};
    }
    case kTableSmallArms: {
        using T = SmallArmsData;
        return {TEXT(T, mName),          NUM(T, mSubstituteAgain), NUM(T, mSoundWeight),
                NUM(T, mFirepower),      NUM(T, mMaxRange),        NUM(T, mAutoClass),
                NUM(T, mSoundClass),     NUM(T, mAntiAircraft),    NUM(T, mMGClass),
                NUM(T, mWeaponKind),     NUM(T, mNrTextures),      NUM(T, mTextures),
                NUM(T, mMarkingTexture), NUM(T, mPictureIndex)};
    }
    case kTableVehicleModel: {
        using T = VehicleModelData;
        using P = CrewPosition;
        return {NUM(T, mEngineSound),
                NUM(T, mOpeningHatches),
                NUM(T, mNrCrewPositions),
                NUM(T, mCrewPose),
                ELEMS(T, mCrewPositions, MEMBER(P, mX), MEMBER(P, mY), MEMBER(P, mZ), MEMBER(P, mHeading),
                      MEMBER(P, mPivotX), MEMBER(P, mPivotY)),
                NUM(T, mSize),
                NUM(T, mShadingClass),
                NUM(T, mTextureSet)};
    }
    case kTableOrdnanceModel: {
        using T = OrdnanceModelData;
        return {NUM(T, mCrewX), NUM(T, mCrewY), NUM(T, mCrewHeight), NUM(T, mTextures)};
    }
    case kTableTOE:
        return {NUM(TOEData, mReserved)};
    case kTableAirplane:
        return {NUM(AirplaneData, mRarityIndex)};
    case kTableUniform: {
        using T = UniformGraphics;
        return {NUM(T, mUniform), NUM(T, mVariantDates), NUM(T, mTextureNumbers)};
    }
    case kTableAmmo: {
        using T = AmmoData;
        return {NUM(T, mClass),    NUM(T, mProjectileKind), NUM(T, mFirstDate),
                NUM(T, mLastDate), NUM(T, mWeight),         NUM(T, mCap),
                NUM(T, mDrag),     NUM(T, mSpecial)};
    }
    case kTableATRModel: {
        using T = ATRModelData;
        return {NUM(T, mLength), NUM(T, mHeight), NUM(T, mTextures)};
    }
    default:
        return {};
    }
}

#undef NUM
#undef TEXT
#undef ELEMS
#undef MEMBER

// ------------------------------------------------------------ values
// Converts UTF-8 text to the program's Latin-1; false for other characters.
bool ToLatin1(const std::string& in, std::string* out) {
    out->clear();
    for (size_t i = 0; i < in.size(); ++i) {
        const unsigned char c = in[i];
        if (c < 0x80) {
            out->push_back(char(c));
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < in.size()) {
            const unsigned char d = in[++i];
            if ((d & 0xC0) != 0x80) return false;
            out->push_back(char(((c & 0x03) << 6) | (d & 0x3F)));
        } else {
            return false;
        }
    }
    return true;
}

bool StoreNumber(Kind kind, const std::string& tok, uint8_t* at, std::string* why) {
    errno = 0;
    char* end = nullptr;
    if (kind == Kind::F32) {
        const float f = std::strtof(tok.c_str(), &end);
        if (end == tok.c_str() || *end || errno || !std::isfinite(f)) {
            *why = "keine Zahl: " + tok;
            return false;
        }
        std::memcpy(at, &f, sizeof f);
        return true;
    }
    // Decimal as written (leading zeros are no octal); hexadecimal only with
    // its 0x prefix, as the flag columns are written.
    const size_t digits = tok.size() > 0 && (tok[0] == '-' || tok[0] == '+') ? 1 : 0;
    const bool hex =
        tok.size() > digits + 2 && tok[digits] == '0' && (tok[digits + 1] == 'x' || tok[digits + 1] == 'X');
    const long long v = std::strtoll(tok.c_str(), &end, hex ? 16 : 10);
    if (end == tok.c_str() || *end || errno) {
        *why = "keine ganze Zahl: " + tok;
        return false;
    }
    long long lo = 0, hi = 0;
    switch (kind) {
    case Kind::I8:
        lo = -128;
        hi = 127;
        break;
    case Kind::U8:
        lo = 0;
        hi = 255;
        break;
    case Kind::I16:
        lo = -32768;
        hi = 32767;
        break;
    case Kind::I32:
        lo = INT32_MIN;
        hi = INT32_MAX;
        break;
    default:
        lo = 0;
        hi = UINT32_MAX;
        break;
    }
    if (v < lo || v > hi) {
        *why = "Zahl ausserhalb des Feldes: " + tok;
        return false;
    }
    switch (kind) {
    case Kind::I8:
    case Kind::U8: {
        const uint8_t b = uint8_t(v);
        std::memcpy(at, &b, 1);
        break;
    }
    case Kind::I16: {
        const int16_t s = int16_t(v);
        std::memcpy(at, &s, 2);
        break;
    }
    case Kind::I32: {
        const int32_t l = int32_t(v);
        std::memcpy(at, &l, 4);
        break;
    }
    default: {
        const uint32_t u = uint32_t(v);
        std::memcpy(at, &u, 4);
        break;
    }
    }
    return true;
}

// Splits a value list into tokens; a quoted string is one token (with quotes).
bool Tokenise(const std::string& s, std::vector<std::string>* out, std::string* why) {
    size_t i = 0;
    while (i < s.size()) {
        if (isspace((unsigned char)s[i])) {
            ++i;
            continue;
        }
        if (s[i] == '"') {
            const size_t close = s.find('"', i + 1);
            if (close == std::string::npos) {
                *why = "Text ohne schliessendes \"";
                return false;
            }
            out->push_back(s.substr(i, close - i + 1));
            i = close + 1;
            continue;
        }
        size_t j = i;
        while (j < s.size() && !isspace((unsigned char)s[j]))
            ++j;
        out->push_back(s.substr(i, j - i));
        i = j;
    }
    return true;
}

bool Assign(const Field& f, const std::string& value, uint8_t* record, std::string* why) {
    std::vector<std::string> toks;
    if (!Tokenise(value, &toks, why)) return false;
    if (f.members[0].kind == Kind::Text) {
        std::string text;
        if (toks.size() != 1 || toks[0].size() < 2 || toks[0][0] != '"') {
            *why = std::string(f.name) + " braucht einen Text in \"\"";
            return false;
        }
        if (!ToLatin1(toks[0].substr(1, toks[0].size() - 2), &text) || text.size() >= f.textSize) {
            *why = std::string(f.name) + ": Text zu lang oder mit fremden Zeichen";
            return false;
        }
        std::memset(record + f.offset, 0, f.textSize);
        std::memcpy(record + f.offset, text.data(), text.size());
        return true;
    }
    if (toks.empty() || toks.size() > f.count) {
        *why = std::string(f.name) + ": " + std::to_string(toks.size()) + " Werte, erlaubt 1.." +
               std::to_string(f.count);
        return false;
    }
    std::memset(record + f.offset, 0, size_t(f.count) * f.stride);
    for (size_t e = 0; e < toks.size(); ++e) {
        std::vector<std::string> parts;
        std::stringstream ss(toks[e]);
        for (std::string p; std::getline(ss, p, '/');)
            parts.push_back(p);
        if (parts.size() != f.members.size()) {
            *why = std::string(f.name) + ": Element " + toks[e] + " braucht " +
                   std::to_string(f.members.size()) + " Teile";
            return false;
        }
        for (size_t m = 0; m < parts.size(); ++m) {
            uint8_t* at = record + f.offset + e * f.stride + f.members[m].offset;
            if (!StoreNumber(f.members[m].kind, parts[m], at, why)) return false;
        }
    }
    return true;
}

std::string Trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && isspace((unsigned char)s[a]))
        ++a;
    while (b > a && isspace((unsigned char)s[b - 1]))
        --b;
    return s.substr(a, b - a);
}

// Removes a '#' comment that is not inside quotes.
std::string StripComment(const std::string& line) {
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        if (line[i] == '#' && !quoted) return line.substr(0, i);
    }
    return line;
}

bool ParseIndex(const std::string& s, long* out) {
    const std::string t = Trim(s);
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(t.c_str(), &end, 10);
    if (t.empty() || *end || errno || v < 0) return false;
    *out = v;
    return true;
}

// ------------------------------------------------------------ parser
class TableParser {
public:
    TableParser(GameTable t, GameDataSet* set) : mTable(t), mSet(set), mFields(FieldsOf(t)) {
        mDefault.assign(kTableRecordSize[t], 0);
    }

    bool Line(const std::string& raw, std::string* why) {
        const std::string line = Trim(StripComment(raw));
        if (line.empty()) return true;
        if (line[0] == '[') return Section(line, why);
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            *why = "Zeile ohne '='";
            return false;
        }
        const std::string name = Trim(line.substr(0, eq));
        const std::string value = Trim(line.substr(eq + 1));
        if (name == "rows") return Rows(value, why);
        const Field* f = Find(name);
        if (!f) {
            *why = "unbekanntes Feld " + name;
            return false;
        }
        if (mTargets.empty() && !mInDefault) {
            *why = "Zuweisung vor dem ersten Abschnitt";
            return false;
        }
        // A second value for a field in one section would silently win.
        for (const Field* done : mAssigned)
            if (done == f) {
                *why = "Feld " + name + " doppelt im Abschnitt";
                return false;
            }
        mAssigned.push_back(f);
        if (mInDefault) return Assign(*f, value, mDefault.data(), why);
        for (long r : mTargets)
            if (!Assign(*f, value, Row(r), why)) return false;
        return true;
    }

    bool Finish(std::string* why) {
        if (mRows < 0) {
            *why = "'rows =' fehlt";
            return false;
        }
        for (long r = 0; r < mRows; ++r)
            if (!mDefined[r]) {
                *why = "Zeile " + std::to_string(r) + " fehlt";
                return false;
            }
        return true;
    }

private:
    const Field* Find(const std::string& name) const {
        for (const Field& f : mFields)
            if (name == f.name) return &f;
        return nullptr;
    }

    uint8_t* Row(long r) { return mSet->Bytes(mTable) + size_t(r) * kTableRecordSize[mTable]; }

    bool Rows(const std::string& value, std::string* why) {
        long n = 0;
        if (mRows >= 0 || !ParseIndex(value, &n) || n > 100000) {
            *why = "'rows =' falsch oder doppelt";
            return false;
        }
        mRows = n;
        mSet->Resize(mTable, int32_t(n));
        mDefined.assign(n, false);
        return true;
    }

    bool Define(long r, const uint8_t* from, std::string* why) {
        if (r >= mRows) {
            *why = "Zeile " + std::to_string(r) + " jenseits von rows = " + std::to_string(mRows);
            return false;
        }
        if (mDefined[r]) {
            *why = "Zeile " + std::to_string(r) + " doppelt";
            return false;
        }
        std::memcpy(Row(r), from, kTableRecordSize[mTable]);
        mDefined[r] = true;
        mTargets.push_back(r);
        return true;
    }

    bool Section(const std::string& line, std::string* why) {
        if (line.back() != ']') {
            *why = "Abschnitt ohne ']'";
            return false;
        }
        std::string body = Trim(line.substr(1, line.size() - 2));
        mTargets.clear();
        mAssigned.clear();
        mInDefault = false;
        if (body == "default") {
            if (mAnyRow) {
                *why = "[default] nach der ersten Zeile";
                return false;
            }
            mInDefault = true;
            return true;
        }
        if (mRows < 0) {
            *why = "'rows =' muss vor der ersten Zeile stehen";
            return false;
        }
        mAnyRow = true;
        std::vector<uint8_t> base = mDefault;
        const size_t colon = body.find(':');
        if (colon != std::string::npos) {
            long from = 0;
            if (!ParseIndex(body.substr(colon + 1), &from) || from >= mRows || !mDefined[from]) {
                *why = "Vorlage fehlt: " + body;
                return false;
            }
            const uint8_t* src = Row(from);
            base.assign(src, src + kTableRecordSize[mTable]);
            body = Trim(body.substr(0, colon));
        }
        bool placeholder = false;
        const size_t word = body.find("placeholder");
        if (word != std::string::npos) {
            placeholder = true;
            body = Trim(body.substr(0, word));
        }
        long first = 0, last = 0;
        const size_t dash = body.find('-');
        if (dash == std::string::npos) {
            if (!ParseIndex(body, &first)) {
                *why = "Zeilennummer falsch: " + body;
                return false;
            }
            last = first;
        } else if (!placeholder || !ParseIndex(body.substr(0, dash), &first) ||
                   !ParseIndex(body.substr(dash + 1), &last) || last < first) {
            *why = "Bereich nur als [a-b placeholder]: " + body;
            return false;
        }
        for (long r = first; r <= last; ++r)
            if (!Define(r, base.data(), why)) return false;
        return true;
    }

    GameTable mTable;
    GameDataSet* mSet;
    std::vector<Field> mFields;
    std::vector<uint8_t> mDefault;
    std::vector<bool> mDefined;
    std::vector<long> mTargets;
    std::vector<const Field*> mAssigned; // fields given in the current section
    long mRows = -1;
    bool mInDefault = false;
    bool mAnyRow = false;
};

} // namespace

bool ParseTableText(const std::string& text, const std::string& fileName, GameTable t, GameDataSet* set,
                    std::string* error) {
    TableParser parser(t, set);
    std::stringstream in(text);
    std::string line, why;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!parser.Line(line, &why)) {
            *error = fileName + ":" + std::to_string(number) + ": " + why;
            return false;
        }
    }
    if (!parser.Finish(&why)) {
        *error = fileName + ": " + why;
        return false;
    }
    return true;
}

bool ReadTableFiles(const std::string& dir, GameDataSet* set, std::string* error) {
    for (int i = 0; i < kTableCount; ++i) {
        const GameTable t = static_cast<GameTable>(i);
        const std::string path = dir + "/" + GameTableName(t) + ".txt";
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            *error = path + ": nicht lesbar";
            return false;
        }
        std::stringstream text;
        text << file.rdbuf();
        if (!ParseTableText(text.str(), path, t, set, error)) return false;
    }
    return true;
}
