// The structure every model must have: counts, texture switches, running-gear strips, footprint and
// articulation constants, or the exact operation sequence. Read from data/models/contract.txt.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "Model.h"

namespace models {

struct Contract {
    std::string name;
    std::map<std::string, std::vector<std::string>> keys; // key -> its values, as written
};

// Reads contracts; false with "file:line: reason" in error. Every value is
// checked by its key: counts and texture slots are whole decimal numbers
// (leading zeros read as decimal), constants and footprints finite decimal
// numbers or a constant's name, runs and sequences their own tokens; an
// unknown key is refused. Whole numbers are kept in their canonical text.
bool ReadContracts(const std::string& path, std::map<std::string, Contract>& out, std::string& error);
bool ReadContractsText(const std::string& text, const std::string& path, std::map<std::string, Contract>& out,
                       std::string& error);

// The contracts as text that reads back to the same contracts.
std::string WriteContracts(const std::map<std::string, Contract>& contracts);

// Every difference between the model and its contract, one line each; empty when they agree.
std::vector<std::string> CheckModel(const Model& m, const Contract& c);

// The operation sequence as contract tokens: T<slot> F<n> S<n> t f<n> x C P Q turn elev tilt ctr flash
// recoil scale long bc.
std::vector<std::string> SequenceOf(const Model& m);

} // namespace models
