// Reference tasks that bound how fast a conversion can be, measured on the
// same files and machine as the conversions:
//   limits parse FILE.qdp     read the file and parse it with another XML parser
//   limits deflate FILE.pdf   deflate at level 1 as many bytes as the PDF's
//                             streams hold uncompressed (their decoded content)
//   limits copy FILE OUT      read the file and write its bytes to OUT
// Prints "seconds BYTES" for the timed task only.

#include <pugixml.hpp>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

std::string ReadFile(const char* name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The decoded bytes of every stream that inflates; others are taken as they are.
std::string PdfContent(const std::string& pdf) {
  std::string out;
  size_t pos = 0;
  while ((pos = pdf.find("stream", pos)) != std::string::npos) {
    if (pos >= 3 && pdf.compare(pos - 3, 3, "end") == 0) {
      pos += 6;
      continue;
    }
    size_t start = pos + 6;
    if (start < pdf.size() && pdf[start] == '\r') ++start;
    if (start < pdf.size() && pdf[start] == '\n') ++start;
    size_t end = pdf.find("endstream", start);
    if (end == std::string::npos) break;
    z_stream z{};
    inflateInit(&z);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(pdf.data() + start));
    z.avail_in = static_cast<uInt>(end - start);
    char buf[65536];
    std::string decoded;
    int rc;
    do {
      z.next_out = reinterpret_cast<Bytef*>(buf);
      z.avail_out = sizeof buf;
      rc = inflate(&z, Z_NO_FLUSH);
      decoded.append(buf, sizeof buf - z.avail_out);
    } while (rc == Z_OK);
    inflateEnd(&z);
    out += rc == Z_STREAM_END ? decoded : pdf.substr(start, end - start);
    pos = end + 9;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: limits parse|deflate|copy FILE [OUT]\n");
    return 2;
  }
  const std::string mode = argv[1];
  if (mode == "parse") {
    auto t0 = Clock::now();
    std::string xml = ReadFile(argv[2]);
    pugi::xml_document doc;
    pugi::xml_parse_result r = doc.load_buffer_inplace(xml.data(), xml.size());
    double s = std::chrono::duration<double>(Clock::now() - t0).count();
    if (!r) {
      std::fprintf(stderr, "%s: %s\n", argv[2], r.description());
      return 1;
    }
    std::printf("%.6f %zu\n", s, xml.size());
  } else if (mode == "deflate") {
    std::string content = PdfContent(ReadFile(argv[2]));
    auto t0 = Clock::now();
    uLongf size = compressBound(static_cast<uLong>(content.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(content.data()),
                  static_cast<uLong>(content.size()), 1) != Z_OK)
      return 1;
    double s = std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("%.6f %zu\n", s, content.size());
  } else if (mode == "copy" && argc > 3) {
    auto t0 = Clock::now();
    std::string data = ReadFile(argv[2]);
    {
      std::ofstream out(argv[3], std::ios::binary);
      out.write(data.data(), static_cast<std::streamsize>(data.size()));
    }
    double s = std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("%.6f %zu\n", s, data.size());
  } else {
    return 2;
  }
  return 0;
}
