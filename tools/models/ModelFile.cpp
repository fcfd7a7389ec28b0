// Reading a model file and tessellating its shapes.
//
// A model file is a list of lines in drawing order. Header lines name the model, the model numbers it
// draws, the metres per model unit of its shapes and its footprint. Structural lines (texture, color,
// push, pop, turn, elevate, tilt, counterturn, flash, recoil, scale, longbarrel, barrelclass) carry
// model units. Shape lines carry metres and become primitives; each face of a shape is one convex
// polygon: a fan of (corners - 2) triangles, or a single triangle when it has three corners.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "Model.h"

namespace models {
namespace {

using dm::models::Op;
constexpr double kPi = 3.14159265358979323846;
constexpr double kMetresPerTextureSpan = 2.0; // a part texture covers 2 m of surface

struct Mods {
    bool detail = false;
    int tread = -1;
    bool mirror = false;
};

class Reader {
public:
    Reader(Model& m, std::string& err) : m_(m), err_(err) {}
    bool Line(const std::string& line, int number);
    bool Finish();

private:
    bool Fail(const std::string& what);
    bool Numbers(std::istringstream& in, std::vector<double>& v, size_t atLeast);
    void Poly(std::vector<Vec3> pts, const Mods& mods);
    void Structural(Op op, double a = 0, double b = 0, double c = 0, int flags = 0);
    bool Shape(const std::string& kind, std::istringstream& in, const Mods& mods);
    bool Prism(int axis, Vec3 c, double len, double taper, const std::vector<Vec2>& prof, bool caps,
               const Mods& mods);
    bool Strip(int side, int sign, int n, double x, double w, const std::vector<Vec2>& path);

