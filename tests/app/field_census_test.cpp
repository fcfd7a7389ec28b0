// The census of unit, map and battle fields that the game's code reads but
// never sets: a scan of the sources (everything but tests/ and bench/) for
// every scalar or pointer field the headers declare. A field read and never
// written outside the tests is either set by the game or listed below with
// its reason; the list only shrinks, and an entry whose field is now set
// (or gone) fails until it is dropped.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "seam_census.h"

namespace {

struct Unset {
    const char* field; // "Header:mName"
    const char* reason;
};

// clang-format off
const Unset kUnset[] = {
    // Read, and set by no rule of this program: they keep their default.
    {"Unit:mAimAdjust", "the aim adjustment; no rule sets it"},
    {"Unit:mAimAdjustX", "the aim adjustment's offset; no rule sets it"},
    {"Unit:mAimAdjustY", "the aim adjustment's offset; no rule sets it"},
    {"Unit:mFloorMarker", "the floor marker; no rule sets it"},
    {"Unit:mArcTurnsWithUnit", "an arc that turns with the unit; only the unit record restores it"},
    {"Unit:mTurretDislodged", "a wreck's turret tilt; no rule sets it"},
    {"Unit:mFaceIndex", "every figure has face 0"},
    // Kept in a record and handed back unchanged: what no rule of this
    // program sets, a file of another writer may hold.
    {"Unit:mArcD", "kept with a covered arc in the unit record; nothing reads it but the writer"},
    {"Unit:mUnitFlagH", "kept in the unit record unchanged"},
    {"Unit:mUnitValueF", "kept in the unit record unchanged"},
    {"Unit:mUnitValueG", "kept in the unit record unchanged"},
    {"Unit:mQueuedDelay", "only cleared, and kept in the unit record: no order queues whole tens of seconds"},
    {"Vehicle:mFireAnimation", "kept in the vehicle record unchanged"},
    {"Vehicle:mMistakenType", "kept in the vehicle record; -1 asks for a mistaken identity to be drawn"},
    {"Vehicle:mNoCasualtyTally", "kept in the vehicle record; set, the result screen counts no casualties"},
    {"Battle:mCustomForce", "the custom-force block of the battle record; no screen builds one"},
    {"Battle:mCustomFlag", "the custom-force block of the battle record; no screen builds one"},
    {"Battle:mFlag2B2", "kept in the battle record unchanged"},
    {"Battle:mFlagValueTotal", "the flags' worth, 900 unless a file says otherwise"},
    {"ScenarioCore:mGameType", "1 sends the data-table bytes with a remote game; the builder writes 0"},
    {"ScenarioCore:mScenarioShort", "kept in the scenario record unchanged"},
    // Set, but only by a brace initialiser, which the scan does not see: the
    // spotting parameter block is filled from the spotter's values.
    {"Unit:mHearingRange", "the spotting parameter block's hearing range, set where the block is made"},
    {"Unit:mRangeBonus", "the spotting parameter block's bonus of a unit that fired, set where the block is made"},
    {"Unit:mRangeFactor", "the spotting parameter block's sight factor, set where the block is made"},
    // Switches and slots no rule sets: they keep their default.
    {"Battle:mAllFlagsReal", "every flag real; no description or screen asks for it"},
    {"Battle:mCheckOrders", "a refused move becomes order 20; nothing asks for the check"},
    {"Battle:mFloorMenuLock", "the floor question's lock; nothing raises it"},
    {"Battle:mAIExtra", "a slot for the computer's extra state; only deleted"},
    {"Battle:mGraphicsMade", "the peer's textures in a TCP/IP game; no graphics travel"},
    {"Battle:mPendingGraphics", "the peer's textures in a TCP/IP game; only cleared"},
    {"Map:mReferenceTrace", "the tests' switch to the step-by-step sight trace"},
    {"Map:mSmokeTarget", "only cleared: no order of the menus places a smoke target"},
    {"Unit:mAmbush", "only cleared; read by the computer's target choice"},
    {"Unit:mHidden", "only cleared; read by the sight tests"},
    {"Unit:mMoveComponentY", "only cleared; read by the computer's paths"},
    {"Unit:mMovementMode", "only cleared, by the computer's projection"},
    {"Unit:mSkipSetup", "only cleared (by the constructor); read by the kinds' set-up"},
    {"Vehicle:mCrewSmallArms", "never set: read as none by the firing sounds"},
    {"Vehicle:mGunChoicePending", "only cleared"},
    // Written only as a reset, a chained clear or a value put back.
    {"Unit:mMoveComponentX", "only cleared (with mMoveComponentY); no rule sets the components of the current "
                             "movement, read by the computer's paths"},
    {"Unit:mMoveProgress", "no rule sets the movement progress: the sight test only clears and puts it back; "
                           "read by the in-motion test"},
    {"Battle:mForceReadinessOption", "taken from the battle file; no rule sets it"},
    {"Battle:mRarityMode", "taken from the battle file; no rule sets it"},
    {"Campaign:mRarityMode", "taken from the operation file and handed to its battles; no rule sets it"},
    {"ScenarioCore:mScenarioLevel", "taken from the scenario file; no rule sets it"},
    {"Campaign:mAttackerScoreFactor", "taken from the operation file, where the builder writes 100; no rule "
                                      "sets it and the description refuses a score factor"},
};
// clang-format on

const char* const kHeaders[][2] = {
    {"Unit", "units/Unit.h"},          {"Infantry", "units/Infantry.h"},
    {"Vehicle", "units/Vehicle.h"},    {"Map", "map/Map.h"},
    {"Battle", "battle/Battle.h"},     {"ScenarioCore", "battle/ScenarioCore.h"},
    {"Campaign", "battle/Campaign.h"},
};
const char* const kGameFolders[] = {"platform", "engine", "renderer", "map", "units",
                                    "battle",   "ai",     "draw",     "app", "tools"};

std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool IdChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Type names that hold one value: the built-in ones and the aliases and
// enumerations the headers declare.
std::set<std::string> ScalarTypes(const std::vector<std::string>& headers) {
    std::set<std::string> types = {"bool",     "char",    "short",    "int",     "long",     "float",
                                   "double",   "int8_t",  "uint8_t",  "int16_t", "uint16_t", "int32_t",
                                   "uint32_t", "int64_t", "uint64_t", "size_t",  "unsigned", "signed"};
    static const std::regex alias(R"(using\s+(\w+)\s*=\s*(?:const\s+)?(\w+)\s*;)");
    static const std::regex enumeration(R"(\benum\s+(?:class\s+)?(\w+))");
    for (int pass = 0; pass < 3; ++pass)
        for (const std::string& text : headers) {
            for (std::sregex_iterator i(text.begin(), text.end(), alias), e; i != e; ++i)
                if (types.count((*i)[2].str())) types.insert((*i)[1].str());
            for (std::sregex_iterator i(text.begin(), text.end(), enumeration), e; i != e; ++i)
                types.insert((*i)[1].str());
        }
    return types;
}

struct Field {
    std::string key; // "Header:mName"
    bool array = false;
    std::string initial; // the declaration's value, as Constant() spells it
};

// A literal or a named constant spelt one way ("0.0f", "false" and "nullptr"
// are all "0"), or empty when the text is none.
std::string Constant(std::string text) {
    static const std::regex literal(
        R"(^\s*(?:(-?\d+(?:\.\d*)?(?:[eE][-+]?\d+)?)[fFuUlL]*|(true|false|nullptr)|(k[A-Z]\w*|-1))\s*$)");
    std::smatch m;
    if (!std::regex_match(text, m, literal)) return "";
    if (m[1].matched) {
        const double v = std::stod(m[1].str());
        std::ostringstream out;
        out << v;
        return out.str();
    }
    if (m[2].matched) return m[2].str() == "true" ? "1" : "0";
    return m[3].str();
}

// The scalar and pointer fields a header declares, by name.
std::map<std::string, std::vector<Field>> DeclaredFields(const std::string& owner, const std::string& text,
                                                         const std::set<std::string>& scalars) {
    static const std::regex declaration(
        R"(^    (?:mutable\s+|static\s+|inline\s+)*(?:const\s+)?(?:unsigned\s+)?([A-Za-z_]\w*)\s*(\*?)\s*(m[A-Z]\w*)\s*(\[[^\]]*\])?\s*(?:[:=,;{]))");
    std::map<std::string, std::vector<Field>> fields;
    std::istringstream in(text);
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
        const std::string code = line.substr(0, line.find("//"));
        if (code.find('(') != std::string::npos || !std::regex_search(code, m, declaration)) continue;
        const bool pointer = !m[2].str().empty() || code.find('*') != std::string::npos;
        if (!pointer && !scalars.count(m[1].str())) continue;
        // Every declarator of the line: "float mA = 0.0f, mB = 0.0f;".
        static const std::regex name(
            R"((?:^|[\s,*])(m[A-Z]\w*)\s*(\[[^\]]*\])?\s*(?:=\s*([^,;{]*)|\{([^}]*)\}|[:,;]))");
        for (std::sregex_iterator i(code.begin(), code.end(), name), e; i != e; ++i) {
            const std::string given = (*i)[3].matched ? (*i)[3].str() : (*i)[4].str();
            fields[(*i)[1].str()].push_back(
                {owner + ":" + (*i)[1].str(), (*i)[2].matched, given.empty() ? "0" : Constant(given)});
        }
    }
    return fields;
}

