#include "ModelSheet.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "models/ModelTables.h"

namespace {

using dm::models::ModelOp;
using dm::models::ModelTable;
using dm::models::Op;

constexpr int kCellW = 230, kCellH = 150, kCaption = 14, kGap = 6;
const Rgb kBack{40, 40, 44}, kText{226, 220, 200};

struct Tri {
    std::array<float, 9> p;
    Rgb colour;
};

// One colour per texture slot (the running gear dark, the barrel light), or the model's own colour.
Rgb SlotColour(int slot) {
    static const Rgb palette[17] = {
        {70, 66, 60},   {128, 132, 100}, {110, 118, 86},  {150, 140, 96}, {120, 124, 92},  {170, 170, 150},
        {100, 108, 80}, {140, 128, 90},  {96, 104, 90},   {132, 120, 84}, {116, 130, 104}, {146, 136, 110},
        {104, 96, 72},  {126, 140, 112}, {160, 150, 120}, {90, 100, 100}, {138, 112, 84}};
    return palette[std::clamp(slot, 0, 16)];
}

// The model's triangles at rest (no turret turn, no elevation, no recoil), in model space.
std::vector<Tri> Triangles(const ModelTable& m) {
    std::vector<Tri> out;
    Rgb colour = SlotColour(0);
    float scale = 1;
    for (int i = 0; i < m.opCount; ++i) {
        const ModelOp& o = m.ops[i];
        if (o.op == Op::Texture) colour = SlotColour(o.n);
        if (o.op == Op::Color)
            colour = Rgb{uint8_t(40 + 200 * o.a), uint8_t(40 + 200 * o.b), uint8_t(40 + 200 * o.c)};
        if (o.op == Op::Scale) scale = o.a;
        auto vtx = [&](int k, float* dst) {
            for (int c = 0; c < 3; ++c)
                dst[c] = m.xyz[3 * (o.first + k) + c] * scale;
        };
        auto add = [&](int a, int b, int c) {
            Tri t;
            vtx(a, &t.p[0]), vtx(b, &t.p[3]), vtx(c, &t.p[6]);
            t.colour = colour;
            out.push_back(t);
        };
        switch (o.op) {
        case Op::Fan:
        case Op::FlatFan:
            for (int k = 1; k <= o.n; ++k)
                add(0, k, k + 1);
            break;
        case Op::Strip:
        case Op::FlatStrip:
            for (int k = 0; k < o.n; ++k)
                add(k, k + 1, k + 2);
            break;
        case Op::Triangle:
        case Op::FlatTriangle:
            add(0, 1, 2);
            break;
        default:
            break;
        }
    }
    return out;
}

// Orthographic view: `right` and `up` pick the model axes shown (sign in the second element).
struct View {
    int right, up, depth;
    float rs, us, ds;
};

void Render(Image& img, int ox, int oy, const std::vector<Tri>& tris, const View& v, float scale, float cx,
            float cy, int cellW = kCellW, int cellH = kCellH, bool flat = false) {
    std::vector<float> zbuf(size_t(cellW) * cellH, -1e9f);
    const float light[3] = {0.4f, -0.5f, 0.77f};
    for (const Tri& t : tris) {
        float sx[3], sy[3], sz[3];
        for (int k = 0; k < 3; ++k) {
            sx[k] = cellW / 2 + (t.p[3 * k + v.right] * v.rs - cx) * scale;
            sy[k] = cellH / 2 - (t.p[3 * k + v.up] * v.us - cy) * scale;
            sz[k] = t.p[3 * k + v.depth] * v.ds;
        }
        float e1[3], e2[3], n[3];
        for (int c = 0; c < 3; ++c)
            e1[c] = t.p[3 + c] - t.p[c], e2[c] = t.p[6 + c] - t.p[c];
        n[0] = e1[1] * e2[2] - e1[2] * e2[1], n[1] = e1[2] * e2[0] - e1[0] * e2[2],
        n[2] = e1[0] * e2[1] - e1[1] * e2[0];
        float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        if (len <= 0) continue;
        float lit = std::fabs(n[0] * light[0] + n[1] * light[1] + n[2] * light[2]) / len;
        Rgb c = flat ? t.colour : Shade(t.colour, 0.45f + 0.75f * lit);
        float area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
        if (std::fabs(area) < 1e-6f) continue;
        int x0 = std::max(0, int(std::floor(std::min({sx[0], sx[1], sx[2]}))));
        int x1 = std::min(cellW - 1, int(std::ceil(std::max({sx[0], sx[1], sx[2]}))));
        int y0 = std::max(0, int(std::floor(std::min({sy[0], sy[1], sy[2]}))));
        int y1 = std::min(cellH - 1, int(std::ceil(std::max({sy[0], sy[1], sy[2]}))));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                float px = x + 0.5f, py = y + 0.5f;
                float w0 = ((sx[1] - px) * (sy[2] - py) - (sx[2] - px) * (sy[1] - py)) / area;
                float w1 = ((sx[2] - px) * (sy[0] - py) - (sx[0] - px) * (sy[2] - py)) / area;
                float w2 = 1 - w0 - w1;
                if (w0 < 0 || w1 < 0 || w2 < 0) continue;
                float z = w0 * sz[0] + w1 * sz[1] + w2 * sz[2];
                float& zb = zbuf[size_t(y) * cellW + x];
                if (z < zb) continue;
                zb = z;
                img.Set(ox + x, oy + y, c);
            }
    }
}

