#pragma once
// Tables of a TrueType font file, as the PDF export reads them to cut a font
// program down to the glyphs a document uses.
//
// Font files come from the machine and may be damaged: every read is checked
// against the bytes at hand and raises ETrueTypeError instead of reading
// outside them. All multi-byte values of the file are big-endian.

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

class ETrueTypeError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

using TTFBytes = std::vector<uint8_t>;
using TTFView = std::span<const uint8_t>;

// Big-endian reads and writes with bounds checks.
struct TTF_Helpers {
  static uint16_t U16(TTFView data, size_t at);
  static int16_t S16(TTFView data, size_t at) { return static_cast<int16_t>(U16(data, at)); }
  static uint32_t U32(TTFView data, size_t at);
  static void PutU16(TTFBytes& data, size_t at, uint16_t value);
  static void PutU32(TTFBytes& data, size_t at, uint32_t value);
  static void AppendU16(TTFBytes& data, uint16_t value);
  static void AppendU32(TTFBytes& data, uint32_t value);
  // Sum of the big-endian 32-bit words, the last partial word padded with
  // zero bytes.
  static uint32_t CheckSum(TTFView data);
  // The tag of four characters.
  static uint32_t Tag(const char* name);
  static std::string TagName(uint32_t tag);
  // The bytes [offset, offset + length) of data, or an error naming what.
  static TTFView Slice(TTFView data, size_t offset, size_t length, const char* what);
};

// One entry of the table directory and the table's bytes.
class TrueTypeTable {
public:
  virtual ~TrueTypeTable() = default;

  uint32_t Tag = 0;
  uint32_t CheckSum = 0;  // as the directory states it
  uint32_t Offset = 0;    // in the file (the collection for a collection face)
  uint32_t Length = 0;
  TTFBytes Data;          // the table's bytes; rebuilt tables replace them

  std::string TagName() const { return TTF_Helpers::TagName(Tag); }
  // Copies the table's bytes out of the file, then reads what the class needs.
  void Load(TTFView file);
  uint32_t ComputeCheckSum() const { return TTF_Helpers::CheckSum(Data); }
  // Appends the table to out, padded to a multiple of 4, and returns the
  // offset after it; out must end on a 4-byte boundary.
  uint32_t Write(TTFBytes& out);

  // The class for a tag (the plain class for tags read as they are).
  static std::unique_ptr<TrueTypeTable> Create(uint32_t tag);

protected:
  virtual void Parse() {}
};

// head: units per em, index-to-location format and the whole-file checksum
// adjustment, which is kept at 0 in Data so that the table's checksum and
// the whole file's sum can be computed.
class FontHeaderClass : public TrueTypeTable {
public:
  static constexpr size_t CheckSumAdjustmentAt = 8;
  static constexpr size_t IndexToLocFormatAt = 50;
  uint16_t UnitsPerEm = 0;
  int16_t IndexToLocFormat = 0;  // 0: short offsets (half the byte offset), 1: long

protected:
  void Parse() override;
};

// name: the family (name ID 1) and full name (name ID 4) as UTF-8.
class NameTableClass : public TrueTypeTable {
public:
  std::string FamilyName;
  std::string FullName;

protected:
  void Parse() override;
};

class OS2WindowsMetricsClass : public TrueTypeTable {
public:
  int16_t AvgCharWidth = 0;

protected:
  void Parse() override;
};

class MaximumProfileClass : public TrueTypeTable {
public:
  uint16_t NumGlyphs = 0;

protected:
  void Parse() override;
};

class HorizontalHeaderClass : public TrueTypeTable {
public:
  uint16_t NumberOfHMetrics = 0;

protected:
  void Parse() override;
};

// post: cut to its 32-byte header as version 3.0 (no glyph names) in a
// subset, whose glyph name list would still name every glyph.
class PostScriptClass : public TrueTypeTable {
public:
  void CutToHeader();
};

// loca: numGlyphs + 1 byte offsets into glyf.
class IndexToLocationClass : public TrueTypeTable {
public:
  std::vector<uint32_t> Offsets;
  // Reads the offsets in a head format; raises on another format or a table
  // too short for numGlyphs.
  void ReadOffsets(int16_t format, uint16_t numGlyphs);
  // Data from Offsets in format (0 stores half the byte offsets).
  void Build(int16_t format);
};

// hmtx: the advance of every glyph; glyphs past the metrics take the last.
class HorizontalMetrixClass : public TrueTypeTable {
public:
  std::vector<uint16_t> Advances;
  void ReadMetrics(uint16_t numberOfHMetrics);
  uint16_t Advance(uint32_t glyph) const;
};

// glyf: glyph outlines; a composite glyph lists the glyphs it is made of.
class GlyphTableClass : public TrueTypeTable {
public:
  // The component glyph ids of one glyph's bytes (none for a simple glyph).
  static std::vector<uint16_t> Components(TTFView glyph);
};
