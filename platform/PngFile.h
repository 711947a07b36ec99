#pragma once
// PNG pictures through libpng. Every PNG colour type is read: pictures with
// transparency (alpha channel or transparent palette entries) become 32-bit
// bitmaps, the others 24-bit; the physical resolution comes across as DpiX and
// DpiY. Damaged or hostile files raise EImageError.

#include "platform/Bitmap.h"
#include "platform/Streams.h"

// Reads from the stream's position to its end.
TBitmap ReadPng(TStream& stream);
// Writes 24-bit as RGB, 32-bit as RGB with alpha, 8-bit and 1-bit with their
// palette; the resolution when the bitmap has one.
void WritePng(TStream& stream, const TBitmap& bitmap);
