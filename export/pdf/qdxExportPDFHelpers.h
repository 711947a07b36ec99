#pragma once
// Low-level pieces of the PDF writer: numbers, strings and names in their
// file forms, stream data stages (deflate, encrypt), and TPDFObjectsHelper,
// which numbers and places the indirect objects and keeps the
// cross-reference entries. Every line of the file ends with CR LF.

#include "platform/Streams.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class TqdxPDFSecurity;

class EPDFError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Fixed point with two decimals, '.' as separator, never "-0.00": 12.50, -3.00.
std::string FloatToPdf(double value);
// The same appended to out (content streams hold hundreds of thousands).
void AppendFloatToPdf(std::string& out, double value);
// Fixed point with the given decimals, then trailing zeros and a trailing
// point removed: 0.5, 12.
std::string FloatToPdfCompact(double value, int decimals);
// Nearest integer, ties to even.
int PdfRound(double value);
// "n 0 R".
std::string PdfRef(int number);

// Literal string body: LF, CR, '(', ')' and '\' escaped, other bytes as they are.
std::string PdfEscape(std::string_view bytes);
// "(" escaped bytes ")".
std::string PdfLiteral(std::string_view bytes);
// Text string bytes: FE FF and each UTF-16 code unit high byte first.
std::string PdfTextBytes(std::u16string_view text);
// A name object, "/" included: bytes outside '!'..'~', '#' and the delimiters
// become '#' and two uppercase hexadecimal digits.
std::string PdfName(std::string_view name);
// A URI as the 7-bit bytes a URI string holds: bytes of the UTF-8 text that
// are controls, spaces or above 126 are percent-encoded; the rest, '%'
// included, stay (a URI that is already encoded keeps its escapes).
std::string PdfUriBytes(std::string_view utf8);
// The page index (from 0) of a page-number link text such as "@3" (after the
// '@'): nullopt unless it is a decimal number of at least 1.
std::optional<int> ParsePageLinkNumber(std::string_view text);

// zlib format (header and checksum) at the given level.
std::string DeflateBytes(std::string_view data, int level = 1);

// Report pixels (96 per inch, y down) to PDF points on one page (y up).
struct TPDFPageGeometry {
  double PageWidthPt = 0;
  double PageHeightPt = 0;
  double MarginShiftX = 0;  // left margin in mm times 0.05
  double MarginShiftY = 0;  // top margin in mm times 0.05
  static double ToPt(double pixels) { return pixels * 0.75; }
  double PdfX(double x) const { return x * 0.75 + MarginShiftX; }
  double PdfY(double y) const { return PageHeightPt - MarginShiftY - y * 0.75; }
};

struct TPDFStreamFlags {
  bool OpenDict = true;   // write "<<" first (else the caller wrote it)
  bool CloseDict = true;  // write ">>" after /Length (and /Filter)
  bool Compress = false;  // deflate at level 1
  bool Encrypt = false;   // with the containing object's key
};

class TPDFObjectsHelper {
public:
  // Starts a file on out; security is null for an unencrypted file and must
  // outlive the file.
  void Begin(TStream& out, const TqdxPDFSecurity* security);
  // Writes what is buffered and lets go of the stream.
  void End();
  // Lets go of the stream without writing (after a failed file, whose stream
  // may be gone).
  void Abandon();
  bool Active() const { return FStream != nullptr; }

  bool Protection() const { return FSecurity != nullptr; }
  const TqdxPDFSecurity* Security() const { return FSecurity; }

  // Bytes written so far: the offset of the next byte.
  int64_t Position() const { return FPosition; }
  // Offsets of objects 1, 2, ... in number order.
  const std::vector<int64_t>& XRef() const { return FXRef; }
  int ObjectCount() const { return int(FXRef.size()); }

  // Takes the next number with the current offset as its entry. Used right
  // before an object's header, or to reserve a number whose object comes
  // later (StartObject then replaces the entry).
  int NewObject();
  // Writes the header of a reserved object, replacing its entry with the
  // current offset.
  void StartObject(int number);
  // NewObject and its header.
  int StartNewObject();

  void WriteRaw(std::string_view text);
  void WriteLine(std::string_view text);  // text and CR LF

  // The stream part of an object whose header was written: optional "<<",
  // /Length (and /Filter), optional ">>", "stream", the data through the
  // stages, LF, "endstream", "endobj".
  void WriteStreamObject(std::string_view data, const TPDFStreamFlags& flags, int number);
  // The same for bytes that already went through the stages (StreamData).
  void WritePreparedStream(std::string_view bytes, const TPDFStreamFlags& flags);
  // The stages alone: deflated when compress, then encrypted for object number
  // when encrypt and the file is protected.
  std::string StreamData(std::string_view data, bool compress, bool encrypt, int number) const;

  // String bytes of object number as a literal string, encrypted when the
  // file is protected.
  std::string PdfString(std::string_view bytes, int number) const;
  // Text string of object number.
  std::string PdfText(std::u16string_view text, int number) const {
    return PdfString(PdfTextBytes(text), number);
  }

  // "xref" section and trailer; root, info and encrypt are object numbers
  // (encrypt 0 for none), fileId the 32 hexadecimal digits.
  void WriteXRefAndTrailer(int root, int info, int encrypt, const std::string& fileId);

private:
  void Flush();

  TStream* FStream = nullptr;
  const TqdxPDFSecurity* FSecurity = nullptr;
  std::string FBuffer;
  int64_t FPosition = 0;
  std::vector<int64_t> FXRef;
};
