#pragma once
// Pictures of report objects as pixels.

#include "document/qdxPictureData.h"
#include "platform/Bitmap.h"

// The pixels of a bitmap, JPEG, PNG or icon picture. Empty pictures and
// metafiles (which are played, not decoded) give an empty bitmap; damaged
// data raises EImageError.
TBitmap qdxDecodePicture(const TqdxPictureData& picture);

// A picture with transparency laid over a colour, as a 24-bit copy: how the
// picture object shows a picture that has a transparent colour.
TBitmap qdxPictureOverColor(const TBitmap& picture, TColor color);
