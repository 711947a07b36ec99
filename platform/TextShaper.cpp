#include "platform/TextShaper.h"

#include <fribidi.h>
#include <hb-ot.h>
#include <hb.h>

#include <algorithm>

#include "platform/Font.h"

namespace {

// UTF-16 to code points, with the UTF-16 index of each.
void Decode(std::u16string_view text, std::vector<FriBidiChar>& chars, std::vector<size_t>& at) {
  chars.clear();
  at.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    at.push_back(i);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    chars.push_back(c);
  }
}

bool IsMarkCategory(hb_codepoint_t c) {
  auto cat = hb_unicode_general_category(hb_unicode_funcs_get_default(), c);
  return cat == HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK ||
         cat == HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK;
}

char32_t CharAt(std::u16string_view text, size_t i) {
  char32_t c = text[i];
  if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
      text[i + 1] < 0xE000)
    c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
  return c;
}

}  // namespace

std::vector<TShapedGlyph> ShapeRun(const TFont& font, std::u16string_view text, bool rtl,
                                   bool ligatures) {
  std::vector<TShapedGlyph> glyphs;
  if (text.empty()) return glyphs;
  hb_font_t* hbFont = font.Face().HarfBuzzFont();
  // One buffer per thread, emptied for each run: creating one costs more
  // than shaping a short cell text.
  struct TBuffer {
    hb_buffer_t* B = hb_buffer_create();
    ~TBuffer() { hb_buffer_destroy(B); }
  };
  thread_local TBuffer holder;
  hb_buffer_t* buf = holder.B;
  hb_buffer_clear_contents(buf);
  hb_buffer_set_cluster_level(buf, HB_BUFFER_CLUSTER_LEVEL_MONOTONE_CHARACTERS);
  hb_buffer_add_utf16(buf, reinterpret_cast<const uint16_t*>(text.data()),
                      static_cast<int>(text.size()), 0, static_cast<int>(text.size()));
  hb_buffer_set_direction(buf, rtl ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
  hb_buffer_guess_segment_properties(buf);
  hb_feature_t off[2] = {{HB_TAG('l', 'i', 'g', 'a'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
                         {HB_TAG('c', 'l', 'i', 'g'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END}};
  hb_shape(hbFont, buf, ligatures ? nullptr : off, ligatures ? 0 : 2);

  unsigned n = 0;
  const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buf, &n);
  const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buf, &n);
  hb_face_t* face = hb_font_get_face(hbFont);
  bool classes = hb_ot_layout_has_glyph_classes(face);
  glyphs.resize(n);
  for (unsigned i = 0; i < n; ++i) {
    TShapedGlyph& g = glyphs[i];
    g.Glyph = info[i].codepoint;
    g.Cluster = info[i].cluster;
    g.XAdvance = font.ToPixels(pos[i].x_advance);
    g.YAdvance = font.ToPixels(pos[i].y_advance);
    g.XOffset = font.ToPixels(pos[i].x_offset);
    g.YOffset = font.ToPixels(pos[i].y_offset);
    g.Mark = classes ? hb_ot_layout_get_glyph_class(face, g.Glyph) == HB_OT_LAYOUT_GLYPH_CLASS_MARK
                     : IsMarkCategory(CharAt(text, g.Cluster));
  }
  hb_buffer_clear_contents(buf);
  return glyphs;
}

std::vector<uint8_t> BidiLevels(std::u16string_view text, bool baseRtl) {
  // Below U+0590 there are no right-to-left letters, Arabic digits or
  // directional controls: a left-to-right paragraph of such text stays at
  // level 0 everywhere, which most report text is.
  if (!baseRtl && std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x0590; }))
    return std::vector<uint8_t>(text.size(), 0);
  std::vector<FriBidiChar> chars;
  std::vector<size_t> at;
  Decode(text, chars, at);
  std::vector<uint8_t> result(text.size(), baseRtl ? 1 : 0);
  if (chars.empty()) return result;
  auto len = static_cast<FriBidiStrIndex>(chars.size());
  std::vector<FriBidiCharType> types(chars.size());
  std::vector<FriBidiBracketType> brackets(chars.size());
  std::vector<FriBidiLevel> levels(chars.size());
  fribidi_get_bidi_types(chars.data(), len, types.data());
  fribidi_get_bracket_types(chars.data(), len, types.data(), brackets.data());
  FriBidiParType dir = baseRtl ? FRIBIDI_PAR_RTL : FRIBIDI_PAR_LTR;
  if (!fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), len, &dir,
                                           levels.data()))
    return result;
  // Only for the line rule (trailing white space back to the base level);
  // the order itself comes from VisualOrder.
  if (!fribidi_reorder_line(0, types.data(), len, 0, dir, levels.data(), nullptr, nullptr))
    return result;
  for (size_t k = 0; k < chars.size(); ++k) {
    size_t end = k + 1 < chars.size() ? at[k + 1] : text.size();
    for (size_t u = at[k]; u < end; ++u) result[u] = static_cast<uint8_t>(levels[k]);
  }
  return result;
}

