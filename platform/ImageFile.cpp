#include "platform/ImageFile.h"

std::string ReadImageInput(TStream& stream, const char* format) {
  constexpr int64_t Limit = int64_t(1) << 30;
  int64_t left = stream.Size() - stream.Position();
  if (left <= 0)
    throw EImageError(std::string(format) + " image: the input is empty");
  if (left > Limit)
    throw EImageError(std::string(format) + " image: the input is too large");
  std::string data(size_t(left), '\0');
  size_t got = 0;
  while (got < data.size()) {
    size_t n = stream.Read(data.data() + got, data.size() - got);
    if (n == 0)
      break;
    got += n;
  }
  data.resize(got);
  return data;
}
