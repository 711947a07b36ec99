#include "document/qdxPreviewPages.h"

#include "document/qdxDiff.h"
#include "document/qdxGraphics.h"
#include "document/qdxMemoView.h"
#include "document/qdxNumbers.h"
#include "document/qdxPage.h"
#include "document/qdxPictureView.h"
#include "document/qdxReport.h"
#include "document/qdxUtils.h"
#include "document/qdxXMLSerializer.h"
#include "platform/CodePage.h"
#include "platform/FileUtils.h"
#include "platform/Streams.h"

#include <cmath>
#include <stdexcept>

namespace {

// Objects below a page are a few levels deep; hostile files must not
// exhaust the stack of the builder.
const int MaxObjectDepth = 256;

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && qdxSameText(s.substr(0, prefix.size()), prefix);
}

// The source page index of a page element "page<N>", or -1.
int SourceIndexOf(const std::string& name) {
  if (!StartsWithNoCase(name, "page") || name.size() == 4) return -1;
  std::string digits = name.substr(4, 5);
  int64_t v;
  if (!qdxTryStrToInt(digits, v) || v < 0) return -1;
  return static_cast<int>(v);
}

std::unique_ptr<TqdxReportPage> NewPageLike(const std::string& className) {
  auto obj = qdxCreateObject(className);
  auto* page = dynamic_cast<TqdxReportPage*>(obj.get());
  if (!page) return std::make_unique<TqdxReportPage>();
  obj.release();
  return std::unique_ptr<TqdxReportPage>(page);
}

}  // namespace

// ---------------------------------------------------------------- outline

TqdxOutlineItem TqdxOutline::Item(int index) const {
  TqdxXMLItem* it = FCurrent->Items(index);
  TqdxOutlineItem r;
  r.Text = it->Prop("text");
  int64_t v;
  if (qdxTryStrToInt(it->Prop("page"), v)) r.Page = static_cast<int>(v);
  if (qdxTryStrToInt(it->Prop("top"), v)) r.Top = static_cast<int>(v);
  return r;
}

void TqdxOutline::AddItem(const std::string& text, int page, int top) {
  TqdxXMLItem* it = FCurrent->Add();
  it->SetName("item");
  it->SetProp("text", text);
  it->SetProp("page", std::to_string(page));
  it->SetProp("top", std::to_string(top));
  FCurrent = it;
}

// ---------------------------------------------------------------- container

TqdxPreviewPages::TqdxPreviewPages(TqdxReport* report) : TqdxCustomPreviewPages(report) {
  FDoc.Root()->SetName("preparedreport");
  FOutline = std::make_unique<TqdxOutline>(FDoc.Root()->FindItem("outline"));
  if (report && !report->PreviewPages) report->PreviewPages = this;
}

TqdxPreviewPages::~TqdxPreviewPages() {
  FPageCache.clear();
  if (Report() && Report()->PreviewPages == this) Report()->PreviewPages = nullptr;
}

void TqdxPreviewPages::Initialize() {
  if (!Report()) return;
  FPictureCache.SetPictureCacheInFile(Report()->GetPreviewOptions()->PictureCacheInFile);
  FPictureCache.SetTempDir(Report()->GetEngineOptions()->TempDir);
  FDoc.SetTempFolder(Report()->GetEngineOptions()->TempDir);
}

void TqdxPreviewPages::Clear() {
  FPageCache.clear();
  FSourcePages.clear();
  FDoc.Clear();
  FDoc.Root()->SetName("preparedreport");
  FOutline = std::make_unique<TqdxOutline>(FDoc.Root()->FindItem("outline"));
  FDictionary.Clear();
  FPostProcessor.clear();
  FPictureCache.Clear();
  FLoadErrors.clear();
  FChangedPageElements.clear();
  CurPage = -1;
}

TqdxXMLItem* TqdxPreviewPages::Section(const char* name) { return FDoc.Root()->FindItem(name); }
TqdxXMLItem* TqdxPreviewPages::PagesItem() { return Section("previewpages"); }

int TqdxPreviewPages::Count() { return PagesItem()->Count(); }

