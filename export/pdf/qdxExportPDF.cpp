#include "export/pdf/qdxExportPDF.h"

#include "document/qdxClass.h"
#include "document/qdxClassBuilder.h"
#include "document/qdxPreviewPages.h"
#include "export/pdf/qdxPDFContent.h"
#include "export/pdf/qdxPDFEncryption.h"
#include "export/qdxIOTransport.h"
#include "document/qdxNumbers.h"
#include "document/qdxXMLSerializer.h"

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
  FLastFont = nullptr;
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
  FReportedProblems.clear();
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
  FLastFont = nullptr;
  if (!Stream && DefaultIOTransport()) {
    // Hand the file back so that the transport stores it under its name.
  }
}

void TqdxPDFExport::Links(TqdxView& view, const TqdxPDFObjRect& r) {
  TqdxPDFRect rect{r.Left, r.Bottom, r.Right, r.Top};
  const TqdxHyperlink& h = *view.GetHyperlink();
  auto* pages = Report ? dynamic_cast<TqdxPreviewPages*>(Report->PreviewPages) : nullptr;
  // A destination's top is measured on the target page, which may be higher
  // or lower than the page holding the link (landscape, custom sizes). The
  // margin shift is this page's: pages of one report share their margins.
  auto pageTop = [&](int page, double top) {
    TPDFPageGeometry g = FDoc->CurrentPage()->Geometry;
    if (pages) {
      const int height = pages->GetPageSize(page).second;
      if (height > 0) g.PageHeightPt = height * 0.75;
    }
    return std::nearbyint(g.PdfY(top));
  };
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
      if (!qdxTryStrToInt(a->Prop("page"), page) || page < 0 || page > 1000000000) return;
      qdxTryStrToInt(a->Prop("top"), top);
      FDoc->AddPageLink(rect, static_cast<int>(page), pageTop(static_cast<int>(page), static_cast<double>(top)));
      return;
    }
  };
  auto pageNo = [&](const std::string& text) {
    int64_t n = 0;
    if (!qdxTryStrToInt(text, n) || n < 1 || n > 1000000000) return;
    FDoc->AddPageLink(rect, static_cast<int>(n - 1), pageTop(static_cast<int>(n - 1), 0));
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
    return;
  }
  if (auto* line = dynamic_cast<TqdxCustomLineView*>(view)) {
    w.Line(*line, r);
    return;
  }
  if (auto* shape = dynamic_cast<TqdxShapeView*>(view)) {
    w.Shape(*shape, r);
    return;
  }
  // The page background is a picture of the page, written only when asked for.
  if (view->Name == "_pagebackground" && !Background) return;
  auto* picture = dynamic_cast<TqdxPictureView*>(view);
  // Pictures of pixels stay pictures; a metafile picture becomes vectors.
  const bool vector =
      view->AllowVectorExport && (!picture || picture->GetPicture()->Kind() == TqdxGraphicKind::gkMetafile);
  if (vector && Vector(*view, r)) return;
  if (auto* box = dynamic_cast<TqdxCheckBoxView*>(view)) {
    w.Fill(*box, r);
    w.CheckBox(*box);
    w.Frame(*box->GetFrame(), r);
    return;
  }
  if (picture && IsTransparentPng(*picture)) {
    TransparentPicture(*picture, r);
    return;
  }
  if (view->GetWidth() != 0 && view->GetHeight() != 0) Raster(*view, r);
}
