#pragma once
// Document information: the information dictionary, and for PDF/A the XMP
// metadata packet that repeats it and the sRGB output intent. The information
// dictionary and the XMP packet are made from the same values and the same
// moment, so they agree.

#include <string>
#include <string_view>

class TPDFObjectsHelper;

// A local date and time with its offset from UTC.
struct TqdxPDFDateTime {
  int Year = 2000;
  int Month = 1;
  int Day = 1;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int UtcOffsetMinutes = 0;

  static TqdxPDFDateTime Now();
  // "D:20240131235959+01'00'"
  std::string PdfDate() const;
  // "2024-01-31T23:59:59+01:00"
  std::string XmpDate() const;
};

struct TqdxPDFDocInfo {
  std::u16string Title;
  std::u16string Author;
  std::u16string Subject;
  std::u16string Keywords;
  std::u16string Creator;
  std::u16string Producer;
};

// Writes the information dictionary as a new object; returns its number.
int WritePDFInfo(TPDFObjectsHelper& objects, const TqdxPDFDocInfo& info,
                 const TqdxPDFDateTime& time);

// UTF-8 text as XML character data: markup characters as entities, and the
// control characters that XML cannot hold left out.
std::string XmlEscape(std::string_view utf8);

// The XMP packet of a PDF/A-2B document, one line. fileId is the file
// identifier (32 hexadecimal digits).
std::string BuildXmpPacket(const TqdxPDFDocInfo& info, const TqdxPDFDateTime& time,
                           const std::string& fileId);

// Where the icc-profiles-free package installs the sRGB profile.
extern const char* const DefaultSRGBProfilePath;
// The bytes of an RGB ICC profile; raises EPDFError naming the file and the
// package when it is missing or not an RGB profile.
std::string LoadSRGBProfile(const std::string& path);

struct TqdxPDFAObjects {
  int Metadata = 0;
  int OutputIntent = 0;
};

// The metadata stream (never compressed or encrypted), the profile stream and
// the output intent.
TqdxPDFAObjects WritePDFAObjects(TPDFObjectsHelper& objects, const std::string& xmp,
                                 const std::string& profile, bool compressed);
