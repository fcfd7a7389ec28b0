#include "renderer/TransparencySorter.h"
// Nothing beyond the fields: the sort and the drawing are the renderer's.