void TqdxPreviewPages::AddLoadError(const std::string& message) {
  for (const std::string& e : FLoadErrors)
    if (e == message) return;
  FLoadErrors.push_back(message);
}

bool TqdxPreviewPages::LoadFromFile(const std::string& fileName, bool raiseWhenMissing) {
  if (!raiseWhenMissing && !FileExists(fileName)) return false;
  auto stream = std::make_unique<TFileStream>(fileName, TFileMode::fmOpenRead);
  TStream& ref = *stream;
  LoadDocument(ref, std::move(stream));
  if (Report()) Report()->FileName = fileName;
  return true;
}

void TqdxPreviewPages::LoadFromStream(TStream& stream, bool) {
  // A borrowed stream cannot outlive the call, so it is read in full; only
  // LoadFromFile keeps its source open for partial loading.
  LoadDocument(stream, nullptr);
}

void TqdxPreviewPages::LoadDocument(TStream& stream, std::unique_ptr<TStream> owned) {
  Clear();
  Initialize();
  if (owned)
    FDoc.LoadFromStream(std::move(owned), true);
  else
    FDoc.LoadFromStream(stream);
  if (!qdxSameText(FDoc.Root()->Name(), "preparedreport")) {
    Clear();
    throw TqdxInvalidXMLException();
  }
  BuildContainers();
}

void TqdxPreviewPages::BuildContainers() {
  TqdxXMLItem* root = FDoc.Root();
  PagesItem();
  FOutline = std::make_unique<TqdxOutline>(Section("outline"));
  TqdxXMLSerializer s;
  s.LegacyText = FDoc.LegacyHeader();

  if (int i = root->Find("report"); i >= 0 && root->Items(i)->Count() > 0 && Report()) {
    s.Owner = Report();
    s.XMLToObj(root->Items(i)->Items(0)->Text(), *Report());
  }

  if (int i = root->Find("sourcepages"); i >= 0) {
    TqdxXMLItem* sp = root->Items(i);
    for (int k = 0; k < sp->Count(); ++k) {
      TqdxXMLItem* item = sp->Items(k);
      std::unique_ptr<TqdxReportPage> page =
          qdxSameText(item->Name(), "TqdxDMPPage") ? NewPageLike("TqdxDMPPage") : std::make_unique<TqdxReportPage>();
      TqdxXMLSerializer ps;
      ps.LegacyText = FDoc.LegacyHeader();
      ps.Owner = page.get();
      ps.ReadRootComponent(*page, item);
      for (const std::string& e : ps.Errors) AddLoadError(e);
      // Each source object keeps its stored form: building a page object then
      // costs one parse of it followed by the object's differences.
      for (TqdxComponent* obj : page->AllObjects()) obj->SetBaseName(ps.WriteComponentStr(*obj));
      FSourcePages.push_back(std::move(page));
    }
    sp->Clear();
  }

  FDictionary.Clear();
  if (int i = root->Find("dictionary"); i >= 0) {
    TqdxXMLItem* d = root->Items(i);
    for (int k = 0; k < d->Count(); ++k) {
      TqdxXMLItem* item = d->Items(k);
      std::string source = item->Prop("name");
      size_t dot = source.find('.');
      std::string pagePart = dot == std::string::npos ? source : source.substr(0, dot);
      int64_t index = -1;
      if (!StartsWithNoCase(pagePart, "Page") || !qdxTryStrToInt(pagePart.substr(4), index) || index < 0 ||
          index >= static_cast<int64_t>(FSourcePages.size()))
        throw std::runtime_error("Dictionary entry " + item->Name() + " names a missing source page (" + source + ")");
      TqdxComponent* obj =
          dot == std::string::npos ? nullptr : FSourcePages[static_cast<size_t>(index)]->FindObject(source.substr(dot + 1));
      FDictionary.Add(item->Name(), source, obj);
    }
  }

  if (int i = root->Find("picturecache"); i >= 0) {
    TqdxXMLItem* pc = root->Items(i);
    for (int k = 0; k < pc->Count(); ++k) {
      bool valid = true;
      FPictureCache.AddPictureFromHex(pc->Items(k)->Prop("stream"), &valid);
      if (!valid) AddLoadError("Picture " + std::to_string(k + 1) + " of the picture cache is damaged");
    }
  }

  if (int i = root->Find("postprocessing"); i >= 0) {
    TqdxXMLItem* pp = root->Items(i);
    for (int k = 0; k < pp->Count(); ++k) {
      TqdxPostProcessorList list;
      list.Name = pp->Items(k)->Name();
      for (int v = 0; v < pp->Items(k)->Count(); ++v) list.Values.push_back(Utf8ToUtf16(pp->Items(k)->Items(v)->Prop("cnt")));
      FPostProcessor.push_back(std::move(list));
    }
    delete pp;
  }
}

