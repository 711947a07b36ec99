#include "export/pdf/qdxTrueTypeFont.h"

#include <algorithm>
#include <cstdio>
#include <strings.h>

namespace {

// Bitmap strikes, device metrics and the signature say nothing about outlines
// and would be wrong (the signature) or useless in a subset.
bool DroppedTable(uint32_t tag) {
  for (const char* t : {"EBLC", "EBDT", "hdmx", "VDMX", "DSIG"})
    if (tag == TTF_Helpers::Tag(t)) return true;
  return false;
}

// Families shipped with table checksums that never matched; their mismatch
// says nothing about damage.
bool ChecksumExempt(const std::string& family) {
  for (const char* name : {"EanGniv?", "Roboto Cn"})
    if (strcasecmp(family.c_str(), name) == 0) return true;
  return false;
}

std::string Hex32(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", v);
  return buf;
}

template <class T>
T* As(TrueTypeTable* t) {
  return dynamic_cast<T*>(t);
}

}  // namespace

void TrueTypeFont::Load(TTFView file, uint32_t offset) {
  Version = TTF_Helpers::U32(file, offset);
  if (Version != 0x00010000 && Version != TTF_Helpers::Tag("true") && Version != TTF_Helpers::Tag("OTTO"))
    throw ETrueTypeError("TrueType font format error");
  uint16_t count = TTF_Helpers::U16(file, size_t(offset) + 4);
  SearchRange = TTF_Helpers::U16(file, size_t(offset) + 6);
  EntrySelector = TTF_Helpers::U16(file, size_t(offset) + 8);
  RangeShift = TTF_Helpers::U16(file, size_t(offset) + 10);
  TTF_Helpers::Slice(file, size_t(offset) + 12, size_t(count) * 16, "the table directory");

  Tables.clear();
  Warnings.clear();
  for (size_t i = 0; i < count; ++i) {
    size_t at = size_t(offset) + 12 + 16 * i;
    uint32_t tag = TTF_Helpers::U32(file, at);
    if (DroppedTable(tag)) continue;
    std::unique_ptr<TrueTypeTable> table = TrueTypeTable::Create(tag);
    table->CheckSum = TTF_Helpers::U32(file, at + 4);
    table->Offset = TTF_Helpers::U32(file, at + 8);
    table->Length = TTF_Helpers::U32(file, at + 12);
    try {
      if (Find(tag))
        throw ETrueTypeError("the table is listed twice");
      table->Load(file);
    } catch (const ETrueTypeError& e) {
      Warnings.push_back({"Font format error", "Table \"" + table->TagName() + "\" skipped: " + e.what()});
      continue;
    }
    Tables.push_back(std::move(table));
  }
  NumTables = uint16_t(Tables.size());

  Head = nullptr, Name = nullptr, OS2 = nullptr, MaxP = nullptr, HHea = nullptr, HMtx = nullptr;
  Loca = nullptr, Glyf = nullptr, Post = nullptr;
  for (auto& t : Tables) {
    TrueTypeTable* p = t.get();
    if (auto* h = As<FontHeaderClass>(p)) Head = h;
    else if (auto* n = As<NameTableClass>(p)) Name = n;
    else if (auto* o = As<OS2WindowsMetricsClass>(p)) OS2 = o;
    else if (auto* m = As<MaximumProfileClass>(p)) MaxP = m;
    else if (auto* hh = As<HorizontalHeaderClass>(p)) HHea = hh;
    else if (auto* hm = As<HorizontalMetrixClass>(p)) HMtx = hm;
    else if (auto* l = As<IndexToLocationClass>(p)) Loca = l;
    else if (auto* g = As<GlyphTableClass>(p)) Glyf = g;
    else if (auto* ps = As<PostScriptClass>(p)) Post = ps;
  }
  if (Loca && Head && MaxP) Loca->ReadOffsets(Head->IndexToLocFormat, MaxP->NumGlyphs);
  if (HMtx && HHea) {
    if (HHea->NumberOfHMetrics == 0) throw ETrueTypeError("TrueType font format error: no horizontal metrics");
    HMtx->ReadMetrics(HHea->NumberOfHMetrics);
  }
  CheckSums();
}

void TrueTypeFont::CheckSums() {
  if (ChecksumExempt(FamilyName())) return;
  for (const auto& t : Tables) {
    uint32_t computed = t->ComputeCheckSum();
    if (computed != t->CheckSum)
      Warnings.push_back({"Font table checksum error", "Table ID \"" + t->TagName() +
                                                           "\" checksum error. Computed " + Hex32(computed) +
                                                           ", stored " + Hex32(t->CheckSum) + "."});
  }
}

TrueTypeTable* TrueTypeFont::Find(uint32_t tag) const {
  for (const auto& table : Tables)
    if (table->Tag == tag) return table.get();
  return nullptr;
}

bool TrueTypeFont::HasCFFOutlines() const {
  return !Glyf && (Version == TTF_Helpers::Tag("OTTO") || Find("CFF ") || Find("CFF2"));
}

TTFView TrueTypeFont::GlyphData(uint32_t glyph) const {
  if (!Loca || !Glyf || size_t(glyph) + 1 >= Loca->Offsets.size()) return {};
  uint32_t start = Loca->Offsets[glyph], end = Loca->Offsets[glyph + 1];
  if (end <= start || end > Glyf->Data.size()) return {};
  return TTFView(Glyf->Data).subspan(start, end - start);
}

