#include "engine/GString.h"

// Interim: GFile's implementation is not in the tree yet.
void GString::Write(GFile* file) const { WriteNoConversion(file); }
void GString::Read(GFile* file) { ReadNoConversion(file); }
void GString::WriteNoConversion(GFile* file) const {}
void GString::ReadNoConversion(GFile* file) {}
