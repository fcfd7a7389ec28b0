#include "Contract.h"

#include <cstdlib>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

namespace models {

using dm::models::Op;

namespace {

// Keys that hold one count each.
const std::set<std::string> kCountKeys = {"strips",    "fans",     "tris",  "primitives",
                                          "triangles", "vertices", "slots", "detailprims"};
// Keys whose values are lists of whole numbers.
const std::set<std::string> kWholeListKeys = {"detail", "used", "switches"};
const std::set<std::string> kTokenKeys = {"runs", "sequence", "constants", "footprint"};
// The names and flags a constants entry is tagged with (see CheckModel).
const std::set<std::string> kConstantNames = {"turn",  "elevate",    "flash",       "recoil",
                                              "scale", "longbarrel", "barrelclass", "sizescale",
                                              "tilt",  "counterturn"};
const std::set<std::string> kConstantFlags = {"tilt", "clamp15", "elevate", "hullgun", "turretgun"};
// Sequence tokens: with a count, and without.
const std::set<std::string> kCountedOps = {"T", "F", "S", "f", "s"};
const std::set<std::string> kPlainOps = {"t",   "x",     "C",      "P",     "Q",    "turn", "elev", "tilt",
                                         "ctr", "flash", "recoil", "scale", "long", "bc",   "size"};

// A whole number written in decimal digits only (leading zeros are decimal,
// never octal), 0..999999999; its canonical text.
bool Whole(const std::string& s, std::string* canonical) {
    if (s.empty() || s.size() > 12 || s.find_first_not_of("0123456789") != std::string::npos) return false;
    long v = 0;
    for (char c : s) {
        v = v * 10 + (c - '0');
        if (v > 999999999) return false;
    }
    *canonical = std::to_string(v);
    return true;
}

// A finite number in decimal notation (digits, sign, point, exponent; no
// hexadecimal, no "nan" or "inf").
bool FiniteNumber(const std::string& s) {
    if (s.empty() || s.size() > 40 || s.find_first_not_of("0123456789+-.eE") != std::string::npos)
        return false;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    return end != s.c_str() && *end == '\0' && std::isfinite(v);
}

// A constants tag: a name and any of the flags, joined by '/'.
bool ConstantTag(const std::string& s) {
    size_t slash = s.find('/');
    if (!kConstantNames.count(s.substr(0, slash))) return false;
    while (slash != std::string::npos) {
        const size_t next = s.find('/', slash + 1);
        if (!kConstantFlags.count(
                s.substr(slash + 1, next == std::string::npos ? std::string::npos : next - slash - 1)))
            return false;
        slash = next;
    }
    return true;
}

// Checks one value of a key and gives its canonical text; the reason when
// it is refused.
bool CheckValue(const std::string& key, const std::string& v, std::string* canonical, std::string* why) {
    *canonical = v;
    if (kCountKeys.count(key) || kWholeListKeys.count(key)) {
        if (Whole(v, canonical)) return true;
        *why = "'" + v + "' is not a whole number";
        return false;
    }
    if (key == "runs") {
        // <strip size><L|R><+|->
        if (v.size() >= 3 && (v[v.size() - 2] == 'L' || v[v.size() - 2] == 'R') &&
            (v.back() == '+' || v.back() == '-') && Whole(v.substr(0, v.size() - 2), canonical)) {
            *canonical += v.substr(v.size() - 2);
            return true;
        }
        *why = "'" + v + "' is not a run (<number>L+ .. <number>R-)";
        return false;
    }
    if (key == "sequence") {
        if (kPlainOps.count(v)) return true;
        if (v.size() >= 2 && kCountedOps.count(v.substr(0, 1)) && Whole(v.substr(1), canonical)) {
            *canonical = v.substr(0, 1) + *canonical;
            return true;
        }
        *why = "'" + v + "' is not an operation of a sequence";
        return false;
    }
    if (key == "constants") {
        if (ConstantTag(v) || FiniteNumber(v)) return true;
        *why = "'" + v + "' is neither a constant's name nor a finite number";
        return false;
    }
    if (key == "footprint") {
        if (FiniteNumber(v)) return true;
        *why = "'" + v + "' is not a finite number";
        return false;
    }
    *why = "unknown key '" + key + "'";
    return false;
}

} // namespace

bool ReadContractsText(const std::string& text, const std::string& path, std::map<std::string, Contract>& out,
                       std::string& error) {
    std::istringstream file(text);
    std::string line;
    Contract* cur = nullptr;
    for (int n = 1; std::getline(file, line); ++n) {
        const std::string where = path + ":" + std::to_string(n) + ": ";
        std::istringstream in(line.substr(0, line.find('#')));
        std::string key, t;
        if (!(in >> key)) continue;
        std::vector<std::string> vals;
        while (in >> t)
            vals.push_back(t);
        if (key == "contract") {
            if (vals.size() != 1 || out.count(vals[0])) {
                error = where + "one new model name per contract";
                return false;
            }
            cur = &out[vals[0]];
            cur->name = vals[0];
            continue;
        }
        if (!cur) {
            error = where + "a contract must begin with 'contract NAME'";
            return false;
        }
        if (!kCountKeys.count(key) && !kWholeListKeys.count(key) && !kTokenKeys.count(key)) {
            error = where + "unknown key '" + key + "'";
            return false;
        }
        auto& dst = cur->keys[key];
        for (const std::string& v : vals) {
            std::string canonical, why;
            if (!CheckValue(key, v, &canonical, &why)) {
                error = where + why;
                return false;
            }
            dst.push_back(canonical);
        }
        if (kCountKeys.count(key) && dst.size() != 1) {
            error = where + "'" + key + "' takes one whole number";
            return false;
        }
        if (key == "detail" && dst.size() != 2) {
            error = where + "'detail' takes two whole numbers";
            return false;
        }
    }
    return true;
}

bool ReadContracts(const std::string& path, std::map<std::string, Contract>& out, std::string& error) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        error = path + ": cannot read";
        return false;
    }
    std::ostringstream text;
    text << f.rdbuf();
    return ReadContractsText(text.str(), path, out, error);
}

