// What the art reads from the game's own data, so that no picture or sound number is kept twice:
// the tables in data/tables (key = values lines) and the overlay texture index table.
#pragma once
#include <map>
#include <string>
#include <vector>

struct GameData {
    std::string dir; // the data folder (data/)
    bool ok = false;

    // Every integer given to `key` in data/tables/<table>.txt, row after row, in file order.
    std::vector<long> Values(const std::string& table, const std::string& key) const;

    // Overlay index table: terrain code -> (index, layers, bands); codes without an overlay are absent.
    struct Overlay {
        int index = -1, layers = 0;
        int bands = -1; // first of the code's band pictures' indices, -1 none
        std::string name;
    };
    std::map<int, Overlay> overlays;

    // Reads the overlay table; false (with a message on stderr) when it is missing or malformed.
    bool Load(const std::string& dataDir);
};
