// dm_models --contract <contract.txt> --out <ModelTables.cpp> [--sizes <vehicle_models.txt>] <model files...>
// Tessellates every model file, checks each against its contract and writes the compiled-in tables.
// Any model that disagrees with its contract, or has none, fails the run with the model named, and
// nothing is written: the previous tables stay as they were.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Contract.h"
#include "Model.h"

namespace {

// Vehicle model numbers and their size (length, width, height in metres) from the vehicle model table:
// rows [n] and [n : m] (a copy of row m), placeholders skipped, [default] giving the starting values.
// A row number in decimal digits (leading zeros are decimal), 0..99999.
bool RowNumber(const std::string& s, int* row) {
    size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
    if (a == std::string::npos) return false;
    const std::string t = s.substr(a, b - a + 1);
    if (t.empty() || t.size() > 9 || t.find_first_not_of("0123456789") != std::string::npos) return false;
    long v = std::strtol(t.c_str(), nullptr, 10);
    if (v > 99999) return false;
    *row = static_cast<int>(v);
    return true;
}

std::map<int, std::array<double, 3>> ReadSizes(const std::string& path, std::string& error) {
    std::map<int, std::array<double, 3>> sizes;
    std::ifstream f(path);
    if (!f) {
        error = path + ": cannot read";
        return sizes;
    }
    std::array<double, 3> def{0, 0, 0};
    std::string line;
    int row = -2; // -2 before any section, -1 in [default]
    for (int n = 1; std::getline(f, line); ++n) {
        const std::string where = path + ":" + std::to_string(n) + ": ";
        line = line.substr(0, line.find('#'));
        std::istringstream in(line);
        std::string key;
        if (!(in >> key)) continue;
        if (key[0] == '[') {
            const size_t close = line.find(']');
            if (line.find("placeholder") != std::string::npos) {
                row = -2;
            } else if (key == "[default]") {
                row = -1;
            } else {
                const std::string inside = close == std::string::npos
                                               ? ""
                                               : line.substr(line.find('[') + 1, close - line.find('[') - 1);
                const size_t colon = inside.find(':');
                int from = -1;
                if (!RowNumber(inside.substr(0, colon), &row) ||
                    (colon != std::string::npos && !RowNumber(inside.substr(colon + 1), &from))) {
                    error = where + "a row is [n] or [n : m] with whole numbers";
                    return sizes;
                }
                sizes[row] = from >= 0 && sizes.count(from) ? sizes[from] : def;
            }
            continue;
        }
        if (key != "mSize") continue;
        std::string eq, w[3];
        double v[3];
        if (!(in >> eq >> w[0] >> w[1] >> w[2]) || eq != "=") {
            error = where + "mSize takes three numbers";
            return sizes;
        }
        for (int i = 0; i < 3; ++i) {
            char* end = nullptr;
            v[i] = std::strtod(w[i].c_str(), &end);
            if (end == w[i].c_str() || *end || !std::isfinite(v[i]) || v[i] < 0.0 || v[i] > 100.0 ||
                w[i].find_first_not_of("0123456789.+-eE") != std::string::npos) {
                error = where + "'" + w[i] + "' is not a size in metres (0..100)";
                return sizes;
            }
        }
        if (row == -1)
            def = {v[0], v[1], v[2]};
        else if (row >= 0)
            sizes[row] = {v[0], v[1], v[2]};
    }
    return sizes;
}

// One whole or decimal number per row of a data table for `key` (its first value), with the same rows
// as above: [n], [n : m] copying row m, placeholders skipped, [default] first. Missing file: empty.
// The tables are checked by the data build; a value that does not read is left out.
std::map<int, double> ReadColumn(const std::string& path, const std::string& key) {
    std::map<int, std::map<std::string, double>> rows;
    std::map<std::string, double> def;
    std::ifstream f(path);
    std::string line;
    int row = -2;
    while (std::getline(f, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream in(line);
        std::string k;
        if (!(in >> k)) continue;
        if (k[0] == '[') {
            const size_t close = line.find(']');
            if (line.find("placeholder") != std::string::npos || close == std::string::npos) {
                row = -2;
            } else if (k == "[default]") {
                row = -1;
            } else {
                const std::string inside = line.substr(line.find('[') + 1, close - line.find('[') - 1);
                const size_t colon = inside.find(':');
                int from = -1;
                if (!RowNumber(inside.substr(0, colon), &row) ||
                    (colon != std::string::npos && !RowNumber(inside.substr(colon + 1), &from))) {
                    row = -2;
                    continue;
                }
                rows[row] = from >= 0 && rows.count(from) ? rows[from] : def;
            }
            continue;
        }
        std::string eq, w;
        if (!(in >> eq >> w) || eq != "=") continue;
        char* end = nullptr;
        const double v = std::strtod(w.c_str(), &end);
        if (end == w.c_str() || !std::isfinite(v)) continue;
        if (row == -1)
            def[k] = v;
        else if (row >= 0)
            rows[row][k] = v;
    }
    std::map<int, double> out;
    for (const auto& [n, values] : rows)
        if (values.count(key)) out[n] = values.at(key);
    return out;
}

// The main gun a vehicle model carries, from the vehicles drawn with it: the first vehicle row of the
// model whose main weapon has a calibre. Calibre and barrel length in metres; 0 when none. A flame
// gun (class 6) has no bore: its projector is drawn as a 12 cm one (so 0.29 m thick, a stub unlike any
// barrel) and mBarrelLength centimetres long.
struct Gun {
    double calibre = 0, length = 0;
};
std::map<int, Gun> ReadGuns(const std::string& tablesDir) {
    const auto models = ReadColumn(tablesDir + "/vehicles.txt", "mVehicleModel");
    const auto weapons = ReadColumn(tablesDir + "/vehicles.txt", "mMainWeapon");
    const auto calibres = ReadColumn(tablesDir + "/weapons.txt", "mCalibre");
    const auto lengths = ReadColumn(tablesDir + "/weapons.txt", "mBarrelLength");
    const auto classes = ReadColumn(tablesDir + "/weapons.txt", "mClass");
    std::map<int, Gun> guns;
    for (const auto& [type, model] : models) {
        const int m = int(model);
        if (guns.count(m) || !weapons.count(type)) continue;
        const int w = int(weapons.at(type));
        if (!calibres.count(w) || !lengths.count(w) || calibres.at(w) <= 0 || lengths.at(w) <= 0) continue;
        if (classes.count(w) && int(classes.at(w)) == 6)
            guns[m] = {0.12, lengths.at(w) / 100.0}; // a flame gun's projector, its length in centimetres
        else
            guns[m] = {calibres.at(w) / 1000.0, calibres.at(w) / 1000.0 * lengths.at(w)};
    }
    return guns;
}

// A copy of the general model proportioned to one vehicle model's size, the hull's length, width and
// height: every position and constant scaled per axis against the general model's own extent without
// its barrel. The barrel (the primitives after the recoil that reach forward, not the mantlet) is
// fitted to the model's gun when it has one: calibre x barrel length long from where it starts, at
// least 0.14 m and 2.4 calibres thick about its own axis, the muzzle point at its end. Without a gun
// the barrel keeps the hull's proportions.
// The running gear a variant stands on, by the model's ground shading class.
enum class Gear { Tracks, Wheels, HalfTrack };

// Replaces one side's sixteen tread triangles (in model units, x the side's outer face, the hull from
// y0 to y1) with wheels: two wheels, each an octagonal disc (six triangles) on the outer face and the
// tyre's cross-section through the axle (two), 0.3 m wide; or, for a half-track, a front wheel and a
// track behind it (its outer face a fan of four, its top and bottom runs two each), all standing on the
// tracks' old lowest point `base`. Nothing lies below the ground or beyond the outer face.
void PlaceWheels(std::vector<models::Step*>& tread, double x, double y0, double y1, double base, Gear gear) {
    const double u = 1 / 28.9, sign = x < 0 ? -1 : 1;
    const double len = y1 - y0, r = std::min(0.5 * u, 0.1 * len), inner = x - sign * 0.3 * u;
    std::vector<std::array<double, 3>> tris; // three points a triangle
    auto wheel = [&](double yc) {
        const double zc = base + r;
        std::array<double, 3> p[8];
        for (int k = 0; k < 8; ++k) {
            const double a = 3.14159265358979 * (0.125 + 0.25 * k);
            p[k] = {x, yc + r * std::cos(a), zc + r * std::sin(a)};
        }
        for (int k = 1; k < 7; ++k) {
            tris.push_back(p[0]), tris.push_back(p[k]), tris.push_back(p[k + 1]);
        }
        const std::array<double, 3> a{x, yc, base}, b{inner, yc, base}, c{inner, yc, base + 2 * r},
            d{x, yc, base + 2 * r};
        tris.push_back(a), tris.push_back(b), tris.push_back(c);
        tris.push_back(a), tris.push_back(c), tris.push_back(d);
    };
    wheel(y1 - 0.22 * len);
    if (gear == Gear::Wheels) {
        wheel(y0 + 0.22 * len);
    } else {
        const double yb = y0 + 0.05 * len, yf = y0 + 0.55 * len, top = base + 0.7 * 2 * r;
        const std::array<double, 3> f[6] = {{x, yb, base}, {x, yf, base}, {x, yf + 0.1 * len, 0.5 * top},
                                            {x, yf, top},  {x, yb, top},  {x, yb - 0.04 * len, 0.5 * top}};
        for (int k = 1; k < 5; ++k) {
            tris.push_back(f[0]), tris.push_back(f[k]), tris.push_back(f[k + 1]);
        }
        for (double z : {top, base}) {
            const std::array<double, 3> a{x, yb, z}, b{x, yf, z}, c{inner, yf, z}, d{inner, yb, z};
            tris.push_back(a), tris.push_back(b), tris.push_back(c);
            tris.push_back(a), tris.push_back(c), tris.push_back(d);
        }
    }
    for (size_t i = 0; i < tread.size() && 3 * i + 2 < tris.size(); ++i)
        for (int k = 0; k < 3; ++k)
            tread[i]->xyz[size_t(k)] = tris[3 * i + size_t(k)];
}

// The general model as a fixed emplacement of length x width x height metres: the hull becomes a
// block of concrete on the ground, its walls the hull's, the roof keeping its hatches as vents; the
// tracks, the turret and the gun shrink to points at the block's centre (the table keeps every
// primitive, so the model's layout is the general model's); two of the underside's black quads become
// the embrasures in the front wall, where the weapons' flash shows.
models::Model Emplacement(const models::Model& base, int number, const std::array<double, 3>& size) {
    const double u = 1 / 28.9;
    // The hull's walls in the general model (its file's metres, so in model units once divided by 28.9):
    // the block they span.
    const double x0 = -1.45 * u, x1 = 1.45 * u, y0 = -3.0 * u, y1 = 2.9 * u, z0 = 0.35 * u, z1 = 1.42 * u;
    auto block = [&](models::Vec3& p) {
        const double x = std::clamp(p[0], x0, x1), y = std::clamp(p[1], y0, y1), z = std::clamp(p[2], z0, z1);
        p[0] = ((x - x0) / (x1 - x0) - 0.5) * size[1] * u;
        p[1] = ((y - y0) / (y1 - y0) - 0.5) * size[0] * u;
        p[2] = (z - z0) / (z1 - z0) * size[2] * u;
    };
    // The embrasures lie on the steep plate of the front (the hull's upper nose, from y 2.9 at 0.7 m
    // up to y 2.8 at 0.95 m), a centimetre before it, one either side of the middle.
    auto slit = [&](double xa, double xb) {
        std::vector<models::Vec3> q = {{xa * u, 2.88 * u, 0.75 * u},
                                       {xb * u, 2.88 * u, 0.75 * u},
                                       {xb * u, 2.83 * u, 0.88 * u},
                                       {xa * u, 2.83 * u, 0.88 * u}};
        for (auto& p : q) {
            block(p);
            p[1] += 0.01 * u;
        }
        return q;
    };
    const double slitX[2][2] = {{-1.0, -0.45}, {0.45, 1.0}};
    models::Model m = base;
    m.name = base.name + "_" + std::to_string(number);
    m.numbers = {number};
    bool turned = false, black = false;
    int slot = -1, quads = 0;
    for (models::Step& s : m.ops) {
        if (s.op == dm::models::Op::Texture) slot = s.n, black = false;
        if (s.op == dm::models::Op::Color) black = s.a == 0 && s.b == 0 && s.c == 0;
        if (s.op == dm::models::Op::Turn) turned = true;
        if (s.op == dm::models::Op::Turn || s.op == dm::models::Op::Elevate) s.a = s.b = s.c = 0;
        if (s.op == dm::models::Op::Flash) {
            const auto q = slit(slitX[0][0], slitX[0][1]);
            s.a = 0.5 * (q[0][0] + q[1][0]), s.b = q[0][1], s.c = 0.5 * (q[0][2] + q[2][2]);
        }
        if (s.xyz.empty()) continue;
        const bool tread = slot == 0 && (s.side == 0 || s.side == 1);
        if (turned || tread) {
            for (auto& p : s.xyz)
                p = {0.0, 0.0, 0.0};
            continue;
        }
        if (black && s.n == 2 && s.xyz.size() == 4 && quads < 2) {
            s.xyz = slit(slitX[quads][0], slitX[quads][1]);
            ++quads;
            continue;
        }
        for (auto& p : s.xyz)
            block(p);
    }
    return m;
}

models::Model Variant(const models::Model& base, int number, const std::array<double, 3>& size,
                      const Gun& gun, Gear gear) {
    const double unitsPerMetre = 1 / 28.9;
    // The barrel's primitives: after the recoil, longer than half a metre along y.
    std::vector<bool> barrel(base.ops.size(), false);
    bool afterRecoil = false;
    double blo[3] = {1e9, 1e9, 1e9}, bhi[3] = {-1e9, -1e9, -1e9};
    for (size_t i = 0; i < base.ops.size(); ++i) {
        const models::Step& s = base.ops[i];
        if (s.op == dm::models::Op::Recoil) afterRecoil = true;
        if (!afterRecoil || s.xyz.empty()) continue;
        double ylo = 1e9, yhi = -1e9;
        for (const auto& p : s.xyz)
            ylo = std::min(ylo, p[1]), yhi = std::max(yhi, p[1]);
        if (yhi - ylo < 0.5 * unitsPerMetre) continue;
        barrel[i] = true;
        for (const auto& p : s.xyz)
            for (int k = 0; k < 3; ++k)
                blo[k] = std::min(blo[k], p[k]), bhi[k] = std::max(bhi[k], p[k]);
    }
    double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
    for (size_t i = 0; i < base.ops.size(); ++i)
        if (!barrel[i])
            for (const auto& p : base.ops[i].xyz)
                for (int k = 0; k < 3; ++k)
                    lo[k] = std::min(lo[k], p[k]), hi[k] = std::max(hi[k], p[k]);
    const double sx = size[1] * unitsPerMetre / (hi[0] - lo[0]),
                 sy = size[0] * unitsPerMetre / (hi[1] - lo[1]);
    const double sz = size[2] * unitsPerMetre / (hi[2] - lo[2]);
    // The barrel: its axis (x, z) and where it starts follow the hull; its length and thickness the gun.
    const bool fit = gun.calibre > 0 && bhi[1] > blo[1];
    const double ax = 0.5 * (blo[0] + bhi[0]), az = 0.5 * (blo[2] + bhi[2]);
    const double thick = fit ? std::max(0.14, 2.4 * gun.calibre) * unitsPerMetre : 0;
    const double wx = fit ? thick / (bhi[0] - blo[0]) : sx, wz = fit ? thick / (bhi[2] - blo[2]) : sz;
    const double ly = fit ? gun.length * unitsPerMetre / (bhi[1] - blo[1]) : sy;
    auto barrelPoint = [&](std::array<double, 3>& p) {
        p[0] = ax * sx + (p[0] - ax) * wx;
        p[1] = blo[1] * sy + (p[1] - blo[1]) * ly;
        p[2] = az * sz + (p[2] - az) * wz;
    };
    models::Model m = base;
    m.name = base.name + "_" + std::to_string(number);
    m.numbers = {number};
    for (size_t i = 0; i < m.ops.size(); ++i) {
        models::Step& s = m.ops[i];
        for (auto& p : s.xyz)
            if (barrel[i])
                barrelPoint(p);
            else
                p[0] *= sx, p[1] *= sy, p[2] *= sz;
        if (s.op == dm::models::Op::Flash) {
            std::array<double, 3> q{s.a, bhi[1], s.c};
            barrelPoint(q);
            s.a = q[0], s.b = q[1], s.c = q[2];
        } else if (s.op == dm::models::Op::Turn || s.op == dm::models::Op::Elevate) {
            s.a *= sx, s.b *= sy, s.c *= sz;
        }
    }
    if (gear != Gear::Tracks) {
        // Slot 0's single triangles are the two tracks' sixteen each, left then right.
        std::vector<models::Step*> tread[2];
        int slot = -1;
        for (models::Step& s : m.ops) {
            if (s.op == dm::models::Op::Texture) slot = s.n;
            if (slot == 0 && s.op == dm::models::Op::Triangle && s.xyz.size() == 3 &&
                (s.side == 0 || s.side == 1))
                tread[s.side].push_back(&s);
        }
        double outer = 0, ground = 1e9;
        for (const auto* t : tread[1])
            for (const auto& p : t->xyz)
                outer = std::max(outer, p[0]), ground = std::min(ground, p[2]);
        if (tread[0].size() == 16 && tread[1].size() == 16 && outer > 0) {
            PlaceWheels(tread[0], -outer, lo[1] * sy, hi[1] * sy, ground, gear);
            PlaceWheels(tread[1], outer, lo[1] * sy, hi[1] * sy, ground, gear);
        }
    }
    return m;
}

std::string F(double d) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.9gf", float(d));
    std::string s = buf;
    if (s.find_first_of(".en") == std::string::npos) s.insert(s.size() - 1, ".0");
    return s;
}

const char* OpName(dm::models::Op op) {
    static const char* names[] = {"Texture", "Fan",          "Strip",       "Triangle",  "Color",
                                  "FlatFan", "FlatTriangle", "Push",        "Pop",       "Turn",
                                  "Elevate", "Tilt",         "CounterTurn", "Flash",     "Recoil",
                                  "Scale",   "LongBarrel",   "BarrelClass", "SizeScale", "FlatStrip"};
    return names[int(op)];
}

std::string Write(const std::vector<models::Model>& all) {
    std::ostringstream o;
    o << "// Generated by dm_models from data/models. Do not edit.\n#include <cstring>\n\n"
         "#include \"models/ModelTables.h\"\n\nnamespace dm::models {\nnamespace {\n\n";
    for (size_t i = 0; i < all.size(); ++i) {
        const models::Model& m = all[i];
        o << "// " << m.name << "\nconst std::int16_t kNumbers" << i << "[] = {";
        for (int n : m.numbers)
            o << n << ", ";
        o << "-1};\nconst float kXyz" << i << "[] = {\n";
        int count = 0;
        for (const models::Step& s : m.ops)
            for (const auto& p : s.xyz)
                o << "    " << F(p[0]) << ", " << F(p[1]) << ", " << F(p[2]) << ",\n", ++count;
        if (!count) o << "    0.0f,\n";
        o << "};\nconst float kUv" << i << "[] = {\n";
        for (const models::Step& s : m.ops)
            for (const auto& p : s.uv)
                o << "    " << F(p[0]) << ", " << F(p[1]) << ",\n";
        if (!count) o << "    0.0f,\n";
        o << "};\nconst ModelOp kOps" << i << "[] = {\n";
        int first = 0;
        for (const models::Step& s : m.ops) {
            const bool prim = models::IsPrimitive(s.op);
            o << "    {Op::" << OpName(s.op) << ", " << s.flags << ", " << (s.detail ? "true" : "false")
              << ", " << s.side << ", " << s.sign << ", " << s.n << ", " << (prim ? first : 0) << ", "
              << F(s.a) << ", " << F(s.b) << ", " << F(s.c) << "},\n";
            if (prim) first += int(s.xyz.size());
        }
        o << "};\n\n";
        (void)count;
    }
    o << "} // namespace\n\nconst ModelTable kModelTables[] = {\n";
    for (size_t i = 0; i < all.size(); ++i) {
        const models::Model& m = all[i];
        int verts = 0;
        for (const models::Step& s : m.ops)
            verts += int(s.xyz.size());
        o << "    {\"" << m.name << "\", kNumbers" << i << ", " << (m.hasFootprint ? "true" : "false")
          << ", {" << F(m.footprint[0]) << ", " << F(m.footprint[1]) << ", " << F(m.footprint[2]) << ", "
          << F(m.footprint[3]) << "}, kXyz" << i << ", kUv" << i << ", " << verts << ", kOps" << i << ", "
          << m.ops.size() << ", " << F(m.units) << "},\n";
    }
    o << "};\nconst int kModelTableCount = " << all.size()
      << ";\n\nconst ModelTable* FindModelTable(const char* name) {\n"
         "    for (int i = 0; i < kModelTableCount; ++i)\n"
         "        if (!std::strcmp(kModelTables[i].name, name)) return &kModelTables[i];\n"
         "    return nullptr;\n}\n\n} // namespace dm::models\n";
    return o.str();
}

} // namespace