std::vector<uint16_t> TrueTypeFont::GlyphClosure(const std::vector<uint32_t>& glyphs) const {
  uint32_t n = NumGlyphs();
  std::vector<bool> seen(n, false);
  std::vector<uint32_t> pending;
  for (uint32_t g : glyphs)
    if (g < n && !seen[g]) seen[g] = true, pending.push_back(g);
  while (!pending.empty()) {
    uint32_t g = pending.back();
    pending.pop_back();
    std::vector<uint16_t> parts;
    try {
      parts = GlyphTableClass::Components(GlyphData(g));
    } catch (const ETrueTypeError&) {
      // A damaged component list: none of it can be trusted, so the glyph
      // keeps only its own bytes.
    }
    for (uint16_t c : parts)
      if (c < n && !seen[c]) seen[c] = true, pending.push_back(c);
  }
  std::vector<uint16_t> result;
  for (uint32_t g = 0; g < n; ++g)
    if (seen[g]) result.push_back(uint16_t(g));
  return result;
}

int32_t TrueTypeFont::AdvanceWidth(uint32_t glyph) const {
  if (!HMtx || !Head || Head->UnitsPerEm == 0) return 0;
  int64_t units = HMtx->Advance(glyph);
  return int32_t((units * 1000 + Head->UnitsPerEm / 2) / Head->UnitsPerEm);
}

TTFBytes TrueTypeFont::Subset(const std::vector<uint32_t>& glyphs) const {
  if (HasCFFOutlines())
    throw ETrueTypeError("The font has PostScript (CFF) outlines, which are not subset as TrueType");
  if (!Glyf) throw ETrueTypeError("Glyph table not found");
  if (!Head || !MaxP || !Loca) throw ETrueTypeError("TrueType font format error: head, maxp or loca missing");

  std::vector<uint32_t> wanted = glyphs;
  wanted.push_back(0);  // .notdef draws every character the face lacks
  std::vector<uint16_t> keep = GlyphClosure(wanted);

  int16_t format = Head->IndexToLocFormat;
  size_t align = format == 0 ? 2 : 4;
  IndexToLocationClass loca;
  TTFBytes glyf;
  uint32_t n = NumGlyphs();
  loca.Offsets.resize(size_t(n) + 1);
  size_t k = 0;
  for (uint32_t g = 0; g < n; ++g) {
    loca.Offsets[g] = uint32_t(glyf.size());
    if (k < keep.size() && keep[k] == g) {
      ++k;
      TTFView data = GlyphData(g);
      glyf.insert(glyf.end(), data.begin(), data.end());
      while (glyf.size() % align != 0) glyf.push_back(0);
      if (glyf.size() > UINT32_MAX / 2) throw ETrueTypeError("TrueType font too large");
    }
  }
  loca.Offsets[n] = uint32_t(glyf.size());
  if (format == 0 && glyf.size() / 2 > 0xFFFF) format = 1;
  loca.Build(format);

  struct TPart {
    const TrueTypeTable* Source;
    TrueTypeTable Out;
  };
  std::vector<TPart> parts;
  for (const auto& t : Tables) {
    TPart p{t.get(), {}};
    p.Out.Tag = t->Tag;
    if (t.get() == Glyf) p.Out.Data = glyf;
    else if (t.get() == Loca) p.Out.Data = loca.Data;
    else p.Out.Data = t->Data;
    if (t.get() == Post) {
      PostScriptClass post;
      post.Data = std::move(p.Out.Data);
      post.CutToHeader();
      p.Out.Data = std::move(post.Data);
    }
    if (t.get() == Head) TTF_Helpers::PutU16(p.Out.Data, FontHeaderClass::IndexToLocFormatAt, uint16_t(format));
    parts.push_back(std::move(p));
  }
  // Tables keep the order they had in the file.
  std::stable_sort(parts.begin(), parts.end(),
                   [](const TPart& a, const TPart& b) { return a.Source->Offset < b.Source->Offset; });

  uint16_t count = uint16_t(parts.size());
  uint16_t selector = 0;
  while ((2u << selector) <= count) ++selector;
  uint16_t range = uint16_t(16u << selector);
  TTFBytes out;
  TTF_Helpers::AppendU32(out, Version == TTF_Helpers::Tag("true") ? Version : 0x00010000);
  TTF_Helpers::AppendU16(out, count);
  TTF_Helpers::AppendU16(out, count ? range : 0);
  TTF_Helpers::AppendU16(out, count ? selector : 0);
  TTF_Helpers::AppendU16(out, count ? uint16_t(count * 16 - range) : 0);
  out.resize(12 + 16 * size_t(count), 0);
  size_t headAt = 0;
  for (TPart& p : parts) {
    if (p.Source == Head) headAt = out.size();
    p.Out.Write(out);
  }
  std::vector<const TrueTypeTable*> byTag;
  for (const TPart& p : parts) byTag.push_back(&p.Out);
  std::sort(byTag.begin(), byTag.end(), [](auto* a, auto* b) { return a->Tag < b->Tag; });
  for (size_t i = 0; i < byTag.size(); ++i) {
    size_t at = 12 + 16 * i;
    TTF_Helpers::PutU32(out, at, byTag[i]->Tag);
    TTF_Helpers::PutU32(out, at + 4, byTag[i]->CheckSum);
    TTF_Helpers::PutU32(out, at + 8, byTag[i]->Offset);
    TTF_Helpers::PutU32(out, at + 12, byTag[i]->Length);
  }
  TTF_Helpers::PutU32(out, headAt + FontHeaderClass::CheckSumAdjustmentAt,
                      0xB1B0AFBAu - TTF_Helpers::CheckSum(out));
  return out;
}
