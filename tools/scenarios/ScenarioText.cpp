#include "tools/scenarios/ScenarioText.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "map/Map.h"

std::string ScenarioFault::Text() const {
    std::ostringstream s;
    s << file;
    if (line > 0) s << ":" << line;
    s << ": " << reason;
    return s.str();
}

bool Utf8ToLatin1(const std::string& in, std::string* out) {
    out->clear();
    for (size_t i = 0; i < in.size(); ++i) {
        auto c = static_cast<unsigned char>(in[i]);
        if (c < 0x80) {
            out->push_back(static_cast<char>(c));
            continue;
        }
        // Two-byte sequences up to U+00FF only.
        if ((c == 0xC2 || c == 0xC3) && i + 1 < in.size()) {
            auto d = static_cast<unsigned char>(in[i + 1]);
            if ((d & 0xC0) != 0x80) return false;
            out->push_back(static_cast<char>(((c & 0x1F) << 6) | (d & 0x3F)));
            ++i;
            continue;
        }
        return false;
    }
    return true;
}

bool SplitWords(const std::string& line, std::vector<std::string>* words, std::vector<bool>* quoted) {
    words->clear();
    quoted->clear();
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            size_t end = line.find('"', i + 1);
            if (end == std::string::npos) return false;
            words->push_back(line.substr(i + 1, end - i - 1));
            quoted->push_back(true);
            i = end + 1;
        } else {
            size_t end = i;
            while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '\r' &&
                   line[end] != '#')
                ++end;
            words->push_back(line.substr(i, end - i));
            quoted->push_back(false);
            i = end;
        }
    }
    return true;
}

namespace {

struct NamedValue {
    const char* name;
    int32_t value;
};

// Readable names of the terrain codes a description uses most.
constexpr NamedValue kTerrainNames[] = {
    {"open", 0},       {"sand", 1},    {"rocks", 2},    {"heath", 3},  {"meadow", 4},  {"rubble", 26},
    {"dirtroad", 13},  {"road", 14},   {"fence", 15},   {"wall", 16},  {"track", 17},  {"ditch", 18},
    {"marsh", 19},     {"trees", 20},  {"woods", 21},   {"pines", 22}, {"field", 23},  {"brush", 24},
    {"rough", 25},     {"water", 37},  {"shallow", 38}, {"mud", 39},   {"bocage", 41}, {"bank", 42},
    {"woodfence", 43}, {"hedge", 44},  {"square", 45},  {"vines", 46}, {"soft", 48},   {"light", 50},
    {"heavy", 51},     {"bridge", 55},
};

constexpr NamedValue kExperienceNames[] = {
    {"green", 0}, {"conscript", 1}, {"regular", 2}, {"veteran", 3}, {"hardened", 4}, {"elite", 5},
};

// The fortification statements, by kind.
constexpr NamedValue kFortificationNames[] = {
    {"roadblock", 0}, {"trench", 1}, {"wire", 2}, {"reference", 3}, {"apmines", 4}, {"atmines", 5}, {"daisychain", 6},
};

constexpr NamedValue kSideNames[] = {{"axis", 0}, {"allies", 1}, {"none", 2}, {"neutral", 2}};
constexpr NamedValue kEdgeNames[] = {{"west", 0}, {"north", 1}, {"east", 2}, {"south", 3}};

template <size_t N> bool LookUp(const NamedValue (&table)[N], const std::string& word, int32_t* value) {
    for (const auto& entry : table)
        if (word == entry.name) {
            *value = entry.value;
            return true;
        }
    return false;
}

class Parser {
public:
    Parser(const std::string& file, ScenarioDescription* out, ScenarioFault* fault)
        : mOut(out), mFault(fault) {
        mOut->file = file;
        mFault->file = file;
    }

