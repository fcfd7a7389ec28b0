#include "tools/scenarios/OrderScript.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "battle/Reinforcement.h"
#include "battle/ScenarioCore.h"
#include "battle/UnitList.h"
#include "map/Map.h"
#include "units/Unit.h"

namespace {

struct Pace {
    const char* name;
    int32_t order;
};

constexpr Pace kPaces[] = {
    {"move", 20},    {"fast", 21},     {"assault", 22}, {"hunt", 23},   {"crawl", 24},
    {"reverse", 25}, {"mount", 26},    {"advance", 27}, {"dig", 28},    {"sneak", 30},
    {"run", 31},     {"withdraw", 32}, {"sewer", 33},   {"rotate", 37},
};

constexpr int32_t kSewerOrder = 33;
constexpr int32_t kLargeBuilding = 53; // the only place a sewer trip ends

class ScriptParser {
public:
    ScriptParser(OrderScript* out, ScenarioFault* fault) : mOut(out), mFault(fault) {}
    bool Run(const std::string& text);

private:
    bool Fail(const std::string& reason) {
        mFault->file = mOut->file;
        mFault->line = mLine;
        mFault->reason = reason;
        return false;
    }
    bool Number(size_t i, float lo, float hi, float* value) {
        if (i >= mWords.size()) return Fail("a value is missing");
        char* end = nullptr;
        float v = std::strtof(mWords[i].c_str(), &end);
        // Decimal notation only: no hexadecimal, "nan" or "inf".
        if (mWords[i].empty() || *end != '\0' || !(v >= lo && v <= hi) ||
            mWords[i].find_first_not_of("0123456789+-.eE") != std::string::npos)
            return Fail("'" + mWords[i] + "' is not a number in range");
        *value = v;
        return true;
    }
    // A whole number within [lo, hi]: "2.5" or "2e0" is refused, not cut.
    bool Whole(size_t i, int32_t lo, int32_t hi, int32_t* value) {
        if (i >= mWords.size()) return Fail("a value is missing");
        const std::string& w = mWords[i];
        const size_t digits = w[0] == '+' || w[0] == '-' ? 1 : 0;
        if (w.size() <= digits || w.find_first_not_of("0123456789", digits) != std::string::npos)
            return Fail("'" + w + "' is not a whole number");
        const long v = std::strtol(w.c_str(), nullptr, 10);
        if (v < lo || v > hi) return Fail("'" + w + "' is not a number in range");
        *value = static_cast<int32_t>(v);
        return true;
    }
    // side company platoon number, from word i on.
    bool Name(size_t i, ScriptUnitName* name) {
        if (i + 3 >= mWords.size()) return Fail("a unit is named by side, company, platoon and number");
        if (mWords[i] == "axis")
            name->side = 0;
        else if (mWords[i] == "allies")
            name->side = 1;
        else
            return Fail("unknown side '" + mWords[i] + "'");
        if (mWords[i + 1].size() != 1 || mWords[i + 1][0] < 'A' || mWords[i + 1][0] > 'Z')
            return Fail("a company is a letter A..Z");
        name->company = mWords[i + 1][0];
        return Whole(i + 2, 1, 2000, &name->platoon) && Whole(i + 3, 0, 1023, &name->number);
    }
    bool Line();

