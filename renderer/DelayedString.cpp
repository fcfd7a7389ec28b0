#include "renderer/DelayedString.h"
// Nothing beyond the fields: the queue is drawn by the renderer.
