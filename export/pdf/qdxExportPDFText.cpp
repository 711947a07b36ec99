// Text objects written by the PDF filter as real text in embedded fonts.

#include "export/pdf/qdxExportPDF.h"

#include "document/qdxClass.h"
#include "document/qdxDrawText.h"
#include "document/qdxNumbers.h"
#include "document/qdxXMLSerializer.h"
#include "export/pdf/qdxExportPDFHelpers.h"
#include "export/pdf/qdxPDFContent.h"
#include "export/pdf/qdxPDFFont.h"
#include "platform/FontDesc.h"

#include "platform/CodePageConv.h"
#include "platform/VectorCanvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// The text runs the view draws, recorded and written as text: each run in its
// own graphics state, turned about its reference point by its angle.
void WriteTextRuns(TqdxPDFDocument& doc, TqdxView& view,
                   const TqdxPDFFontErrorSink& errors) {
  // Drawing takes the layout engine's lock itself.
  const std::unique_ptr<TVectorCanvas> recorder = view.GetVectorCanvas();
  TqdxPDFPage& page = *doc.CurrentPage();
  const TPDFPageGeometry& g = page.Geometry;
  const double left = view.AbsLeft(), top = view.AbsTop();
  page.WriteLine("q");
  for (const TVectorRecord& record : recorder->Records()) {
    const TVector_ExtTextOut& run = std::visit([](const auto& x) -> const TVector_ExtTextOut& { return x; }, record);
    std::u16string text;
    if (auto* w = std::get_if<TVector_ExtTextOutW>(&record)) text = w->Text;
    else text = CodePageToUtf16(std::get<TVector_ExtTextOutA>(record).Text, std::get<TVector_ExtTextOutA>(record).CodePage);
    if (text.empty()) continue;
    page.WriteLine("q");
    if (run.Clipped) {
      // The run's own clip, as on screen: text placed outside its box by a
      // negative gap stays visible there.
      const double cl = g.PdfX(left + run.Rect.Left), cr = g.PdfX(left + run.Rect.Right);
      const double ct = g.PdfY(top + run.Rect.Top), cb = g.PdfY(top + run.Rect.Bottom);
      page.WriteLine(PdfNum3(cl) + " " + PdfNum3(cb) + " " + PdfNum3(cr - cl) + " " + PdfNum3(ct - cb) + " re");
      page.WriteLine("W");
      page.WriteLine("n");
    }
    TFontDesc desc = run.Font;
    desc.Escapement = desc.Orientation = 0;
    TqdxPDFFont& font = TqdxPDFFont::Use(doc, desc, errors);
    // The em in points; a positive height is the cell, which is close enough.
    const double size = std::abs(run.Font.Height == 0 ? 16 : run.Font.Height) * 0.75;
    font.TextSize = std::nearbyint(size * (1 - 0.00357) * 10) / 10;
    font.TextColor = run.Color;
    const double angle = run.Font.Escapement / 10.0 * std::numbers::pi / 180;
    const double sa = std::sin(angle), ca = std::cos(angle);
    // From the top of the run to its baseline, along the turned "down".
    double x = g.PdfX(left + run.X + 1.2 * size * sa);
    double y = g.PdfY(top + run.Y + 1.2 * size * ca);
    const bool turned = run.Font.Escapement % 3600 != 0;
    if (turned) {
      page.WriteLine(FloatToPdf(ca) + " " + FloatToPdf(sa) + " " + FloatToPdf(-sa) + " " + FloatToPdf(ca) + " 0 0 cm");
      const double rx = x * ca + y * sa, ry = -x * sa + y * ca;
      x = rx;
      y = ry;
    }
    TRemapedString rs = font.RemapString(text, run.RtlReading, run.GlyphIndices);
    const double widthPt = run.Width() * 0.75;
    page.WriteLine("BT");
    page.WriteLine(font.Name() + " " + FloatToPdfCompact(font.TextSize, 1) + " Tf");
    page.WriteLine(PdfStrokeColor(static_cast<TqdxColor>(run.Color)) + " rg");
    std::string italic = font.ItalicSimulation(x, y);
    page.WriteLine(italic.empty() ? PdfNum3(x) + " " + PdfNum3(y) + " Td" : italic);
    std::string bold = font.BoldSimulation(font.TextSize, font.TextColor);
    if (!bold.empty()) page.WriteLine(bold);
    if (rs.Glyphs.size() < 2 || rs.SpaceCount == 0)
      page.WriteLine(TqdxPDFFont::HexGlyphs(rs) + " Tj");
    else
      page.WriteLine(TqdxPDFFont::JustifiedGlyphs(rs, TqdxPDFFont::SpaceAdjust(rs, font.TextSize, widthPt)) + " TJ");
    page.WriteLine("ET");
    if (!bold.empty()) page.WriteLine(TqdxPDFFont::BoldSimulationEnd());
    auto rule = [&](double dy, double width) {
      page.WriteLine("[] 0 d");
      page.WriteLine(PdfStrokeColor(static_cast<TqdxColor>(run.Color)) + " RG");
      page.WriteLine(FloatToPdf(width) + " w");
      page.WriteLine(FloatToPdf(x) + " " + FloatToPdf(y + dy) + " m " + FloatToPdf(x + widthPt) + " " +
                     FloatToPdf(y + dy) + " l");
      page.WriteLine("S");
    };
    if (run.Font.Underline) rule(-0.175 * size, 0.12 * size);
    if (run.Font.StrikeOut) rule(0.24 * size, 0.06 * size);
    page.WriteLine("Q");
  }
  page.WriteLine("Q");
}

}  // namespace