TqdxReportPage* TqdxPreviewPages::SourcePageOf(const std::string& elementName) const {
  int n = SourceIndexOf(elementName);
  if (n < 0 || n >= static_cast<int>(FSourcePages.size())) return nullptr;
  return FSourcePages[static_cast<size_t>(n)].get();
}

TqdxReportPage* TqdxPreviewPages::GetPage(int index) {
  if (index < 0 || index >= Count()) return nullptr;
  for (size_t i = 0; i < FPageCache.size(); ++i) {
    if (FPageCache[i].first != index) continue;
    std::swap(FPageCache[i], FPageCache[0]);
    return FPageCache[0].second.get();
  }
  TqdxXMLItem* item = PagesItem()->Items(index);
  if (!item->Loaded()) FDoc.LoadItem(item);
  std::unique_ptr<TqdxReportPage> page = BuildPage(*item);
  TqdxReportPage* result = page.get();
  FPageCache.insert(FPageCache.begin(), {index, std::move(page)});

  int limit = Report() ? Report()->GetPreviewOptions()->PagesInCache : 50;
  if (FPageCache.size() > 1 && static_cast<int>(FPageCache.size()) > limit) {
    int last = FPageCache.back().first;
    FPageCache.pop_back();  // the page's objects point into its element: free them first
    ReleasePageElement(last);
  }
  return result;
}

void TqdxPreviewPages::ClearPageCache() {
  std::vector<int> indices;
  indices.reserve(FPageCache.size());
  for (const auto& entry : FPageCache) indices.push_back(entry.first);
  FPageCache.clear();
  for (int index : indices) ReleasePageElement(index);
}

void TqdxPreviewPages::ReleasePageElement(int index) {
  if (index < 0 || index >= Count()) return;
  TqdxXMLItem* item = PagesItem()->Items(index);
  if (!item->Unloadable() || !item->Loaded()) return;
  if (FDoc.SwapIsSource()) {
    // Unchanged since it was read from the source file, which stays open:
    // reading it back later gives the same element. A changed one stays.
    if (!FChangedPageElements.count(item)) item->Clear();
    return;
  }
  if (Report() && Report()->GetEngineOptions()->UseFileCache) {
    try {
      FDoc.UnloadItem(item);
    } catch (const std::exception&) {
      // Keeping the element in memory is always correct, only larger.
    }
  }
}

void TqdxPreviewPages::PinPageElement(TqdxXMLItem* item) {
  TqdxXMLItem* pages = PagesItem();
  while (item && item->Parent() != pages) item = item->Parent();
  if (item) FChangedPageElements.insert(item);
}

int TqdxPreviewPages::LoadedPageElementCount() {
  TqdxXMLItem* pages = PagesItem();
  int n = 0;
  for (int i = 0; i < pages->Count(); ++i) n += pages->Items(i)->Loaded() ? 1 : 0;
  return n;
}

