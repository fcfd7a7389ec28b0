// The figure animations' reader as the build runs it: any text is read or
// refused with "file:line: reason", never a crash or undefined behaviour.
// A table that reads holds only durations of 5..5000 ms and finite pose
// values within +-360; it is written as text, read back and written again
// to the same bytes, and both give the same generated tables.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "FuzzRoundTrip.h"
#include "tools/infantrydata/AnimationText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 256 * 1024) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    auto table = std::make_unique<anim::AnimationTable>();
    std::string error;
    if (!anim::ReadAnimationText(text, "fuzz.txt", table.get(), &error)) {
        FuzzRequire(error.rfind("fuzz.txt", 0) == 0, "a refused table names no file");
        return 0;
    }
    for (const anim::Animation& a : table->animations)
        for (const anim::Frame& f : a.frames) {
            FuzzRequire(f.ms >= 5 && f.ms <= 5000, "a duration outside 5..5000");
            for (const std::string& v : f.values) {
                const double d = std::strtod(v.c_str(), nullptr);
                FuzzRequire(std::isfinite(d) && std::fabs(d) <= 360.0, "a pose value outside +-360");
            }
        }
    const std::string first = anim::WriteAnimationText(*table);
    auto again = std::make_unique<anim::AnimationTable>();
    FuzzRequire(anim::ReadAnimationText(first, "first.txt", again.get(), &error),
                "a written table does not read");
    FuzzRequireSame(first, anim::WriteAnimationText(*again), "animation text");
    FuzzRequireSame(anim::AnimationSource(*table), anim::AnimationSource(*again), "animation tables");
    return 0;
}
