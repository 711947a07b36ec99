#pragma once
// Finding the installed font file for a face name through fontconfig.
//
// Report files name Windows faces. Arial, Times New Roman and Courier New (and
// a few close relatives) are looked up as their metric-compatible Liberation
// faces first, so text keeps its widths and line breaks. Any other name is
// looked up as it is; when no installed family carries that name, fontconfig's
// substitute (a sans face for unknown names) is used and the match says so.
// Scalable TrueType outlines are preferred, since the PDF export embeds them.

#include <cstdint>
#include <optional>
#include <string>

struct TFontMatch {
  std::string Requested;  // the face name asked for
  std::string Family;     // the family found
  std::string Style;      // its style name ("Regular", "Bold Italic", ...)
  std::string File;       // absolute path of the font file
  int32_t Index = 0;      // fontconfig face index: collection face in the low 16 bits
  bool Substituted = false;     // the family is neither the name nor its metric twin
  bool MetricCompatible = false;  // found through the metric-compatible table
  int32_t Weight = 400;   // weight of the face found, 100..1000
  bool Italic = false;    // the face found is italic or oblique
  bool TrueType = false;  // TrueType outlines (else CFF or another format)

  int FaceIndex() const { return Index & 0xFFFF; }
  // "" for a face found by its name; else "<requested> -> <family>".
  std::string Note() const;
};

// The face for a name, weight (100..900) and style. The character set, when
// it names a script, makes fontconfig prefer faces that cover it. Results are
// cached per request. Throws std::runtime_error when no font is installed.
TFontMatch LocateFont(const std::string& faceName, int32_t weight, bool italic,
                      uint8_t charSet = 1);

// A face holding the character, as close to the weight and style as there is;
// nothing when no installed face has it.
std::optional<TFontMatch> LocateFontForChar(char32_t c, int32_t weight, bool italic);

// The metric-compatible family for a Windows face name, or nullptr.
const char* MetricCompatibleFamily(const std::string& faceName);
