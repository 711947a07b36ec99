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

#include <cmath>

void TqdxPDFExport::Text(TqdxCustomMemoView& memo, const TqdxPDFObjRect& r) {
  const bool tags = memo.AllowHTMLTags && HTMLTags && qdxJoinLines(memo.Memo).find(u'<') != std::u16string::npos;
  // Rotated text, negative gaps and markup keep their look as a picture of the object.
  if (tags || memo.Rotation % 360 != 0 || memo.GapX < 0 || memo.GapY < 0) {
    if (!memo.AllowVectorExport || !Vector(memo, r)) Raster(memo, r);
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
  auto R = [](double v) { return static_cast<int>(std::nearbyint(v)); };
  const double left = memo.AbsLeft(), top = memo.AbsTop(), width = memo.GetWidth(), height = memo.GetHeight();
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
    rect.Right = R(left) + static_cast<int>(std::ceil(width)) - (frame.HasSide(ftRight) ? R(fw / 2) : 0) - R(memo.GapX) + 1;
    rect.Bottom = R(top) + static_cast<int>(std::ceil(height)) - (frame.HasSide(ftBottom) ? R(fw / 2) : 0) - R(memo.GapY) + 1;
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
    const int count = static_cast<int>(std::trunc(height / lineHeight));
    for (int k = 1; k <= count; ++k) {
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
  TqdxReport* report = Report;
  TqdxPDFFont& pdfFont = TqdxPDFFont::Use(*FDoc, desc, [report](const std::string& m) {
    if (report) report->Errors.push_back(m);
  });
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