struct Use {
    bool read = false;
    bool written = false;
};

// Whether the name at [at, at + n) of the line is written there: assigned,
// stepped, its address taken, swapped, bound to a reference, set in an
// initialiser, or (an array) handed to a function. An assignment gives the
// field no value of its own when it clears it to its declared value, takes
// it from a file (a record's byte taken apart too), copies the same field
// of another object, or puts back what a local saved of it; in a chained
// assignment ("a = b = 0") the last value is the one given. `initial` is
// the field's declared value ("" when it is not one constant); `saved` maps
// the locals the file has loaded from a field to that field.
bool WrittenAt(const std::string& line, size_t at, size_t n, bool array, const std::string& initial,
               const std::map<std::string, std::string>& saved) {
    size_t s = at + n;
    auto skipSpace = [&](size_t k) {
        while (k < line.size() && std::isspace(static_cast<unsigned char>(line[k])))
            ++k;
        return k;
    };
    s = skipSpace(s);
    while (s < line.size() && line[s] == '[') {
        int depth = 0;
        for (; s < line.size(); ++s) {
            if (line[s] == '[') ++depth;
            if (line[s] == ']' && --depth == 0) break;
        }
        s = skipSpace(s + 1);
    }
    const std::string after = line.substr(s, 3);
    const std::string name = line.substr(at, n);
    if (!after.empty() && after[0] == '=' && (after.size() < 2 || after[1] != '=')) {
        std::string rhs = line.substr(s + 1);
        static const std::regex chained(R"(^\s*[\w\]\[]+(?:(?:->|\.)[\w\]\[]+)*\s*=(?!=))");
        for (std::smatch c; std::regex_search(rhs, c, chained);)
            rhs = c.suffix().str();
        static const std::regex constant(R"(^\s*([^;,()?:]+?)\s*[;,)])");
        std::smatch m;
        if (std::regex_search(rhs, m, constant)) {
            const std::string value = Constant(m[1].str());
            if (!value.empty()) return initial.empty() || value != initial;
        }
        static const std::regex file(R"(^[^;]*\b(?:Read\w*|Take)\()");
        if (std::regex_search(rhs, file)) return false;
        static const std::regex copy(R"(^\s*(?:[\w\]\[]+(?:->|\.))?(\w+)\s*;)");
        if (std::regex_search(rhs, m, copy)) {
            const auto k = saved.find(m[1].str());
            return m[1].str() != name && !(k != saved.end() && k->second == name);
        }
        return true;
    }
    for (const char* op : {"+=", "-=", "*=", "/=", "%=", "|=", "&=", "^=", "<<=", ">>=", "++", "--"})
        if (after.rfind(op, 0) == 0) return true;
    if (!after.empty() && (after[0] == '(' || after[0] == '{')) return true; // an initialiser
    // An array handed to a function may be filled there; a plain copy
    // (either way) only moves values that were set elsewhere.
    static const std::regex copy(R"((?:memcpy|memmove)\s*\((?:[^,]*,)?\s*[\w\]\[]*(?:->|\.)?$)");
    if (array && !after.empty() && (after[0] == ',' || after[0] == ')'))
        return !std::regex_search(line.substr(0, at), copy);
    // Before the name: the object chain ("u->", "a.b.") stripped.
    size_t b = at;
    while (true) {
        size_t k = b;
        while (k > 0 && std::isspace(static_cast<unsigned char>(line[k - 1])))
            --k;
        if (k >= 2 && line.compare(k - 2, 2, "->") == 0)
            k -= 2;
        else if (k >= 1 && line[k - 1] == '.')
            k -= 1;
        else
            break;
        while (k > 0 &&
               (IdChar(line[k - 1]) || line[k - 1] == ']' || line[k - 1] == '[' || line[k - 1] == ')'))
            --k;
        b = k;
    }
    size_t k = b;
    while (k > 0 && std::isspace(static_cast<unsigned char>(line[k - 1])))
        --k;
    if (k >= 2 && (line.compare(k - 2, 2, "++") == 0 || line.compare(k - 2, 2, "--") == 0)) return true;
    if (k >= 1 && line[k - 1] == '&' && !(k >= 2 && line[k - 2] == '&')) {
        size_t j = k - 1;
        while (j > 0 && std::isspace(static_cast<unsigned char>(line[j - 1])))
            --j;
        const bool binary = j > 0 && (IdChar(line[j - 1]) || line[j - 1] == ')' || line[j - 1] == ']');
        if (!binary) return true;
    }
    // "T& r = u->mName" binds a reference that may be written ("a && b ==
    // c" binds none).
    static const std::regex reference(R"((?:^|[^&])&\s*\w+\s*=(?!=)[^;]*$)");
    if (std::regex_search(line.substr(0, b), reference)) return true;
    return line.find("swap(") != std::string::npos;
}

