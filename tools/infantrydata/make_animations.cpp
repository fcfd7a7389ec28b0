// dm_animations <animations.txt> <out.cpp>
// Compiles the figure animations into the tables of units/InfantryTables.h.
// A fault fails the build with "file:line: reason"; the previous output is
// then left as it was. The same text always gives the same bytes.

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/infantrydata/AnimationText.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: dm_animations <animations.txt> <out.cpp>\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot be read\n", argv[1]);
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    anim::AnimationTable table;
    std::string error;
    if (!anim::ReadAnimationText(text.str(), argv[1], &table, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::string source = "// Generated from data/animations.txt by tools/infantrydata. Do not edit.\n"
                               "#include \"units/InfantryTables.h\"\n\n" +
                               anim::AnimationSource(table);
    const std::string part = std::string(argv[2]) + ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out << source;
        out.flush();
        if (!out) {
            std::remove(part.c_str());
            std::fprintf(stderr, "%s: cannot be written\n", argv[2]);
            return 1;
        }
    }
    if (std::rename(part.c_str(), argv[2]) != 0) {
        std::remove(part.c_str());
        std::fprintf(stderr, "%s: cannot be written\n", argv[2]);
        return 1;
    }
    return 0;
}
