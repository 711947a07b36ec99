#include "export/pdf/qdxExportPDF.h"

#include "document/qdxClass.h"
#include "document/qdxClassBuilder.h"
#include "document/qdxPreviewPages.h"
#include "export/pdf/qdxPDFContent.h"
#include "export/pdf/qdxPDFEncryption.h"
#include "export/qdxIOTransport.h"
#include "document/qdxNumbers.h"
#include "document/qdxDrawText.h"
#include "document/qdxXMLSerializer.h"
#include "export/pdf/qdxPDFFont.h"
#include "platform/FontDesc.h"
#include <mutex>
#include "platform/Bitmap.h"
#include "platform/RasterCanvas.h"
#include "export/pdf/qdxEMFtoPDFExport.h"
#include "platform/MetafileCanvas.h"

#include <cmath>

namespace {

const TqdxEnumInfo& EncBitEnum() {
  static const TqdxEnumInfo info("TqdxPDFEncBit", {"ePrint", "eModify", "eCopy", "eAnnot"});
  return info;
}

void CollectOutline(TqdxOutline& outline, std::vector<TqdxPDFOutlineItem>& out) {
  for (int i = 0; i < outline.Count(); ++i) {
    TqdxOutlineItem it = outline.Item(i);
    TqdxPDFOutlineItem item;
    item.Title = it.Text;
    item.Page = it.Page;
    item.Top = it.Top;
    outline.LevelDown(i);
    CollectOutline(outline, item.Children);
    outline.LevelUp();
    out.push_back(std::move(item));
  }
}

}  // namespace

const TqdxClassInfo& TqdxPDFExport::StaticClassInfo() {
  using F = TqdxPDFExport;
  static const TqdxClassInfo& info = qdxDefineClass<F>(
      "TqdxPDFExport", &TqdxBaseDialogExportFilter::StaticClassInfo(), [](TqdxClassBuilder<F>& Reg) {
        Reg.Bool("Compressed", &F::Compressed).Default(true);
        Reg.Bool("EmbeddedFonts", &F::EmbeddedFonts).Default(false);
        Reg.Bool("EmbedFontsIfProtected", &F::EmbedFontsIfProtected).Default(true);
        Reg.Bool("OpenAfterExport", &F::OpenAfterExport).Default(false);
        Reg.Bool("PrintOptimized", &F::PrintOptimized).Default(false);
        Reg.Bool("Outline", &F::Outline).Default(false);
        Reg.Bool("Background", &F::Background).Default(false);
        Reg.Bool("HTMLTags", &F::HTMLTags).Default(true);
        Reg.Bool("OverwritePrompt", &F::OverwritePrompt).Default(false);
        Reg.Int("Quality", &F::Quality).Default(95);
        Reg.Bool("Transparency", &F::Transparency).Default(false);
        Reg.WStr("Title", &F::Title);
        Reg.WStr("Author", &F::Author);
        Reg.WStr("Subject", &F::Subject);
        Reg.WStr("Keywords", &F::Keywords);
        Reg.WStr("Creator", &F::Creator);
        Reg.WStr("Producer", &F::Producer);
        Reg.Str("UserPassword", &F::UserPassword);
        Reg.Str("OwnerPassword", &F::OwnerPassword);
        Reg.Set("ProtectionFlags", EncBitEnum(), &F::ProtectionFlags).Default(AllPDFEncBits);
        Reg.Bool("HideToolbar", &F::HideToolbar).Default(false);
        Reg.Bool("HideMenubar", &F::HideMenubar).Default(false);
        Reg.Bool("HideWindowUI", &F::HideWindowUI).Default(false);
        Reg.Bool("FitWindow", &F::FitWindow).Default(false);
        Reg.Bool("CenterWindow", &F::CenterWindow).Default(false);
        Reg.Bool("PrintScaling", &F::PrintScaling).Default(false);
        Reg.Bool("PdfA", &F::PdfA).Default(false);
      });
  return info;
}

TqdxPDFExport::TqdxPDFExport(TqdxBaseComponent* owner, bool noRegister)
    : TqdxBaseDialogExportFilter(owner, noRegister) {
  DefaultExt = ".pdf";
}