void TqdxPDFExport::Text(TqdxCustomMemoView& memo, const TqdxPDFObjRect& r) {
  const bool tags = memo.AllowHTMLTags && HTMLTags && qdxJoinLines(memo.Memo).find(u'<') != std::u16string::npos;
  // Markup keeps its look as a drawing of the object.
  if (tags) {
    if (!memo.AllowVectorExport || !Vector(memo, r)) Raster(memo, r);
    return;
  }
  // Rotated text and text placed outside its box (negative gaps) follow the
  // runs the layout draws; they stay text even when the object may not be
  // drawn as vectors.
  if (memo.Rotation % 360 != 0 || memo.GapX < 0 || memo.GapY < 0) {
    if (memo.AllowVectorExport && Vector(memo, r)) return;
    TqdxPDFPage& page = *FDoc->CurrentPage();
    TqdxPDFContentWriter w(page);
    w.Fill(memo, r);
    TqdxReport* report = Report;
    WriteTextRuns(*FDoc, memo, [report](const std::string& m) {
      if (report) report->Errors.push_back(m);
    });
    w.Frame(*memo.GetFrame(), r);
    return;
  }
  TqdxPDFPage& page = *FDoc->CurrentPage();
  const TPDFPageGeometry& g = page.Geometry;
  TqdxPDFContentWriter w(page);
  const TqdxFrame& frame = *memo.GetFrame();
  w.Fill(memo, r);

  // The font: the highlight's when one is active.
  TqdxFont font;
  font.Assign(*memo.GetFont());
  if (memo.Highlights().Count() > 0 && memo.GetHighlight()->Active && memo.GetHighlight()->ApplyFont)
    font.Assign(*memo.GetHighlight()->GetFont());

  const double fw = frame.GetWidth();
  const double half = fw * 0.75 / 2;
  // Whole pixels for the layout; a damaged size stays inside int.
  auto R = [](double v) { return std::isfinite(v) ? static_cast<int>(std::clamp(std::nearbyint(v), -1e9, 1e9)) : 0; };
  // A drop shadow takes its width off the box, as it does for the clip and
  // the frame: text aligned to the right or the bottom stays inside.
  const double shadow = frame.DropShadow ? frame.ShadowWidth : 0;
  const double left = memo.AbsLeft(), top = memo.AbsTop();
  const double width = memo.GetWidth() - shadow, height = memo.GetHeight() - shadow;
  page.WriteLine("q");
  {
    double cl = r.Left - (frame.HasSide(ftLeft) ? half : 0), cr = r.Right + (frame.HasSide(ftRight) ? half : 0);
    double ct = r.Top + (frame.HasSide(ftTop) ? half : 0), cb = r.Bottom - (frame.HasSide(ftBottom) ? half : 0);
    page.WriteLine(PdfNum3(cl) + " " + PdfNum3(cb) + " " + PdfNum3(cr - cl) + " " + PdfNum3(ct - cb) + " re");
    page.WriteLine("W");
    page.WriteLine("n");
  }

  std::vector<std::u16string> lines;
  std::vector<int> flags;
  double lineHeight;
  {
    TqdxDrawText& layout = DrawTextObject();
    struct TLock {
      TqdxDrawText& L;
      explicit TLock(TqdxDrawText& l) : L(l) { L.Lock(); }
      ~TLock() { L.Unlock(); }
    } lock(layout);
    layout.MonoFont = false;
    layout.SetFont(font);
    layout.SetOptions(memo.WordWrap, false, memo.Rotation, memo.Wysiwyg, memo.Clipped, memo.WordBreak, memo.RTLReading);
    layout.SetGaps(memo.LineSpacing, memo.CharSpacing, memo.ParagraphGap);
    TqdxIntRect rect;
    rect.Left = R(left) + (frame.HasSide(ftLeft) ? R((fw - 1) / 2) : 0) + R(memo.GapX);
    rect.Top = R(top) + (frame.HasSide(ftTop) ? R((fw - 1) / 2) : 0) + R(memo.GapY);
    rect.Right = R(left) + R(std::ceil(width)) - (frame.HasSide(ftRight) ? R(fw / 2) : 0) - R(memo.GapX) + 1;
    rect.Bottom = R(top) + R(std::ceil(height)) - (frame.HasSide(ftBottom) ? R(fw / 2) : 0) - R(memo.GapY) + 1;
    layout.SetDimensions(rect, rect);
    layout.SetText(memo.Memo, memo.FirstParaBreak);
    lines = layout.Lines();
    flags = layout.LineFlags();
    if (memo.FirstParaBreak && !flags.empty()) flags.front() &= ~lfFirstOfParagraph;
    if (memo.LastParaBreak && !flags.empty()) flags.back() &= ~lfLastOfParagraph;
    lineHeight = layout.LineHeight();
  }
  if (lines.size() == 1) lineHeight -= memo.LineSpacing;

  if (memo.Underlines && lineHeight > 0) {
    const double count = std::trunc(height / lineHeight);
    // Only the rules that fall on the page: a damaged height must not write
    // lines without end.
    const double base = top + memo.GapY + 1 - memo.LineSpacing;
    const double pageTop = -g.MarginShiftY / 0.75, pageBottom = (g.PageHeightPt - g.MarginShiftY) / 0.75;
    const double first = std::max(1.0, std::ceil((pageTop - base) / lineHeight));
    const double last = std::min(count, std::floor((pageBottom - base) / lineHeight));
    for (double k = first; k <= last; ++k) {
      const double y = g.PdfY(top + memo.GapY + 1 + k * lineHeight - memo.LineSpacing);
      page.WriteLine(PdfDash(fsSolid, 0) + " " + PdfFrameColor(frame.GetColor()) + " RG " + FloatToPdf(fw * 0.75) + " w " +
                     FloatToPdf(r.Left) + " " + FloatToPdf(y) + " m " + FloatToPdf(r.Right) + " " + FloatToPdf(y) + " l S");
    }
  }

  TFontDesc desc;
  desc.FaceName = font.GetName();
  desc.Height = -static_cast<int>(std::nearbyint(font.GetSize() * 96.0 / 72.0));
  desc.Weight = font.HasStyle(fsBold) ? FontWeightBold : FontWeightNormal;
  desc.Italic = font.HasStyle(fsItalic);
  desc.CharSet = font.GetCharset();
  if (!FLastFont || !(desc == FLastFontDesc)) {
    TqdxReport* report = Report;
    FLastFont = &TqdxPDFFont::Use(*FDoc, desc, [report](const std::string& m) {
      if (report) report->Errors.push_back(m);
    });
    FLastFontDesc = desc;
  }
  TqdxPDFFont& pdfFont = *FLastFont;
  const double size = font.GetSize();
  pdfFont.TextSize = std::nearbyint(size * (1 - 0.00357) * 10) / 10;
  const TqdxColor color = font.GetColor() == clNone ? clBlack : font.GetColor();
  pdfFont.TextColor = static_cast<TColor>(qdxColorToRGB(color));
  if (memo.CharSpacing != 0) page.WriteLine(FloatToPdf(memo.CharSpacing * 0.75) + " Tc");

  const bool wrapped = lines.size() != memo.Memo.size();
  const int n = static_cast<int>(lines.size());
  for (int i = 0; i < n; ++i) {
    if (lines[static_cast<size_t>(i)].empty()) continue;
    const bool first = (flags[static_cast<size_t>(i)] & lfFirstOfParagraph) != 0;
    const double gap = (wrapped ? first : i == 0) ? memo.ParagraphGap : 0;
    TRemapedString rs = pdfFont.RemapString(lines[static_cast<size_t>(i)], memo.RTLReading);
    const double textWidth = pdfFont.TextSize * static_cast<double>(rs.TotalWidth) / 0.75 / 1000;
    const double avail = width - 2 * memo.GapX - gap;
    const double start = left + memo.GapX + gap;
    double x = start, c = 0;
    switch (memo.HAlign) {
      case haRight: x = start + avail - textWidth; c = memo.CharSpacing * 0.75; break;
      case haCenter: x = start + (avail - textWidth) / 2; c = memo.CharSpacing * 0.75 / 2; break;
      default: break;
    }
    double px = g.PdfX(x) - (static_cast<double>(rs.Glyphs.size()) - 1) * c;
    const double t0 = top + memo.GapY - size * 0.1, h = height - 2 * memo.GapY;
    double y;
    switch (memo.VAlign) {
      case vaBottom: y = t0 + h - (n - i - 1) * lineHeight; break;
      case vaCenter: y = t0 + (h - n * lineHeight) / 2 + (i + 1) * lineHeight; break;
      default: y = t0 + (i + 1) * lineHeight; break;
    }
    const double py = g.PdfY(y);
    const bool justify = memo.HAlign == haBlock && wrapped && !(flags[static_cast<size_t>(i)] & lfLastOfParagraph) &&
                         rs.SpaceCount > 0;
    page.WriteLine("BT");
    page.WriteLine(pdfFont.Name() + " " + FloatToPdfCompact(pdfFont.TextSize, 1) + " Tf");
    page.WriteLine("[] 0 d");
    page.WriteLine(PdfStrokeColor(color) + " rg");
    if (c != 0) page.WriteLine(FloatToPdf(c) + " Tc");
    std::string italic = pdfFont.ItalicSimulation(px, py);
    if (italic.empty()) page.WriteLine(FloatToPdf(px) + " " + FloatToPdf(py) + " Td");
    else page.WriteLine(italic);
    std::string bold = pdfFont.BoldSimulation(pdfFont.TextSize, pdfFont.TextColor);
    if (!bold.empty()) page.WriteLine(bold);
    if (justify) {
      double adjust = TqdxPDFFont::SpaceAdjust(rs, pdfFont.TextSize, avail * 0.75);
      page.WriteLine(TqdxPDFFont::JustifiedGlyphs(rs, adjust) + " TJ");
    } else {
      page.WriteLine(TqdxPDFFont::HexGlyphs(rs) + " Tj");
    }
    page.WriteLine("ET");
    if (!bold.empty()) page.WriteLine(TqdxPDFFont::BoldSimulationEnd());
    const double lineW = justify ? avail * 0.75 : textWidth * 0.75;
    auto rule = [&](double dy) {
      page.WriteLine("[] 0 d");
      page.WriteLine(PdfStrokeColor(color) + " RG");
      page.WriteLine(FloatToPdf(size * 0.08) + " w");
      page.WriteLine(FloatToPdf(px) + " " + FloatToPdf(py + dy) + " m " + FloatToPdf(px + lineW) + " " + FloatToPdf(py + dy) +
                     " l");
      page.WriteLine("S");
    };
    if (font.HasStyle(fsUnderline)) rule(-size * 0.12);
    if (font.HasStyle(fsStrikeOut)) rule(size * 0.28);
  }
  page.WriteLine("Q");
  w.Frame(frame, r);
}
