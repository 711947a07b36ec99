#pragma once
// Plays an enhanced metafile (EMF) onto any canvas: pictures kept as
// metafiles are drawn this way, and it reads back what TMetafileCanvas wrote.
//
// The header's frame (in hundredths of a millimetre, converted to pixels of
// the header's reference device) is mapped onto the destination rectangle,
// and drawing is clipped to it. Supported: the mapping modes with window and
// viewport origins and extents, world transforms (rotated and sheared ones
// draw shapes as polygons), pens, brushes and fonts with the stock objects,
// saving and restoring, clipping by rectangles, regions and paths, lines,
// poly-lines, polygons, Bezier curves, rectangles, ellipses, rounded
// rectangles, paths, text (UTF-16 and 8-bit), device-independent bitmaps
// (copied, or with a transparent colour) and pattern fills; pattern brushes
// paint in their average colour. Other records (arcs, chords, pies, gradient
// fills, mask and parallelogram transfers, alpha blends, other raster
// operations) are skipped and named in the result.
//
// The bytes may be damaged or hostile: every size, offset, count and handle
// is checked against the record and the data. A record whose fields do not
// fit is skipped; a record size below 8, not a multiple of 4 or past the end
// stops the playing. Nothing is read outside the bytes and every record is
// visited once.

#include "platform/Canvas.h"

#include <string>
#include <string_view>
#include <vector>

struct TMetafilePlayResult {
  int Played = 0;   // records that took effect (header and end record included)
  int Skipped = 0;  // records not supported or refused
  // Why records were skipped or the playing stopped; each message once, at
  // most MaxMessages of them.
  std::vector<std::string> Messages;
  bool Complete = false;  // the records ran undamaged up to the end record
  static constexpr size_t MaxMessages = 50;
};

// The target's state (pen, brush, clip, ...) is the same afterwards.
TMetafilePlayResult PlayMetafile(std::string_view emf, TCanvas& target, const TRect& dest);
