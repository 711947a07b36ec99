#pragma once
// The simple markup of text objects (<b>, <i>, <u>, <strike>, <sub>, <sup>,
// <nowrap>, <font color=...>): removed from the text, leaving one style
// record per remaining character so that layout and drawing know each
// character's font.

#include "document/qdxFont.h"
#include "document/qdxGraphics.h"

#include <string>
#include <vector>

enum class TqdxScript : uint8_t { Normal, Subscript, Superscript };

struct TqdxHTMLTag {
  int CharPos = 0;  // 1-based position in the whole text, markup and CR LF counted
  int FontSize = 0;
  TqdxFontStyles FontStyle = 0;
  TqdxColor FontColor = clBlack;
  int Lowered = 0;  // 1: subscript, drawn lower
  TqdxScript Script = TqdxScript::Normal;
  bool NoWrap = false;
  bool Reduced = false;  // size differs from the default: advances divided by 1.5
  bool SameAsPrevious = false;

  bool SameStyle(const TqdxHTMLTag& o) const {
    return FontStyle == o.FontStyle && FontColor == o.FontColor && FontSize == o.FontSize && Lowered == o.Lowered &&
           NoWrap == o.NoWrap;
  }
};

using TqdxHTMLTags = std::vector<TqdxHTMLTag>;

class TqdxHTMLTagsList {
public:
  bool TagsEnabled = true;

  // Sets the defaults and the current state; clears the lines.
  void SetDefaults(TqdxColor color, int size, TqdxFontStyles style);
  // Starts a new line of tags when there are lines already.
  void NewLine();
  // Removes the markup from text and appends one tag per remaining
  // character to the current line. A text that becomes empty is one space.
  void ExpandHTMLTags(std::u16string& text);
  // Moves the tags after the first count characters of the last line to a
  // new line; with hyphen the kept part gets one more tag for the hyphen.
  void SplitLine(int count, bool hyphen);
  // The same for several cuts of the last line in one pass, as a paragraph
  // is broken into lines (one after the other would copy the rest each time).
  void SplitLines(const std::vector<std::pair<int, bool>>& cuts);
  // Advances the position counter (paragraph ends count 2).
  void AddPosition(int n) { FPosition += n; }

  int Count() const { return static_cast<int>(FLines.size()); }
  TqdxHTMLTags& Items(int index) { return FLines.at(static_cast<size_t>(index)); }
  const TqdxHTMLTags& Items(int index) const { return FLines.at(static_cast<size_t>(index)); }
  void DeleteFrom(int index) { FLines.resize(static_cast<size_t>(index)); }

  TqdxColor DefaultColor() const { return FDefColor; }
  int DefaultSize() const { return FDefSize; }
  TqdxFontStyles DefaultStyle() const { return FDefStyle; }

private:
  bool TryTag(const std::u16string& text, size_t at, size_t& length);
  void UpdateSameAsPrevious(TqdxHTMLTags& line, size_t from);

  std::vector<TqdxHTMLTags> FLines;
  TqdxColor FDefColor = clBlack;
  int FDefSize = 10;
  TqdxFontStyles FDefStyle = 0;
  TqdxColor FColor = clBlack;
  int FSize = 10;
  TqdxFontStyles FStyle = 0;
  int FLowered = 0;
  bool FNoWrap = false;
  TqdxScript FScript = TqdxScript::Normal;
  int FPosition = 0;
};