int main(int argc, char** argv) {
    std::string contractPath, out, sizesPath;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--contract") && i + 1 < argc)
            contractPath = argv[++i];
        else if (!std::strcmp(argv[i], "--sizes") && i + 1 < argc)
            sizesPath = argv[++i];
        else if (!std::strcmp(argv[i], "--out") && i + 1 < argc)
            out = argv[++i];
        else
            files.push_back(argv[i]);
    }
    if (contractPath.empty() || out.empty() || files.empty()) {
        std::fprintf(stderr, "usage: dm_models --contract <contract.txt> --out <file.cpp> <model files>\n");
        return 2;
    }
    std::map<std::string, models::Contract> contracts;
    std::string err;
    if (!models::ReadContracts(contractPath, contracts, err)) {
        std::fprintf(stderr, "models: %s\n", err.c_str());
        return 1;
    }
    std::vector<models::Model> all;
    std::set<std::string> names;
    bool failed = false;
    for (const std::string& f : files) {
        models::Model m;
        if (!models::ReadModel(f, m, err)) {
            std::fprintf(stderr, "models: %s\n", err.c_str());
            failed = true;
            continue;
        }
        if (!names.insert(m.name).second) {
            std::fprintf(stderr, "models: model %s is given twice\n", m.name.c_str());
            failed = true;
        }
        auto it = contracts.find(m.name);
        if (it == contracts.end()) {
            std::fprintf(stderr, "models: model %s (%s) has no contract\n", m.name.c_str(), m.file.c_str());
            failed = true;
            continue;
        }
        for (const std::string& d : models::CheckModel(m, it->second)) {
            std::fprintf(stderr, "models: model %s (%s): %s\n", m.name.c_str(), m.file.c_str(), d.c_str());
            failed = true;
        }
        all.push_back(std::move(m));
    }
    for (const auto& [name, c] : contracts)
        if (!names.count(name)) {
            std::fprintf(stderr, "models: contract %s has no model file\n", name.c_str());
            failed = true;
        }
    if (failed) return 1;
    // With the vehicle model table: one proportioned general model for every model number that has a
    // size and no model of its own.
    if (!sizesPath.empty()) {
        std::set<int> own;
        const models::Model* general = nullptr;
        for (const models::Model& m : all) {
            if (m.hasFootprint) own.insert(m.numbers.begin(), m.numbers.end()); // the vehicle models

            if (m.name == "GeneralModel") general = &m;
        }
        auto sizes = ReadSizes(sizesPath, err);
        if (!err.empty() || !general) {
            std::fprintf(stderr, "models: %s\n", err.empty() ? "no GeneralModel to proportion" : err.c_str());
            return 1;
        }
        const models::Model base = *general;
        const std::string tables = sizesPath.substr(
            0, sizesPath.find_last_of('/') == std::string::npos ? 0 : sizesPath.find_last_of('/'));
        const auto guns = ReadGuns(tables.empty() ? "." : tables);
        // Lorries and armoured cars roll on wheels, half-tracks on a front wheel and a track.
        const auto shading = ReadColumn(sizesPath, "mShadingClass");
        for (const auto& [number, size] : sizes) {
            if (own.count(number)) continue;
            if (size[0] <= 0 || size[1] <= 0 || size[2] <= 0) {
                std::fprintf(stderr, "models: vehicle model %d has no size\n", number);
                return 1;
            }
            const int cls = shading.count(number) ? int(shading.at(number)) : 0;
            if (cls == 8) { // no running gear: a bunker or a casemate
                all.push_back(Emplacement(base, number, size));
                continue;
            }
            const Gear gear = cls == 2 || cls == 3 ? Gear::Wheels : cls == 1 ? Gear::HalfTrack : Gear::Tracks;
            all.push_back(Variant(base, number, size, guns.count(number) ? guns.at(number) : Gun{}, gear));
        }
    }
    const std::string text = Write(all);
    const std::string tmp = out + ".part";
    {
        std::ofstream f(tmp, std::ios::binary);
        f << text;
        if (!f.flush()) {
            std::fprintf(stderr, "models: cannot write %s\n", tmp.c_str());
            std::remove(tmp.c_str());
            return 1;
        }
    }
    if (std::rename(tmp.c_str(), out.c_str())) {
        std::fprintf(stderr, "models: cannot replace %s\n", out.c_str());
        std::remove(tmp.c_str());
        return 1;
    }
    return 0;
}
