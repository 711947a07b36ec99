#pragma once
// One PDF file: header, pages with their content streams and resources,
// images, link annotations, outline, document information, catalog,
// cross-reference table and trailer, optional encryption and PDF/A
// additions. The PDF export filter drives it: BeginDocument, then per page
// AddPage, content operators, images, links and FinishPage, and EndDocument.
//
// Page dictionaries and link annotations are written at EndDocument, when the
// number of pages is known: a link to a page that the file does not have is
// left out rather than written with a dangling destination.

#include "export/pdf/qdxExportPDFHelpers.h"
#include "export/pdf/qdxPDFEncryption.h"
#include "export/pdf/qdxPDFImages.h"
#include "export/pdf/qdxPDFMetadata.h"
#include "export/pdf/qdxPDFOutline.h"

#include <functional>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The filter's published properties, with their initial values.
struct TqdxPDFOptions {
  bool Compressed = true;
  bool EmbeddedFonts = false;
  bool EmbedFontsIfProtected = true;
  bool OpenAfterExport = false;
  bool PrintOptimized = false;
  bool Outline = false;
  bool Background = false;
  bool HTMLTags = true;
  bool OverwritePrompt = false;
  int Quality = 95;
  bool Transparency = false;
  std::u16string Title;
  std::u16string Author = u"Quodex";
  std::u16string Subject = u"Quodex PDF export";
  std::u16string Keywords;
  std::u16string Creator = DefaultCreator();
  std::u16string Producer;
  std::string UserPassword;
  std::string OwnerPassword;
  TqdxPDFEncBits ProtectionFlags = AllPDFEncBits;
  bool HideToolbar = false;
  bool HideMenubar = false;
  bool HideWindowUI = false;
  bool FitWindow = false;
  bool CenterWindow = false;
  bool PrintScaling = false;
  bool PdfA = false;
  bool SaveOriginalImages = true;  // public, not published

  // The running program's name.
  static std::u16string DefaultCreator();
};

// A rectangle in points, y up.
struct TqdxPDFRect {
  double Left = 0;
  double Bottom = 0;
  double Right = 0;
  double Top = 0;
};

// A font's objects, written at the end of the file (fonts gather the glyphs
// of every page before they can be written).
class TPDFFontResource {
public:
  virtual ~TPDFFontResource() = default;
  // Writes every object of the font; the top-level font object goes under
  // reference, a number reserved when the first page using it was finished.
  virtual void WriteObjects(TPDFObjectsHelper& objects, int reference) = 0;
};

class TqdxPDFPage {
public:
  int Index() const { return FIndex; }
  double Width() const { return Geometry.PageWidthPt; }
  double Height() const { return Geometry.PageHeightPt; }

  // Pixel to point transform of this page (the caller sets the margin shifts).
  TPDFPageGeometry Geometry;

  // The content stream; every line ends with CR LF.
  TMemoryStream& Content() { return FContent; }
  void WriteLine(std::string_view text);
  void WriteRaw(std::string_view text);

  // Lists an image of the file among this page's resources (once, however
  // often it is drawn); returns its resource name.
  std::string UseImage(int index);
  const std::vector<int>& UsedImages() const { return FImages; }

private:
  friend class TqdxPDFDocument;
  int FIndex = 0;
  int FNumber = 0;    // page object, reserved at FinishPage
  int FContents = 0;  // content stream object
  int FFontCount = 0; // fonts registered when the page was finished
  bool FFinished = false;
  TMemoryStream FContent;
  std::vector<int> FImages;
  std::vector<int> FLinks;  // indexes into the document's links
};

class TqdxPDFDocument {
public:
  explicit TqdxPDFDocument(TqdxPDFOptions options = {});
  ~TqdxPDFDocument();

  const TqdxPDFOptions& Options() const { return FOptions; }
  TqdxPDFOptions& Options() { return FOptions; }

  // Fixed values for reproducible files (tests); empty or unset means a new
  // identifier and the current time for each file.
  void SetFixedFileID(const std::string& hex32);
  void SetFixedTime(const TqdxPDFDateTime& time);
  void SetProfilePath(std::string path) { FProfilePath = std::move(path); }

  // Starts a file on out. The options are read here; the per-export values
  // below are derived from them without changing them.
  void BeginDocument(TStream& out);
  bool Active() const { return FObjects.Active(); }

