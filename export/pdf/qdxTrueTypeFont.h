#pragma once
// One face of a TrueType font file: its offset table and tables, and the
// subset that keeps only the glyphs a document draws.
//
// The subset keeps every glyph id (dropped glyphs become empty), so text
// written as glyph ids of the face draws the same glyphs from the subset.

#include "export/pdf/qdxTrueTypeTable.h"

#include <string>
#include <vector>

// A message for the user that does not stop the export.
struct TTrueTypeWarning {
  std::string Title;
  std::string Text;
};

class TrueTypeFont {
public:
  // Reads the face whose offset table lies at offset in file (a single font
  // file, or a collection whose table offsets count from its start).
  // Tables whose directory entry points outside the file are skipped with a
  // warning; a damaged table that the subset needs raises ETrueTypeError.
  void Load(TTFView file, uint32_t offset = 0);

  uint32_t Version = 0;  // 0x00010000 or "true": TrueType outlines; "OTTO": CFF
  uint16_t NumTables = 0;
  uint16_t SearchRange = 0, EntrySelector = 0, RangeShift = 0;
  std::vector<std::unique_ptr<TrueTypeTable>> Tables;  // kept tables, directory order

  FontHeaderClass* Head = nullptr;
  NameTableClass* Name = nullptr;
  OS2WindowsMetricsClass* OS2 = nullptr;
  MaximumProfileClass* MaxP = nullptr;
  HorizontalHeaderClass* HHea = nullptr;
  HorizontalMetrixClass* HMtx = nullptr;
  IndexToLocationClass* Loca = nullptr;
  GlyphTableClass* Glyf = nullptr;
  PostScriptClass* Post = nullptr;

  // Set by whoever chose the face when it is not the one asked for.
  std::string FontNote;
  // Skipped tables and checksum mismatches found while loading.
  std::vector<TTrueTypeWarning> Warnings;

  std::string FamilyName() const { return Name ? Name->FamilyName : std::string(); }
  std::string FullName() const { return Name ? Name->FullName : std::string(); }
  // PostScript (CFF) outlines instead of glyf: not subset here.
  bool HasCFFOutlines() const;
  uint16_t NumGlyphs() const { return MaxP ? MaxP->NumGlyphs : 0; }
  TrueTypeTable* Find(uint32_t tag) const;
  TrueTypeTable* Find(const char* tag) const { return Find(TTF_Helpers::Tag(tag)); }

  // The bytes of one glyph in glyf (empty for an empty glyph or one whose
  // location is damaged).
  TTFView GlyphData(uint32_t glyph) const;
  // The glyphs with every glyph they are built from, followed to any depth,
  // ascending and without duplicates; ids outside the face are left out.
  std::vector<uint16_t> GlyphClosure(const std::vector<uint32_t>& glyphs) const;
  // Advance of a glyph in thousandths of an em (hmtx x 1000 / units per em).
  int32_t AdvanceWidth(uint32_t glyph) const;

  // A complete font file holding the face with only the glyphs given (and
  // .notdef and their components); the other glyphs keep their ids with no
  // outline. Checksums, the directory and the whole-file checksum
  // adjustment are computed for the new file.
  TTFBytes Subset(const std::vector<uint32_t>& glyphs) const;

private:
  void CheckSums();
};
