// Network peers and replays depend on one random sequence, so program code
// may draw only from Random() (engine/GOLTA.h). This scans the sources for
// the C library's generator and the standard engines, outside comments and
// string literals.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace {

// The text with comments and string/char literals blanked out.
std::string CodeOnly(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    enum { kCode, kLine, kBlock, kString, kChar } state = kCode;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        char next = i + 1 < text.size() ? text[i + 1] : '\0';
        switch (state) {
        case kCode:
            if (c == '/' && next == '/')
                state = kLine, ++i;
            else if (c == '/' && next == '*')
                state = kBlock, ++i;
            else if (c == '"')
                state = kString;
            else if (c == '\'')
                state = kChar;
            else
                out += c;
            break;
        case kLine:
            if (c == '\n') state = kCode, out += c;
            break;
        case kBlock:
            if (c == '*' && next == '/')
                state = kCode, ++i;
            else if (c == '\n')
                out += c;
            break;
        case kString:
        case kChar:
            if (c == '\\')
                ++i;
            else if ((state == kString && c == '"') || (state == kChar && c == '\''))
                state = kCode;
            break;
        }
    }
    return out;
}

} // namespace

TEST(OneGenerator, NoOtherRandomSourceInProgramCode) {
    const char* root = std::getenv("DM_SOURCE_DIR");
    if (root == nullptr) GTEST_SKIP() << "DM_SOURCE_DIR not set";
    const std::regex forbidden(
        R"((^|[^A-Za-z0-9_.>:])(std::)?s?rand\s*\(|rand_r\s*\(|[dlm]rand48|random_device|mt19937|minstd_rand|default_random_engine|#\s*include\s*<random>)");
    std::string offenders;
    for (const char* folder :
         {"platform", "engine", "renderer", "map", "units", "battle", "ai", "draw", "app"}) {
        std::filesystem::path dir = std::filesystem::path(root) / folder;
        if (!std::filesystem::exists(dir)) continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
            std::string ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h") continue;
            std::ifstream in(entry.path());
            std::stringstream text;
            text << in.rdbuf();
            std::istringstream code(CodeOnly(text.str()));
            std::string line;
            for (int n = 1; std::getline(code, line); ++n)
                if (std::regex_search(line, forbidden))
                    offenders += entry.path().string() + ":" + std::to_string(n) + ": " + line + "\n";
        }
    }
    EXPECT_TRUE(offenders.empty()) << "use Random() from engine/GOLTA.h instead:\n" << offenders;
}
