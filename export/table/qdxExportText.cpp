#include "export/table/qdxExportText.h"

#include "document/qdxClassBuilder.h"
#include "document/qdxPage.h"
#include "document/qdxView.h"
#include "export/qdxExportMatrix.h"
#include "export/table/qdxExportCSV.h"
#include "platform/CodePage.h"
#include "platform/CodePageConv.h"
#include "platform/FileUtils.h"
#include "platform/LocaleSettings.h"

#include <algorithm>
#include <cmath>

const TqdxClassInfo& TqdxSimpleTextExport::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxSimpleTextExport>(
      "TqdxSimpleTextExport", &TqdxBaseDialogExportFilter::StaticClassInfo(),
      [](TqdxClassBuilder<TqdxSimpleTextExport>& Reg) {
        using F = TqdxSimpleTextExport;
        Reg.Bool("PageBreaks", &F::PageBreaks).Default(true);
        Reg.Bool("Frames", &F::Frames).Default(false);
        Reg.Bool("EmptyLines", &F::EmptyLines).Default(false);
        Reg.Bool("OEMCodepage", &F::OEMCodepage).Default(false);
        Reg.Bool("OpenAfterExport", &F::OpenAfterExport).Default(false);
        Reg.Bool("DeleteEmptyColumns", &F::DeleteEmptyColumns).Default(true);
      });
  return info;
}

namespace {

constexpr double NoEstimate = 65535;

// Halves to even, as every character position is rounded.
int RoundToInt(double v) {
  double r = std::nearbyint(v);
  if (!(r > -1e9)) return -1000000000;
  if (r > 1e9) return 1000000000;
  return static_cast<int>(r);
}

std::u32string ToUtf32(const std::u16string& s) {
  std::u32string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      out += static_cast<char32_t>(0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00));
      ++i;
    } else {
      out += static_cast<char32_t>(c);
    }
  }
  return out;
}

