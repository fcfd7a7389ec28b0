#include "renderer/GOLTAMatrix.h"
// The matrix is a plain aggregate of floats; the renderer's operations on it
// live with the renderer (GGraph3DMatrix.cpp).