TqdxPDFExport::~TqdxPDFExport() = default;

TqdxPDFOptions TqdxPDFExport::EffectiveOptions() const {
  TqdxPDFOptions o;
  o.Compressed = Compressed;
  // Text is written as glyph ids of the faces installed here; a viewer can
  // show them only with those very faces, so they always travel with the file.
  o.EmbeddedFonts = true;
  o.EmbedFontsIfProtected = EmbedFontsIfProtected;
  o.OpenAfterExport = OpenAfterExport;
  o.PrintOptimized = PrintOptimized;
  o.Outline = Outline;
  o.Background = Background;
  o.HTMLTags = HTMLTags;
  o.OverwritePrompt = OverwritePrompt;
  o.Quality = Quality;
  o.Transparency = Transparency;
  o.Title = Title;
  o.Author = Author;
  o.Subject = Subject;
  o.Keywords = Keywords;
  o.Creator = Creator;
  o.Producer = Producer;
  o.UserPassword = UserPassword;
  o.OwnerPassword = OwnerPassword;
  o.ProtectionFlags = ProtectionFlags;
  o.HideToolbar = HideToolbar;
  o.HideMenubar = HideMenubar;
  o.HideWindowUI = HideWindowUI;
  o.FitWindow = FitWindow;
  o.CenterWindow = CenterWindow;
  o.PrintScaling = PrintScaling;
  o.PdfA = PdfA;
  o.SaveOriginalImages = SaveOriginalImages;
  return o;
}

bool TqdxPDFExport::Start() {
  if (GetFileName().empty() && !Stream) return false;
  TStream* out = OutputStream();
  if (!out) throw std::runtime_error("Cannot create the file " + GetFileName());
  FDoc = std::make_unique<TqdxPDFDocument>(EffectiveOptions());
  if (!FixedFileID.empty()) FDoc->SetFixedFileID(FixedFileID);
  if (UseFixedTime) FDoc->SetFixedTime(FixedTime);
  FDoc->BeginDocument(*out);
  if (Outline && Report && Report->PreviewPages) {
    if (auto* pp = dynamic_cast<TqdxPreviewPages*>(Report->PreviewPages)) {
      std::vector<TqdxPDFOutlineItem> items;
      pp->Outline().LevelRoot();
      CollectOutline(pp->Outline(), items);
      FDoc->SetOutline(std::move(items));
    }
  }
  FPageIndex = 0;
  return true;
}

void TqdxPDFExport::StartPage(TqdxReportPage* page, int index) {
  FPage = page;
  FPageIndex = index;
  TqdxPDFPage& p = FDoc->AddPage(page->GetWidth() * 0.75, page->GetHeight() * 0.75);
  double left = page->LeftMarginOf(index), right = page->RightMarginOf(index);
  p.Geometry.MarginShiftX = left * 0.05;
  p.Geometry.MarginShiftY = page->TopMargin * 0.05;
  const double k = 72 / 25.4;
  TqdxPDFObjRect m;
  m.Left = left * k + 0.5;
  m.Top = p.Geometry.PageHeightPt - page->TopMargin * k;
  m.Right = p.Geometry.PageWidthPt - right * k + 0.5;
  m.Bottom = page->BottomMargin * k;
  TqdxPDFContentWriter w(p);
  if (Background && page->Color != clNone) w.PageBackground(page->Color, m);
  w.Frame(*page->GetFrame(), m);
}

void TqdxPDFExport::FinishPage(TqdxReportPage*, int) {
  FDoc->FinishPage();
  FPage = nullptr;
}

void TqdxPDFExport::Finish() {
  if (!FDoc) return;
  FDoc->EndDocument();
  FDoc.reset();
  if (!Stream && DefaultIOTransport()) {
    // Hand the file back so that the transport stores it under its name.
  }
}