std::unique_ptr<TqdxReportPage> TqdxPreviewPages::BuildPage(TqdxXMLItem& item) {
  // Objects of other pages may have been freed with their cached page, so
  // only an object of the page being built can be merged into.
  for (TqdxPostProcessorList& list : FPostProcessor) list.LastObject = nullptr;
  TqdxXMLSerializer s;
  s.LegacyText = FDoc.LegacyHeader();
  const std::string& name = item.Name();
  if (qdxSameText(name, "TqdxReportPage") || qdxSameText(name, "TqdxDMPPage")) {
    std::unique_ptr<TqdxReportPage> page = NewPageLike(qdxSameText(name, "TqdxDMPPage") ? "TqdxDMPPage" : "TqdxReportPage");
    s.Owner = page.get();
    s.ReadRootComponent(*page, &item);
    for (const std::string& e : s.Errors) AddLoadError(e);
    return page;
  }
  TqdxReportPage* source = SourcePageOf(name);
  if (!source) throw std::runtime_error("Page element " + name + " names a missing source page");
  std::unique_ptr<TqdxReportPage> page = NewPageLike(source->ClassName());
  page->Assign(*source);
  page->Name = source->Name;
  s.Owner = page.get();
  if (item.Text().size() > 10) s.XMLToObj(item.Text(), *page);
  BuildObjects(s, item, *page, *page);
  return page;
}

const TqdxParsedAttributes& TqdxPreviewPages::ParsedBase(const TqdxComponent& source) {
  std::string base = source.GetBaseName();
  auto& slot = FParsedBases[&source];
  // The text is compared, not trusted by the address: source pages can be
  // replaced, and a new object may live where an old one did.
  if (!slot || slot->Source != base) slot = qdxParseAttributes(std::move(base));
  return *slot;
}

void TqdxPreviewPages::BuildObjects(TqdxXMLSerializer& s, TqdxXMLItem& item, TqdxComponent& parent,
                                    TqdxReportPage& page) {
  struct TWork {
    TqdxXMLItem* Item;
    TqdxComponent* Parent;
    int Depth;
  };
  std::vector<TWork> work;
  for (int i = item.Count() - 1; i >= 0; --i) work.push_back({item.Items(i), &parent, 1});
  std::string text;
  while (!work.empty()) {
    TWork w = work.back();
    work.pop_back();
    if (w.Depth > MaxObjectDepth) throw std::runtime_error("Objects of page " + page.Name + " are nested too deeply");
    const std::string& name = w.Item->Name();
    const TqdxDictionaryEntry* entry = FDictionary.Find(name);
    std::unique_ptr<TqdxComponent> obj;
    if (entry && entry->Object) {
      obj = s.ReadComponentParsed(&page, ParsedBase(*entry->Object), w.Item->Text());
      obj->Name = entry->Object->Name;
      if (auto* pic = qdxAs<TqdxPictureView>(obj.get())) {
        if (pic->GetPicture()->Empty() && pic->ImageIndex > 0)
          pic->GetPicture()->LoadFromFileBytes(FPictureCache.GetPictureBytes(pic->ImageIndex));
      }
    } else {
      text.assign(name).append(" ").append(w.Item->Text());
      obj = s.ReadComponentStr(&page, text);
    }
    if (auto* memo = qdxAs<TqdxCustomMemoView>(obj.get())) {
      if (memo->Highlights().Count() > 0 && memo->GetHighlight()->Active) {
        TqdxHighlight& h = *memo->GetHighlight();
        if (h.ApplyFont) memo->SetFont(*h.GetFont());
        if (h.ApplyFill) {
          memo->SetFillType(h.GetFillType());
          memo->GetFill()->Assign(*h.GetFill());
        }
        if (h.ApplyFrame) memo->GetFrame()->Assign(*h.GetFrame());
      }
    }
    TqdxComponent* placed = obj.get();
    OfferPostProcessing(placed, *w.Parent);
    if (!placed) continue;  // merged into an earlier object
    TqdxComponent* child = w.Parent->AddChild(std::move(obj));
    child->XMLItem = w.Item;
    for (int i = w.Item->Count() - 1; i >= 0; --i) work.push_back({w.Item->Items(i), child, w.Depth + 1});
  }
  for (const std::string& e : s.Errors) AddLoadError(e);
}