// Marks each field of `fields` that the text reads or writes.
void ScanText(const std::string& text, const std::map<std::string, std::vector<Field>>& fields, bool declares,
              std::map<std::string, Use>* uses) {
    std::map<std::string, std::string> saved; // local -> the field it was loaded from
    static const std::regex save(R"(\b((?!m[A-Z])[a-z]\w*)\s*=\s*(?:[\w\]\[]+(?:->|\.))?(m[A-Z]\w*)\s*[;,)])");
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const std::string code = line.substr(0, line.find("//"));
        if (!code.empty() && code[0] == '}') saved.clear(); // a function's locals end with it
        static const std::regex assigned(R"(\b((?!m[A-Z])[a-z]\w*)\s*=(?!=))");
        for (std::sregex_iterator i(code.begin(), code.end(), assigned), e; i != e; ++i)
            saved.erase((*i)[1].str()); // given another value, it holds no saved field
        for (std::sregex_iterator i(code.begin(), code.end(), save), e; i != e; ++i)
            saved[(*i)[1].str()] = (*i)[2].str();
        for (size_t i = 0; i + 1 < code.size(); ++i) {
            if (code[i] != 'm' || !std::isupper(static_cast<unsigned char>(code[i + 1])) ||
                (i > 0 && IdChar(code[i - 1])))
                continue;
            size_t n = 2;
            while (i + n < code.size() && IdChar(code[i + n]))
                ++n;
            const auto f = fields.find(code.substr(i, n));
            if (f != fields.end()) {
                // The declaration itself sets no value.
                static const std::regex declared(R"(^\s+[\w:<>]+[\s*]+m[A-Z])");
                const bool declaration = declares && code.find('(') == std::string::npos &&
                                         code.find("return") == std::string::npos &&
                                         std::regex_search(code, declared);
                if (!declaration) {
                    bool array = false;
                    // A constant is a reset only when every owner of the
                    // name declares it with that value.
                    std::string initial = f->second.front().initial;
                    for (const Field& field : f->second) {
                        array = array || field.array;
                        if (field.initial != initial) initial.clear();
                    }
                    Use& use = (*uses)[f->first];
                    (WrittenAt(code, i, n, array, initial, saved) ? use.written : use.read) = true;
                }
            }
            i += n - 1;
        }
    }
}

