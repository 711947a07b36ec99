#pragma once
// One face of an installed font file, opened once per process through
// FreeType and kept until the process ends (a report uses a handful).
//
// Character lookup falls back: a character the face lacks is taken from the
// installed face fontconfig picks for it in the same weight and style, and
// that choice is cached per character, so measuring and drawing agree on the
// glyph. Control characters, unpaired surrogates and characters no installed
// face has use the face's missing-glyph shape (glyph 0).
//
// Every member is safe to call from several threads.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/FontMetrics.h"

struct FT_FaceRec_;
struct hb_font_t;
struct TFontMatch;

class TFontFace {
public:
  // A glyph and the face it comes from; Advance in that face's design units.
  struct TGlyph {
    const TFontFace* Face = nullptr;
    uint32_t Id = 0;
    int32_t Advance = 0;
  };

  // The cached face of a file (index as fontconfig gives it). Throws
  // std::runtime_error when the file cannot be opened as a font.
  static const TFontFace& Open(const std::string& file, int32_t index);
  static const TFontFace& Open(const TFontMatch& match);

  const std::string& File() const;
  int FaceIndex() const;      // face inside a collection (0 for a single font)
  bool InCollection() const;  // the file is a TrueType collection ("ttcf")
  bool IsTrueType() const;    // glyf outlines (else CFF)
  const TFontOutlineMetrics& Outline() const;
  int32_t UnitsPerEm() const { return Outline().UnitsPerEm; }

  // Glyph of a character in this face alone (0 when missing).
  uint32_t GlyphIndex(char32_t c) const;
  // Design-unit advance of a glyph, unhinted.
  int32_t GlyphAdvance(uint32_t glyph) const;
  // Glyph of a character with fallback (see above).
  TGlyph Glyph(char32_t c) const;
  // The same for a run of characters; out receives n glyphs.
  void Glyphs(const char32_t* chars, size_t n, TGlyph* out) const;

  // The bytes of the font file: the whole collection when the face lives in
  // one (FaceIndex says which face). Empty when the file cannot be read.
  std::vector<uint8_t> FileBytes() const;

  // A HarfBuzz font over the face at a scale of UnitsPerEm (design units),
  // immutable and shareable between threads.
  hb_font_t* HarfBuzzFont() const;

  // Exclusive use of the FreeType face (glyph loading and rendering change
  // its state); hold it only while using the face.
  class TAccess {
  public:
    explicit TAccess(const TFontFace& face);
    FT_FaceRec_* Face() const { return FFace; }

  private:
    std::unique_lock<std::mutex> FLock;
    FT_FaceRec_* FFace;
  };

  ~TFontFace();
  TFontFace(const TFontFace&) = delete;
  TFontFace& operator=(const TFontFace&) = delete;

private:
  struct TImpl;
  explicit TFontFace(std::unique_ptr<TImpl> impl);
  TGlyph Fallback(char32_t c) const;
  std::unique_ptr<TImpl> P;
};