std::string WriteContracts(const std::map<std::string, Contract>& contracts) {
    std::string out;
    for (const auto& [name, contract] : contracts) {
        out += "contract " + name + "\n";
        for (const auto& [key, values] : contract.keys) {
            out += key;
            for (const std::string& v : values)
                out += " " + v;
            out += "\n";
        }
    }
    return out;
}

std::vector<std::string> SequenceOf(const Model& m) {
    std::vector<std::string> s;
    for (const Step& o : m.ops) {
        switch (o.op) {
        case Op::Texture:
            s.push_back("T" + std::to_string(o.n));
            break;
        case Op::Fan:
            s.push_back("F" + std::to_string(o.n));
            break;
        case Op::Strip:
            s.push_back("S" + std::to_string(o.n));
            break;
        case Op::Triangle:
            s.push_back("t");
            break;
        case Op::FlatFan:
            s.push_back("f" + std::to_string(o.n));
            break;
        case Op::FlatTriangle:
            s.push_back("x");
            break;
        case Op::Color:
            s.push_back("C");
            break;
        case Op::Push:
            s.push_back("P");
            break;
        case Op::Pop:
            s.push_back("Q");
            break;
        case Op::Turn:
            s.push_back("turn");
            break;
        case Op::Elevate:
            s.push_back("elev");
            break;
        case Op::Tilt:
            s.push_back("tilt");
            break;
        case Op::CounterTurn:
            s.push_back("ctr");
            break;
        case Op::Flash:
            s.push_back("flash");
            break;
        case Op::Recoil:
            s.push_back("recoil");
            break;
        case Op::Scale:
            s.push_back("scale");
            break;
        case Op::LongBarrel:
            s.push_back("long");
            break;
        case Op::BarrelClass:
            s.push_back("bc");
            break;
        case Op::SizeScale:
            s.push_back("size");
            break;
        case Op::FlatStrip:
            s.push_back("s" + std::to_string(o.n));
            break;
        }
    }
    return s;
}

namespace {

std::string Join(const std::vector<std::string>& v) {
    std::string s;
    for (const std::string& t : v)
        s += (s.empty() ? "" : " ") + t;
    return s;
}

int Count(const Model& m, Op a, Op b) {
    int k = 0;
    for (const Step& o : m.ops)
        k += o.op == a || o.op == b;
    return k;
}

} // namespace