std::map<std::string, Use> ScanUses(const std::filesystem::path& root,
                                    const std::map<std::string, std::vector<Field>>& fields,
                                    const std::set<std::string>& declarationFiles) {
    namespace fs = std::filesystem;
    std::map<std::string, Use> uses;
    for (const char* folder : kGameFolders) {
        if (!fs::exists(root / folder)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h" && ext != ".cc") continue;
            const bool declares =
                declarationFiles.count(fs::relative(entry.path(), root).generic_string()) > 0;
            ScanText(ReadAll(entry.path()), fields, declares, &uses);
        }
    }
    return uses;
}

// The fields read and never given a value of their own.
std::set<std::string> UnsetFields(const std::map<std::string, std::vector<Field>>& fields,
                            const std::map<std::string, Use>& uses) {
    std::set<std::string> unset;
    for (const auto& [name, list] : fields) {
        const auto u = uses.find(name);
        if (u == uses.end() || !u->second.read || u->second.written) continue;
        for (const Field& f : list)
            unset.insert(f.key);
    }
    return unset;
}

} // namespace

TEST(FieldCensus, EveryFieldTheGameReadsIsSetByTheGameOrListedWithItsReason) {
    namespace fs = std::filesystem;
    const fs::path root(CensusSourceDir());
    std::vector<std::string> texts;
    std::set<std::string> declarationFiles;
    for (const auto& h : kHeaders) {
        texts.push_back(ReadAll(root / h[1]));
        declarationFiles.insert(h[1]);
    }
    ASSERT_FALSE(texts[0].empty()) << "no header read under " << root;
    // Every header's aliases and enumerations tell scalar types apart.
    std::vector<std::string> all;
    for (const char* folder : {"units", "map", "battle", "engine"})
        for (const auto& entry : fs::directory_iterator(root / folder))
            if (entry.path().extension() == ".h") all.push_back(ReadAll(entry.path()));
    const std::set<std::string> scalars = ScalarTypes(all);

    std::map<std::string, std::vector<Field>> fields;
    for (size_t k = 0; k < texts.size(); ++k)
        for (auto& [name, list] : DeclaredFields(kHeaders[k][0], texts[k], scalars))
            fields[name].insert(fields[name].end(), list.begin(), list.end());
    ASSERT_GT(fields.size(), 300u) << "the headers' fields were not found";

    const std::set<std::string> unset = UnsetFields(fields, ScanUses(root, fields, declarationFiles));
    std::set<std::string> listed;
    for (const Unset& u : kUnset) {
        listed.insert(u.field);
        EXPECT_TRUE(unset.count(u.field))
            << u.field << " is set by the game now, or gone: drop it from kUnset (" << u.reason << ")";
    }
    for (const std::string& key : unset)
        EXPECT_TRUE(listed.count(key)) << key
                                       << " is read by the game and set only by tests: set it where its rule "
                                          "says, or list it in kUnset with the reason";
}

