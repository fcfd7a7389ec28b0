#include "engine/GGroup.h"

// Interim: GFile's implementation is not in the tree yet.
void GGroup::Write(GFile* file) {}
void GGroup::Read(GFile* file) {}