void TqdxPDFExport::Links(TqdxView& view, const TqdxPDFObjRect& r) {
  TqdxPDFRect rect{r.Left, r.Bottom, r.Right, r.Top};
  const TqdxHyperlink& h = *view.GetHyperlink();
  auto* pages = Report ? dynamic_cast<TqdxPreviewPages*>(Report->PreviewPages) : nullptr;
  auto anchor = [&](const std::string& name) {
    if (!pages) return;
    int i = pages->Document().Root()->Find("anchors");
    if (i < 0) return;
    TqdxXMLItem* anchors = pages->Document().Root()->Items(i);
    // The last anchor of that name wins, as page lookups do.
    for (int k = anchors->Count() - 1; k >= 0; --k) {
      TqdxXMLItem* a = anchors->Items(k);
      if (!qdxSameText(a->Prop("text"), name)) continue;
      int64_t page = 0, top = 0;
      if (!qdxTryStrToInt(a->Prop("page"), page)) return;
      qdxTryStrToInt(a->Prop("top"), top);
      FDoc->AddPageLink(rect, static_cast<int>(page), std::nearbyint(FDoc->CurrentPage()->Geometry.PdfY(static_cast<double>(top))));
      return;
    }
  };
  auto pageNo = [&](const std::string& text) {
    int64_t n = 0;
    if (!qdxTryStrToInt(text, n) || n < 1 || n > 1000000000) return;
    FDoc->AddPageLink(rect, static_cast<int>(n - 1), std::nearbyint(FDoc->CurrentPage()->Geometry.PdfY(0)));
  };
  if (!h.Value.empty()) {
    switch (h.Kind) {
      case hkURL: FDoc->AddUriLink(rect, h.Value); break;
      case hkAnchor: anchor(h.Value); break;
      case hkPageNumber: pageNo(h.Value); break;
      default: break;
    }
  } else if (!view.URL.empty()) {
    if (view.URL[0] == '#') anchor(view.URL.substr(1));
    else if (view.URL[0] == '@') pageNo(view.URL.substr(1));
    else FDoc->AddUriLink(rect, view.URL);
  }
}

void TqdxPDFExport::ExportObject(TqdxComponent* obj) {
  auto* view = dynamic_cast<TqdxView*>(obj);
  if (!view || !FDoc || !FDoc->CurrentPage()) return;
  const bool exported = view->IsVisibleIn(vsExport) || (!view->GetPrintable() && ExportNotPrintable);
  if (!exported) return;
  TqdxPDFPage& page = *FDoc->CurrentPage();
  TqdxPDFContentWriter w(page);
  TqdxPDFObjRect r = w.RectOf(*view);
  Links(*view, r);
  if (auto* memo = dynamic_cast<TqdxCustomMemoView*>(view)) {
    Text(*memo, r);
  } else if (auto* line = dynamic_cast<TqdxCustomLineView*>(view)) {
    w.Line(*line, r);
  } else if (auto* shape = dynamic_cast<TqdxShapeView*>(view)) {
    w.Shape(*shape, r);
  } else if (auto* box = dynamic_cast<TqdxCheckBoxView*>(view)) {
    w.Fill(*box, r);
    w.CheckBox(*box);
    w.Frame(*box->GetFrame(), r);
  } else if (view->GetWidth() != 0 && view->GetHeight() != 0) {
    if (view->Name == "_pagebackground" && !Background) return;
    if (view->AllowVectorExport && !view->Is<TqdxPictureView>() && Vector(*view, r)) return;
    Raster(*view, r);
  }
}

