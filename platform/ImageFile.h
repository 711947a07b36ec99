#pragma once
// What the picture readers and writers share: reading a whole input into
// memory with a size limit, so that decoders work on bounded buffers.

#include "platform/Bitmap.h"
#include "platform/Streams.h"

#include <string>

// The rest of the stream from its position; refuses inputs above 1 GiB.
std::string ReadImageInput(TStream& stream, const char* format);
