#include "tools/infantrydata/AnimationText.h"

#include <cstdlib>
#include <sstream>

namespace anim {

namespace {

// A whole number of decimal digits, at most `most`; false for anything else.
bool Whole(const std::string& s, long most, long* value) {
    if (s.empty() || s.size() > 12 || s.find_first_not_of("0123456789") != std::string::npos) return false;
    long v = 0;
    for (char c : s) {
        v = v * 10 + (c - '0');
        if (v > most) return false;
    }
    *value = v;
    return true;
}

// A pose value: an optional minus, digits, optionally a point and digits,
// within +-360; its text without leading zeros.
bool PoseValue(const std::string& s, std::string* canonical) {
    size_t i = s.size() > 0 && s[0] == '-' ? 1 : 0;
    const size_t point = s.find('.');
    const std::string whole = s.substr(i, point == std::string::npos ? std::string::npos : point - i);
    const std::string fraction = point == std::string::npos ? "" : s.substr(point + 1);
    if (whole.empty() || whole.find_first_not_of("0123456789") != std::string::npos) return false;
    if (point != std::string::npos && (fraction.empty() || fraction.size() > 9 ||
                                       fraction.find_first_not_of("0123456789") != std::string::npos))
        return false;
    const size_t first = whole.find_first_not_of('0');
    const std::string digits = first == std::string::npos ? "0" : whole.substr(first);
    if (digits.size() > 3) return false;
    const double magnitude =
        std::strtod((digits + (fraction.empty() ? "" : "." + fraction)).c_str(), nullptr);
    if (!(magnitude <= 360.0)) return false;
    *canonical = (i ? "-" : "") + digits + (fraction.empty() ? "" : "." + fraction);
    return true;
}

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line.substr(0, line.find('#')));
    std::vector<std::string> words;
    std::string w;
    while (in >> w)
        words.push_back(w);
    return words;
}

} // namespace

bool ReadAnimationText(const std::string& text, const std::string& file, AnimationTable* out,
                       std::string* error) {
    *out = AnimationTable{};
    std::istringstream in(text);
    std::string line;
    int n = 0;
    int current = -1, expect = 0, currentLine = 0;
    auto fail = [&](int at, const std::string& why) {
        *error = file + (at > 0 ? ":" + std::to_string(at) : std::string()) + ": " + why;
        return false;
    };
    while (std::getline(in, line)) {
        ++n;
        const std::vector<std::string> f = Words(line);
        if (f.empty()) continue;
        if (f[0] == "animation") {
            if (expect > 0)
                return fail(n, "animation " + std::to_string(current) + " lacks " + std::to_string(expect) +
                                   " frames");
            if (f.size() != 4) return fail(n, "'animation <group> <number> <frames>' expected");
            long g = 0, a = 0, frames = 0;
            if (!Whole(f[1], kGroups - 1, &g) || !Whole(f[2], kPerGroup - 1, &a))
                return fail(n, "group 0..17 and number 0..12 expected");
            if (!Whole(f[3], kMaxFrames, &frames) || frames < 1) return fail(n, "1..18 frames expected");
            current = static_cast<int>(g * kPerGroup + a);
            if (out->animations[current].given)
                return fail(n,
                            "animation " + std::to_string(g) + " " + std::to_string(a) + " is given twice");
            out->animations[current].given = true;
            expect = static_cast<int>(frames);
            currentLine = n;
            continue;
        }
        if (current < 0 || expect < 1) return fail(n, "'" + f[0] + "' is not part of an animation");
        if (f.size() != 1 + kValues)
            return fail(n, "a frame has " + std::to_string(f.size()) + " columns, 22 expected");
        Frame frame;
        long ms = 0;
        if (!Whole(f[0], 5000, &ms) || ms < 5) return fail(n, "duration '" + f[0] + "' outside 5..5000");
        frame.ms = static_cast<int>(ms);
        for (int k = 0; k < kValues; ++k)
            if (!PoseValue(f[1 + k], &frame.values[k]))
                return fail(n, "'" + f[1 + k] + "' is not a number within +-360");
        out->animations[current].frames.push_back(frame);
        --expect;
    }
    if (expect > 0)
        return fail(currentLine,
                    "animation " + std::to_string(current) + " lacks " + std::to_string(expect) + " frames");
    for (int i = 0; i < kCount; ++i)
        if (!out->animations[i].given)
            return fail(0, "animation " + std::to_string(i / kPerGroup) + " " +
                               std::to_string(i % kPerGroup) + " is missing");
    return true;
}

std::string WriteAnimationText(const AnimationTable& table) {
    std::string out;
    for (int i = 0; i < kCount; ++i) {
        const Animation& a = table.animations[i];
        out += "animation " + std::to_string(i / kPerGroup) + " " + std::to_string(i % kPerGroup) + " " +
               std::to_string(a.frames.size()) + "\n";
        for (const Frame& f : a.frames) {
            out += std::to_string(f.ms);
            for (const std::string& v : f.values)
                out += " " + v;
            out += "\n";
        }
    }
    return out;
}

std::string AnimationSource(const AnimationTable& table) {
    std::string counts, times, poses;
    for (int i = 0; i < kCount; ++i) {
        const Animation& a = table.animations[i];
        counts += (i ? ", " : "") + std::to_string(a.frames.size());
        times += "    {";
        poses += "    {";
        for (size_t k = 0; k < a.frames.size(); ++k) {
            const Frame& f = a.frames[k];
            times += (k ? ", " : "") + std::to_string(f.ms);
            poses += "{";
            for (int v = 0; v < kValues; ++v) {
                const std::string& t = f.values[v];
                poses += (v ? ", " : "") + t + (t.find('.') == std::string::npos ? ".0f" : "f");
            }
            poses += "}, ";
        }
        times += "},\n";
        poses += "},\n";
    }
    return "const int32_t gAnimationFrameCount[kAnimationCount] = {" + counts + "};\n\n" +
           "const int32_t gAnimationFrameTime[kAnimationCount][kMaxKeyFrames] = {\n" + times + "};\n\n" +
           "const float gAnimationPose[kAnimationCount][kMaxKeyFrames][kPoseValueCount] = {\n" + poses +
           "};\n";
}

} // namespace anim