std::u16string ToUtf16(const std::u32string& s) {
  std::u16string out;
  out.reserve(s.size());
  for (char32_t c : s) {
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

bool HasText(const TqdxIEMObject& obj) {
  return std::any_of(obj.Lines.begin(), obj.Lines.end(), [](const std::u16string& l) { return !l.empty(); });
}

}  // namespace

TqdxSimpleTextExport::TqdxSimpleTextExport(TqdxBaseComponent* owner, bool noRegister)
    : TqdxBaseDialogExportFilter(owner, noRegister) {
  DefaultExt = ".txt";
}

TqdxSimpleTextExport::~TqdxSimpleTextExport() = default;

bool TqdxSimpleTextExport::Start() {
  if (GetFileName().empty() && Stream == nullptr) return false;
  if (!GetFileName().empty() && ExtractFilePath(GetFileName()).empty() && !DefaultPath.empty())
    SetFileName(IncludeTrailingPathDelimiter(DefaultPath) + GetFileName());
  FMatrix = qdxCreatePlainTextMatrix(*this);
  FPage = nullptr;
  FOut = qdxOpenPlainTextOutput(*this, FTransportStream);
  return true;
}

void TqdxSimpleTextExport::StartPage(TqdxReportPage*, int) {
  FMatrix->Clear();
  FCW = NoEstimate;
  FCH = NoEstimate;
}

void TqdxSimpleTextExport::ExportObject(TqdxComponent* obj) {
  auto* view = dynamic_cast<TqdxView*>(obj);
  if (view != nullptr && view->IsVisibleIn(vsExport)) FMatrix->AddObject(*view);
}

void TqdxSimpleTextExport::FinishPage(TqdxReportPage* page, int) {
  FPage = page;
  WritePage();
}

void TqdxSimpleTextExport::Finish() {
  FMatrix.reset();
  qdxClosePlainTextOutput(*this, FOut, FTransportStream);
}

void TqdxSimpleTextExport::PaintObject(TqdxIEMObject& obj, std::vector<std::u32string>& grid) const {
  const int rows = static_cast<int>(grid.size());
  const int cols = rows > 0 ? static_cast<int>(grid[0].size()) : 0;
  auto put = [&](int x, int y, char32_t ch) {
    if (x >= 0 && x < cols && y >= 0 && y < rows) grid[static_cast<size_t>(y)][static_cast<size_t>(x)] = ch;
  };
  const int x0 = RoundToInt(obj.Left / FCW);
  const int y0 = RoundToInt(obj.Top / FCH);
  const int wc = RoundToInt(obj.Width / FCW);
  const int hc = RoundToInt(obj.Height / FCH);
  const int target = wc - 2;
  const TqdxIEMStyle* style = obj.CellStyleRef;
  const TqdxHAlign align = style != nullptr ? style->HAlign : haLeft;

  for (size_t i = 0; i < obj.Lines.size(); ++i) {
    std::u32string s = ToUtf32(obj.Lines[i]);
    const int len = static_cast<int>(s.size());
    if (len < target) {
      // A line at least as wide as the box is written whole and may run over
      // its neighbours; shorter ones are padded to the box's width.
      if (align == haRight) {
        s.insert(0, static_cast<size_t>(target - len), U' ');
      } else if (align == haCenter) {
        s.insert(0, static_cast<size_t>(target / 2 - len / 2), U' ');
        if (static_cast<int>(s.size()) < target) s.append(static_cast<size_t>(target) - s.size(), U' ');
      } else {
        s.append(static_cast<size_t>(target - len), U' ');
      }
    }
    const int y = y0 + static_cast<int>(i);
    for (size_t k = 0; k < s.size(); ++k) put(x0 + static_cast<int>(k), y, s[k]);
  }

  if (Frames && style != nullptr) {
    if (style->HasSide(ftLeft))
      for (int y = y0; y < y0 + hc; ++y) put(x0 - 1, y, U'|');
    if (style->HasSide(ftRight))
      for (int y = y0; y < y0 + hc; ++y) put(x0 + wc - 2, y, U'|');
    if (style->HasSide(ftTop))
      for (int x = x0 - 1; x <= x0 + wc - 2; ++x) put(x, y0 - 1, U'-');
    if (style->HasSide(ftBottom))
      for (int x = x0 - 1; x <= x0 + wc - 2; ++x) put(x, y0 + hc - 1, U'-');
  }
}

void TqdxSimpleTextExport::WritePage() {
  TqdxIEMatrix& m = *FMatrix;
  m.Prepare();

  // The character cell is the smallest one any text asks for. Objects
  // without text (lines, filled rectangles, empty blocks) or without room
  // for it have no characters to measure and would otherwise shrink the cell
  // to one pixel, making the page hundreds of characters wide. A cell is
  // never smaller than a pixel either way.
  for (int i = 0; i < m.ObjectCount(); ++i) {
    TqdxIEMObject* obj = m.ObjectAt(i);
    if (obj == nullptr || !HasText(*obj) || obj->CellStyleRef == nullptr) continue;
    const double size = obj->CellStyleRef->Font.GetSize();
    if (size <= 0 || !(obj->Width > 0) || !(obj->Height > 0)) continue;
    size_t longest = 0;
    for (const std::u16string& line : obj->Lines) longest = std::max(longest, ToUtf32(line).size());
    double cw = obj->Width * 6 / (size * static_cast<double>(longest));
    if (cw < 1) cw = 1;
    if (cw < FCW) FCW = cw;
    double ch = obj->Height * 5 / (static_cast<double>(obj->Lines.size()) * size);
    if (ch < 1) ch = 1;
    if (ch < FCH) FCH = ch;
  }

  const double pageWidth = FPage != nullptr ? FPage->GetWidth() : 0;
  const double pageHeight = FPage != nullptr ? FPage->GetHeight() : 0;
  int cols = std::max(0, RoundToInt(pageWidth / FCW));
  const int rows = std::max(0, RoundToInt(pageHeight / FCH));
  std::vector<std::u32string> grid(static_cast<size_t>(rows), std::u32string(static_cast<size_t>(cols), U' '));

  for (int r = 0; r + 1 < m.RowCount(); ++r)
    for (int c = 0; c < m.ColumnCount(); ++c) {
      if (m.CellIndex(c, r) < 0) continue;
      TqdxIEMObject* obj = m.CellObject(c, r);
      // Painting an object again for each cell it covers would only let it
      // paint over neighbours that were painted in between.
      if (obj == nullptr || obj->Written != 0) continue;
      obj->Written = 1;
      PaintObject(*obj, grid);
    }

  if (DeleteEmptyColumns) {
    int keptEmpty = 0;
    int c = 0;
    while (c < cols - 1) {
      bool empty = std::all_of(grid.begin(), grid.end(),
                               [c](const std::u32string& line) { return line[static_cast<size_t>(c)] == U' '; });
      if (!empty) {
        keptEmpty = 0;
        ++c;
      } else if (keptEmpty < 2) {
        ++keptEmpty;
        ++c;
      } else {
        for (std::u32string& line : grid) {
          line.erase(static_cast<size_t>(c), 1);
          line += U' ';
        }
        --cols;
      }
    }
  }

  const int codePage = OEMCodepage ? SystemLocale().OemCodePage : 0;
  std::string out;
  for (std::u32string& line : grid) {
    line.resize(static_cast<size_t>(cols));
    size_t end = line.find_last_not_of(U' ');
    line.resize(end == std::u32string::npos ? 0 : end + 1);
    if (line.empty() && !EmptyLines) continue;
    // The system code page is UTF-8; the OEM code page is an 8-bit one in
    // which a character it lacks becomes "?", so columns stay aligned.
    std::u16string wide = ToUtf16(line);
    out += OEMCodepage ? Utf16ToCodePage(wide, codePage) : Utf16ToUtf8(wide);
    out += "\r\n";
  }
  if (PageBreaks) out += '\f';
  FOut->WriteString(out);
}