std::vector<TTextRun> ItemizeText(std::u16string_view text, bool baseRtl) {
  std::vector<TTextRun> runs;
  std::vector<uint8_t> levels = BidiLevels(text, baseRtl);
  hb_unicode_funcs_t* ufuncs = hb_unicode_funcs_get_default();
  hb_script_t runScript = HB_SCRIPT_COMMON;
  for (size_t i = 0; i < text.size();) {
    char32_t c = CharAt(text, i);
    size_t len = c > 0xFFFF ? 2 : 1;
    hb_script_t script = hb_unicode_script(ufuncs, c);
    bool neutral = script == HB_SCRIPT_COMMON || script == HB_SCRIPT_INHERITED ||
                   script == HB_SCRIPT_UNKNOWN;
    bool split = runs.empty() || levels[i] != runs.back().Level ||
                 (!neutral && runScript != HB_SCRIPT_COMMON && script != runScript);
    if (split) {
      runs.push_back(TTextRun{i, 0, levels[i]});
      runScript = HB_SCRIPT_COMMON;
    }
    // Neutral characters (spaces, digits, punctuation) join the script around them.
    if (!neutral) runScript = script;
    runs.back().Length += len;
    i += len;
  }
  return runs;
}

std::vector<size_t> VisualOrder(std::span<const uint8_t> levels) {
  std::vector<size_t> order(levels.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  if (levels.empty()) return order;
  uint8_t highest = *std::max_element(levels.begin(), levels.end());
  uint8_t lowestOdd = 255;
  for (uint8_t l : levels)
    if (l & 1) lowestOdd = std::min(lowestOdd, l);
  for (int level = highest; level >= lowestOdd && level > 0; --level) {
    for (size_t i = 0; i < levels.size();) {
      if (levels[order[i]] < level) {
        ++i;
        continue;
      }
      size_t j = i;
      while (j < levels.size() && levels[order[j]] >= level) ++j;
      std::reverse(order.begin() + static_cast<std::ptrdiff_t>(i),
                   order.begin() + static_cast<std::ptrdiff_t>(j));
      i = j;
    }
  }
  return order;
}

std::vector<TShapedGlyph> ShapeLine(const TFont& font, std::u16string_view text,
                                    bool baseRtl, bool ligatures) {
  std::vector<TShapedGlyph> glyphs;
  std::vector<TTextRun> runs = ItemizeText(text, baseRtl);
  std::vector<uint8_t> levels;
  for (const TTextRun& r : runs) levels.push_back(r.Level);
  for (size_t index : VisualOrder(levels)) {
    const TTextRun& r = runs[index];
    for (TShapedGlyph g : ShapeRun(font, text.substr(r.Start, r.Length), r.Rtl(), ligatures)) {
      g.Cluster += static_cast<uint32_t>(r.Start);
      glyphs.push_back(g);
    }
  }
  return glyphs;
}
