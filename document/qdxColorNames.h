#pragma once
// Colour identifiers ("clRed", "clBtnFace") as text markup and settings name
// them.

#include "document/qdxGraphics.h"

#include <string_view>

// The colour of an identifier compared ignoring case; false when unknown.
bool qdxIdentToColor(std::string_view ident, TqdxColor& color);
