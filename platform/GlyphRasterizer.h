#pragma once
// The glyph rasterizer of the raster canvas: FreeType outlines rendered with
// grey antialiasing and blended in the text colour.
//
// Glyphs stand at the explicit advances the caller gives (the layout decides
// where every character goes, not the font); the run is turned by its
// escapement about the reference point; a face lacking the requested weight
// or slant is emboldened or slanted as TFont says; underline and strike-out
// come from the face's own metrics. Only pixels inside the clip rectangles
// are touched.
//
// It keeps no state between runs: several threads may draw at once, each
// glyph being rendered under its face's lock.

#include "platform/RasterCanvas.h"

class TFreeTypeGlyphRasterizer : public TGlyphRasterizer {
public:
  void DrawRun(TBitmap& target, std::span<const TRect> clip, const TRun& run) override;
};

// The process's FreeType rasterizer, made on first use; raster canvases use
// it unless another one was set.
TGlyphRasterizer& FreeTypeGlyphRasterizer();