    OrderScript* mOut;
    ScenarioFault* mFault;
    int mLine = 0;
    int32_t mTurn = 0;
    int32_t mBattle = 0;
    std::vector<std::string> mWords;
};

bool ScriptParser::Run(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    std::vector<bool> quoted;
    while (std::getline(in, line)) {
        ++mLine;
        if (!SplitWords(line, &mWords, &quoted)) return Fail("a quoted text is not closed");
        if (!mWords.empty() && !Line()) return false;
    }
    return true;
}

bool ScriptParser::Line() {
    const std::string& key = mWords[0];
    if (key == "battle") {
        int32_t battle = 0;
        if (mWords.size() != 2) return Fail("'battle' takes a battle 1..100");
        if (!Whole(1, 1, 100, &battle)) return false;
        if (battle <= mBattle) return Fail("battles must rise through the script");
        if (mBattle == 0 && !mOut->orders.empty()) return Fail("an order before the first 'battle'");
        mBattle = battle;
        mOut->lastBattle = mBattle;
        mTurn = 0; // each battle counts its own turns
        return true;
    }
    if (key == "turn") {
        int32_t turn = 0;
        if (mWords.size() != 2) return Fail("'turn' takes a turn 1..120");
        if (!Whole(1, 1, 120, &turn)) return false;
        if (turn <= mTurn) return Fail("turns must rise through the script");
        mTurn = turn;
        return true;
    }
    if (mTurn == 0) return Fail("an order before the first 'turn'");
    ScriptOrder order;
    order.line = mLine;
    order.battle = mBattle;
    order.turn = mTurn;
    if (key == "move") {
        if (!Name(1, &order.unit)) return false;
        if (mWords.size() < 6) return Fail("'move' needs a pace and waypoints");
        bool known = false;
        for (const Pace& p : kPaces)
            if (mWords[5] == p.name) {
                order.order = p.order;
                known = true;
            }
        if (!known) return Fail("unknown pace '" + mWords[5] + "'");
        size_t n = mWords.size() - 6;
        if (n == 0 || n % 2 != 0 || n / 2 > 50) return Fail("'move' needs 1 to 50 waypoints as x y pairs");
        for (size_t i = 6; i < mWords.size(); i += 2) {
            ScenarioPoint p;
            if (!Number(i, 0, 5120, &p.x) || !Number(i + 1, 0, 5120, &p.y)) return false;
            order.points.push_back(p);
        }
        order.kind = ScriptOrder::kMove;
    } else if (key == "area") {
        ScenarioPoint p;
        if (mWords.size() != 7) return Fail("'area' takes a unit and a point x y");
        if (!Name(1, &order.unit) || !Number(5, 0, 5120, &p.x) || !Number(6, 0, 5120, &p.y)) return false;
        order.points.push_back(p);
        order.kind = ScriptOrder::kArea;
    } else if (key == "fire") {
        if (mWords.size() != 10 || mWords[5] != "at") return Fail("'fire' takes a unit, 'at' and a unit");
        if (!Name(1, &order.unit) || !Name(6, &order.target)) return false;
        if (order.target.side == order.unit.side) return Fail("a unit does not fire at its own side");
        order.kind = ScriptOrder::kUnit;
    } else {
        return Fail("unknown key '" + key + "'");
    }
    mOut->orders.push_back(order);
    return true;
}

bool Matches(const Unit* u, const ScriptUnitName& name) {
    return u && (u->mSide != 0) == (name.side == 0) &&
           u->GetCompanyNumber() == static_cast<uint8_t>(name.company) &&
           u->GetPlatoonNumber() == name.platoon && u->GetUnitNumber() == name.number;
}

const Unit* FindAnywhere(const ScenarioCore* battle, const ScriptUnitName& name) {
    if (battle->mUnits)
        for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i)
            if (Matches(battle->mUnits->GetUnit(i), name)) return battle->mUnits->GetUnit(i);
    for (const GList& side : battle->mReinforcements)
        for (int32_t r = 0; r < side.GetCount(); ++r) {
            auto* group = static_cast<Reinforcement*>(side.GetObjectA(r));
            if (!group->mUnits) continue;
            for (int32_t i = 0; i < group->mUnits->GetCount(); ++i)
                if (Matches(group->mUnits->GetUnit(i), name)) return group->mUnits->GetUnit(i);
        }
    return nullptr;
}

} // namespace

bool ParseOrderScript(const std::string& text, const std::string& file, OrderScript* out,
                      ScenarioFault* fault) {
    *out = OrderScript{};
    out->file = file;
    ScriptParser parser(out, fault);
    return parser.Run(text);
}

