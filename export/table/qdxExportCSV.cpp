#include "export/table/qdxExportCSV.h"

#include "document/qdxClassBuilder.h"
#include "document/qdxReport.h"
#include "document/qdxView.h"
#include "export/qdxExportMatrix.h"
#include "export/qdxIOTransport.h"
#include "platform/CodePage.h"
#include "platform/CodePageConv.h"
#include "platform/LocaleSettings.h"

#include <algorithm>

const TqdxClassInfo& TqdxCSVExport::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxCSVExport>(
      "TqdxCSVExport", &TqdxBaseDialogExportFilter::StaticClassInfo(), [](TqdxClassBuilder<TqdxCSVExport>& Reg) {
        using F = TqdxCSVExport;
        Reg.Str("Separator", &F::Separator);
        Reg.Bool("OEMCodepage", &F::OEMCodepage).Default(false);
        Reg.Bool("UTF8", &F::UTF8).Default(false);
        Reg.Bool("OpenAfterExport", &F::OpenAfterExport).Default(false);
        Reg.Bool("NoSysSymbols", &F::NoSysSymbols).Default(true);
        Reg.Bool("ForcedQuotes", &F::ForcedQuotes).Default(false);
      });
  return info;
}

std::unique_ptr<TqdxIEMatrix> qdxCreatePlainTextMatrix(const TqdxCustomExportFilter& filter) {
  std::string tempFolder = filter.Report != nullptr ? filter.Report->GetEngineOptions()->TempDir : std::string();
  auto m = std::make_unique<TqdxIEMatrix>(filter.UseFileCache, tempFolder);
  m->MergeTolerance = 0.5;
  m->PageBackground = false;
  m->PageBackgroundPicture = false;
  m->NonPrintableExported = filter.ExportNotPrintable;
  m->RichTextCells = true;
  m->RichTextPlain = true;
  m->PageFill = false;
  m->PageFillCropped = true;
  m->StripHTMLTags = true;
  m->PictureCells = false;
  // Without picture cells a hatched text block has nowhere to go but text.
  m->HatchAsPicture = false;
  m->LaidOutText = true;
  m->ProgressWindow = false;
  m->JoinBorders = true;
  return m;
}

TStream* qdxOpenPlainTextOutput(TqdxCustomExportFilter& filter, bool& fromTransport) {
  fromTransport = filter.Stream == nullptr;
  // A destination that cannot be created raises: the run then fails with the
  // reason instead of succeeding without a file.
  return filter.OutputStream();
}

void qdxClosePlainTextOutput(TqdxCustomExportFilter& filter, TStream*& out, bool fromTransport) {
  TStream* s = out;
  out = nullptr;
  if (s != nullptr && fromTransport && filter.IOTransport != nullptr) filter.IOTransport->FreeStream(s);
}

TqdxCSVExport::TqdxCSVExport(TqdxBaseComponent* owner, bool noRegister)
    : TqdxBaseDialogExportFilter(owner, noRegister) {
  DefaultExt = ".csv";
  const std::string& list = SystemLocale().ListSeparator;
  Separator = list.empty() ? std::string(",") : list.substr(0, 1);
}

TqdxCSVExport::~TqdxCSVExport() = default;

bool TqdxCSVExport::Start() {
  if (GetFileName().empty() && Stream == nullptr) return false;
  FMatrix = qdxCreatePlainTextMatrix(*this);
  FCurrentPage = 0;
  FOut = qdxOpenPlainTextOutput(*this, FTransportStream);
  return true;
}

void TqdxCSVExport::StartPage(TqdxReportPage*, int index) {
  FCurrentPage = index;
  FMatrix->Clear();
}

void TqdxCSVExport::ExportObject(TqdxComponent* obj) {
  auto* view = dynamic_cast<TqdxView*>(obj);
  if (view != nullptr && view->IsVisibleIn(vsExport)) FMatrix->AddObject(*view);
}

void TqdxCSVExport::FinishPage(TqdxReportPage*, int) { WritePage(); }

void TqdxCSVExport::Finish() {
  FMatrix.reset();
  qdxClosePlainTextOutput(*this, FOut, FTransportStream);
}

namespace {
// Length of the UTF-8 sequence that starts with byte b (1 for a stray byte).
size_t Utf8SequenceLength(unsigned char b) {
  if (b >= 0xF0 && b < 0xF8) return 4;
  if (b >= 0xE0) return b < 0xF0 ? 3 : 1;
  if (b >= 0xC0) return 2;
  return 1;
}
}  // namespace

std::string TqdxCSVExport::FieldSeparator() const {
  // One character separates fields, also for the empty fields of covered
  // cells, so removing the row's last separator never takes more or less
  // than what was written.
  std::string source = Separator.empty() ? SystemLocale().ListSeparator : Separator;
  if (source.empty()) source = ",";
  std::string d = FixUtf8(source.substr(0, std::min(source.size(), Utf8SequenceLength(source[0]))));
  if (!IsValidUtf8(d)) d = FixUtf8(source.substr(0, 1));
  if (OEMCodepage && !UTF8) d = Utf8ToCodePage(d, SystemLocale().OemCodePage);
  return d;
}

std::string TqdxCSVExport::Encode(const TqdxIEMObject& obj) const {
  std::u16string text;
  for (const std::u16string& line : obj.Lines) text += line + u"\r\n";
  // The system code page is UTF-8, so UTF-8 and "ANSI" output are the same
  // bytes. The OEM code page is an 8-bit output of its own; UTF-8 bytes are
  // never converted again.
  if (OEMCodepage && !UTF8) return Utf16ToCodePage(text, SystemLocale().OemCodePage);
  return Utf16ToUtf8(text);
}

std::string TqdxCSVExport::BuildField(const TqdxIEMObject& obj, const std::string& d) const {
  std::string s = Encode(obj);
  if (s.size() > 1 && s.ends_with("\r\n")) s.resize(s.size() - 2);
  if (!s.empty() && NoSysSymbols)
    s.erase(std::remove_if(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 32; }), s.end());
  if (s.empty()) return d;
  bool control = std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 32; });
  if (control || s.find(d) != std::string::npos || s.find('"') != std::string::npos) {
    std::string q = "\"";
    for (char c : s) {
      q += c;
      if (c == '"') q += '"';
    }
    return q + "\"" + d;
  }
  if (ForcedQuotes) return "\"" + s + "\"" + d;
  return s + d;
}

void TqdxCSVExport::WritePage() {
  TqdxIEMatrix& m = *FMatrix;
  m.Prepare();
  if (m.RowCount() < 2) return;
  const std::string d = FieldSeparator();
  std::string page;
  for (int r = 0; r + 1 < m.RowCount(); ++r) {
    // The row is assembled apart, so dropping its last separator can only
    // touch this row.
    std::string row;
    bool met = false;
    for (int c = 0; c < m.ColumnCount(); ++c) {
      TqdxIEMObject* obj = m.CellObject(c, r);
      if (obj == nullptr) continue;
      met = true;
      if (obj->Written != 0) {
        row += d;  // a cell covered by an object already written
      } else {
        row += BuildField(*obj, d);
        obj->Written = 1;
      }
    }
    if (met && row.ends_with(d)) row.resize(row.size() - d.size());
    page += row;
    page += "\r\n";
  }
  FOut->WriteString(page);
}