    bool Run(const std::string& text);

private:
    bool Fail(const std::string& reason) {
        mFault->line = mLine;
        mFault->reason = reason;
        return false;
    }
    bool Count(size_t least, size_t most) {
        size_t n = mWords.size() - 1;
        if (n < least || n > most) {
            std::ostringstream s;
            s << "'" << mWords[0] << "' takes ";
            if (least == most)
                s << least;
            else
                s << least << " to " << most;
            s << " values, not " << n;
            return Fail(s.str());
        }
        return true;
    }
    bool Int(size_t i, int32_t lo, int32_t hi, int32_t* value, const char* what) {
        const std::string& w = mWords[i];
        char* end = nullptr;
        errno = 0;
        long v = std::strtol(w.c_str(), &end, 10);
        if (w.empty() || *end != '\0' || errno != 0 ||
            w.find_first_not_of("0123456789+-") != std::string::npos)
            return Fail(std::string(what) + " '" + w + "' is not a whole number");
        if (v < lo || v > hi) {
            std::ostringstream s;
            s << what << " " << v << " is out of range " << lo << ".." << hi;
            return Fail(s.str());
        }
        *value = static_cast<int32_t>(v);
        return true;
    }
    bool Real(size_t i, float lo, float hi, float* value, const char* what) {
        const std::string& w = mWords[i];
        char* end = nullptr;
        // Decimal notation only: no hexadecimal, "nan" or "inf".
        float v = std::strtof(w.c_str(), &end);
        if (w.empty() || *end != '\0' || !std::isfinite(v) ||
            w.find_first_not_of("0123456789+-.eE") != std::string::npos)
            return Fail(std::string(what) + " '" + w + "' is not a number");
        if (v < lo || v > hi) {
            std::ostringstream s;
            s << what << " " << w << " is out of range " << lo << ".." << hi;
            return Fail(s.str());
        }
        *value = v;
        return true;
    }
    template <size_t N> bool Named(size_t i, const NamedValue (&table)[N], int32_t* value, const char* what) {
        if (!LookUp(table, mWords[i], value))
            return Fail(std::string("unknown ") + what + " '" + mWords[i] + "'");
        return true;
    }
    bool Terrain(size_t i, int32_t* value) {
        if (LookUp(kTerrainNames, mWords[i], value)) return true;
        return Int(i, 0, 63, value, "terrain code");
    }
    bool Text(size_t i, std::string* out) {
        if (!Utf8ToLatin1(mWords[i], out)) return Fail("text outside Latin-1");
        return true;
    }
    // Coordinates in metres; the map must be given first.
    bool Coordinate(size_t i, bool alongX, float* value) {
        float limit = (alongX ? mOut->columns : mOut->rows) * 20.0f;
        return Real(i, 0.0f, limit, value, alongX ? "x" : "y");
    }
    bool NeedMap() {
        if (mOut->columns == 0) return Fail("'" + mWords[0] + "' before 'map'");
        return true;
    }
    bool Line();
    bool OperationLine(bool* handled);
    bool CheckOperation();
    bool UnitLine(int32_t kind);
    bool FortificationLine(int32_t kind);

    ScenarioDescription* mOut;
    ScenarioFault* mFault;
    int mLine = 0;
    std::vector<std::string> mWords;
    std::vector<bool> mQuoted;
    // The unit context.
    bool mHaveForce = false;
    int32_t mSide = 0, mForce = 0, mExperience = 2, mFitness = 0;
    char mCompany = 'A';
    int32_t mPlatoon = 0, mZone = 0;
    bool mPlatoonExits = false;
    int32_t mReinforcement = -1;
    bool mSeen[32] = {};
    int mFirstStatement = 0;
};

bool Parser::Run(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        ++mLine;
        if (!SplitWords(line, &mWords, &mQuoted)) return Fail("a quoted text is not closed");
        if (mWords.empty()) continue;
        if (mFirstStatement == 0) mFirstStatement = mLine;
        if (!Line()) return false;
    }
    mLine = 0;
    if (mOut->columns == 0) return Fail("no 'map' line");
    if (mOut->operation.present && !CheckOperation()) return false;
    if (mOut->title.empty()) return Fail("no 'title' line");
    if (mOut->briefing[2].empty()) return Fail("no general briefing");
    for (const ScenarioUnit& u : mOut->units)
        if (u.exit && !mOut->exit[u.side]) {
            mLine = u.line;
            return Fail("a unit marked to exit on a side without an exit edge");
        }
    return true;
}