void TqdxPDFExport::Raster(TqdxView& view, const TqdxPDFObjRect& r) {
  TqdxPDFPage& page = *FDoc->CurrentPage();
  TqdxPDFContentWriter w(page);
  TqdxFrame& frame = *view.GetFrame();
  auto* picture = dynamic_cast<TqdxPictureView*>(&view);
  w.Fill(view, r);
  if (picture && picture->GetPicture()->Empty()) {
    w.Frame(frame, r);
    return;
  }
  // Text drawn as a picture stays legible at three times the screen size.
  bool text = view.Is<TqdxCustomMemoView>() && view.GetBrushStyle() <= bsClear;
  double f = (PrintOptimized || text) ? 3 : 1;
  if (picture && SaveOriginalImages && !PrintOptimized) f = 2;
  const double w0 = std::fabs(view.GetWidth()), h0 = std::fabs(view.GetHeight());
  const int bw = std::max(1, static_cast<int>(std::nearbyint(w0 * f)));
  const int bh = std::max(1, static_cast<int>(std::nearbyint(h0 * f)));
  if (static_cast<int64_t>(bw) * bh > (int64_t(1) << 26)) return;  // a runaway object is not worth a huge raster
  TBitmap bitmap(bw, bh, TPixelFormat::pf24bit);
  bitmap.Fill(0xFFFFFF);
  {
    TRasterCanvas canvas(bitmap);
    // The frame is written as vectors; the raster holds only the contents.
    const TqdxFrameTypes savedTyp = frame.Typ;
    frame.Typ = 0;
    try {
      view.Draw(canvas, f, f, -view.AbsLeft() * f, -view.AbsTop() * f);
    } catch (...) {
      frame.Typ = savedTyp;
      throw;
    }
    frame.Typ = savedTyp;
  }
  TqdxPDFPixels pixels;
  pixels.Width = bw;
  pixels.Height = bh;
  pixels.RGB.resize(static_cast<size_t>(bw) * bh * 3);
  for (int y = 0; y < bh; ++y) {
    const uint8_t* src = bitmap.ScanLine(y);
    char* dst = pixels.RGB.data() + static_cast<size_t>(y) * bw * 3;
    for (int x = 0; x < bw; ++x) {
      dst[x * 3] = static_cast<char>(src[x * 3 + 2]);
      dst[x * 3 + 1] = static_cast<char>(src[x * 3 + 1]);
      dst[x * 3 + 2] = static_cast<char>(src[x * 3]);
    }
  }
  const bool sharp = view.Is<TqdxCustomLineView>() || view.Is<TqdxShapeView>();
  int index = FDoc->AddImage(pixels, sharp ? std::min(100, Quality + 5) : -1);
  const TPDFPageGeometry& g = page.Geometry;
  page.WriteLine("q");
  page.WriteLine(FloatToPdf(w0 * 0.75) + " 0 0 " + FloatToPdf(h0 * 0.75) + " " + FloatToPdf(g.PdfX(view.AbsLeft())) + " " +
                 FloatToPdf(g.PdfY(view.AbsTop() + h0)) + " cm");
  page.WriteLine(page.UseImage(index) + " Do");
  page.WriteLine("Q");
  w.Frame(frame, r);
}

bool TqdxPDFExport::Vector(TqdxView& view, const TqdxPDFObjRect& r) {
  TqdxPDFPage& page = *FDoc->CurrentPage();
  const double w0 = std::fabs(view.GetWidth()), h0 = std::fabs(view.GetHeight());
  if (w0 > 1e6 || h0 > 1e6) return false;
  const int pw = std::max(1, static_cast<int>(std::ceil(w0))), ph = std::max(1, static_cast<int>(std::ceil(h0)));
  TqdxFrame& frame = *view.GetFrame();
  std::string emf;
  {
    TMetafileCanvas canvas(pw, ph);
    // The frame is written as vectors by the filter itself, after the contents.
    const TqdxFrameTypes savedTyp = frame.Typ;
    frame.Typ = 0;
    try {
      view.Draw(canvas, 1, 1, -view.AbsLeft(), -view.AbsTop());
    } catch (...) {
      frame.Typ = savedTyp;
      return false;
    }
    frame.Typ = savedTyp;
    emf = canvas.Finish();
  }
  const TPDFPageGeometry& g = page.Geometry;
  const TEMFTargetRect target{g.PdfX(view.AbsLeft()), g.PdfY(view.AbsTop()), g.PdfX(view.AbsLeft() + pw),
                              g.PdfY(view.AbsTop() + ph)};
  std::string content;
  try {
    TEMFtoPDFExport player(emf, PdfA, FDoc.get(), target, content);
    player.PlayMetafile();
  } catch (const std::exception&) {
    return false;
  }
  TqdxPDFContentWriter w(page);
  w.Fill(view, r);
  page.WriteRaw(content);
  w.Frame(frame, r);
  return true;
}

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