void TqdxPreviewPages::OfferPostProcessing(TqdxComponent*& obj, const TqdxComponent& parent) {
  if (FPostProcessor.empty()) return;
  auto* memo = dynamic_cast<TqdxCustomMemoView*>(obj);
  if (!memo) return;
  for (TqdxPostProcessorList& list : FPostProcessor) {
    if (!qdxSameText(list.Name, memo->Name)) continue;
    if (memo->Memo.empty()) return;
    int64_t k;
    if (!qdxTryStrToInt(Utf16ToUtf8(memo->Memo[0]), k) || k < 0 || k >= static_cast<int64_t>(list.Values.size())) return;
    const bool repeated = k == list.LastIndex;
    if (repeated && memo->Duplicates == dmClear) {
      memo->Memo.clear();
    } else {
      memo->SetText(list.Values[static_cast<size_t>(k)]);
    }
    if (repeated && (memo->Duplicates == dmHide || memo->Duplicates == dmMerge)) {
      if (memo->Duplicates == dmMerge && list.LastObject) {
        // The object is not placed yet: its position is measured from the
        // parent it is about to join.
        TqdxComponent* last = list.LastObject;
        last->SetHeight(parent.AbsTop() + memo->GetTop() + memo->GetHeight() - last->AbsTop());
      }
      obj = nullptr;
      return;
    }
    if (!repeated) {
      list.LastIndex = static_cast<int>(k);
      list.LastObject = memo;
    }
    return;
  }
}

std::pair<int, int> TqdxPreviewPages::GetPageSize(int index) {
  if (index < 0 || index >= Count()) return {0, 0};
  TqdxXMLItem* item = PagesItem()->Items(index);
  double w = 0, h = 0;
  if (qdxSameText(item->Name(), "TqdxReportPage") || qdxSameText(item->Name(), "TqdxDMPPage")) {
    if (TqdxReportPage* page = GetPage(index)) {
      w = page->GetWidth();
      h = page->GetHeight();
    }
    return {static_cast<int>(std::nearbyint(w)), static_cast<int>(std::nearbyint(h))};
  }
  if (TqdxReportPage* source = SourcePageOf(item->Name())) {
    w = source->GetWidth();
    h = source->GetHeight();
  }
  if (item->Text().size() > 10) {
    try {
      if (item->PropExists("PaperWidth")) w = qdxStrToFloat(item->Prop("PaperWidth")) * qd01cm;
      if (item->PropExists("PaperHeight")) h = qdxStrToFloat(item->Prop("PaperHeight")) * qd01cm;
    } catch (const EConvertError&) {
      // A damaged size keeps the source page's.
    }
  }
  return {static_cast<int>(std::nearbyint(w)), static_cast<int>(std::nearbyint(h))};
}

int TqdxPreviewPages::GetAnchorPage(const std::string& text) {
  int result = 1;
  int i = FDoc.Root()->Find("anchors");
  if (i < 0) return result;
  TqdxXMLItem* anchors = FDoc.Root()->Items(i);
  for (int k = 0; k < anchors->Count(); ++k) {
    TqdxXMLItem* a = anchors->Items(k);
    int64_t page;
    if (qdxSameText(a->Prop("text"), text) && qdxTryStrToInt(a->Prop("page"), page)) result = static_cast<int>(page) + 1;
  }
  return result;
}

void TqdxPreviewPages::AddAnchor(const std::string& text, int page, int top) {
  TqdxXMLItem* a = Section("anchors")->Add();
  a->SetName("item");
  a->SetProp("text", text);
  a->SetProp("page", std::to_string(page));
  a->SetProp("top", std::to_string(top));
}

// ---------------------------------------------------------------- saving