// A 4 x 4 matrix (column vectors, row-major storage) for putting the figure pieces together.
struct Mat {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    Mat operator*(const Mat& o) const {
        Mat r;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                float s = 0;
                for (int k = 0; k < 4; ++k)
                    s += m[4 * i + k] * o.m[4 * k + j];
                r.m[4 * i + j] = s;
            }
        return r;
    }
};
Mat Translate(float x, float y, float z) {
    Mat r;
    r.m[3] = x, r.m[7] = y, r.m[11] = z;
    return r;
}
Mat Scale(float x, float y, float z) {
    Mat r;
    r.m[0] = x, r.m[5] = y, r.m[10] = z;
    return r;
}
Mat Rotate(int axis, float degrees) {
    const float a = degrees * 3.14159265f / 180, c = std::cos(a), s = std::sin(a);
    Mat r;
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    r.m[4 * i + i] = c, r.m[4 * i + j] = -s, r.m[4 * j + i] = s, r.m[4 * j + j] = c;
    return r;
}

void AddPiece(std::vector<Tri>& out, const char* name, const Mat& at) {
    const ModelTable* t = dm::models::FindModelTable(name);
    if (!t) return;
    for (Tri tri : Triangles(*t)) {
        for (int v = 0; v < 3; ++v) {
            const float x = tri.p[3 * v], y = tri.p[3 * v + 1], z = tri.p[3 * v + 2];
            for (int r = 0; r < 3; ++r)
                tri.p[3 * v + r] =
                    at.m[4 * r] * x + at.m[4 * r + 1] * y + at.m[4 * r + 2] * z + at.m[4 * r + 3];
        }
        out.push_back(tri);
    }
}

// One walking figure of a member, put together at its joints the way the figure drawing does, so the
// sheet shows how the pieces bend: names are the member's pieces, shoulder and hip its joints.
std::vector<Tri> Figure(const std::string& member, float shoulderZ, float hipY, bool best) {
    std::vector<Tri> out;
    auto piece = [](const std::string& part, const std::string& m) { return "Soldier" + part + m; };
    if (best) {
        Mat torso = Translate(0, -1, 62.5f) * Scale(1.08f, 1, 1);
        AddPiece(out, "SoldierTorsoBestFront", torso);
        AddPiece(out, "SoldierTorsoBestBack", torso * Rotate(2, 180));
    } else {
        AddPiece(out, piece("Torso", member == "Average" ? "Sucky" : member).c_str(), Mat());
    }
    const Mat head = Rotate(2, 15);
    if (best) // the fine face mesh is stored small and lying down
        AddPiece(out, "SoldierFaceBest",
                 head * Translate(0, 6, 129) * Scale(1780, 1870, 1780) * Rotate(0, 90));
    else
        AddPiece(out, piece("Face", member).c_str(), head);
    AddPiece(out, "SoldierHeadgear0",
             head * Translate(0.9f, 0.5f, 132.7f) * Rotate(0, 3) * Rotate(1, 11) *
                 Scale(1.13f, 0.76f, 0.88f));
    const float shoulder[2] = {-30, 35}, elbow[2] = {-40, -70}, hip[2] = {30, -20}, knee[2] = {-15, -45};
    for (int side = 0; side < 2; ++side) {
        const Mat mirror = side ? Scale(-1, 1, 1) : Mat();
        const float sx = side ? -15.5f : -18.5f;
        Mat arm = mirror * Translate(sx, 0, shoulderZ) * Rotate(0, shoulder[side]);
        AddPiece(out, piece("UpperArm", member).c_str(), arm);
        AddPiece(out, piece("Forearm", member).c_str(),
                 arm * Translate(4.45f, 0, -20) * Rotate(0, elbow[side]));
        Mat leg = mirror * Translate(-7.5f, hipY, 70) * Rotate(0, hip[side]);
        AddPiece(out, piece("Thigh", member).c_str(), leg);
        Mat shin = leg * Translate(0, 0, -29.5f) * Rotate(0, knee[side]);
        AddPiece(out, piece("Knee", member).c_str(), shin);
        AddPiece(out, piece("Shin", member).c_str(), shin);
        AddPiece(out, piece("Foot", member).c_str(), shin);
    }
    return out;
}

} // namespace

