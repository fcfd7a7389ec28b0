// The scenario builder: writes each description of data/scenarios (battles)
// and data/operations (operations) into the program folder's scenario
// folder as a scenario file, <name>.mvg for a battle and <name>.mvh for an
// operation. The same descriptions always give the same bytes.
//
//   dm_scenarios --out <folder> <description.txt>...

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/scenarios/ScenarioBuild.h"
#include "units/Hack.h"

namespace {

std::string Stem(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

} // namespace

int main(int argc, char** argv) {
    std::string out;
    std::vector<std::string> inputs;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc)
            out = argv[++i];
        else
            inputs.push_back(argv[i]);
    }
    if (out.empty() || inputs.empty()) {
        std::fprintf(stderr, "usage: dm_scenarios --out <folder> <description.txt>...\n");
        return 2;
    }
    if (!DecryptData()) {
        std::fprintf(stderr, "dm_scenarios: the game data cannot be read: %s\n", GameDataError());
        return 1;
    }
    for (const std::string& input : inputs) {
        ScenarioFault fault;
        ScenarioDescription description;
        const bool built =
            ReadScenarioDescription(input, &description, &fault) &&
            WriteScenarioFile(description,
                              out + "/" + Stem(input) + (description.operation.present ? ".mvh" : ".mvg"),
                              &fault);
        if (!built) {
            std::fprintf(stderr, "%s\n", fault.Text().c_str());
            return 1;
        }
    }
    return 0;
}
