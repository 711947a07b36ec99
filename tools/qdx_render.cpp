// Renders one page of a prepared report to a PNG picture, so that any report
// can be looked at without an export.
//   qdx_render FILE.qdp PAGE OUT.png [--scale S]
// PAGE counts from 1; the scale is target pixels per screen pixel (96 dpi).

#include "document/qdxClass.h"
#include "document/qdxDrawing.h"
#include "document/qdxPreviewPages.h"
#include "platform/PngFile.h"
#include "platform/RasterCanvas.h"
#include "platform/Streams.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

int Usage() {
  std::fprintf(stderr, "usage: qdx_render FILE.qdp PAGE OUT.png [--scale S]\n");
  return 2;
}

bool ParseDouble(const std::string& s, double& out) {
  const char* end = s.data() + s.size();
  auto r = std::from_chars(s.data(), end, out);
  return r.ec == std::errc() && r.ptr == end;
}

std::u16string AsciiToUtf16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

void ReplaceAll(std::u16string& text, std::u16string_view token, std::u16string_view value) {
  for (size_t at = text.find(token); at != std::u16string::npos; at = text.find(token, at + value.size()))
    text.replace(at, token.size(), value);
}

void DrawObject(TqdxComponent& obj, TCanvas& canvas, double scale, int totalPages) {
  if (auto* view = dynamic_cast<TqdxView*>(&obj); view != nullptr && !view->IsVisibleIn(vsExport)) return;
  auto* component = dynamic_cast<TqdxReportComponent*>(&obj);
  if (component == nullptr) return;
  if (auto* memo = dynamic_cast<TqdxCustomMemoView*>(&obj)) {
    // What the export run does to text before a filter sees it.
    memo->TotalPages = totalPages;
    memo->CopyNo = 1;
    if (memo->AllowExpressions) {
      const std::u16string total = AsciiToUtf16(std::to_string(totalPages));
      for (std::u16string& line : memo->Memo) {
        ReplaceAll(line, u"[TOTALPAGES#]", total);
        ReplaceAll(line, u"[COPYNAME#]", u"");
      }
    }
    if (memo->AutoWidth) memo->CalcAutoWidth();
  }
  component->Draw(canvas, scale, scale, 0, 0);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  double scale = 1;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--scale") {
      if (i + 1 >= args.size() || !ParseDouble(args[i + 1], scale) || !(scale > 0) || scale > 20) return Usage();
      args.erase(args.begin() + long(i), args.begin() + long(i) + 2);
      break;
    }
  }
  int pageNo = 0;
  if (args.size() != 3 || std::from_chars(args[1].data(), args[1].data() + args[1].size(), pageNo).ec != std::errc())
    return Usage();
  try {
    TqdxReport report;
    TqdxPreviewPages pages(&report);
    report.PreviewPages = &pages;
    if (!pages.LoadFromFile(args[0])) {
      std::fprintf(stderr, "%s: cannot open the file\n", args[0].c_str());
      return 1;
    }
    for (const std::string& e : pages.LoadErrors()) std::fprintf(stderr, "%s: %s\n", args[0].c_str(), e.c_str());
    if (pageNo < 1 || pageNo > pages.Count()) {
      std::fprintf(stderr, "%s: page %d is not among the %d pages\n", args[0].c_str(), pageNo, pages.Count());
      return 1;
    }
    const int index = pageNo - 1;
    TqdxReportPage* page = pages.GetPage(index);
    if (page == nullptr) {
      std::fprintf(stderr, "%s: page %d cannot be built\n", args[0].c_str(), pageNo);
      return 1;
    }
    const int width = int(std::nearbyint(page->GetWidth() * scale));
    const int height = int(std::nearbyint(page->GetHeight() * scale));
    if (width <= 0 || height <= 0 || int64_t(width) * height > TBitmap::MaxPixels) {
      std::fprintf(stderr, "%s: the page size %d x %d cannot be rendered\n", args[0].c_str(), width, height);
      return 1;
    }
    // Objects are placed from the paper's corner, as the export run does.
    page->SetLeft(page->LeftMarginOf(index) * qd01cm);
    page->SetTop(page->TopMargin * qd01cm);

    TBitmap bitmap(width, height);
    bitmap.Fill(clWhiteRGB);
    TRasterCanvas canvas(bitmap);

    // The page's colour, frame and background picture inside the margins.
    TqdxPictureView background;
    background.Name = "_pagebackground";
    background.SetColor(page->Color);
    background.GetFrame()->Assign(*page->GetFrame());
    background.GetPicture()->Assign(*page->GetBackPicture());
    background.KeepAspectRatio = false;
    background.SetBounds(page->GetLeft(), page->GetTop(),
                         page->GetWidth() - (page->LeftMarginOf(index) + page->RightMarginOf(index)) * qd01cm,
                         page->GetHeight() - (page->TopMargin + page->BottomMargin) * qd01cm);
    DrawObject(background, canvas, scale, pages.Count());

    const std::vector<TqdxComponent*> entries = page->Objects();
    for (TqdxComponent* entry : entries) {
      DrawObject(*entry, canvas, scale, pages.Count());
      const std::vector<TqdxComponent*> children = entry->Objects();
      for (TqdxComponent* child : children) DrawObject(*child, canvas, scale, pages.Count());
    }
    for (const std::string& m : qdxTakeDrawMessages()) std::fprintf(stderr, "%s: %s\n", args[0].c_str(), m.c_str());

    TFileStream out(args[2], TFileMode::fmCreate);
    WritePng(out, bitmap);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", args[0].c_str(), e.what());
    return 1;
  }
  return 0;
}
