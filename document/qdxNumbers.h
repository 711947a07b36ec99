#pragma once
// Numbers in stored form: floats in the shortest general form with up to 15
// significant digits and "." as separator, whatever the process locale; the
// tolerant reader accepts "," or "." and ignores spaces, as files written
// under other number settings need.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

class EConvertError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

std::string qdxFloatToStr(double value);
// Raises EConvertError for text that is not a number.
double qdxStrToFloat(std::string_view text);
// Decimal integer (an optional sign); raises EConvertError otherwise.
int64_t qdxStrToInt(std::string_view text);
bool qdxTryStrToInt(std::string_view text, int64_t& value);
