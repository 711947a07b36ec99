#include "export/qdxExportMatrix.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <string_view>

#include "document/qdxClass.h"
#include "document/qdxDrawText.h"
#include "document/qdxPreviewPages.h"
#include "platform/CodePage.h"

namespace {

const char *const PageBackgroundName = "_pagebackground";
constexpr uint8_t OEMCharset = 255;
// Offering a position compares it with this many of the latest entries only,
// so adding objects stays linear; older duplicates are left to the merge.
constexpr size_t OfferWindow = 100;

int RoundInt(double v) { return static_cast<int>(std::nearbyint(v)); }

// Restores what AddObject changes on a report object for the time of one
// step, also when the step raises.
template <class F>
class TRestore {
 public:
  explicit TRestore(F f) : FRestore(std::move(f)) {}
  ~TRestore() { FRestore(); }
  TRestore(const TRestore &) = delete;
  TRestore &operator=(const TRestore &) = delete;

 private:
  F FRestore;
};

// Converts bytes with iconv; a character the target cannot hold becomes '?'.
std::string Recode(const std::string &text, const char *to, const char *from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return text;
  std::string out;
  std::string in = text;
  char *src = in.data();
  size_t srcLeft = in.size();
  char buffer[256];
  while (srcLeft > 0) {
    char *dst = buffer;
    size_t dstLeft = sizeof buffer;
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, sizeof buffer - dstLeft);
    if (r != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // Skip the whole offending UTF-8 sequence (or the single byte).
    out.push_back('?');
    unsigned char lead = static_cast<unsigned char>(*src);
    size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    n = std::min(n, srcLeft);
    src += n;
    srcLeft -= n;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return out;
}

// A font with the OEM charset shows what the OEM code page can hold: the text
// goes through that code page and back, so what it cannot hold shows as the
// code page would show it.
std::u16string ThroughOEMCodePage(const std::u16string &line) {
  std::string oem = Recode(Utf16ToUtf8(line), "CP437//TRANSLIT", "UTF-8");
  return Utf8ToUtf16(Recode(oem, "UTF-8", "CP437"));
}

bool IsHatched(TqdxBrushStyle style) { return style > bsClear; }

bool IsRichView(const TqdxView &view) { return view.ClassName() == "TqdxRichView"; }

bool IsStraightLine(const TqdxView &view) {
  return view.Is<TqdxCustomLineView>() && (view.GetWidth() == 0 || view.GetHeight() == 0);
}

bool IsRectangle(const TqdxView &view) {
  if (const auto *shape = dynamic_cast<const TqdxShapeView *>(&view)) return shape->Shape == skRectangle;
  return view.ClassName() == "TqdxGradientView";
}

void CopyFrameLines(TqdxIEMStyle &style, const TqdxFrame &frame) {
  qdxAssignFrameLine(style.LeftLine, *frame.GetLeftLine());
  qdxAssignFrameLine(style.TopLine, *frame.GetTopLine());
  qdxAssignFrameLine(style.RightLine, *frame.GetRightLine());
  qdxAssignFrameLine(style.BottomLine, *frame.GetBottomLine());
}

}  // namespace

TqdxIEMatrix::TqdxIEMatrix(bool useFileCache, std::string tempFolder)
    : FPictureCache(useFileCache, std::move(tempFolder)) {}

TqdxIEMatrix::~TqdxIEMatrix() { Clear(); }

void TqdxIEMatrix::Clear() {
  FCurrentObject = nullptr;
  FPlacements.clear();
  FStyles.clear();
  FXPositions.clear();
  FYPositions.clear();
  FPages.clear();
  FFontCharsets.clear();
  FCells.clear();
  FColumnCount = 0;
  FRowCount = 0;
  FPageOffset = 0;
  FContentRight = 0;
  FContentBottom = 0;
  FPictureCache.Clear();
}

// ---------------------------------------------------------------- styles

int TqdxIEMatrix::AddStyle(std::unique_ptr<TqdxIEMStyle> style) {
  if (style == nullptr) return -1;
  for (size_t i = 0; i < FStyles.size(); ++i)
    if (FStyles[i]->SameAs(*style)) return static_cast<int>(i);
  FStyles.push_back(std::move(style));
  return static_cast<int>(FStyles.size()) - 1;
}

int TqdxIEMatrix::StyleWithSides(const TqdxIEMStyle &style, TqdxFrameTypes sides) {
  auto copy = std::make_unique<TqdxIEMStyle>();
  copy->AssignStyle(style);
  copy->FrameSides = sides;
  return AddStyle(std::move(copy));
}

void TqdxIEMatrix::SetStyle(TqdxIEMObject &obj, int styleNo) {
  obj.StyleNo = styleNo;
  obj.CellStyleRef = styleNo >= 0 ? FStyles[static_cast<size_t>(styleNo)].get() : nullptr;
}

int TqdxIEMatrix::ResolveCharset(const TqdxFont &font) {
  auto it = FFontCharsets.find(font.GetName());
  if (it != FFontCharsets.end()) return it->second;
  if (!CharsetProbe) return 0;
  std::optional<uint8_t> charset = CharsetProbe(font.GetName());
  if (!charset) charset = CharsetProbe("Arial");
  if (!charset) return 0;
  FFontCharsets[font.GetName()] = *charset;
  return *charset;
}

std::unique_ptr<TqdxIEMStyle> TqdxIEMatrix::BuildStyle(const TqdxView &view, TKind kind) {
  if (kind == TKind::Rectangle) return nullptr;
  auto style = std::make_unique<TqdxIEMStyle>();
  const TqdxFrame &frame = *view.GetFrame();
  CopyFrameLines(*style, frame);
  if (const auto *memo = dynamic_cast<const TqdxCustomMemoView *>(&view)) {
    const TqdxFont *font = view.GetFont();
    style->Color = view.GetColor();
    if (memo->Highlights().Count() > 0) {
      // A highlight replaces only what it applies: a highlight that leaves
      // the fill alone must not make the block transparent.
      const TqdxHighlight &h = memo->Highlights()[0];
      if (h.Active && h.ApplyFont) font = h.GetFont();
      if (h.Active && h.ApplyFill) style->Color = h.GetColor();
    }
    style->Font.Assign(*font);
    if (DotMatrixFonts) style->Font.SetSize(9);
    if (memo->Formats().Count() > 0) {
      const TqdxFormat &f = memo->Formats()[0];
      style->DisplayFormat.Kind = f.Kind;
      style->DisplayFormat.FormatStr = f.FormatStr;
      style->DisplayFormat.DecimalSeparator = f.DecimalSeparator;
      style->DisplayFormat.ThousandSeparator = f.ThousandSeparator;
    }
    style->HAlign = memo->HAlign;
    style->VAlign = memo->VAlign;
    style->LineSpacing = memo->LineSpacing;
    style->GapX = memo->GapX;
    style->GapY = memo->GapY;
    style->CharSpacing = memo->CharSpacing;
    style->ParagraphGap = memo->ParagraphGap;
    style->WordBreak = memo->WordBreak;
    style->WordWrap = memo->WordWrap;
    style->Rotation = memo->Rotation;
    style->BrushStyle = view.GetBrushStyle();
    style->FrameSides = frame.Typ;
    uint8_t charset = style->Font.GetCharset();
    style->ResolvedCharset = charset == DEFAULT_CHARSET ? ResolveCharset(style->Font) : charset;
  } else if (kind == TKind::Line) {
    style->Color = view.GetColor();
    style->FrameSides = view.GetWidth() == 0 ? qdxBit(ftLeft) : view.GetHeight() == 0 ? qdxBit(ftTop) : 0;
    style->Font.SetName("Arial");
    style->Font.SetSize(1);
  } else {
    style->Font.Assign(*view.GetFont());
    if (DotMatrixFonts) style->Font.SetSize(9);
    style->Color = view.GetColor();
    style->FrameSides = view.Is<TqdxCustomLineView>() ? 0 : frame.Typ;
  }
  return style;
}

// ---------------------------------------------------------------- adding
// objects

void TqdxIEMatrix::OfferPosition(std::vector<double> &list, double value) {
  size_t from = list.size() > OfferWindow ? list.size() - OfferWindow : 0;
  for (size_t i = from; i < list.size(); ++i)
    if (list[i] == value) return;
  list.push_back(value);
}

TqdxIEMatrix::TKind TqdxIEMatrix::KindOf(const TqdxView &view) const {
  if (const auto *memo = dynamic_cast<const TqdxCustomMemoView *>(&view)) {
    // Without picture cells a text block has nowhere to go but text: turning
    // it into a picture would make it vanish from text-only exports.
    bool asPicture = PictureCells &&
                     ((HatchAsPicture && IsHatched(view.GetBrushStyle())) || (RotatedAsPicture && memo->Rotation != 0));
    if (!asPicture) return TKind::Text;
  } else if (IsRichView(view) && RichTextCells) {
    return TKind::RichRTF;
  } else if (IsStraightLine(view)) {
    return TKind::Line;
  } else if (IsRectangle(view)) {
    return TKind::Rectangle;
  }
  if (!PictureCells) return TKind::Dropped;
  if (view.Name == PageBackgroundName && !PageBackgroundPicture) return TKind::Dropped;
  return TKind::Picture;
}

void TqdxIEMatrix::AddObject(TqdxView &view) {
  if (view.Name == PageBackgroundName && !PageBackground && !(!NonPrintableExported && !view.GetPrintable())) return;
  AddObjectFor(view, view);
}

void TqdxIEMatrix::AddDropShadow(TqdxCustomMemoView &memo, const TqdxView &source) {
  TqdxFrame &frame = *memo.GetFrame();
  const double sw = frame.ShadowWidth;
  const double w = memo.GetWidth(), h = memo.GetHeight();
  const double left = memo.AbsLeft(), top = memo.AbsTop();
  {
    TRestore restore([&] {
      memo.SetWidth(w);
      memo.SetHeight(h);
      frame.DropShadow = true;
    });
    memo.SetWidth(w - sw);
    memo.SetHeight(h - sw);
    frame.DropShadow = false;
    AddObjectFor(memo, source);
  }
  TqdxMemoView shadow;
  shadow.Name = "Shadow";
  shadow.GetFont()->SetSize(1);
  shadow.SetColor(frame.ShadowColor);
  shadow.SetBounds(left + w - sw, top + sw, sw, h - sw);
  AddObjectFor(shadow, source);
  shadow.SetBounds(left + sw, top + h - sw, w - sw, sw);
  AddObjectFor(shadow, source);
}

void TqdxIEMatrix::AddRichAsPlainText(TqdxView &view, const TqdxView &source) {
  TqdxMemoView plain;
  plain.Name = view.Name;
  plain.SetBounds(view.AbsLeft(), view.AbsTop(), view.GetWidth(), view.GetHeight());
  plain.SetText(Utf8ToUtf16(RichTextSource ? RichTextSource(view, false) : view.GetComponentText()));
  AddObjectFor(plain, source);
}

void TqdxIEMatrix::AddRectangle(TqdxView &view, const TqdxView &source) {
  const TqdxFrame &frame = *view.GetFrame();
  const double left = view.AbsLeft(), top = view.AbsTop(), w = view.GetWidth(), h = view.GetHeight();
  if (view.GetColor() == clNone) {
    // Four border lines; each carries the rectangle's line of its own side.
    struct {
      double L, T, W, H;
      const TqdxFrameLine *Side;
    } edges[] = {{left, top, w, 0, frame.GetTopLine()},
                 {left, top, 0, h, frame.GetLeftLine()},
                 {left, top + h, w, 0, frame.GetBottomLine()},
                 {left + w, top, 0, h, frame.GetRightLine()}};
    for (const auto &e : edges) {
      TqdxLineView line;
      line.Name = "Line";
      TqdxFrame &lf = *line.GetFrame();
      lf.Assign(frame);
      for (TqdxFrameLine *l : {lf.GetLeftLine(), lf.GetTopLine(), lf.GetRightLine(), lf.GetBottomLine()})
        qdxAssignFrameLine(*l, *e.Side);
      line.SetBounds(e.L, e.T, e.W, e.H);
      AddObjectFor(line, source);
    }
    return;
  }
  TqdxMemoView rect;
  rect.Name = "Rect";
  rect.GetFrame()->Assign(frame);
  rect.GetFrame()->Typ = qdxBit(ftLeft) | qdxBit(ftRight) | qdxBit(ftTop) | qdxBit(ftBottom);
  rect.SetColor(view.GetColor());
  rect.SetBounds(left, top, w, h);
  rect.GetFont()->SetSize(1);
  AddObjectFor(rect, source);
}

void TqdxIEMatrix::SetLinkTarget(TqdxIEMObject &obj, const TqdxView &view) const {
  if (!view.URL.empty())
    obj.LinkTarget = view.URL;
  else if (view.GetHyperlink()->Kind == hkURL && !view.GetHyperlink()->Value.empty())
    obj.LinkTarget = view.GetHyperlink()->Value;
  if (LinkReport != nullptr && LinkReport->PreviewPages != nullptr && !obj.LinkTarget.empty() &&
      obj.LinkTarget[0] == '#') {
    int page = LinkReport->PreviewPages->GetAnchorPage(obj.LinkTarget.substr(1));
    obj.LinkTarget = "@" + std::to_string(page);
  }
}

void TqdxIEMatrix::SetText(TqdxIEMObject &obj, const TqdxCustomMemoView &memo) const {
  if ((StripHTMLTags && memo.AllowHTMLTags) || LaidOutText) {
    const TqdxFont *font = memo.GetFont();
    if (memo.Highlights().Count() > 0 && memo.Highlights()[0].Active && memo.Highlights()[0].ApplyFont)
      font = memo.Highlights()[0].GetFont();
    TqdxDrawText &layout = DrawTextObject();
    layout.Lock();
    TRestore unlock([&] { layout.Unlock(); });
    const double l = memo.AbsLeft(), t = memo.AbsTop(), w = memo.GetWidth(), h = memo.GetHeight();
    TqdxIntRect draw{RoundInt(l), RoundInt(t), RoundInt(l + w), RoundInt(t + h)};
    TqdxIntRect text{RoundInt(l + memo.GapX), RoundInt(t + memo.GapY), RoundInt(l + w - memo.GapX),
                     RoundInt(t + h - memo.GapY)};
    text.Right = std::max(text.Right, text.Left);
    text.Bottom = std::max(text.Bottom, text.Top);
    layout.SetFont(*font);
    layout.SetOptions(memo.WordWrap, memo.AllowHTMLTags, memo.Rotation, memo.Wysiwyg, memo.Clipped, memo.WordBreak,
                      memo.RTLReading);
    layout.SetGaps(memo.LineSpacing, memo.CharSpacing, memo.ParagraphGap);
    layout.SetDimensions(text, draw);
    layout.SetText(memo.Memo);
    obj.Lines = layout.Lines();
  } else {
    obj.Lines = memo.Memo;
  }
  if (!StripHTMLTags) obj.HTMLTagged = memo.AllowHTMLTags;
  if (memo.GetFont()->GetCharset() == OEMCharset)
    for (std::u16string &line : obj.Lines) line = ThroughOEMCodePage(line);
  obj.TextCell = true;
  obj.RichCell = false;
  obj.RightToLeft = memo.RTLReading;
  obj.TextLineSpacing = memo.LineSpacing;
}

void TqdxIEMatrix::RenderPicture(TqdxIEMObject &obj, TqdxView &view) {
  obj.TextCell = false;
  obj.RichCell = false;
  // The border is carried by the cell's style; drawing it too would double it.
  TqdxFrame &frame = *view.GetFrame();
  TqdxFrameLine *lines[] = {frame.GetLeftLine(), frame.GetTopLine(), frame.GetRightLine(), frame.GetBottomLine()};
  const double savedWidth = frame.GetWidth();
  double savedLines[4];
  for (int i = 0; i < 4; ++i) savedLines[i] = lines[i]->Width;
  auto restoreWidth = [&] {
    frame.SetWidth(savedWidth);
    for (int i = 0; i < 4; ++i) lines[i]->Width = savedLines[i];
  };
  const bool widthCleared = frame.Typ != 0 && savedWidth > 0;
  if (widthCleared) frame.SetWidth(0);
  TRestore restore([&] {
    if (widthCleared) restoreWidth();
  });

  const TqdxRect bounds = view.GetExportBounds();
  const double absLeft = view.AbsLeft(), absTop = view.AbsTop();
  const double w = view.GetWidth(), h = view.GetHeight();
  double dx = bounds.Right - bounds.Left, dy = bounds.Bottom - bounds.Top;
  auto overhang = [](double d, double size, double lo, double hi, double abs) {
    if (d == size || lo == abs) return 0.0;
    if (hi == abs + size) return d - size;
    return (d - size) / 2;
  };
  const double ox = overhang(dx, w, bounds.Left, bounds.Right, absLeft);
  const double oy = overhang(dy, h, bounds.Top, bounds.Bottom, absTop);
  double originX = absLeft - ox, originY = absTop - oy;
  obj.Left -= ox;
  obj.Top -= oy;
  if (RoundInt(dx) == 0) dx = 1;
  if (dx < 0) {
    dx = -dx;
    obj.Left -= dx;
    originX -= dx;
  }
  if (RoundInt(dy) == 0) dy = 1;
  if (dy < 0) {
    dy = -dy;
    obj.Top -= dy;
    originY -= dy;
  }
  obj.Width = dx;
  obj.Height = dy;
  if (PictureRenderer == nullptr) return;

  TqdxIEMRenderRequest request;
  request.OriginX = originX;
  request.OriginY = originY;
  if (MetafilePictures) {
    request.Width = RoundInt(dx);
    request.Height = RoundInt(dy);
    if (widthCleared && view.Is<TqdxCustomLineView>()) restoreWidth();  // a line is its frame
    obj.VectorPicture = TqdxIEMPicture{};
    try {
      obj.VectorPicture = PictureRenderer->RenderMetafile(view, request);
    } catch (...) {
      // An object that fails half-way keeps what it drew: the renderer
      // returns partial pictures itself; nothing more can be saved here.
    }
  } else {
    double fx = 1, fy = 1;
    PictureRenderer->BitmapScaleFactors(view, fx, fy);
    if (!(fx > 0) || fx > 1) fx = 1;
    if (!(fy > 0) || fy > 1) fy = 1;
    request.Width = RoundInt(dx / fx) + 1;
    request.Height = RoundInt(dy / fy) + 1;
    request.ScaleX = 1 / fx;
    request.ScaleY = 1 / fy;
    obj.Picture = PictureRenderer->RenderBitmap(view, request);
  }
  obj.ReleasePictures();
}

void TqdxIEMatrix::Bookkeep(const TqdxIEMObject &obj) {
  FContentBottom = std::max(FContentBottom, obj.Top + obj.Height);
  FContentRight = std::max(FContentRight, obj.Left + obj.Width);
  FContentLeft = std::min(FContentLeft, obj.Left);
  FContentTop = std::min(FContentTop, obj.Top);
  if (obj.Left < FLeftEdge || FLeftEdge == 0) FLeftEdge = obj.Left;
  if (obj.Top < FTopEdge || FTopEdge == 0) FTopEdge = obj.Top;
}

void TqdxIEMatrix::AddObjectFor(TqdxView &view, const TqdxView &source) {
  if (auto *memo = dynamic_cast<TqdxCustomMemoView *>(&view); memo && memo->GetFrame()->DropShadow) {
    AddDropShadow(*memo, source);
    return;
  }
  if (IsRichView(view) && RichTextCells && RichTextPlain) {
    AddRichAsPlainText(view, source);
    return;
  }
  const TKind kind = KindOf(view);
  if (kind == TKind::Dropped) return;
  if (kind == TKind::Rectangle) {
    AddRectangle(view, source);
    return;
  }

  auto obj = std::make_unique<TqdxIEMObject>(&FPictureCache);
  obj->ObjectName = view.Name;
  SetStyle(*obj, AddStyle(BuildStyle(view, kind)));
  SetLinkTarget(*obj, view);
  const double absLeft = view.AbsLeft(), absTop = view.AbsTop();
  obj->Left = absLeft < 0 ? 0 : absLeft;
  obj->Top = absTop < 0 ? FPageOffset : absTop + FPageOffset;
  obj->Width = view.GetWidth();
  obj->Height = view.GetHeight();

  switch (kind) {
    case TKind::Text:
      SetText(*obj, static_cast<const TqdxCustomMemoView &>(view));
      break;
    case TKind::RichRTF:
      obj->TextCell = true;
      obj->RichCell = true;
      obj->Lines.clear();
      if (RichTextSource) {
        TqdxMemoView split;  // splits the source into lines as text blocks do
        split.SetText(Utf8ToUtf16(RichTextSource(view, true)));
        obj->Lines = split.Memo;
      }
      break;
    case TKind::Line:
      obj->TextCell = true;
      if (obj->Width < 0) {
        obj->Left += obj->Width;
        obj->Width = -obj->Width;
      }
      if (obj->Height < 0) {
        obj->Top += obj->Height;
        obj->Height = -obj->Height;
      }
      if (obj->Width == 0) obj->Width = 1;
      if (obj->Height == 0) obj->Height = 1;
      break;
    default:
      RenderPicture(*obj, view);
      break;
  }

  if (source.Parent() != nullptr && (FPageHeaderBand != nullptr || FPageFooterBand != nullptr)) {
    obj->InPageHeader = source.Parent() == FPageHeaderBand;
    obj->InPageFooter = source.Parent() == FPageFooterBand;
  }
  Bookkeep(*obj);
  OfferPosition(FXPositions, obj->Left);
  OfferPosition(FXPositions, obj->Left + obj->Width);
  OfferPosition(FYPositions, obj->Top);
  OfferPosition(FYPositions, obj->Top + obj->Height);
  TqdxIEMObjectList placement;
  placement.Cell = std::move(obj);
  FPlacements.push_back(std::move(placement));
}

int TqdxIEMatrix::AddPage(TqdxPrinterOrientation orientation, bool mirrorMargins, int pageIndex, double bottomMargin,
                          double rightMargin, double topMargin, double leftMargin, double height, double width) {
  FPageOffset = FContentBottom;
  TqdxIEMPage page;
  page.BreakY = FContentBottom;
  page.Orientation = orientation;
  page.Width = width;
  page.Height = height;
  page.TopMargin = topMargin;
  page.BottomMargin = bottomMargin;
  page.LeftMargin = leftMargin;
  page.RightMargin = rightMargin;
  if (mirrorMargins && (pageIndex + 1) % 2 == 0) {
    page.LeftMargin = rightMargin;
    page.RightMargin = leftMargin;
    page.MarginsSwapped = true;
  }
  FPages.push_back(std::move(page));
  return static_cast<int>(FPages.size()) - 1;
}

// ---------------------------------------------------------------- reading

int TqdxIEMatrix::CellIndex(int col, int row) const {
  if (col < 0 || row < 0 || col >= FColumnCount || row >= FRowCount) return -1;
  return FCells[static_cast<size_t>(col) + static_cast<size_t>(row) * static_cast<size_t>(FColumnCount)];
}

TqdxIEMObject *TqdxIEMatrix::MakeCurrent(TqdxIEMObject *obj) {
  if (FCurrentObject != nullptr) FCurrentObject->ReleasePictures();
  FCurrentObject = obj;
  return obj;
}

TqdxIEMObject *TqdxIEMatrix::CellObject(int col, int row) {
  int i = CellIndex(col, row);
  return MakeCurrent(i >= 0 ? FPlacements[static_cast<size_t>(i)].Cell.get() : nullptr);
}

TqdxIEMObject *TqdxIEMatrix::ObjectAt(int index) {
  bool valid = index >= 0 && index < ObjectCount();
  return MakeCurrent(valid ? FPlacements[static_cast<size_t>(index)].Cell.get() : nullptr);
}

TqdxIEMStyle *TqdxIEMatrix::CellStyle(int col, int row) {
  TqdxIEMObject *obj = CellObject(col, row);
  return obj != nullptr ? obj->CellStyleRef : nullptr;
}

TqdxIEMPage *TqdxIEMatrix::PageAt(int index) {
  return index >= 0 && index < PageCount() ? &FPages[static_cast<size_t>(index)] : nullptr;
}

#define QDX_PAGE_VALUE(Name, Field)                                                          \
  double TqdxIEMatrix::Name(int index) const {                                               \
    return index >= 0 && index < PageCount() ? FPages[static_cast<size_t>(index)].Field : 0; \
  }
QDX_PAGE_VALUE(PageBreakY, BreakY)
QDX_PAGE_VALUE(PageWidth, Width)
QDX_PAGE_VALUE(PageHeight, Height)
QDX_PAGE_VALUE(PageLeftMargin, LeftMargin)
QDX_PAGE_VALUE(PageTopMargin, TopMargin)
QDX_PAGE_VALUE(PageRightMargin, RightMargin)
QDX_PAGE_VALUE(PageBottomMargin, BottomMargin)
#undef QDX_PAGE_VALUE

TqdxPrinterOrientation TqdxIEMatrix::PageOrientation(int index) const {
  return index >= 0 && index < PageCount() ? FPages[static_cast<size_t>(index)].Orientation : poPortrait;
}

TqdxRect TqdxIEMatrix::ObjectRect(const TqdxIEMObject &object) {
  return {object.Left, object.Top, object.Left + object.Width, object.Top + object.Height};
}