std::vector<std::string> CheckModel(const Model& m, const Contract& c) {
    std::vector<std::string> bad;
    int triangles = 0, vertices = 0, detail = 0, detailTri = 0;
    std::vector<std::string> switches, runs;
    std::set<int> slots;
    std::vector<std::string> constants;
    for (const Step& o : m.ops) {
        if (IsPrimitive(o.op)) {
            triangles += o.n;
            vertices += int(o.xyz.size());
            if (o.detail) ++detail, detailTri += o.n;
        }
        if (o.op == Op::Texture) switches.push_back(std::to_string(o.n)), slots.insert(o.n);
        if (o.op == Op::Strip && o.side >= 0)
            runs.push_back(std::to_string(o.n) + (o.side ? "R" : "L") + (o.sign > 0 ? "+" : "-"));
        auto add = [&](const char* name, int k) {
            std::string tag = name;
            if (o.flags & dm::models::kTurnTilt) tag += "/tilt";
            if (o.flags & dm::models::kTurnClamp15) tag += "/clamp15";
            if (o.flags & dm::models::kTurnElevate) tag += "/elevate";
            if (o.flags & dm::models::kHullGunOnly) tag += "/hullgun";
            if (o.flags & dm::models::kTurretGunOnly) tag += "/turretgun";
            constants.push_back(tag);
            const double v[3] = {o.a, o.b, o.c};
            for (int i = 0; i < k; ++i) {
                char buf[40];
                std::snprintf(buf, sizeof buf, "%.9g", v[i]);
                constants.push_back(buf);
            }
        };
        if (o.op == Op::Turn) add("turn", 3);
        if (o.op == Op::Elevate) add("elevate", 3);
        if (o.op == Op::Flash) add("flash", 3);
        if (o.op == Op::Recoil) add("recoil", 1);
        if (o.op == Op::Scale) add("scale", 3);
        if (o.op == Op::LongBarrel) add("longbarrel", 2);
        if (o.op == Op::BarrelClass) add("barrelclass", 1);
        if (o.op == Op::SizeScale) add("sizescale", 3);
        if (o.op == Op::Tilt) add("tilt", 0);
        if (o.op == Op::CounterTurn) add("counterturn", 0);
    }
    const int strips = Count(m, Op::Strip, Op::FlatStrip), fans = Count(m, Op::Fan, Op::FlatFan);
    const int tris = Count(m, Op::Triangle, Op::FlatTriangle);
    auto number = [&](const char* key, int have) {
        auto it = c.keys.find(key);
        if (it == c.keys.end()) return;
        if (it->second.size() != 1 || it->second[0] != std::to_string(have))
            bad.push_back(std::string(key) + " " + std::to_string(have) + ", contract " + Join(it->second));
    };
    number("strips", strips);
    number("fans", fans);
    number("tris", tris);
    number("primitives", strips + fans + tris);
    number("triangles", triangles);
    number("vertices", vertices);
    number("slots", int(slots.size()));
    number("detailprims", detail);
    if (auto it = c.keys.find("detail"); it != c.keys.end()) {
        std::vector<std::string> have{std::to_string(detail), std::to_string(detailTri)};
        if (have != it->second) bad.push_back("detail " + Join(have) + ", contract " + Join(it->second));
    }
    auto list = [&](const char* key, const std::vector<std::string>& have) {
        auto it = c.keys.find(key);
        if (it != c.keys.end() && it->second != have)
            bad.push_back(std::string(key) + " " + Join(have) + ", contract " + Join(it->second));
    };
    list("switches", switches);
    list("runs", runs);
    list("sequence", SequenceOf(m));
    if (auto it = c.keys.find("used"); it != c.keys.end()) {
        std::set<int> want;
        bool readable = true;
        for (const std::string& s : it->second) {
            // Slot numbers are small decimal numbers; anything else is a damaged contract.
            if (s.empty() || s.size() > 4 || s.find_first_not_of("0123456789") != std::string::npos) {
                readable = false;
                break;
            }
            want.insert(std::atoi(s.c_str()));
        }
        if (!readable)
            bad.push_back("the contract's texture slots are not numbers: " + Join(it->second));
        else if (want != slots)
            bad.push_back("texture slots used differ from the contract's " + Join(it->second));
    }
    auto close = [](const std::vector<std::string>& a, const std::vector<std::string>& b) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i) {
            char* e1 = nullptr;
            char* e2 = nullptr;
            double x = std::strtod(a[i].c_str(), &e1), y = std::strtod(b[i].c_str(), &e2);
            const bool na = *e1 || e1 == a[i].c_str(), nb = *e2 || e2 == b[i].c_str();
            if (na != nb || (na && a[i] != b[i]) || (!na && std::fabs(x - y) > 1e-9)) return false;
        }
        return true;
    };
    if (auto it = c.keys.find("constants"); it != c.keys.end() && !close(constants, it->second))
        bad.push_back("constants " + Join(constants) + ", contract " + Join(it->second));
    if (auto it = c.keys.find("footprint"); it != c.keys.end()) {
        std::vector<std::string> have;
        for (double d : m.footprint) {
            char buf[40];
            std::snprintf(buf, sizeof buf, "%.9g", d);
            have.push_back(buf);
        }
        if (!m.hasFootprint || !close(have, it->second))
            bad.push_back("footprint differs from the contract's " + Join(it->second));
    } else if (m.hasFootprint) {
        bad.push_back("a footprint the contract does not give");
    }
    return bad;
}

} // namespace models