    Model& m_;
    std::string& err_;
    int line_ = 0;
    double units_ = 0;
    bool textured_ = true;
    bool sawTexture_ = false;
};

bool Reader::Fail(const std::string& what) {
    err_ = m_.file + ":" + std::to_string(line_) + ": " + what;
    return false;
}

bool Reader::Numbers(std::istringstream& in, std::vector<double>& v, size_t atLeast) {
    std::string t;
    while (in >> t) {
        char* end = nullptr;
        double d = std::strtod(t.c_str(), &end);
        if (end == t.c_str() || *end || !std::isfinite(d)) return Fail("not a number: '" + t + "'");
        v.push_back(d);
    }
    if (v.size() < atLeast) return Fail("too few numbers");
    return true;
}

// A whole number within the int range, or false: a float outside it would not
// convert to int at all.
static bool WholeInt(double d, int* out) {
    if (!(d >= -2147483648.0 && d <= 2147483647.0) || d != std::floor(d)) return false;
    *out = int(d);
    return true;
}

// Texture coordinates by planar projection on the face's dominant plane; v grows with z on upright faces.
static void Project(const std::vector<Vec3>& pts, std::vector<Vec2>& uv) {
    Vec3 nrm{0, 0, 0};
    for (size_t i = 0; i < pts.size(); ++i) {
        const Vec3& p = pts[i];
        const Vec3& q = pts[(i + 1) % pts.size()];
        nrm[0] += (p[1] - q[1]) * (p[2] + q[2]);
        nrm[1] += (p[2] - q[2]) * (p[0] + q[0]);
        nrm[2] += (p[0] - q[0]) * (p[1] + q[1]);
    }
    int drop = 0;
    for (int k = 1; k < 3; ++k)
        if (std::fabs(nrm[k]) > std::fabs(nrm[drop]) + 1e-12) drop = k;
    int ua = drop == 0 ? 1 : 0, va = drop == 2 ? 1 : 2;
    for (const Vec3& p : pts)
        uv.push_back({p[ua] / kMetresPerTextureSpan + 0.5, p[va] / kMetresPerTextureSpan + 0.5});
}

void Reader::Poly(std::vector<Vec3> pts, const Mods& mods) {
    for (int pass = 0; pass < (mods.mirror ? 2 : 1); ++pass) {
        Step o;
        std::vector<Vec3> p = pts;
        if (pass == 1)
            for (Vec3& v : p)
                v[0] = -v[0];
        const bool tri = p.size() == 3;
        o.op = tri ? (textured_ ? Op::Triangle : Op::FlatTriangle) : (textured_ ? Op::Fan : Op::FlatFan);
        o.n = int(p.size()) - 2;
        o.detail = mods.detail;
        if (tri && mods.tread >= 0) o.side = mods.tread;
        if (textured_)
            Project(p, o.uv);
        else
            o.uv.assign(p.size(), Vec2{0, 0});
        for (Vec3& v : p)
            o.xyz.push_back({v[0] / units_, v[1] / units_, v[2] / units_});
        m_.ops.push_back(std::move(o));
    }
}

void Reader::Structural(Op op, double a, double b, double c, int flags) {
    Step o;
    o.op = op;
    o.a = a, o.b = b, o.c = c;
    o.flags = flags;
    m_.ops.push_back(std::move(o));
}

// A convex profile extruded along an axis; the far cap is the profile scaled by `taper` about its centre.
bool Reader::Prism(int axis, Vec3 c, double len, double taper, const std::vector<Vec2>& prof, bool caps,
                   const Mods& mods) {
    if (prof.size() < 3) return Fail("a profile needs three points");
    Vec2 mid{0, 0};
    for (const Vec2& p : prof)
        mid[0] += p[0] / prof.size(), mid[1] += p[1] / prof.size();
    const int a1 = axis == 0 ? 1 : 0, a2 = axis == 2 ? 1 : 2;
    auto at = [&](const Vec2& p, int end) {
        Vec3 v = c;
        double s = end ? taper : 1.0;
        v[axis] += end ? len / 2 : -len / 2;
        v[a1] += mid[0] + (p[0] - mid[0]) * s;
        v[a2] += mid[1] + (p[1] - mid[1]) * s;
        return v;
    };
    const size_t k = prof.size();
    for (size_t i = 0; i < k; ++i) {
        const Vec2& p = prof[i];
        const Vec2& q = prof[(i + 1) % k];
        Poly({at(p, 0), at(q, 0), at(q, 1), at(p, 1)}, mods);
    }
    if (caps) {
        std::vector<Vec3> near, far;
        for (size_t i = 0; i < k; ++i)
            near.push_back(at(prof[k - 1 - i], 0)), far.push_back(at(prof[i], 1));
        Poly(near, mods);
        Poly(far, mods);
    }
    return true;
}

// A running-gear strip: (n / 2 + 1) stations spaced evenly along the path (y, z), two vertices each
// across the tread (u 0 inside, 1 outside); v is the distance along the path, so the texture runs with
// the tread offset.
// A strip's triangles: far more than any model draws, far fewer than
// would exhaust the memory.
constexpr int kMaxStripTriangles = 1024;

bool Reader::Strip(int side, int sign, int n, double x, double w, const std::vector<Vec2>& path) {
    if (n < 2 || n % 2 || n > kMaxStripTriangles)
        return Fail("a strip along a path needs an even triangle count of 2 to " + std::to_string(kMaxStripTriangles));
    if (path.size() < 2) return Fail("a running-gear path needs two points");
    if (!(w > 0)) return Fail("a running-gear strip needs a positive width");
    if (!textured_ && side >= 0) return Fail("a running-gear strip must be textured");
    std::vector<double> at{0};
    for (size_t i = 1; i < path.size(); ++i)
        at.push_back(at.back() + std::hypot(path[i][0] - path[i - 1][0], path[i][1] - path[i - 1][1]));
    const double total = at.back();
    if (total <= 0) return Fail("a running-gear path has no length");
    Step o;
    o.op = textured_ ? Op::Strip : Op::FlatStrip;
    o.n = n;
    o.side = side;
    o.sign = sign;
    const int stations = n / 2 + 1;
    const double inner = side == 0 ? x + w / 2 : x - w / 2, outer = side == 0 ? x - w / 2 : x + w / 2;
    if (!textured_) o.sign = 0;
    for (int s = 0; s < stations; ++s) {
        double d = total * s / (stations - 1);
        size_t i = 1;
        while (i + 1 < path.size() && at[i] < d)
            ++i;
        double f = at[i] > at[i - 1] ? (d - at[i - 1]) / (at[i] - at[i - 1]) : 0;
        double y = path[i - 1][0] + (path[i][0] - path[i - 1][0]) * f;
        double z = path[i - 1][1] + (path[i][1] - path[i - 1][1]) * f;
        o.xyz.push_back({inner / units_, y / units_, z / units_});
        o.xyz.push_back({outer / units_, y / units_, z / units_});
        o.uv.push_back(textured_ ? Vec2{0.0, d / w / 4} : Vec2{0, 0});
        o.uv.push_back(textured_ ? Vec2{1.0, d / w / 4} : Vec2{0, 0});
    }
    m_.ops.push_back(std::move(o));
    return true;
}

static int Axis(const std::string& t) {
    return t == "x" ? 0 : t == "y" ? 1 : t == "z" ? 2 : -1;
}

static std::vector<Vec2> Ring(int sides, double r) {
    std::vector<Vec2> p;
    for (int i = 0; i < sides; ++i) {
        double a = 2 * kPi * (i + 0.5) / sides;
        p.push_back({r * std::cos(a), r * std::sin(a)});
    }
    return p;
}

bool Reader::Shape(const std::string& kind, std::istringstream& in, const Mods& mods) {
    std::string ax;
    int axis = -1;
    const bool axial = kind == "prism" || kind == "wedge" || kind == "shell" || kind == "tube" ||
                       kind == "pipe" || kind == "disc";
    int count = 0, sides = 0;
    if (kind == "studs" || kind == "rivets") {
        if (!(in >> count) || count < 1 || count > 1024) return Fail(kind + " needs a count of 1..1024");
        if (kind == "studs" && (!(in >> sides) || sides < 4 || sides > 1024)) return Fail("studs need 4..1024 sides");
        if (kind == "rivets") sides = 3;
    }
    if (axial || count) {
        in >> ax;
        if ((axis = Axis(ax)) < 0) return Fail("axis must be x, y or z");
    }
    std::vector<double> v;
    if (!Numbers(in, v, 0)) return false;
    auto need = [&](size_t k, bool exact) {
        if (v.size() < k || (exact && v.size() != k)) {
            Fail(kind + " takes " + std::to_string(k) + " numbers");
            return false;
        }
        return true;
    };
    if (kind == "box") {
        if (!need(6, true)) return false;
        double x0 = v[0] - v[3] / 2, x1 = v[0] + v[3] / 2, y0 = v[1] - v[4] / 2, y1 = v[1] + v[4] / 2;
        double z0 = v[2] - v[5] / 2, z1 = v[2] + v[5] / 2;
        Poly({{x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}}, mods); // top
        Poly({{x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}, {x0, y0, z0}}, mods); // bottom
        Poly({{x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}}, mods); // front
        Poly({{x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}, {x0, y0, z0}}, mods); // back
        Poly({{x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}, {x1, y0, z0}}, mods); // right
        Poly({{x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}}, mods); // left
        return true;
    }
    if (kind == "prism" || kind == "wedge" || kind == "shell") {
        // axis cx cy cz length taper then profile pairs relative to the centre
        if (!need(8, false) || (v.size() - 5) % 2) return Fail(kind + ": centre, length, taper, pairs");
        std::vector<Vec2> prof;
        for (size_t i = 5; i + 1 < v.size(); i += 2)
            prof.push_back({v[i], v[i + 1]});
        if (kind == "wedge" && prof.size() != 3) return Fail("a wedge has three profile points");
        return Prism(axis, {v[0], v[1], v[2]}, v[3], v[4], prof, kind != "shell", mods);
    }
    if (kind == "tube" || kind == "pipe") {
        // axis cx cy cz length radius sides [far radius]
        if (!need(6, false) || v.size() > 7)
            return Fail(kind + ": centre, length, radius, sides[, far radius]");
        int s = 0;
        if (!WholeInt(v[5], &s) || s < 3 || s > 1024) return Fail(kind + " needs 3..1024 sides");
        double taper = v.size() == 7 ? v[6] / v[4] : 1.0;
        return Prism(axis, {v[0], v[1], v[2]}, v[3], taper, Ring(s, v[4]), kind == "tube", mods);
    }
    if (kind == "disc" || count) {
        // disc: axis cx cy cz radius sides; studs/rivets: axis cx cy cz dx dy dz radius
        if (kind == "disc" && !need(5, true)) return false;
        if (count && !need(7, true)) return false;
        if (kind == "disc") {
            count = 1;
            if (!WholeInt(v[4], &sides) || sides < 3 || sides > 1024) return Fail("a disc needs 3..1024 sides");
        }
        const double r = kind == "disc" ? v[3] : v[6];
        const int a1 = axis == 0 ? 1 : 0, a2 = axis == 2 ? 1 : 2;
        for (int i = 0; i < count; ++i) {
            std::vector<Vec3> pts;
            for (const Vec2& q : Ring(sides, r)) {
                Vec3 p{v[0], v[1], v[2]};
                if (count > 1 || kind != "disc")
                    for (int k = 0; k < 3; ++k)
                        p[k] += v[3 + k] * i;
                p[a1] += q[0];
                p[a2] += q[1];
                pts.push_back(p);
            }
            Poly(pts, mods);
        }
        return true;
    }
    if (kind == "limb") {
        // limb n x0 y0 z0 x1 y1 z1 r0 r1: one strip of n triangles wound round the segment between two
        // joints, alternating between the near ring (radius r0) and the far ring (r1); an even count closes
        // the ring, an odd one ends on a last point of the near ring.
        if (!need(9, true)) return false;
        int n = 0;
        if (!WholeInt(v[0], &n) || n < 2 || n > 1024) return Fail("a limb needs a whole triangle count of 2..1024");
        Vec3 a{v[1], v[2], v[3]}, b{v[4], v[5], v[6]}, d{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        if (len <= 0) return Fail("a limb needs two different joints");
        for (double& c : d)
            c /= len;
        Vec3 ref = std::fabs(d[2]) < 0.9 ? Vec3{0, 0, 1} : Vec3{1, 0, 0};
        Vec3 e1{d[1] * ref[2] - d[2] * ref[1], d[2] * ref[0] - d[0] * ref[2], d[0] * ref[1] - d[1] * ref[0]};
        double l1 = std::sqrt(e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2]);
        for (double& c : e1)
            c /= l1;
        Vec3 e2{d[1] * e1[2] - d[2] * e1[1], d[2] * e1[0] - d[0] * e1[2], d[0] * e1[1] - d[1] * e1[0]};
        const int count = n + 2, pairs = count / 2;
        const double step = 2 * kPi / (count % 2 ? pairs : pairs - 1);
        Step o;
        o.op = textured_ ? Op::Strip : Op::FlatStrip;
        o.n = n;
        for (int i = 0; i < count; ++i) {
            const int k = i / 2;
            const bool far = i % 2;
            const double ang = step * k, r = far ? v[8] : v[7];
            const Vec3& base = far ? b : a;
            Vec3 p;
            for (int c = 0; c < 3; ++c)
                p[c] = base[c] + r * (std::cos(ang) * e1[c] + std::sin(ang) * e2[c]);
            o.xyz.push_back({p[0] / units_, p[1] / units_, p[2] / units_});
            o.uv.push_back(textured_ ? Vec2{k / double(pairs - (count % 2 ? 0 : 1)), far ? 1.0 : 0.0}
                                     : Vec2{0, 0});
        }
        o.detail = false;
        m_.ops.push_back(std::move(o));
        return true;
    }
    if (kind == "strip") {
        // strip x y z ...: one strip through the given vertices in order (n + 2 of them for n triangles)
        if (!need(12, false) || v.size() % 3) return Fail("a strip takes x y z triples, four or more");
        std::vector<Vec3> pts;
        for (size_t i = 0; i < v.size(); i += 3)
            pts.push_back({v[i], v[i + 1], v[i + 2]});
        Step o;
        o.op = textured_ ? Op::Strip : Op::FlatStrip;
        o.n = int(pts.size()) - 2;
        if (textured_)
            Project(pts, o.uv);
        else
            o.uv.assign(pts.size(), Vec2{0, 0});
        for (Vec3& p : pts)
            o.xyz.push_back({p[0] / units_, p[1] / units_, p[2] / units_});
        m_.ops.push_back(std::move(o));
        return true;
    }
    if (kind == "poly") {
        if (!need(9, false) || v.size() % 3) return Fail("poly takes x y z triples, three or more");
        std::vector<Vec3> pts;
        for (size_t i = 0; i < v.size(); i += 3)
            pts.push_back({v[i], v[i + 1], v[i + 2]});
        Poly(pts, mods);
        return true;
    }
    return Fail("unknown line '" + kind + "'");
}

bool Reader::Line(const std::string& text, int number) {
    line_ = number;
    std::string s = text.substr(0, text.find('#'));
    std::istringstream in(s);
    std::string key;
    if (!(in >> key)) return true;
    if (key == "model") {
        if (!m_.name.empty() || !(in >> m_.name)) return Fail("one model name per file");
        return true;
    }
    if (m_.name.empty()) return Fail("the file must begin with 'model NAME'");
    std::vector<double> v;
    if (key == "numbers") {
        if (!Numbers(in, v, 1)) return false;
        for (double d : v) {
            int n = 0;
            if (!WholeInt(d, &n)) return Fail("a model number must be a whole number");
            m_.numbers.push_back(n);
        }
        return true;
    }
    if (key == "units") {
        if (!Numbers(in, v, 1) || v.size() != 1 || v[0] <= 0) return Fail("units takes one positive number");
        units_ = v[0];
        m_.units = v[0];
        return true;
    }
    if (key == "footprint") {
        if (!Numbers(in, v, 4) || v.size() != 4) return Fail("footprint takes four numbers");
        m_.hasFootprint = true;
        for (int i = 0; i < 4; ++i)
            m_.footprint[i] = v[i];
        return true;
    }
    if (key == "texture") {
        if (!Numbers(in, v, 1) || v.size() > 2 || v[0] < 0 || v[0] > 16) return Fail("texture slot 0..16");
        Structural(Op::Texture, 0, v.size() == 2 ? v[1] : -1);
        m_.ops.back().n = int(v[0]);
        textured_ = sawTexture_ = true;
        return true;
    }
    if (key == "color") {
        if (!Numbers(in, v, 3) || v.size() != 3) return Fail("color takes r g b");
        Structural(Op::Color, v[0], v[1], v[2]);
        textured_ = false;
        return true;
    }
    struct Simple {
        const char* key;
        Op op;
        size_t numbers;
    };
    static const Simple simple[] = {{"push", Op::Push, 0},
                                    {"pop", Op::Pop, 0},
                                    {"tilt", Op::Tilt, 0},
                                    {"counterturn", Op::CounterTurn, 0},
                                    {"turn", Op::Turn, 3},
                                    {"elevate", Op::Elevate, 3},
                                    {"flash", Op::Flash, 3},
                                    {"recoil", Op::Recoil, 1},
                                    {"scale", Op::Scale, 3},
                                    {"longbarrel", Op::LongBarrel, 2},
                                    {"barrelclass", Op::BarrelClass, 1},
                                    {"sizescale", Op::SizeScale, 3}};
    for (const Simple& sm : simple) {
        if (key != sm.key) continue;
        int flags = 0;
        std::string t;
        while (in >> t) {
            if (t == "tilt")
                flags |= dm::models::kTurnTilt;
            else if (t == "clamp15")
                flags |= dm::models::kTurnClamp15;
            else if (t == "elevate")
                flags |= dm::models::kTurnElevate;
            else if (t == "hullgun")
                flags |= dm::models::kHullGunOnly;
            else if (t == "turretgun")
                flags |= dm::models::kTurretGunOnly;
            else {
                char* end = nullptr;
                double d = std::strtod(t.c_str(), &end);
                if (end == t.c_str() || *end || !std::isfinite(d)) return Fail("unexpected '" + t + "' after " + key);
                v.push_back(d);
            }
        }
        if (v.size() != sm.numbers) return Fail(key + " takes " + std::to_string(sm.numbers) + " numbers");
        Structural(sm.op, v.size() > 0 ? v[0] : 0, v.size() > 1 ? v[1] : 0, v.size() > 2 ? v[2] : 0, flags);
        return true;
    }
    if (units_ <= 0) return Fail("'units' must come before the first shape");
    if (!sawTexture_ && textured_) return Fail("a texture or a colour must come before the first shape");
    if (key == "track" || key == "tyre") {
        // track L|R +|- n x width then path pairs (y z); tyre L|R +|- n x width cy cz radius from to
        std::string side, sign;
        int n = 0;
        if (!(in >> side >> sign >> n) || (side != "L" && side != "R" && side != "N") ||
            (sign != "+" && sign != "-" && sign != "0") || ((side == "N") != (sign == "0")))
            return Fail(key + " takes L|R with + or -, or N 0, then the triangle count");
        if (!Numbers(in, v, 2)) return false;
        std::vector<Vec2> path;
        if (key == "track") {
            if (v.size() % 2) return Fail("track path takes (y z) pairs");
            for (size_t i = 2; i + 1 < v.size(); i += 2)
                path.push_back({v[i], v[i + 1]});
        } else {
            if (v.size() != 7) return Fail("tyre takes x width cy cz radius from to");
            const int steps = 16;
            for (int i = 0; i <= steps; ++i) {
                double a = (v[5] + (v[6] - v[5]) * i / steps) * kPi / 180;
                path.push_back({v[2] + v[4] * std::cos(a), v[3] + v[4] * std::sin(a)});
            }
        }
        return Strip(side == "L"   ? 0
                     : side == "R" ? 1
                                   : -1,
                     sign == "+"   ? 1
                     : sign == "-" ? -1
                                   : 0,
                     n, v[0], v[1], path);
    }
    Mods mods;
    for (;;) {
        if (key == "detail")
            mods.detail = true;
        else if (key == "mirror")
            mods.mirror = true;
        else if (key == "tread=L")
            mods.tread = 0;
        else if (key == "tread=R")
            mods.tread = 1;
        else
            break;
        if (!(in >> key)) return Fail("a shape must follow its modifiers");
    }
    return Shape(key, in, mods);
}

bool Reader::Finish() {
    line_ = 0;
    if (m_.name.empty()) return Fail("no model in the file");
    int depth = 0;
    for (const Step& o : m_.ops) {
        if (o.op == Op::Push) ++depth;
        if (o.op == Op::Pop && --depth < 0) return Fail("pop without push");
    }
    if (depth) return Fail("a push is never popped");
    // Every number read is finite, but a shape built from huge or tiny ones
    // can still overflow; such a model is refused rather than drawn wrong.
    for (const Step& o : m_.ops) {
        for (const auto& p : o.xyz)
            for (double c : p)
                if (!std::isfinite(c)) return Fail("a shape's coordinates overflow");
        for (const auto& q : o.uv)
            for (double c : q)
                if (!std::isfinite(c)) return Fail("a shape's texture coordinates overflow");
    }
    return true;
}

} // namespace

bool IsPrimitive(dm::models::Op op) {
    return op == Op::Fan || op == Op::Strip || op == Op::FlatStrip || op == Op::Triangle ||
           op == Op::FlatFan || op == Op::FlatTriangle;
}

bool ReadModel(const std::string& path, Model& model, std::string& error) {
    model = Model{};
    model.file = path.substr(path.find_last_of('/') + 1);
    std::ifstream f(path);
    if (!f) {
        error = path + ": cannot read";
        return false;
    }
    Reader r(model, error);
    std::string line;
    int n = 0;
    while (std::getline(f, line))
        if (!r.Line(line, ++n)) return false;
    return r.Finish();
}

} // namespace models
