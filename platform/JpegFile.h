#pragma once
// JPEG pictures through libjpeg-turbo. Grey, colour and CMYK files are read
// into 24-bit bitmaps with their resolution; writing takes any bitmap (a
// 32-bit one is first laid over white, as JPEG has no transparency). Damaged
// or hostile files, truncated ones included, raise EImageError.

#include "platform/Bitmap.h"
#include "platform/Streams.h"

// Reads from the stream's position to its end.
TBitmap ReadJpeg(TStream& stream);
// quality: 0 to 100.
void WriteJpeg(TStream& stream, const TBitmap& bitmap, int quality = 90);