bool Parser::Line() {
    const std::string& key = mWords[0];
    ScenarioDescription& d = *mOut;
    // Keys given once.
    static const char* const kOnce[] = {"title",     "map",         "date",      "turns", "attacker",
                                        "theatre",   "temperature", "ground",    "time",  "weather",
                                        "wind",      "seed",        "timelimit", "edges", "operation",
                                        "battles",   "type",        "direction", "strip", "startline",
                                        "frontline", "day",         "front",     "setup", "foxholes"};
    static_assert(sizeof kOnce / sizeof kOnce[0] <= sizeof mSeen / sizeof mSeen[0]);
    for (size_t i = 0; i < sizeof kOnce / sizeof kOnce[0]; ++i)
        if (key == kOnce[i]) {
            if (mSeen[i]) return Fail("'" + key + "' given twice");
            mSeen[i] = true;
        }

    bool handled = false;
    if (!OperationLine(&handled)) return false;
    if (handled) return true;

    if (key == "title") {
        if (!Count(1, 1) || !Text(1, &d.title)) return false;
        if (d.title.empty() || d.title.size() > static_cast<size_t>(kScenarioMaxTitle))
            return Fail("the title must have 1 to 31 characters");
        return true;
    }
    if (key == "map") {
        return Count(4, 4) && Int(1, 10, 256, &d.columns, "columns") && Int(2, 10, 256, &d.rows, "rows") &&
               Real(3, 0.25f, 4.0f, &d.heightScale, "height scale") &&
               Int(4, 0, 1023, &d.baseHeight, "base height code");
    }
    if (key == "date") {
        if (!Count(1, 1) || !Int(1, 3901, 4512, &d.date, "date")) return false;
        if (d.date % 100 < 1 || d.date % 100 > 12) return Fail("date must be YYMM with a month 1..12");
        return true;
    }
    if (key == "turns") {
        if (!Count(1, 2) || !Int(1, 1, 120, &d.turns, "turns")) return false;
        if (mWords.size() == 3) {
            if (mWords[2] != "variable") return Fail("'turns' takes 'variable' at its end");
            d.variableLength = true;
        }
        return true;
    }
    if (key == "attacker") return Count(1, 1) && Named(1, kSideNames, &d.attacker, "side");
    if (key == "theatre") return Count(1, 1) && Int(1, 0, 3, &d.theatre, "theatre");
    if (key == "temperature") return Count(1, 1) && Int(1, 0, 5, &d.temperature, "temperature");
    if (key == "ground") return Count(1, 1) && Int(1, 0, 8, &d.ground, "ground");
    if (key == "time") return Count(1, 1) && Int(1, 0, 3, &d.timeOfDay, "time of day");
    if (key == "weather") return Count(1, 1) && Int(1, 0, 7, &d.weather, "weather");
    if (key == "wind") return Count(1, 1) && Int(1, 0, 3, &d.wind, "wind");
    if (key == "seed") {
        int32_t seed = 0;
        if (!Count(1, 1) || !Int(1, 0, 65535, &seed, "seed")) return false;
        d.seed = static_cast<uint16_t>(seed);
        return true;
    }
    if (key == "timelimit") return Count(1, 1) && Int(1, 0, 60, &d.timeLimit, "time limit");
    if (key == "foxholes") return Count(1, 1) && Int(1, 0, Map::kMaxFoxholeAllowance, &d.foxholes, "foxholes");
    if (key == "fanaticism") {
        int32_t side = 0;
        if (!Count(2, 2) || !Named(1, kSideNames, &side, "side")) return false;
        if (side > 1) return Fail("fanaticism needs the side axis or allies");
        return Int(2, 0, 4, &d.fanaticism[side], "fanaticism");
    }
    if (key == "exit") {
        int32_t side = 0, edge = 0;
        if (!Count(2, 2) || !Named(1, kSideNames, &side, "side") || !Named(2, kEdgeNames, &edge, "edge"))
            return false;
        if (side > 1) return Fail("an exit needs the side axis or allies");
        d.exit[side] = true;
        d.exitEdge[side] = edge;
        return true;
    }
    if (key == "edges") {
        if (!Count(4, 4)) return false;
        for (int i = 0; i < 4; ++i)
            if (!Named(1 + i, kSideNames, &d.edgeOwner[i], "side")) return false;
        return true;
    }
    if (key == "briefing") {
        int32_t which = 0;
        std::string text;
        if (!Count(2, 2)) return false;
        if (mWords[1] == "general")
            which = 2;
        else if (!Named(1, kSideNames, &which, "briefing") || which > 1)
            return Fail("a briefing is for axis, allies or general");
        if (!Text(2, &text)) return false;
        std::string& b = d.briefing[which];
        if (!b.empty()) b.push_back('\r');
        b += text;
        if (b.size() > 4000) return Fail("the briefing is longer than 4000 characters");
        return true;
    }
    if (key == "hill") {
        ScenarioHill h;
        h.line = mLine;
        if (!NeedMap() || !Count(4, 4) || !Coordinate(1, true, &h.x) || !Coordinate(2, false, &h.y) ||
            !Real(3, 10.0f, 3000.0f, &h.radius, "radius") || !Real(4, -30.0f, 60.0f, &h.height, "height"))
            return false;
        d.hills.push_back(h);
        return true;
    }
    if (key == "area" || key == "line") {
        ScenarioShape s;
        s.line = mLine;
        size_t first = key == "area" ? 2 : 3;
        if (!NeedMap() || mWords.size() < first || !Terrain(1, &s.terrain)) return Count(first, 200);
        if (key == "line" && !Real(2, 1.0f, 100.0f, &s.width, "width")) return false;
        size_t n = mWords.size() - first;
        size_t least = key == "area" ? 3 : 2;
        if (n % 2 != 0 || n / 2 < least)
            return Fail("'" + key + "' needs at least " + std::to_string(least) + " points as x y pairs");
        for (size_t i = first; i < mWords.size(); i += 2) {
            ScenarioPoint p;
            if (!Coordinate(i, true, &p.x) || !Coordinate(i + 1, false, &p.y)) return false;
            s.points.push_back(p);
        }
        d.shapes.push_back(s);
        return true;
    }
    if (key == "building") {
        ScenarioBuilding b;
        b.line = mLine;
        if (!NeedMap() || !Count(5, 5) || !Terrain(1, &b.type) || !Coordinate(2, true, &b.x) ||
            !Coordinate(3, false, &b.y) || !Real(4, 4.0f, 20.0f, &b.w, "width") ||
            !Real(5, 4.0f, 20.0f, &b.d, "depth"))
            return false;
        if (b.type < 50 || b.type > 54) return Fail("a building's type is a terrain code 50..54");
        // The footprint stands on one square.
        int cx = static_cast<int>(b.x / 20.0f), cy = static_cast<int>(b.y / 20.0f);
        if (static_cast<int>((b.x + b.w - 0.01f) / 20.0f) != cx ||
            static_cast<int>((b.y + b.d - 0.01f) / 20.0f) != cy)
            return Fail("a building must lie within one 20 m square");
        if (cx >= d.columns || cy >= d.rows) return Fail("the building lies off the map");
        d.buildings.push_back(b);
        return true;
    }
    if (key == "wall") {
        ScenarioWall w;
        w.line = mLine;
        if (!NeedMap() || !Count(6, 6) || !Terrain(1, &w.type) || !Coordinate(2, true, &w.x0) ||
            !Coordinate(3, false, &w.y0) || !Coordinate(4, true, &w.x1) || !Coordinate(5, false, &w.y1) ||
            !Real(6, 0.3f, 10.0f, &w.height, "height"))
            return false;
        if (w.type != 16 && (w.type < 41 || w.type > 44)) return Fail("a wall's type is 16 or 41..44");
        d.walls.push_back(w);
        return true;
    }
    if (key == "zone") {
        ScenarioZone z;
        z.line = mLine;
        if (!NeedMap() || !Count(5, 5) || !Int(1, 1, 6, &z.code, "zone") || !Coordinate(2, true, &z.x0) ||
            !Coordinate(3, false, &z.y0) || !Coordinate(4, true, &z.x1) || !Coordinate(5, false, &z.y1))
            return false;
        if (z.x1 <= z.x0 || z.y1 <= z.y0)
            return Fail("a zone runs from its lower-left to its upper-right corner");
        d.zones.push_back(z);
        return true;
    }
    if (key == "flag") {
        ScenarioFlag f;
        f.line = mLine;
        if (!NeedMap() || !Count(3, 4)) return false;
        if (mWords[1] != "large" && mWords[1] != "small") return Fail("a flag is large or small");
        f.large = mWords[1] == "large";
        // Flags lie on the map, off its very edge.
        float w = d.columns * 20.0f, h = d.rows * 20.0f;
        if (!Real(2, 0.0f, w, &f.x, "x") || !Real(3, 0.0f, h, &f.y, "y")) return false;
        if (f.x >= w || f.y >= h) return Fail("the flag lies off the map");
        if (mWords.size() == 5 && !Named(4, kSideNames, &f.holder, "side")) return false;
        d.flags.push_back(f);
        return true;
    }
    if (key == "force") {
        if (!Count(3, 5) || !Named(1, kSideNames, &mSide, "side")) return false;
        if (mSide > 1) return Fail("a force belongs to axis or allies");
        if (!Int(2, 0, 61, &mForce, "force row")) return false;
        if (!LookUp(kExperienceNames, mWords[3], &mExperience) && !Int(3, 0, 8, &mExperience, "experience"))
            return false;
        mFitness = 0;
        if (mWords.size() > 4) {
            if (mWords.size() != 6 || mWords[4] != "fitness")
                return Fail("'force' takes 'fitness <n>' at its end");
            if (!Int(5, 0, 3, &mFitness, "fitness")) return false;
        }
        mHaveForce = true;
        mReinforcement = -1;
        mPlatoon = 0;
        mPlatoonExits = false;
        return true;
    }
    if (key == "company") {
        if (!Count(1, 1)) return false;
        if (mWords[1].size() != 1 || mWords[1][0] < 'A' || mWords[1][0] > 'Z')
            return Fail("a company is a letter A..Z");
        mCompany = mWords[1][0];
        mPlatoon = 0;
        mPlatoonExits = false;
        return true;
    }
    if (key == "platoon") {
        if (!Count(1, 4) || !Int(1, 1, 2000, &mPlatoon, "platoon")) return false;
        mZone = 0;
        mPlatoonExits = false;
        for (size_t i = 2; i < mWords.size(); ++i) {
            if (mWords[i] == "exit") {
                mPlatoonExits = true;
            } else if (mWords[i] == "zone" && i + 1 < mWords.size()) {
                if (!Int(i + 1, 1, 6, &mZone, "zone")) return false;
                if ((mZone >= 4) != (mSide == 0))
                    return Fail("zone " + mWords[i + 1] + " is not a zone of the force's side");
                ++i;
            } else {
                return Fail("'platoon' takes 'zone <n>' and 'exit' after its number");
            }
        }
        return true;
    }
    if (key == "reinforce") {
        ScenarioReinforcement r;
        r.line = mLine;
        if (!mHaveForce) return Fail("'reinforce' before 'force'");
        if (!NeedMap() || !Count(4, 4) || !Int(1, 2, 120, &r.turn, "turn") ||
            !Real(2, 0.01f, 1.0f, &r.chance, "chance") || !Coordinate(3, true, &r.x) ||
            !Coordinate(4, false, &r.y))
            return false;
        if (r.x >= d.columns * 20.0f || r.y >= d.rows * 20.0f)
            return Fail("the arrival point lies off the map");
        r.side = mSide;
        int32_t slots = 0;
        for (const auto& other : d.reinforcements)
            if (other.side == mSide) ++slots;
        if (slots >= kScenarioMaxReinforcements) return Fail("more than 20 reinforcements for one side");
        mReinforcement = static_cast<int32_t>(d.reinforcements.size());
        d.reinforcements.push_back(r);
        return true;
    }
    if (key == "onmap") {
        if (!Count(0, 0)) return false;
        mReinforcement = -1;
        return true;
    }
    if (key == "setup") {
        if (!Count(1, 1)) return false;
        if (mWords[1] != "free") return Fail("'setup' takes 'free'");
        d.freeSetup = true;
        return true;
    }
    if (key == "landmark") {
        ScenarioLandmark l;
        l.line = mLine;
        if (!NeedMap() || !Count(3, 3) || !Coordinate(1, true, &l.x) || !Coordinate(2, false, &l.y) ||
            !Text(3, &l.name))
            return false;
        if (l.x >= d.columns * 20.0f || l.y >= d.rows * 20.0f) return Fail("the landmark lies off the map");
        if (l.name.empty() || l.name.size() > static_cast<size_t>(kScenarioMaxLandmarkName))
            return Fail("a landmark's name must have 1 to 63 characters");
        d.landmarks.push_back(l);
        return true;
    }
    int32_t fortification = 0;
    if (LookUp(kFortificationNames, key, &fortification)) return FortificationLine(fortification);
    if (key == "inf") return UnitLine(0);
    if (key == "veh") return UnitLine(1);
    return Fail("unknown key '" + key + "'");
}