// Writes that give a field no value of its own: a clear to its declared
// value, a chained clear, a local put back, a copy of itself, a file's
// byte. A field written only so is unset; one real value sets it.
TEST(FieldCensus, AFieldWrittenOnlyAsAResetCountsAsUnset) {
    const std::string header = "struct U {\n"
                               "    float mSpeed = 0.0f;\n"
                               "    float mX = 0.0f, mY = 0.0f;\n"
                               "    int32_t mCounter = -1;\n"
                               "    bool mFlag = false;\n"
                               "    float mGiven = 0.0f;\n"
                               "};\n";
    const auto fields = DeclaredFields("U", header, ScalarTypes({header}));
    ASSERT_EQ(fields.size(), 6u);
    const std::string resets = "void F(U* u, U* v, GFile* f) {\n"
                               "    const float saved = u->mSpeed;\n"
                               "    u->mSpeed = 0.0f;\n"
                               "    u->mSpeed = saved;\n"
                               "    u->mX = u->mY = 0;\n"
                               "    u->mCounter = -1;\n"
                               "    u->mFlag = v->mFlag;\n"
                               "    u->mGiven = f->ReadFloat();\n"
                               "    Use(u->mSpeed, u->mX, u->mY, u->mCounter, u->mFlag, u->mGiven);\n"
                               "}\n";
    std::map<std::string, Use> uses;
    ScanText(resets, fields, false, &uses);
    EXPECT_EQ(UnsetFields(fields, uses),
              (std::set<std::string>{"U:mSpeed", "U:mX", "U:mY", "U:mCounter", "U:mFlag", "U:mGiven"}));
    ScanText("void G(U* u, float s) { u->mSpeed = s; u->mX = u->mY = 2.0f; u->mCounter = 3; u->mFlag = true; }",
             fields, false, &uses);
    EXPECT_EQ(UnsetFields(fields, uses), (std::set<std::string>{"U:mGiven"}));
}
