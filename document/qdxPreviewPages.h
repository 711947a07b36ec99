#pragma once
// The prepared report: one XML document holding the source pages (the
// designed objects, once), the dictionary, the picture cache and every page
// as differences from the source objects. Page objects are built from the
// XML only when a page is asked for, and a few built pages are cached.

#include "document/qdxDictionary.h"
#include "document/qdxPage.h"
#include "document/qdxStorage.h"
#include "document/qdxXML.h"

#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <string>
#include <utility>
#include <vector>

class TqdxReport;
class TqdxReportPage;
class TqdxComponent;
class TqdxXMLSerializer;
struct TqdxParsedAttributes;
class TStream;

// Operations the export run and the converter call on prepared pages.
class TqdxCustomPreviewPages {
public:
  explicit TqdxCustomPreviewPages(TqdxReport* report) : FReport(report) {}
  virtual ~TqdxCustomPreviewPages() = default;
  TqdxCustomPreviewPages(const TqdxCustomPreviewPages&) = delete;
  TqdxCustomPreviewPages& operator=(const TqdxCustomPreviewPages&) = delete;

  TqdxReport* Report() const { return FReport; }
  virtual int Count() = 0;
  // The page with a 0-based index, built on demand; owned by the page cache.
  virtual TqdxReportPage* GetPage(int index) = 0;
  // Width and height in whole pixels; 0 x 0 outside the pages.
  virtual std::pair<int, int> GetPageSize(int index) = 0;
  virtual void Clear() = 0;
  virtual int GetAnchorPage(const std::string& text) = 0;
  // Frees the built pages (the export run keeps at most one in memory).
  virtual void ClearPageCache() = 0;

private:
  TqdxReport* FReport;
};

struct TqdxOutlineItem {
  std::string Text;
  int Page = 0;  // 0-based
  int Top = 0;   // pixels
};

// A view on the "outline" element: nested items with text, page and top.
class TqdxOutline {
public:
  explicit TqdxOutline(TqdxXMLItem* root) : FRoot(root), FCurrent(root) {}
  int Count() const { return FCurrent->Count(); }
  TqdxOutlineItem Item(int index) const;
  // Moves into the item's children / back to the top / one level up.
  void LevelDown(int index) { FCurrent = FCurrent->Items(index); }
  void LevelRoot() { FCurrent = FRoot; }
  void LevelUp() {
    if (FCurrent != FRoot && FCurrent->Parent()) FCurrent = FCurrent->Parent();
  }
  // Adds an item at the current level and makes it current for its children.
  void AddItem(const std::string& text, int page, int top);

private:
  TqdxXMLItem* FRoot;
  TqdxXMLItem* FCurrent;
};

// Values of objects whose text was known only after the report was finished.
struct TqdxPostProcessorList {
  std::string Name;
  std::vector<std::u16string> Values;
  int LastIndex = -1;
  TqdxComponent* LastObject = nullptr;
};

class TqdxPreviewPages : public TqdxCustomPreviewPages {
public:
  explicit TqdxPreviewPages(TqdxReport* report);
  ~TqdxPreviewPages() override;

  int Count() override;
  TqdxReportPage* GetPage(int index) override;
  std::pair<int, int> GetPageSize(int index) override;
  void Clear() override;
  int GetAnchorPage(const std::string& text) override;
  void ClearPageCache() override;

  // Takes the picture cache and swap settings from the report's options.
  void Initialize();
  // Raises "Invalid file format" for a document that is not a prepared report.
  void LoadFromStream(TStream& stream, bool allowPartialLoading = false);
  void SaveToStream(TStream& stream);
  // False (and nothing loaded) when the file is missing, unless raiseWhenMissing.
  // The file is loaded partially and stays open while the pages live: page
  // elements are read from it when their page is built and dropped again when
  // the page leaves the cache, so memory does not grow with the page count.
  bool LoadFromFile(const std::string& fileName, bool raiseWhenMissing = false);
  // Writes beside the file first and renames, so a failure keeps the old file.
  void SaveToFile(const std::string& fileName);

  // Replaces the page element with the page in full form.
  void ModifyPage(int index, const TqdxReportPage& page);
  // Rewrites an object's element with its current differences.
  void ModifyObject(TqdxComponent& object);

  // ---- building prepared pages (the generator and tests use these) ----
  // Adds a designed page; its objects become source objects. Returns its index.
  int AddSourcePage(std::unique_ptr<TqdxReportPage> page);
  // Appends a prepared page built from source page sourceIndex: every object
  // whose name is a source object's is stored as its differences under the
  // source's short name, others in full form under their class name.
  void AddPage(int sourceIndex, TqdxReportPage& page);
  void AddAnchor(const std::string& text, int page, int top);

  TqdxXMLDocument& Document() { return FDoc; }
  TqdxDictionary& Dictionary() { return FDictionary; }
  TqdxPictureCache& PictureCache() { return FPictureCache; }
  TqdxOutline& Outline() { return *FOutline; }
  const std::vector<std::unique_ptr<TqdxReportPage>>& SourcePages() const { return FSourcePages; }
  // Messages met while reading objects (unknown classes, bad values).
  const std::vector<std::string>& LoadErrors() const { return FLoadErrors; }
  int CachedPageCount() const { return static_cast<int>(FPageCache.size()); }
  // Page elements whose children are in memory now.
  int LoadedPageElementCount();
  int CurPage = -1;

private:
  void BuildContainers();
  TqdxXMLItem* PagesItem();
  TqdxXMLItem* Section(const char* name);
  std::unique_ptr<TqdxReportPage> BuildPage(TqdxXMLItem& item);
  void BuildObjects(TqdxXMLSerializer& s, TqdxXMLItem& item, TqdxComponent& parent, TqdxReportPage& page);
  // The stored text of a source object, split once for all its copies.
  const TqdxParsedAttributes& ParsedBase(const TqdxComponent& source);
  std::unordered_map<const TqdxComponent*, std::unique_ptr<TqdxParsedAttributes>> FParsedBases;
  TqdxReportPage* SourcePageOf(const std::string& elementName) const;
  // obj is not placed yet; parent is where it goes.
  void OfferPostProcessing(TqdxComponent*& obj, const TqdxComponent& parent);
  void WriteObjects(TqdxComponent& parent, TqdxXMLItem& item, int sourceIndex);
  void AddLoadError(const std::string& message);
  void LoadDocument(TStream& stream, std::unique_ptr<TStream> owned);
  // Called when the page at index has left the cache: its element's children
  // go when they can be read back.
  void ReleasePageElement(int index);
  // Marks the page element holding item as changed in memory.
  void PinPageElement(TqdxXMLItem* item);

  TqdxXMLDocument FDoc;
  TqdxDictionary FDictionary;
  TqdxPictureCache FPictureCache;
  std::unique_ptr<TqdxOutline> FOutline;
  std::vector<std::unique_ptr<TqdxReportPage>> FSourcePages;
  std::vector<TqdxPostProcessorList> FPostProcessor;
  // Most recently used first.
  std::vector<std::pair<int, std::unique_ptr<TqdxReportPage>>> FPageCache;
  std::vector<std::string> FLoadErrors;
  // Page elements changed in memory (ModifyPage, ModifyObject): their source
  // bytes are stale, so they are never dropped to be read back.
  std::unordered_set<const TqdxXMLItem*> FChangedPageElements;
};