  bool Protection() const { return FProtection; }
  // EmbeddedFonts as this export applies it (forced on for PDF/A, replaced by
  // EmbedFontsIfProtected when encrypted).
  bool EmbeddedFonts() const { return FEmbeddedFonts; }
  const std::string& FileID() const { return FFileID; }
  const TqdxPDFSecurity& Security() const { return FSecurity; }
  TPDFObjectsHelper& Objects() { return FObjects; }

  // Pages. AddPage finishes an open page first.
  TqdxPDFPage& AddPage(double widthPt, double heightPt);
  TqdxPDFPage* CurrentPage() { return FCurrent; }
  void FinishPage();
  int PageCount() const { return int(FPages.size()); }

  // Images drawn on the current page; return the image index, whose resource
  // name is TqdxPDFImages::ResourceName(index). quality < 0 takes Quality.
  int AddImage(const TqdxPDFPixels& pixels, int quality = -1);
  int AddJPEGImage(std::string_view jpeg, std::string_view alpha = {});
  const TqdxPDFImages& Images() const { return FImages; }

  // Links on the current page. A URI is UTF-8 text. An internal link goes to
  // an exported page index at y (points); a negative index is dropped here,
  // one past the last page at the end; both return whether the link is kept
  // so far.
  bool AddUriLink(const TqdxPDFRect& rect, std::string_view uri);
  bool AddPageLink(const TqdxPDFRect& rect, int pageIndex, double destY);

  // The outline written when Outline is set.
  void SetOutline(std::vector<TqdxPDFOutlineItem> items, TqdxPDFPageMap map = {});

  // Fonts, by a key the caller chooses (face and style): the index of the
  // font, made with make when the key is new. Its resource name is
  // FontResourceName(index); every page lists the fonts known when it was
  // finished.
  int FontIndex(const std::string& key,
                const std::function<std::unique_ptr<TPDFFontResource>()>& make);
  TPDFFontResource& Font(int index) { return *FFonts.at(size_t(index)).Resource; }
  int FontCount() const { return int(FFonts.size()); }
  static std::string FontResourceName(int index) { return "/F" + std::to_string(index); }
  // A note on a font substitution for the keywords of this file (once each).
  void AddFontNote(const std::u16string& note);
  // Keywords followed by the notes, each note ended by ";".
  std::u16string EffectiveKeywords() const;

  // Writes the rest of the file and lets go of the stream.
  void EndDocument();

private:
  struct TLink {
    TqdxPDFRect Rect;
    bool IsUri = false;
    std::string Uri;  // 7-bit bytes
    int DestPage = -1;
    int DestY = 0;
    int Number = 0;
  };
  struct TFont {
    std::string Key;
    std::unique_ptr<TPDFFontResource> Resource;
    int Reference = 0;
  };

  TqdxPDFPage& Current(const char* what);
  void Reset();
  void WritePage(TqdxPDFPage& page);
  void WriteLink(const TLink& link);
  int WriteCatalog(int outline, const TqdxPDFAObjects& pdfa);

  TqdxPDFOptions FOptions;
  std::string FFixedFileID;
  bool FHasFixedTime = false;
  TqdxPDFDateTime FFixedTime;
  std::string FProfilePath = DefaultSRGBProfilePath;

  // Per export.
  TPDFObjectsHelper FObjects;
  TqdxPDFSecurity FSecurity;
  bool FProtection = false;
  bool FEmbeddedFonts = false;
  std::string FFileID;
  std::string FProfile;
  std::vector<std::unique_ptr<TqdxPDFPage>> FPages;
  TqdxPDFPage* FCurrent = nullptr;
  // The content stream of the last finished page, deflated (and encrypted) on
  // another thread while the next page is drawn; written before anything
  // that follows it in the file order of pages.
  struct TPendingContent {
    int Number = 0;
    std::future<std::string> Bytes;
  };
  std::optional<TPendingContent> FPendingContent;
  void WritePendingContent();
  TqdxPDFImages FImages;
  std::vector<TLink> FLinks;
  std::vector<TFont> FFonts;
  std::map<std::string, int> FFontKeys;
  std::vector<std::u16string> FFontNotes;
  std::vector<TqdxPDFOutlineItem> FOutlineItems;
  TqdxPDFPageMap FOutlineMap;
};
