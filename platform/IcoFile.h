#pragma once
// Icon files (and cursors, which share the layout). The largest image of the
// file is read: an embedded PNG as it is, a device-independent bitmap with
// its AND mask turned into alpha (or with its own alpha at 32 bits per
// pixel). The result is a 32-bit bitmap, or what the PNG reader gives.
// Every size and offset is checked: a damaged file raises EImageError.

#include "platform/Bitmap.h"
#include "platform/Streams.h"

// Reads from the stream's position to its end.
TBitmap ReadIco(TStream& stream);