void TqdxPreviewPages::SaveToStream(TStream& stream) {
  TqdxXMLItem* root = FDoc.Root();
  PagesItem();
  TqdxXMLItem* rep = Section("report");
  rep->Clear();
  if (Report()) {
    TqdxXMLItem* r = rep->Add();
    r->SetName(Report()->ClassName());
    r->SetProp("DotMatrixReport", Report()->DotMatrixReport ? "1" : "0");
    r->SetProp("PreviewOptions.OutlineVisible", Report()->GetPreviewOptions()->OutlineVisible ? "1" : "0");
    r->SetProp("PreviewOptions.OutlineWidth", std::to_string(Report()->GetPreviewOptions()->OutlineWidth));
    r->SetProp("ReportOptions.Name", Report()->GetReportOptions()->Name);
  }
  TqdxXMLItem* sp = Section("sourcepages");
  sp->Clear();
  for (const auto& page : FSourcePages) {
    TqdxXMLSerializer s;
    s.Owner = page.get();
    TqdxXMLItem* el = sp->Add();
    s.WriteRootComponent(*page, true, el);
    // The root element carries no name of its own; built pages take the
    // source page's name, so keep it.
    if (!page->Name.empty()) {
      std::string text = el->Text();
      el->SetText(text.empty() ? "Name=\"" + StrToXML(page->Name) + "\"" : "Name=\"" + StrToXML(page->Name) + "\" " + text);
    }
  }
  TqdxXMLItem* dict = Section("dictionary");
  dict->Clear();
  FDictionary.ForEach([&](const std::string& name, const TqdxDictionaryEntry& e) {
    TqdxXMLItem* it = dict->Add();
    it->SetName(name);
    it->SetProp("name", e.SourceName);
  });
  TqdxXMLItem* pc = Section("picturecache");
  pc->Clear();
  std::string bytes;
  for (int i = 1; i <= FPictureCache.Count(); ++i) {
    FPictureCache.ReadPicture(i, bytes);
    TqdxXMLItem* it = pc->Add();
    it->SetName("item");
    it->SetText("stream=\"" + BytesToHex(bytes) + "\"");
  }
  if (!FPostProcessor.empty()) {
    TqdxXMLItem* pp = Section("postprocessing");
    pp->Clear();
    for (const TqdxPostProcessorList& list : FPostProcessor) {
      TqdxXMLItem* l = pp->Add();
      l->SetName(list.Name);
      for (const std::u16string& v : list.Values) {
        TqdxXMLItem* i = l->Add();
        i->SetName("i");
        i->SetProp("cnt", Utf16ToUtf8(v));
      }
    }
  }
  (void)root;
  FDoc.SetIndentOutput(false);
  FDoc.SaveToStream(stream);
  // The post-processing values live in the container, not in the document.
  if (int i = root->Find("postprocessing"); i >= 0) delete root->Items(i);
  // Source pages live as objects; their elements are rebuilt at each save.
  sp->Clear();
}

void TqdxPreviewPages::SaveToFile(const std::string& fileName) {
  TMemoryStream mem;
  SaveToStream(mem);
  if (!WriteFileAtomically(fileName, mem.Data())) throw EStreamError("Cannot create file \"" + fileName + "\"");
  if (Report()) Report()->FileName = fileName;
}

// ---------------------------------------------------------------- building

int TqdxPreviewPages::AddSourcePage(std::unique_ptr<TqdxReportPage> page) {
  TqdxXMLSerializer s;
  s.Owner = page.get();
  for (TqdxComponent* obj : page->AllObjects()) obj->SetBaseName(s.WriteComponentStr(*obj));
  FSourcePages.push_back(std::move(page));
  return static_cast<int>(FSourcePages.size()) - 1;
}