Image MakeModelSheet(const Fonts& fonts) {
    // Two models a row, three views each; of the proportioned general models only the first. The
    // walking figures of three members come first.
    std::vector<std::pair<std::string, std::vector<Tri>>> shown;
    shown.push_back({"Figur, mittlere Stufe", Figure("Average", 116.4f, 0, false)});
    shown.push_back({"Figur, zweitfeinste Stufe", Figure("Good", 113.4f, -0.75f, false)});
    shown.push_back({"Figur, feinste Stufe", Figure("Best", 110.4f, -1.5f, true)});
    bool variantShown = false;
    for (int i = 0; i < dm::models::kModelTableCount; ++i) {
        const ModelTable& m = dm::models::kModelTables[i];
        if (std::string(m.name).rfind("GeneralModel_", 0) == 0) {
            if (variantShown) continue;
            variantShown = true;
        }
        shown.push_back({m.name, Triangles(m)});
    }
    const int cols = 6;
    const int rowH = kCellH + kCaption + kGap;
    const int rows = int(shown.size() + 1) / 2;
    Image sheet(kGap + cols * (kCellW + kGap), kGap + rows * rowH, kBack);
    // side (y to the right, z up), front (x to the right, z up), above (x to the right, y up)
    const View views[3] = {{1, 2, 0, 1, 1, -1}, {0, 2, 1, -1, 1, 1}, {0, 1, 2, 1, 1, 1}};
    const char* names[3] = {"von links", "von vorn", "von oben"};
    for (size_t i = 0; i < shown.size(); ++i) {
        const std::string& name = shown[i].first;
        const std::vector<Tri>& tris = shown[i].second;
        float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
        for (const Tri& t : tris)
            for (int k = 0; k < 9; ++k)
                lo[k % 3] = std::min(lo[k % 3], t.p[k]), hi[k % 3] = std::max(hi[k % 3], t.p[k]);
        float extent = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2], 1e-6f});
        float scale = (kCellH - 16) / extent;
        int y = kGap + int(i / 2) * rowH;
        for (int v = 0; v < 3; ++v) {
            int x = kGap + (int(i % 2) * 3 + v) * (kCellW + kGap);
            sheet.FillRect(x, y + kCaption, kCellW, kCellH, {58, 60, 62});
            float cx = (lo[views[v].right] + hi[views[v].right]) / 2;
            float cy = (lo[views[v].up] + hi[views[v].up]) / 2;
            Render(sheet, x, y + kCaption, tris, views[v], scale, cx, cy);
            std::string caption = v == 0 ? name + ", " + names[v] : names[v];
            fonts[1].DrawText(sheet, caption, x, y + 10, kText);
        }
    }
    return sheet;
}

Image ModelSideView(const dm::models::ModelTable& m, int w, int h, bool silhouette, Rgb background) {
    Image img(w, h, background, silhouette ? 0 : 255);
    std::vector<Tri> tris = Triangles(m);
    if (silhouette)
        for (Tri& t : tris)
            t.colour = {34, 34, 30};
    float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
    for (const Tri& t : tris)
        for (int k = 0; k < 9; ++k)
            lo[k % 3] = std::min(lo[k % 3], t.p[k]), hi[k % 3] = std::max(hi[k % 3], t.p[k]);
    if (tris.empty()) return img;
    const View side{1, 2, 0, 1, 1, -1};
    const float across = std::max(hi[1] - lo[1], 1e-6f), up = std::max(hi[2] - lo[2], 1e-6f);
    const float scale = std::min((w - 4) / across, (h - 4) / up);
    Render(img, 0, 0, tris, side, scale, (lo[1] + hi[1]) / 2, (lo[2] + hi[2]) / 2, w, h, silhouette);
    return img;
}
