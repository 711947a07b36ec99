#pragma once
// BMP pictures. Reading takes uncompressed files of 1, 4, 8, 16, 24 and 32 bits
// per pixel (bit-field masks included) with info headers of 12 to 124 bytes,
// rows bottom-up or top-down; 4-bit pictures become 8-bit, 16-bit ones 24-bit,
// 32-bit ones 32-bit when any alpha is present and 24-bit otherwise.
// Compressed files are refused. Every size and offset is checked against the
// file: a damaged or hostile file raises EImageError and nothing else.

#include "platform/Bitmap.h"
#include "platform/Streams.h"

// Reads from the stream's position to its end.
TBitmap ReadBmp(TStream& stream);
// Writes the bitmap in its own pixel format (40-byte info header).
void WriteBmp(TStream& stream, const TBitmap& bitmap);