// The statements of an operation, and the battle's statements an operation
// does not take (its battles get their length, light, weather and edges
// from the operation and the steps between battles).
bool Parser::OperationLine(bool* handled) {
    const std::string& key = mWords[0];
    ScenarioOperation& op = mOut->operation;
    *handled = true;
    // An operation's points are the losses each side inflicts and the flags
    // it holds; no score of its own is kept to weigh, so a weight for one
    // would change nothing.
    if (key == "scorefactor")
        return Fail("'scorefactor' is no statement: an operation is judged by the losses inflicted and the "
                    "flags held, which no factor weighs");
    if (key == "operation") {
        if (mLine != mFirstStatement) return Fail("'operation' must be the first statement");
        if (!Count(0, 0)) return false;
        op.present = true;
        op.line = mLine;
        return true;
    }
    static const char* const kOperationKeys[] = {"battles",   "type",      "direction", "strip",
                                                 "startline", "frontline", "day",       "night",
                                                 "edge",      "front",     "supply",    "reserve"};
    bool operationKey = false;
    for (const char* k : kOperationKeys)
        operationKey = operationKey || key == k;
    if (operationKey && !op.present)
        return Fail("'" + key + "' belongs to an operation: its description starts with 'operation'");
    static const char* const kBattleOnly[] = {"turns", "time",  "weather",   "wind",
                                              "exit",  "edges", "reinforce", "setup"};
    for (const char* k : kBattleOnly)
        if (op.present && key == k)
            return Fail("'" + key +
                        "' is not a statement of an operation (its battles take it from the operation)");
    if (key == "battles") {
        op.battlesLine = mLine;
        return Count(1, 1) && Int(1, 1, kScenarioMaxBattles, &op.battles, "battles");
    }
    if (key == "type") {
        if (!Count(1, 1)) return false;
        if (mWords[1] == "advance")
            op.type = 0;
        else if (mWords[1] == "points")
            op.type = 2;
        else
            return Fail("an operation's type is advance or points, not '" + mWords[1] + "'");
        return true;
    }
    if (key == "direction") return Count(1, 1) && Int(1, 0, 3, &op.direction, "direction");
    if (key == "strip") {
        op.stripLine = mLine;
        return Count(1, 1) && Int(1, 10, 256, &op.strip, "strip");
    }
    if (key == "startline") {
        op.startLineAt = mLine;
        return Count(1, 1) && Int(1, 0, 5120, &op.startLine, "start line");
    }
    if (key == "frontline") {
        op.frontLineAt = mLine;
        return Count(1, 1) && Int(1, 0, 255, &op.frontLine, "front line");
    }
    if (key == "day") {
        if (!Count(1, 2) || !Int(1, 0, 1000, &op.dayPeriod, "day period")) return false;
        return mWords.size() < 3 || Int(2, 0, 1000, &op.dayOffset, "day offset");
    }
    if (key == "night") {
        int32_t side = 0;
        if (!Count(1, 1) || !Named(1, kSideNames, &side, "side")) return false;
        if (side > 1) return Fail("'night' names the side asked: axis or allies");
        op.nightQuestion[side] = true;
        return true;
    }
    if (key == "edge") {
        if (!Count(1, 2) || !Named(1, kSideNames, &op.edgeSide, "side")) return false;
        op.edgeValue = -1;
        if (op.edgeSide > 1) {
            op.edgeSide = 2;
            if (mWords.size() > 2) return Fail("'edge none' takes no border");
            return true;
        }
        return mWords.size() < 3 || Int(2, 0, 3, &op.edgeValue, "edge");
    }
    if (key == "front") {
        return Count(2, 2) && Int(1, 0, 2, &op.frontMode, "front mode") &&
               Int(2, 0, 100000, &op.frontDepth, "front depth");
    }
    if (key == "supply") {
        int32_t side = 0;
        if (!Count(2, 2) || !Named(1, kSideNames, &side, "side")) return false;
        if (side > 1) return Fail("'supply' names the side axis or allies");
        return Int(2, 0, 5, &op.supply[side], "supply level");
    }
    if (key == "reserve") {
        ScenarioReinforcement r;
        r.line = mLine;
        int32_t row = 0;
        if (!mHaveForce) return Fail("'reserve' before 'force'");
        if (!NeedMap() || !Count(3, 3) || !Int(1, 0, 2, &row, "reserve row") || !Coordinate(2, true, &r.x) ||
            !Coordinate(3, false, &r.y))
            return false;
        if (r.x >= mOut->columns * 20.0f || r.y >= mOut->rows * 20.0f)
            return Fail("the reserve's point lies off the map");
        r.side = mSide;
        r.turn = -1 - row;
        r.chance = 1.0f;
        int32_t slots = 0;
        for (const auto& other : mOut->reinforcements)
            if (other.side == mSide) ++slots;
        if (slots >= kScenarioMaxReinforcements) return Fail("more than 20 reserves for one side");
        mReinforcement = static_cast<int32_t>(mOut->reinforcements.size());
        mOut->reinforcements.push_back(r);
        return true;
    }
    *handled = false;
    return true;
}

