#pragma once
// Pictures of report objects as pixels.

#include "document/qdxPictureData.h"
#include "platform/Bitmap.h"

// The pixels of a bitmap, JPEG, PNG or icon picture. Empty pictures and
// metafiles (which are played, not decoded) give an empty bitmap; damaged
// data raises EImageError.
TBitmap qdxDecodePicture(const TqdxPictureData& picture);
