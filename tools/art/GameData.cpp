#include "GameData.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

std::vector<long> GameData::Values(const std::string& table, const std::string& key) const {
    std::vector<long> out;
    std::ifstream f(dir + "/tables/" + table + ".txt");
    std::string line;
    while (std::getline(f, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream in(line);
        std::string k, eq, t;
        if (!(in >> k >> eq) || k != key || eq != "=") continue;
        while (in >> t) {
            char* end = nullptr;
            long v = std::strtol(t.c_str(), &end, 10);
            if (end != t.c_str() && !*end) out.push_back(v);
        }
    }
    return out;
}

bool GameData::Load(const std::string& dataDir) {
    dir = dataDir;
    std::ifstream f(dir + "/overlay_index.txt");
    if (!f) {
        std::fprintf(stderr, "art: cannot read %s/overlay_index.txt\n", dir.c_str());
        return false;
    }
    std::string line;
    for (int n = 1; std::getline(f, line); ++n) {
        std::string name;
        if (auto hash = line.find('#'); hash != std::string::npos) {
            name = line.substr(hash + 1);
            line = line.substr(0, hash);
        }
        std::istringstream in(line);
        int code, index, layers, bands;
        if (!(in >> code)) continue;
        if (!(in >> index >> layers >> bands) || code < 0 || code > 63 || index < -1 || index > 139 ||
            layers < 0 || layers > 3 || index + layers > 139 || bands < -1 || bands > 140) {
            std::fprintf(stderr, "art: overlay_index.txt:%d: malformed row\n", n);
            return false;
        }
        while (!name.empty() && name[0] == ' ')
            name.erase(0, 1);
        if (index >= 0) overlays[code] = {index, layers, bands, name};
    }
    ok = true;
    return true;
}