// What only the whole operation shows: the strip and the lines on its map.
bool Parser::CheckOperation() {
    const ScenarioOperation& op = mOut->operation;
    if (op.battlesLine == 0) {
        mLine = op.line;
        return Fail("an operation needs 'battles <n>' (1.." + std::to_string(kScenarioMaxBattles) + ")");
    }
    const bool alongWidth = op.direction == 0 || op.direction == 2;
    const int32_t squares = alongWidth ? mOut->columns : mOut->rows;
    if (op.strip > squares) {
        mLine = op.stripLine ? op.stripLine : op.line;
        return Fail("the strip of " + std::to_string(op.strip) + " squares is larger than the map's " +
                    std::to_string(squares) + " squares along the attack");
    }
    const float extent = static_cast<float>(squares) * 20.0f;
    if (op.frontLine >= squares) {
        mLine = op.frontLineAt ? op.frontLineAt : op.line;
        return Fail("the front line " + std::to_string(op.frontLine) + " lies beyond the map's " +
                    std::to_string(squares) + " squares along the attack");
    }
    // The operation's end rules must not hold before its first battle.
    const float front = (static_cast<float>(op.frontLine) + 0.5f) * 20.0f;
    const float margin = static_cast<float>(op.startLine) * 0.7f;
    if (margin >= front) {
        mLine = op.startLineAt ? op.startLineAt : (op.frontLineAt ? op.frontLineAt : op.line);
        return Fail("the front line lies behind the start line: the operation would be lost at once");
    }
    if (op.type != 2 && front >= extent - margin) {
        mLine = op.frontLineAt ? op.frontLineAt : op.line;
        return Fail("the front line already lies at the attacker's objective");
    }
    if (mOut->attacker > 1) {
        mLine = op.line;
        return Fail("an operation needs an 'attacker' axis or allies");
    }
    return true;
}

