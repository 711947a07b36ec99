#include "document/qdxMemoView.h"

#include "document/qdxViewRegistration.h"

namespace {

const TqdxEnumInfo& HAlignEnum() {
  static const TqdxEnumInfo info("TqdxHAlign", {"haLeft", "haRight", "haCenter", "haBlock"});
  return info;
}
const TqdxEnumInfo& VAlignEnum() {
  static const TqdxEnumInfo info("TqdxVAlign", {"vaTop", "vaBottom", "vaCenter"});
  return info;
}
const TqdxEnumInfo& DuplicatesEnum() {
  static const TqdxEnumInfo info("TqdxDuplicateMerge", {"dmShow", "dmHide", "dmClear", "dmMerge"});
  return info;
}
const TqdxEnumInfo& UnderlinesEnum() {
  static const TqdxEnumInfo info("TqdxUnderlinesTextMode", {"ulmNone", "ulmUnderlinesAll", "ulmUnderlinesText",
                                                            "ulmUnderlinesTextAndEmptyLines"});
  return info;
}

// The text objects' published properties; the data-bound memo adds the data
// binding at the end.
template <class T>
void PublishMemo(TqdxClassBuilder<T>& Reg, bool dataBinding) {
  using M = TqdxCustomMemoView;
  Reg.WStrings("Memo", &M::Memo);
  Reg.Object("Font", &TqdxComponent::GetFont).template Stored<&TqdxComponent::IsFontStored>();
  Reg.Bool("ParentFont", &TqdxComponent::GetParentFont, &TqdxComponent::SetParentFont).Default(true);
  Reg.Enum("HAlign", HAlignEnum(), &M::HAlign).Default(haLeft);
  Reg.Enum("VAlign", VAlignEnum(), &M::VAlign).Default(vaTop);
  Reg.Int("Rotation", &M::Rotation).Default(0);
  Reg.Bool("WordWrap", &M::WordWrap).Default(true);
  Reg.Bool("WordBreak", &M::WordBreak).Default(false);
  Reg.Float("GapX", &M::GapX);
  Reg.Float("GapY", &M::GapY);
  Reg.Float("LineSpacing", &M::LineSpacing);
  Reg.Float("ParagraphGap", &M::ParagraphGap);
  Reg.Float("CharSpacing", &M::CharSpacing);
  Reg.Bool("AllowHTMLTags", &M::AllowHTMLTags).Default(false);
  Reg.Bool("AllowExpressions", &M::AllowExpressions).Default(true);
  Reg.Str("ExpressionDelimiters", &M::ExpressionDelimiters);
  Reg.Bool("RTLReading", &M::RTLReading).Default(false);
  Reg.Bool("Underlines", &M::Underlines).Default(false);
  Reg.Enum("UnderlinesTextMode", UnderlinesEnum(), &M::UnderlinesTextMode).Default(ulmNone);
  Reg.Bool("Clipped", &M::Clipped).Default(true);
  Reg.Bool("Wysiwyg", &M::Wysiwyg).Default(true);
  Reg.Bool("AutoWidth", &M::AutoWidth).Default(false);
  Reg.Object("DisplayFormat", &M::GetDisplayFormat).template Stored<&M::IsDisplayFormatStored>();
  Reg.Object("Highlight", &M::GetHighlight).template Stored<&M::IsHighlightStored>();
  Reg.Bool("HideZeros", &M::HideZeros).Default(false);
  Reg.Bool("SuppressRepeated", &M::SuppressRepeated).Default(false);
  Reg.Enum("Duplicates", DuplicatesEnum(), &M::Duplicates).Default(dmShow);
  Reg.Bool("FirstParaBreak", &M::FirstParaBreak).Default(false);
  Reg.Bool("LastParaBreak", &M::LastParaBreak).Default(false);
  Reg.Bool("UseDefaultCharset", &M::UseDefaultCharset).Default(false);
  Reg.Str("Style", &M::Style);
  Reg.Ref("FlowTo", &M::FlowTo);
  qdxPublishViewLook(Reg);
  Reg.Object("Processing", &TqdxView::GetProcessing);
  if (dataBinding) qdxPublishDataBinding(Reg);
}

}  // namespace

const TqdxClassInfo& TqdxCustomMemoView::StaticClassInfo() {
  static const TqdxClassInfo& info =
      qdxDefineClass<TqdxCustomMemoView>("TqdxCustomMemoView", &TqdxStretcheable::StaticClassInfo(), nullptr);
  return info;
}

const TqdxClassInfo& TqdxMemoView::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxMemoView>(
      "TqdxMemoView", &TqdxCustomMemoView::StaticClassInfo(),
      [](TqdxClassBuilder<TqdxMemoView>& Reg) { PublishMemo(Reg, true); });
  return info;
}

const TqdxClassInfo& TqdxSysMemoView::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxSysMemoView>(
      "TqdxSysMemoView", &TqdxCustomMemoView::StaticClassInfo(),
      [](TqdxClassBuilder<TqdxSysMemoView>& Reg) { PublishMemo(Reg, false); });
  return info;
}

TqdxCustomMemoView::TqdxCustomMemoView(TqdxBaseComponent* owner) : TqdxStretcheable(owner) {
  // Text objects write their own differences and their nested collections.
  ObjectFlags = (ObjectFlags & ~ofDiffByFullForm) | ofWritesNestedElements;
}

std::u16string TqdxCustomMemoView::Text() const {
  std::u16string r;
  for (size_t i = 0; i < Memo.size(); ++i) {
    if (i > 0) r += u"\r\n";
    r += Memo[i];
  }
  return r;
}

void TqdxCustomMemoView::SetText(std::u16string_view text) {
  Memo.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of(u"\r\n", start);
    if (end == std::u16string_view::npos) {
      Memo.emplace_back(text.substr(start));
      break;
    }
    Memo.emplace_back(text.substr(start, end - start));
    start = end + ((text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ? 2 : 1);
  }
}

TqdxFormat* TqdxCustomMemoView::GetDisplayFormat() const {
  if (FFormats.Count() == 0) FFormats.Add();
  return &FFormats[0];
}

TqdxHighlight* TqdxCustomMemoView::GetHighlight() const {
  if (FHighlights.Count() == 0) FHighlights.Add();
  return &FHighlights[0];
}

bool TqdxCustomMemoView::IsHighlightStored() const {
  if (FHighlights.Count() != 1) return false;
  return FHighlights[0].Condition.find_first_not_of(" \t\r\n") != std::string::npos;
}

std::string qdxUTF16ToUTF8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::string TqdxCustomMemoView::GetComponentText() const {
  std::string text = qdxUTF16ToUTF8(Text());
  if (AllowExpressions) {
    static constexpr std::string_view tag = "[TOTALPAGES]";
    for (size_t i = 0; i + tag.size() <= text.size(); ++i)
      if (qdxSameText(std::string_view(text).substr(i, tag.size()), tag)) {
        text.replace(i, tag.size(), std::to_string(TotalPages));
        break;
      }
  }
  return text;
}