Unit* FindScriptUnit(ScenarioCore* battle, const ScriptUnitName& name) {
    if (!battle->mUnits) return nullptr;
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i)
        if (Matches(battle->mUnits->GetUnit(i), name)) return battle->mUnits->GetUnit(i);
    return nullptr;
}

bool CheckOrderScript(const OrderScript& script, const ScenarioCore* battle, ScenarioFault* fault,
                      const ScenarioCore* also) {
    for (const ScriptOrder& order : script.orders) {
        for (const ScriptUnitName* name : {&order.unit, &order.target}) {
            if (name == &order.target && order.kind != ScriptOrder::kUnit) continue;
            if (!FindAnywhere(battle, *name) && !(also && FindAnywhere(also, *name))) {
                fault->file = script.file;
                fault->line = order.line;
                fault->reason = "the scenario has no such unit";
                return false;
            }
        }
        // A trip through the sewers ends in a large building.
        if (order.kind == ScriptOrder::kMove && order.order == kSewerOrder) {
            const ScenarioPoint& end = order.points.back();
            const Map* map = battle->mMap;
            if (!map || !map->OnMap(end.x, end.y) || map->GetTerrain(end.x, end.y, true) != kLargeBuilding) {
                fault->file = script.file;
                fault->line = order.line;
                fault->reason = "a sewer trip must end in a large building (terrain 53)";
                return false;
            }
        }
    }
    return true;
}

bool BattleSection(const OrderScript& script, int32_t battle, float x0, float y0, const ScenarioCore* core,
                   OrderScript* out, ScenarioFault* fault) {
    *out = OrderScript{};
    out->file = script.file;
    const Map* map = core->mMap;
    for (const ScriptOrder& order : script.orders) {
        if (order.battle != battle) continue;
        ScriptOrder moved = order;
        for (ScenarioPoint& p : moved.points) {
            p.x -= x0;
            p.y -= y0;
            if (!map || !map->OnMap(p.x, p.y)) {
                char reason[160];
                std::snprintf(reason, sizeof reason,
                              "the point %.0f %.0f lies off battle %d's map (x %.0f to %.0f, y %.0f to %.0f)",
                              p.x + x0, p.y + y0, battle, x0, x0 + (map ? map->mWidthMetres : 0.0f), y0,
                              y0 + (map ? map->mHeightMetres : 0.0f));
                fault->file = script.file;
                fault->line = order.line;
                fault->reason = reason;
                return false;
            }
        }
        out->orders.push_back(moved);
    }
    return true;
}

int32_t ApplyOrders(const OrderScript& script, int32_t turn, ScenarioCore* battle, const bool* skipSide) {
    int32_t given = 0;
    for (const ScriptOrder& order : script.orders) {
        if (order.turn != turn) continue;
        Unit* unit = FindScriptUnit(battle, order.unit);
        if (!unit || !unit->CanReceiveOrders()) continue;
        const int32_t side = unit->GetAffiliation();
        if (skipSide && side >= 0 && side < 2 && skipSide[side]) continue;
        // An order the unit may not take is left out, and said so.
        const int32_t asked = order.kind == ScriptOrder::kMove   ? order.order
                              : order.kind == ScriptOrder::kArea ? 44
                                                                 : 38;
        if (!unit->CanDoOrder(asked)) {
            std::fprintf(stderr, "line %d: the unit may not take order %d; skipped\n", order.line, asked);
            continue;
        }
        switch (order.kind) {
        case ScriptOrder::kMove:
            for (size_t i = 0; i < order.points.size(); ++i)
                unit->ReceiveMoveOrders(order.points[i].x, order.points[i].y, order.order, nullptr, true,
                                        i == 0, true, true);
            break;
        case ScriptOrder::kArea:
            unit->ReceiveTargetOrders(nullptr, order.points[0].x, order.points[0].y, false, 0);
            break;
        case ScriptOrder::kUnit: {
            Unit* target = FindScriptUnit(battle, order.target);
            if (!target || !target->mActive) continue;
            unit->ReceiveTargetOrders(target, 0.0f, 0.0f, false, 0);
            break;
        }
        }
        ++given;
    }
    return given;
}