bool Parser::UnitLine(int32_t kind) {
    ScenarioUnit u;
    u.line = mLine;
    if (!mHaveForce) return Fail("a unit before 'force'");
    if (mPlatoon == 0) return Fail("a unit before 'platoon'");
    if (!NeedMap() || !Count(5, 8) || !Int(1, 0, 999, &u.row, "row") ||
        !Int(2, 0, 1023, &u.number, "number") || !Coordinate(3, true, &u.x) || !Coordinate(4, false, &u.y) ||
        !Real(5, 0.0f, 360.0f, &u.heading, "heading"))
        return false;
    for (size_t i = 6; i < mWords.size(); ++i) {
        if (mWords[i] == "leader") {
            u.leader = true;
        } else if (mWords[i] == "exit") {
            u.exit = true;
        } else if (mWords[i] == "rides" && i + 1 < mWords.size()) {
            if (kind != 0) return Fail("only infantry rides");
            if (!Int(i + 1, 0, 1023, &u.rides, "carrier number")) return false;
            ++i;
        } else {
            return Fail("unknown unit option '" + mWords[i] + "'");
        }
    }
    u.kind = kind;
    u.side = mSide;
    u.force = mForce;
    u.experience = mExperience;
    u.fitness = mFitness;
    u.zone = mZone;
    u.company = mCompany;
    u.platoon = mPlatoon;
    u.reinforcement = mReinforcement;
    if (mPlatoonExits) u.exit = true;
    for (const auto& other : mOut->units)
        if (other.side == u.side && other.company == u.company && other.platoon == u.platoon &&
            other.number == u.number)
            return Fail("unit " + std::to_string(u.number) + " is given twice in its platoon");
    if (u.rides >= 0) {
        bool found = false;
        for (const auto& other : mOut->units)
            if (other.side == u.side && other.company == u.company && other.platoon == u.platoon &&
                other.number == u.rides && other.kind == 1 && other.reinforcement == u.reinforcement)
                found = true;
        if (!found)
            return Fail("no vehicle " + std::to_string(u.rides) + " before it in the platoon to ride in");
    }
    mOut->units.push_back(u);
    return true;
}