void TqdxPreviewPages::WriteObjects(TqdxComponent& parent, TqdxXMLItem& item, int sourceIndex) {
  struct TWork {
    TqdxComponent* Comp;
    TqdxXMLItem* Item;
  };
  std::vector<TWork> work;
  for (auto it = parent.Objects().rbegin(); it != parent.Objects().rend(); ++it) work.push_back({*it, &item});
  TqdxReportPage& source = *FSourcePages[static_cast<size_t>(sourceIndex)];
  while (!work.empty()) {
    TWork w = work.back();
    work.pop_back();
    TqdxComponent& obj = *w.Comp;
    if (!obj.GetVisible() || !obj.HasFlag(ofInPreparedPages)) continue;
    TqdxXMLItem* el = w.Item->Add();
    TqdxComponent* src = obj.Name.empty() ? nullptr : source.FindObject(obj.Name);
    if (src && src->ClassName() == obj.ClassName()) {
      std::string sourceName = "Page" + std::to_string(sourceIndex) + "." + src->Name;
      std::string shortName = FDictionary.ShortNameOf(sourceName);
      if (shortName.empty()) {
        // The letter of the class ("m" for memos, "b" for bands): BaseName
        // itself holds the source's stored form here.
        std::string base = LowerCase(qdxBaseNameOf(src->ClassName()).substr(0, 1));
        if (src->InheritsFrom("TqdxBand")) base = "b";
        shortName = FDictionary.CreateUniqueName(base.empty() ? "o" : base);
        FDictionary.Add(shortName, sourceName, src);
      }
      el->SetName(shortName);
      std::string diff = qdxDiff(obj, *src);
      el->SetText(diff.empty() ? diff : diff.substr(1));
    } else {
      TqdxXMLSerializer s;
      s.Owner = &obj;
      std::string full = s.ObjToXML(obj);
      el->SetName(obj.ClassName());
      el->SetText(full.empty() ? full : full.substr(1));
    }
    for (auto it = obj.Objects().rbegin(); it != obj.Objects().rend(); ++it) work.push_back({*it, el});
  }
}

void TqdxPreviewPages::AddPage(int sourceIndex, TqdxReportPage& page) {
  if (sourceIndex < 0 || sourceIndex >= static_cast<int>(FSourcePages.size()))
    throw std::out_of_range("no source page " + std::to_string(sourceIndex));
  TqdxXMLItem* pages = PagesItem();
  TqdxXMLItem* el = pages->Add();
  el->SetName("page" + std::to_string(sourceIndex));
  const TqdxReportPage& source = *FSourcePages[static_cast<size_t>(sourceIndex)];
  // Page-level differences (paper size and orientation) in full form.
  TqdxXMLSerializer s;
  s.Owner = &page;
  std::string diff;
  if (std::fabs(page.GetPaperWidth() - source.GetPaperWidth()) > qdxDiffTolerance ||
      std::fabs(page.GetPaperHeight() - source.GetPaperHeight()) > qdxDiffTolerance ||
      page.GetOrientation() != source.GetOrientation()) {
    diff = " Orientation=\"" + std::to_string(static_cast<int>(page.GetOrientation())) + "\" PaperWidth=\"" +
           qdxFloatToStr(page.GetPaperWidth()) + "\" PaperHeight=\"" + qdxFloatToStr(page.GetPaperHeight()) + "\"";
  }
  el->SetText(diff.empty() ? diff : diff.substr(1));
  // Pages after the second may be swapped out to keep memory bounded.
  if (pages->Count() > 2) el->SetUnloadable(true);
  WriteObjects(page, *el, sourceIndex);
  ++CurPage;
}

void TqdxPreviewPages::ModifyPage(int index, const TqdxReportPage& page) {
  if (index < 0 || index >= Count()) return;
  TqdxXMLItem* item = PagesItem()->Items(index);
  if (!item->Loaded()) FDoc.LoadItem(item);
  item->Clear();
  // Clearing a swappable element marks it swapped out; its new contents are here.
  item->SetLoaded(true);
  FChangedPageElements.insert(item);
  TqdxXMLSerializer s;
  s.Owner = const_cast<TqdxReportPage*>(&page);
  s.WriteRootComponent(page, true, item);
  for (size_t i = 0; i < FPageCache.size(); ++i)
    if (FPageCache[i].first == index) {
      FPageCache.erase(FPageCache.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
}

void TqdxPreviewPages::ModifyObject(TqdxComponent& object) {
  if (!object.XMLItem) return;
  PinPageElement(object.XMLItem);
  const TqdxDictionaryEntry* entry = FDictionary.Find(object.XMLItem->Name());
  if (entry && entry->Object) {
    std::string diff = qdxDiff(object, *entry->Object);
    object.XMLItem->SetText(diff.empty() ? diff : diff.substr(1));
  } else {
    TqdxXMLSerializer s;
    s.Owner = &object;
    std::string full = s.ObjToXML(object);
    object.XMLItem->SetText(full.empty() ? full : full.substr(1));
  }
}
