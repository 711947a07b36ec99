#include "export/pdf/qdxPDFDocument.h"

#include "platform/CodePage.h"

#include <cerrno>
#include <cstdio>
#include <random>

std::u16string TqdxPDFOptions::DefaultCreator() {
  return Utf8ToUtf16(program_invocation_short_name ? program_invocation_short_name : "");
}

void TqdxPDFPage::WriteLine(std::string_view text) {
  FContent.Write(text.data(), text.size());
  FContent.Write("\r\n", 2);
}

void TqdxPDFPage::WriteRaw(std::string_view text) { FContent.Write(text.data(), text.size()); }

std::string TqdxPDFPage::UseImage(int index) {
  bool listed = false;
  for (int i : FImages) listed = listed || i == index;
  if (!listed) FImages.push_back(index);
  return TqdxPDFImages::ResourceName(index);
}

namespace {

bool IsFileID(const std::string& s) {
  if (s.size() != 32) return false;
  for (char c : s)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

// MD5 of a new random GUID in its braced text form.
std::string NewFileID() {
  std::random_device random;
  uint8_t g[16];
  for (int i = 0; i < 16; i += 4) {
    uint32_t r = random();
    for (int k = 0; k < 4; ++k) g[i + k] = uint8_t(r >> (8 * k));
  }
  g[6] = uint8_t((g[6] & 0x0F) | 0x40);  // version 4
  g[8] = uint8_t((g[8] & 0x3F) | 0x80);
  char text[40];
  std::snprintf(text, sizeof text,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g[0],
                g[1], g[2], g[3], g[4], g[5], g[6], g[7], g[8], g[9], g[10], g[11], g[12], g[13],
                g[14], g[15]);
  return TqdxMD5::Hex(TqdxMD5::Of(text, 38));
}

std::array<uint8_t, 16> FileIDBytes(const std::string& hex) {
  std::array<uint8_t, 16> b{};
  auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
  for (size_t i = 0; i < 16; ++i) b[i] = uint8_t(digit(hex[2 * i]) << 4 | digit(hex[2 * i + 1]));
  return b;
}

std::string RectText(const TqdxPDFRect& r) {
  return FloatToPdf(r.Left) + " " + FloatToPdf(r.Bottom) + " " + FloatToPdf(r.Right) + " " +
         FloatToPdf(r.Top);
}

}  // namespace

TqdxPDFDocument::TqdxPDFDocument(TqdxPDFOptions options) : FOptions(std::move(options)) {}

TqdxPDFDocument::~TqdxPDFDocument() = default;

void TqdxPDFDocument::SetFixedFileID(const std::string& hex32) {
  if (!hex32.empty() && !IsFileID(hex32))
    throw EPDFError("A file identifier is 32 lowercase hexadecimal digits");
  FFixedFileID = hex32;
}

void TqdxPDFDocument::SetFixedTime(const TqdxPDFDateTime& time) {
  FHasFixedTime = true;
  FFixedTime = time;
}

void TqdxPDFDocument::Reset() {
  FObjects.Abandon();
  FPages.clear();
  FCurrent = nullptr;
  FImages.Clear();
  FLinks.clear();
  FFonts.clear();
  FFontKeys.clear();
  FFontNotes.clear();
  FOutlineItems.clear();
  FOutlineMap = nullptr;
  FProfile.clear();
}

void TqdxPDFDocument::BeginDocument(TStream& out) {
  Reset();
  // A missing profile stops a PDF/A export before anything is written.
  if (FOptions.PdfA) FProfile = LoadSRGBProfile(FProfilePath);
  FProtection =
      (!FOptions.UserPassword.empty() || !FOptions.OwnerPassword.empty()) && !FOptions.PdfA;
  FEmbeddedFonts = FOptions.PdfA                ? true
                   : FProtection                ? FOptions.EmbedFontsIfProtected
                                                : FOptions.EmbeddedFonts;
  FFileID = FFixedFileID.empty() ? NewFileID() : FFixedFileID;
  if (FProtection)
    FSecurity.Prepare(FOptions.UserPassword, FOptions.OwnerPassword, FOptions.ProtectionFlags,
                      FileIDBytes(FFileID));
  FObjects.Begin(out, FProtection ? &FSecurity : nullptr);
  FObjects.WriteLine("%PDF-1.7");
  FObjects.WriteLine("%\xE2\xE3\xCF\xD3");
  FObjects.NewObject();  // 1: the page tree, written at the end
}

TqdxPDFPage& TqdxPDFDocument::Current(const char* what) {
  if (!FCurrent) throw EPDFError(std::string(what) + " outside a PDF page");
  return *FCurrent;
}

TqdxPDFPage& TqdxPDFDocument::AddPage(double widthPt, double heightPt) {
  if (!Active()) throw EPDFError("PDF file not started");
  if (FCurrent) FinishPage();
  auto page = std::make_unique<TqdxPDFPage>();
  page->FIndex = int(FPages.size());
  page->Geometry.PageWidthPt = widthPt;
  page->Geometry.PageHeightPt = heightPt;
  FPages.push_back(std::move(page));
  FCurrent = FPages.back().get();
  return *FCurrent;
}

void TqdxPDFDocument::FinishPage() {
  TqdxPDFPage& page = Current("FinishPage");
  page.FContents = FObjects.NewObject();
  // The content leaves the page (a finished page holds no buffer) for the
  // deflating thread; the previous page's stream is written first, so the
  // file order does not depend on timing.
  std::string data;
  data.swap(page.FContent.Data());
  page.FContent.SetPosition(0);
  WritePendingContent();
  const TPDFObjectsHelper* objects = &FObjects;
  const bool compress = FOptions.Compressed;
  const int number = page.FContents;
  FPendingContent = TPendingContent{
      number, std::async(std::launch::async, [objects, compress, number, data = std::move(data)] {
        return objects->StreamData(data, compress, true, number);
      })};
  for (auto& font : FFonts)
    if (!font.Reference) font.Reference = FObjects.NewObject();
  page.FFontCount = int(FFonts.size());
  page.FNumber = FObjects.NewObject();
  page.FFinished = true;
  FCurrent = nullptr;
}

void TqdxPDFDocument::WritePendingContent() {
  if (!FPendingContent) return;
  TPendingContent pending = std::move(*FPendingContent);
  FPendingContent.reset();
  const std::string bytes = pending.Bytes.get();  // a failure of the worker raises here
  FObjects.StartObject(pending.Number);
  FObjects.WritePreparedStream(bytes, {.OpenDict = true, .CloseDict = true, .Compress = FOptions.Compressed, .Encrypt = true});
}

int TqdxPDFDocument::AddImage(const TqdxPDFPixels& pixels, int quality) {
  TqdxPDFPage& page = Current("AddImage");
  int index = FImages.WritePixels(FObjects, pixels, quality < 0 ? FOptions.Quality : quality,
                                  FOptions.Compressed);
  page.UseImage(index);
  return index;
}

int TqdxPDFDocument::AddJPEGImage(std::string_view jpeg, std::string_view alpha) {
  TqdxPDFPage& page = Current("AddJPEGImage");
  int index = FImages.WriteJPEG(FObjects, jpeg, alpha, FOptions.Compressed);
  page.UseImage(index);
  return index;
}

bool TqdxPDFDocument::AddUriLink(const TqdxPDFRect& rect, std::string_view uri) {
  TqdxPDFPage& page = Current("AddUriLink");
  TLink link;
  link.Rect = rect;
  link.IsUri = true;
  link.Uri = PdfUriBytes(uri);
  page.FLinks.push_back(int(FLinks.size()));
  FLinks.push_back(std::move(link));
  return true;
}

bool TqdxPDFDocument::AddPageLink(const TqdxPDFRect& rect, int pageIndex, double destY) {
  TqdxPDFPage& page = Current("AddPageLink");
  if (pageIndex < 0) return false;
  TLink link;
  link.Rect = rect;
  link.DestPage = pageIndex;
  link.DestY = PdfRound(destY);
  page.FLinks.push_back(int(FLinks.size()));
  FLinks.push_back(std::move(link));
  return true;
}

void TqdxPDFDocument::SetOutline(std::vector<TqdxPDFOutlineItem> items, TqdxPDFPageMap map) {
  FOutlineItems = std::move(items);
  FOutlineMap = std::move(map);
}

int TqdxPDFDocument::FontIndex(const std::string& key,
                               const std::function<std::unique_ptr<TPDFFontResource>()>& make) {
  if (auto it = FFontKeys.find(key); it != FFontKeys.end()) return it->second;
  TFont font;
  font.Key = key;
  font.Resource = make();
  if (!font.Resource) throw EPDFError("No font resource for " + key);
  FFonts.push_back(std::move(font));
  int index = int(FFonts.size()) - 1;
  FFontKeys.emplace(key, index);
  return index;
}

void TqdxPDFDocument::AddFontNote(const std::u16string& note) {
  if (note.empty()) return;
  for (const auto& n : FFontNotes)
    if (n == note) return;
  FFontNotes.push_back(note);
}

std::u16string TqdxPDFDocument::EffectiveKeywords() const {
  std::u16string k = FOptions.Keywords;
  if (!FFontNotes.empty() && !k.empty() && k.back() != u';' && k.back() != u' ') k += u"; ";
  for (const auto& n : FFontNotes) k += n + u";";
  return k;
}

void TqdxPDFDocument::WritePage(TqdxPDFPage& page) {
  std::vector<int> annots;
  for (int i : page.FLinks) {
    TLink& link = FLinks[size_t(i)];
    if (!link.IsUri && link.DestPage >= int(FPages.size())) continue;  // no such page
    link.Number = FObjects.NewObject();
    annots.push_back(link.Number);
  }
  FObjects.StartObject(page.FNumber);
  FObjects.WriteLine("<<");
  FObjects.WriteLine("/Type /Page");
  FObjects.WriteLine("/Parent " + PdfRef(1));
  FObjects.WriteLine("/MediaBox [0 0 " + FloatToPdf(page.Width()) + " " +
                     FloatToPdf(page.Height()) + " ]");
  if (!annots.empty()) {
    FObjects.WriteLine("/Annots [");
    for (int n : annots) FObjects.WriteLine(PdfRef(n));
    FObjects.WriteLine("]");
  }
  FObjects.WriteLine("/Group << /Type /Group /S /Transparency /CS /DeviceRGB >>");
  FObjects.WriteLine("/Resources <<");
  std::string fonts = "/Font << ";
  for (int i = 0; i < page.FFontCount; ++i)
    fonts += FontResourceName(i) + " " + PdfRef(FFonts[size_t(i)].Reference) + " ";
  FObjects.WriteLine(fonts + ">>");
  if (!page.FImages.empty()) {
    std::string images = "/XObject << ";
    for (int i : page.FImages)
      images += TqdxPDFImages::ResourceName(i) + " " + PdfRef(FImages.ObjectNumber(i)) + " ";
    FObjects.WriteLine(images + ">>");
  }
  FObjects.WriteLine("/ProcSet [/PDF /Text /ImageC ]");
  FObjects.WriteLine(">>");
  FObjects.WriteLine("/Contents " + PdfRef(page.FContents));
  FObjects.WriteLine(">>");
  FObjects.WriteLine("endobj");
}

void TqdxPDFDocument::WriteLink(const TLink& link) {
  FObjects.StartObject(link.Number);
  FObjects.WriteLine("<<");
  FObjects.WriteLine("/Type /Annot");
  FObjects.WriteLine("/Subtype /Link");
  if (FOptions.PdfA) FObjects.WriteLine("/F 4");
  FObjects.WriteLine("/Rect [" + RectText(link.Rect) + "]");
  if (link.IsUri) {
    FObjects.WriteLine("/BS << /W 0 >>");
    FObjects.WriteLine("/A <<");
    FObjects.WriteLine("/URI " + FObjects.PdfString(link.Uri, link.Number));
    FObjects.WriteLine("/Type /Action");
    FObjects.WriteLine("/S /URI");
    FObjects.WriteLine(">>");
  } else {
    FObjects.WriteLine("/Border [16 16 0]");
    FObjects.WriteLine("/Dest [" + PdfRef(FPages[size_t(link.DestPage)]->FNumber) +
                       " /XYZ null " + std::to_string(link.DestY) + " null]");
  }
  FObjects.WriteLine(">>");
  FObjects.WriteLine("endobj");
}

int TqdxPDFDocument::WriteCatalog(int outline, const TqdxPDFAObjects& pdfa) {
  int n = FObjects.StartNewObject();
  FObjects.WriteLine("<<");
  FObjects.WriteLine("/Type /Catalog");
  FObjects.WriteLine("/Version /1.7");
  FObjects.WriteLine("/Pages " + PdfRef(1));
  FObjects.WriteLine(FOptions.Outline ? "/PageMode /UseOutlines" : "/PageMode /UseNone");
  if (outline) FObjects.WriteLine("/Outlines " + PdfRef(outline));
  if (pdfa.Metadata) {
    FObjects.WriteLine("/Metadata " + PdfRef(pdfa.Metadata));
    FObjects.WriteLine("/OutputIntents [ " + PdfRef(pdfa.OutputIntent) + " ]");
  }
  FObjects.WriteLine("/ViewerPreferences <<");
  if (!FOptions.Title.empty()) FObjects.WriteLine("/DisplayDocTitle true");
  if (FOptions.HideToolbar) FObjects.WriteLine("/HideToolbar true");
  if (FOptions.HideMenubar) FObjects.WriteLine("/HideMenubar true");
  if (FOptions.HideWindowUI) FObjects.WriteLine("/HideWindowUI true");
  if (FOptions.FitWindow) FObjects.WriteLine("/FitWindow true");
  if (FOptions.CenterWindow) FObjects.WriteLine("/CenterWindow true");
  if (!FOptions.PrintScaling) FObjects.WriteLine("/PrintScaling false");
  FObjects.WriteLine(">>");
  FObjects.WriteLine(">>");
  FObjects.WriteLine("endobj");
  return n;
}

void TqdxPDFDocument::EndDocument() {
  if (!Active()) throw EPDFError("PDF file not started");
  if (FCurrent) FinishPage();
  WritePendingContent();
  TqdxPDFDateTime time = FHasFixedTime ? FFixedTime : TqdxPDFDateTime::Now();

  for (auto& font : FFonts)
    if (font.Reference) font.Resource->WriteObjects(FObjects, font.Reference);
  for (auto& page : FPages) WritePage(*page);

  FObjects.StartObject(1);
  FObjects.WriteLine("<<");
  FObjects.WriteLine("/Type /Pages");
  std::string kids = "/Kids [";
  for (auto& page : FPages) kids += PdfRef(page->FNumber) + " ";
  FObjects.WriteLine(kids + "]");
  FObjects.WriteLine("/Count " + std::to_string(FPages.size()));
  FObjects.WriteLine(">>");
  FObjects.WriteLine("endobj");

  TqdxPDFDocInfo info{FOptions.Title,   FOptions.Author,  FOptions.Subject,
                      EffectiveKeywords(), FOptions.Creator, FOptions.Producer};
  TqdxPDFAObjects pdfa;
  if (FOptions.PdfA)
    pdfa = WritePDFAObjects(FObjects, BuildXmpPacket(info, time, FFileID), FProfile,
                            FOptions.Compressed);
  int infoNumber = WritePDFInfo(FObjects, info, time);
  int encrypt = 0;
  if (FProtection) {
    encrypt = FObjects.StartNewObject();
    for (const auto& line : FSecurity.DictionaryLines()) FObjects.WriteLine(line);
    FObjects.WriteLine("endobj");
  }

  int outline = 0;
  if (FOptions.Outline) {
    auto root = BuildPDFOutline(FOutlineItems, FOutlineMap);
    std::vector<TqdxPDFPageTarget> targets;
    for (auto& page : FPages) targets.push_back({page->FNumber, page->Height()});
    outline = WritePDFOutline(FObjects, *root, targets);
  }
  for (const auto& link : FLinks)
    if (link.Number) WriteLink(link);

  int catalog = WriteCatalog(outline, pdfa);
  FObjects.WriteXRefAndTrailer(catalog, infoNumber, encrypt, FFileID);
  FObjects.End();
  Reset();
}