// A fortification: its number in the platoon, its place and heading. It
// belongs to the force on the map: never to a reinforcement or reserve.
bool Parser::FortificationLine(int32_t kind) {
    ScenarioUnit u;
    u.line = mLine;
    if (!mHaveForce) return Fail("a fortification before 'force'");
    if (mPlatoon == 0) return Fail("a fortification before 'platoon'");
    if (mReinforcement >= 0) return Fail("a fortification cannot arrive as a reinforcement or reserve");
    if (!NeedMap() || !Count(3, 4) || !Int(1, 0, 1023, &u.number, "number") || !Coordinate(2, true, &u.x) ||
        !Coordinate(3, false, &u.y))
        return false;
    if (mWords.size() == 5 && !Real(4, 0.0f, 360.0f, &u.heading, "heading")) return false;
    if (u.x >= mOut->columns * 20.0f || u.y >= mOut->rows * 20.0f)
        return Fail("the fortification lies off the map");
    u.kind = 2;
    u.row = kind;
    u.side = mSide;
    u.force = mForce;
    u.experience = mExperience;
    u.zone = mZone;
    u.company = mCompany;
    u.platoon = mPlatoon;
    for (const auto& other : mOut->units)
        if (other.side == u.side && other.company == u.company && other.platoon == u.platoon &&
            other.number == u.number)
            return Fail("unit " + std::to_string(u.number) + " is given twice in its platoon");
    mOut->units.push_back(u);
    return true;
}

} // namespace

bool ParseScenarioText(const std::string& text, const std::string& file, ScenarioDescription* out,
                       ScenarioFault* fault) {
    *out = ScenarioDescription{};
    Parser parser(file, out, fault);
    return parser.Run(text);
}
