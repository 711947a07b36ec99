#include "document/qdxXML.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Streams.h"

namespace {

constexpr size_t kBufferSize = 4096;
constexpr std::string_view kUnloadMarker = " ld=\"0\"";

inline char UpCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpCase(a[i]) != UpCase(b[i])) return false;
  return true;
}

// First position p at which pattern starts, ignoring ASCII case, where p is the
// start of text or follows a space. This is the same as searching " " + pattern
// in " " + text upper-cased, without copying the text.
size_t FindAfterSpace(std::string_view text, std::string_view pattern) {
  const size_t n = text.size(), m = pattern.size();
  if (m > n) return std::string_view::npos;
  size_t p = 0;
  for (;;) {
    if (SameText(text.substr(p, m), pattern)) return p;
    const void* sp = std::memchr(text.data() + p, ' ', n - m - p);
    if (!sp) return std::string_view::npos;
    p = static_cast<size_t>(static_cast<const char*>(sp) - text.data()) + 1;
  }
}

// Position of the first letter of attribute name in text, or npos.
size_t FindAttribute(std::string_view text, std::string_view name) {
  std::string pattern;
  pattern.reserve(name.size() + 2);
  pattern.append(name).append("=\"");
  return FindAfterSpace(text, pattern);
}

// Removes the swap marker from an element's attribute text; returns whether it
// was there. The writer puts " ld=\"0\"" after the attributes, so for an
// element without other attributes the marker is the whole text (without the
// space, which separated it from the name); it is found there as well.
bool RemoveUnloadMarker(std::string& text) {
  size_t p = FindAfterSpace(text, kUnloadMarker.substr(1));
  if (p == std::string::npos) return false;
  if (p > 0)
    text.erase(p - 1, kUnloadMarker.size());
  else
    text.erase(0, kUnloadMarker.size() - 1);
  return true;
}

// Takes a trailing "/" off name or text; returns whether the tag was an empty
// element.
bool StripEmptyMark(std::string& name, std::string& text) {
  if (!name.empty() && name.back() == '/') {
    name.pop_back();
    return true;
  }
  if (!text.empty() && text.back() == '/') {
    text.pop_back();
    return true;
  }
  return false;
}

// Reads a swapped-out item back from the swap stream. The offset must lead to
// a start tag of the item's own name, else the swap data does not belong to it.
void ReadBack(TStream& swap, TqdxXMLItem& item) {
  if (item.Offset() < 0 || item.Offset() >= swap.Size()) throw TqdxInvalidXMLException();
  item.Clear();
  try {
    TqdxXMLReader reader(swap);
    reader.SetPosition(item.Offset());
    if (!reader.ReadRootItem(item, true, true)) throw TqdxInvalidXMLException();
  } catch (...) {
    item.Clear();
    throw;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// TqdxXMLItem

TqdxXMLItem::~TqdxXMLItem() {
  FreeChildren();
  if (FParent) {
    auto& list = FParent->FItems;
    auto it = std::find(list.begin(), list.end(), this);
    if (it != list.end()) list.erase(it);
  }
}

// Frees the subtree with a heap stack: trees can be arbitrarily deep.
void TqdxXMLItem::FreeChildren() {
  if (FItems.empty()) return;
  std::vector<TqdxXMLItem*> pending = std::move(FItems);
  FItems = {};
  while (!pending.empty()) {
    TqdxXMLItem* item = pending.back();
    pending.pop_back();
    pending.insert(pending.end(), item->FItems.begin(), item->FItems.end());
    item->FItems.clear();
    item->FParent = nullptr;
    delete item;
  }
}

void TqdxXMLItem::Clear() {
  FreeChildren();
  if (FUnloadable) FLoaded = false;
}

void TqdxXMLItem::Adopt(TqdxXMLItem* item) {
  FItems.push_back(item);
  item->FParent = this;
}

TqdxXMLItem* TqdxXMLItem::Add() {
  auto item = std::make_unique<TqdxXMLItem>();
  Adopt(item.get());
  return item.release();
}

void TqdxXMLItem::AddItem(TqdxXMLItem* item) {
  if (!item) throw std::invalid_argument("AddItem: no item");
  for (const TqdxXMLItem* p = this; p; p = p->FParent)
    if (p == item) throw std::invalid_argument("AddItem: an item cannot become its own descendant");
  TqdxXMLItem* old = item->FParent;
  FItems.push_back(item);  // first, so that a failure leaves the item where it was
  if (old) {
    // When old is this item, the first occurrence is the old place.
    auto& list = old->FItems;
    list.erase(std::find(list.begin(), list.end(), item));
  }
  item->FParent = this;
}

void TqdxXMLItem::AddItem(std::unique_ptr<TqdxXMLItem> item) {
  AddItem(item.get());
  item.release();
}

void TqdxXMLItem::InsertItem(int index, TqdxXMLItem* item) {
  int limit = Count() - (item && item->FParent == this ? 1 : 0);
  if (index < 0 || index > limit) throw std::out_of_range("InsertItem: index out of range");
  AddItem(item);
  std::rotate(FItems.begin() + index, FItems.end() - 1, FItems.end());
}

int TqdxXMLItem::IndexOf(const TqdxXMLItem* item) const {
  auto it = std::find(FItems.begin(), FItems.end(), item);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

int TqdxXMLItem::Find(std::string_view name) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (SameText(FItems[i]->FName, name)) return static_cast<int>(i);
  return -1;
}

TqdxXMLItem* TqdxXMLItem::FindItem(std::string_view name) {
  int i = Find(name);
  if (i >= 0) return FItems[static_cast<size_t>(i)];
  TqdxXMLItem* item = Add();
  item->FName = name;
  return item;
}

std::string TqdxXMLItem::Prop(std::string_view name) const {
  size_t p = FindAttribute(FText, name);
  if (p == std::string::npos) return {};
  size_t start = p + name.size() + 2;
  size_t end = FText.find('"', start);
  // An unclosed value runs to the end of the text.
  if (end == std::string::npos) end = FText.size();
  return XMLToStr(std::string_view(FText).substr(start, end - start));
}

bool TqdxXMLItem::PropExists(std::string_view name) const {
  return FindAttribute(FText, name) != std::string::npos;
}

void TqdxXMLItem::SetProp(std::string_view name, std::string_view value) {
  std::string attr;
  std::string escaped = StrToXML(value);
  attr.reserve(name.size() + escaped.size() + 3);
  attr.append(name).append("=\"").append(escaped).append("\"");
  size_t p = FindAttribute(FText, name);
  if (p != std::string::npos) {
    size_t q = FText.find('"', p + name.size() + 2);
    size_t end = q == std::string::npos ? FText.size() : q + 1;
    FText.replace(p, end - p, attr);
  } else {
    if (!FText.empty() && FText.back() != ' ') FText += ' ';
    FText += attr;
  }
}

// ---------------------------------------------------------------------------
// TqdxXMLReader

TqdxXMLReader::TqdxXMLReader(TStream& stream) : FStream(stream), FBufferStart(stream.Position()) {}

TqdxXMLReader::~TqdxXMLReader() {
  try {
    FStream.SetPosition(Position());
  } catch (...) {
    // A destructor must not throw; the position is only a courtesy.
  }
}

void TqdxXMLReader::SetPosition(int64_t position) {
  FStream.SetPosition(position);
  FBufferStart = position;
  FBufferPos = FBufferLen = 0;
}

bool TqdxXMLReader::FillBuffer() {
  FBufferStart += static_cast<int64_t>(FBufferLen);
  FBufferPos = 0;
  FBufferLen = FStream.Read(FBuffer, kBufferSize);
  return FBufferLen > 0;
}

bool TqdxXMLReader::Eof() { return FBufferPos >= FBufferLen && !FillBuffer(); }

void TqdxXMLReader::SplitTag(const char* p, size_t len, std::string& name, std::string& text) {
  if (len > 0 && p[len - 1] == ' ') --len;
  const char* sp = static_cast<const char*>(std::memchr(p, ' ', len));
  if (!sp) {
    name.assign(p, len);
    text.clear();
  } else {
    name.assign(p, static_cast<size_t>(sp - p));
    text.assign(sp + 1, static_cast<size_t>(p + len - sp - 1));
  }
}

// Skips a comment after its "<!--". It ends at a ">" preceded by exactly two
// hyphens (counted from the last non-hyphen after the opening "!--"), so
// "-->" closes it and "--->" does not.
void TqdxXMLReader::SkipComment() {
  int hyphens = 0;
  for (;;) {
    if (FBufferPos >= FBufferLen && !FillBuffer()) throw TqdxInvalidXMLException();
    char c = FBuffer[FBufferPos++];
    if (c == '-') {
      ++hyphens;
    } else {
      if (c == '>' && hyphens == 2) return;
      hyphens = 0;
    }
  }
}

bool TqdxXMLReader::ReadItem(std::string& name, std::string& text) {
  for (;;) {
    // Outside a tag: skip everything up to the next "<".
    for (;;) {
      if (FBufferPos >= FBufferLen && !FillBuffer()) {
        name.clear();
        text.clear();
        return false;
      }
      const char* b = FBuffer + FBufferPos;
      const void* lt = std::memchr(b, '<', FBufferLen - FBufferPos);
      if (lt) {
        FBufferPos += static_cast<size_t>(static_cast<const char*>(lt) - b) + 1;
        break;
      }
      FBufferPos = FBufferLen;
    }

    // The usual case: the whole tag is in the buffer.
    {
      const char* b = FBuffer + FBufferPos;
      size_t avail = FBufferLen - FBufferPos;
      const char* gt = static_cast<const char*>(std::memchr(b, '>', avail));
      if (gt) {
        size_t len = static_cast<size_t>(gt - b);
        if (len >= 3 && b[0] == '!' && b[1] == '-' && b[2] == '-') {
          FBufferPos += 3;
          SkipComment();
          continue;
        }
        if (std::memchr(b, '<', len)) throw TqdxInvalidXMLException();
        SplitTag(b, len, name, text);
        FBufferPos += len + 1;
        return true;
      }
    }

    // The tag runs past the buffer: collect it piece by piece.
    FTag.clear();
    bool comment = false;
    while (FTag.size() < 3) {  // the first three characters decide about comments
      if (FBufferPos >= FBufferLen && !FillBuffer()) throw TqdxInvalidXMLException();
      char c = FBuffer[FBufferPos++];
      if (c == '<') throw TqdxInvalidXMLException();
      if (c == '>') break;
      FTag += c;
      if (FTag == "!--") comment = true;
    }
    if (comment) {
      SkipComment();
      continue;
    }
    if (FTag.size() == 3) {
      for (;;) {
        if (FBufferPos >= FBufferLen && !FillBuffer()) throw TqdxInvalidXMLException();
        const char* b = FBuffer + FBufferPos;
        size_t avail = FBufferLen - FBufferPos;
        const char* gt = static_cast<const char*>(std::memchr(b, '>', avail));
        size_t len = gt ? static_cast<size_t>(gt - b) : avail;
        if (std::memchr(b, '<', len)) throw TqdxInvalidXMLException();
        if (FTag.capacity() < FTag.size() + len)
          FTag.reserve((FTag.size() + len + kBufferSize) / kBufferSize * kBufferSize);
        FTag.append(b, len);
        FBufferPos += len;
        if (gt) {
          ++FBufferPos;
          break;
        }
      }
    }
    SplitTag(FTag.data(), FTag.size(), name, text);
    return true;
  }
}

bool TqdxXMLReader::ReadHeader() {
  std::string name, text;
  ReadItem(name, text);
  if (name.compare(0, 4, "?xml") != 0) throw TqdxInvalidXMLException();
  std::string version;
  size_t p = text.find("version=");
  if (p != std::string::npos && p + 9 <= text.size()) version = text.substr(p + 9, 3);
  return version == "1.0" && text.find("standalone=") == std::string::npos;
}

bool TqdxXMLReader::ReadRootItem(TqdxXMLItem& item, bool readChildren, bool keepUnloadable) {
  // An element whose children are still being read. Below an element that is
  // left swapped out no items are made; only names are kept to match end tags.
  struct TFrame {
    TqdxXMLItem* Item;     // null below a swapped-out element
    bool SkipChildren;     // children are read but not kept
    int64_t Start;         // position before the start tag
    std::string SkipName;  // element name when Item is null
  };
  auto leaveSwappedOut = [](TqdxXMLItem* it, int64_t start) {
    it->FreeChildren();
    it->FOffset = start;
    it->FUnloadable = true;
    it->FLoaded = false;
  };

  int64_t start = Position();
  ReadItem(FName, FText);
  bool store = item.FName.empty() || item.FLoaded;
  if (FName.empty() || FName[0] == '/') {
    if (store) {
      item.FName = FName;
      item.FText = FText;
    }
    return false;
  }
  bool empty = StripEmptyMark(FName, FText);
  if (store) {
    item.FName = FName;
    item.FText = FText;
  } else if (!SameText(FName, item.FName)) {
    // Re-reading a swapped-out element: its offset led somewhere else.
    throw TqdxInvalidXMLException();
  }
  bool marked = RemoveUnloadMarker(item.FText);
  if (marked && keepUnloadable) item.FUnloadable = true;
  bool skip = marked && !readChildren;
  if (empty) {
    if (skip) leaveSwappedOut(&item, start);
    return true;
  }

  std::vector<TFrame> stack;
  stack.push_back({&item, skip, start, {}});
  while (!stack.empty()) {
    int64_t pos = Position();
    bool got = ReadItem(FName, FText);
    if (FName.empty() || FName[0] == '/') {
      TFrame& f = stack.back();
      // A missing end tag is accepted when the stream has ended, so that a
      // truncated document loads as far as it goes.
      if (got) {
        const std::string& open = f.Item ? f.Item->FName : f.SkipName;
        if (FName.empty() || !SameText(std::string_view(FName).substr(1), open))
          throw TqdxInvalidXMLException();
      }
      if (f.Item && f.SkipChildren) leaveSwappedOut(f.Item, f.Start);
      stack.pop_back();
      continue;
    }
    empty = StripEmptyMark(FName, FText);
    TFrame& f = stack.back();
    if (f.SkipChildren) {
      if (!empty) stack.push_back({nullptr, true, pos, FName});
      continue;
    }
    TqdxXMLItem* child = new TqdxXMLItem;
    try {
      f.Item->FItems.push_back(child);
    } catch (...) {
      delete child;
      throw;
    }
    child->FParent = f.Item;
    child->FName = std::move(FName);
    child->FText = std::move(FText);
    marked = RemoveUnloadMarker(child->FText);
    if (marked && keepUnloadable) child->FUnloadable = true;
    skip = marked && !readChildren;
    if (!empty)
      stack.push_back({child, skip, pos, {}});
    else if (skip)
      leaveSwappedOut(child, pos);
  }
  return true;
}

// ---------------------------------------------------------------------------
// TqdxXMLWriter

TqdxXMLWriter::TqdxXMLWriter(TStream& stream, TStream* swapStream, bool indentOutput)
    : FStream(stream), FSwapStream(swapStream), FIndentOutput(indentOutput) {
  FBuffer.reserve(2 * kBufferSize);
}

void TqdxXMLWriter::WriteHeader() {
  static constexpr std::string_view header = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";
  FStream.WriteBuffer(header.data(), header.size());
}

void TqdxXMLWriter::Flush() {
  if (FBuffer.empty()) return;
  FStream.WriteBuffer(FBuffer.data(), FBuffer.size());
  FBuffer.clear();
}

void TqdxXMLWriter::EndLine() {
  if (FIndentOutput) FBuffer += "\r\n";
  if (FBuffer.size() > kBufferSize) Flush();
}

void TqdxXMLWriter::WriteItem(const TqdxXMLItem& item, int level) {
  if (FIndentOutput) FBuffer.append(static_cast<size_t>(level), ' ');
  FBuffer += '<';
  FBuffer += item.Name();
  const std::string& text = item.Text();
  bool hasAttributes = !text.empty() || item.Unloadable();
  if (hasAttributes) {
    char first = text.empty() ? kUnloadMarker[0] : text[0];
    if (first != ' ') FBuffer += ' ';
    FBuffer += text;
    if (item.Unloadable()) FBuffer += kUnloadMarker;
  }
  if (item.Count() > 0) {
    FBuffer += '>';
  } else if (!item.Value().empty()) {
    FBuffer += '>';
    FBuffer += item.Value();
    FBuffer += "</";
    FBuffer += item.Name();
    FBuffer += '>';
  } else {
    FBuffer += "/>";
  }
  EndLine();
}

void TqdxXMLWriter::WriteRootItem(TqdxXMLItem& item) {
  struct TFrame {
    TqdxXMLItem* Item;
    int Next;       // next child to write
    int Level;
    bool ReadBack;  // swapped out: read back for writing, cleared afterwards
  };
  std::vector<TFrame> stack;
  const int step = FIndentOutput ? 2 : 0;

  // Writes an item's start tag; returns whether its children follow.
  auto start = [&](TqdxXMLItem* it, int level) {
    bool readBack = false;
    if (FSwapStream && it->Unloadable() && !it->Loaded()) {
      ReadBack(*FSwapStream, *it);
      readBack = true;
    }
    WriteItem(*it, level);
    if (it->Count() > 0)
      stack.push_back({it, 0, level, readBack});
    else if (readBack)
      it->Clear();
  };

  try {
    start(&item, 0);
    while (!stack.empty()) {
      TFrame& f = stack.back();
      if (f.Next < f.Item->Count()) {
        TqdxXMLItem* child = f.Item->Items(f.Next++);
        start(child, f.Level + step);
        continue;
      }
      if (FIndentOutput) FBuffer.append(static_cast<size_t>(f.Level), ' ');
      FBuffer += "</";
      FBuffer += f.Item->Name();
      FBuffer += '>';
      EndLine();
      if (f.ReadBack) f.Item->Clear();
      stack.pop_back();
    }
  } catch (...) {
    // Leave elements that were read back for writing swapped out again.
    for (TFrame& f : stack)
      if (f.ReadBack) f.Item->Clear();
    throw;
  }
  Flush();
}

// ---------------------------------------------------------------------------
// TqdxXMLDocument

TqdxXMLDocument::TqdxXMLDocument() : FRoot(std::make_unique<TqdxXMLItem>()) {}

TqdxXMLDocument::~TqdxXMLDocument() = default;

void TqdxXMLDocument::DeleteSwapStream() {
  FSwapStream.reset();
  FSwapIsSource = false;
  FSourceDevice = FSourceInode = 0;
}

void TqdxXMLDocument::Clear() {
  FRoot->Clear();
  DeleteSwapStream();
}

// The swap file is unlinked as soon as it is open, so nothing is left behind
// whatever way the program ends.
void TqdxXMLDocument::CreateSwapFile() {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path folder;
  if (!FTempFolder.empty() && fs::is_directory(FTempFolder, ec))
    folder = FTempFolder;
  else
    folder = fs::temp_directory_path();
  std::string name = (folder / "qdxswap.XXXXXX").string();
  int fd = ::mkstemp(name.data());
  if (fd < 0) throw EFOpenError("Cannot create file \"" + name + "\". " + std::strerror(errno));
  ::close(fd);
  try {
    FSwapStream = std::make_unique<TFileStream>(name, TFileMode::fmOpenReadWrite);
  } catch (...) {
    ::unlink(name.c_str());
    throw;
  }
  ::unlink(name.c_str());
  FSwapIsSource = false;
}

void TqdxXMLDocument::LoadFromReader(TStream& stream, bool allowPartialLoading) {
  DeleteSwapStream();
  FRoot->Clear();
  FRoot->SetLoaded(true);
  FRoot->SetOffset(0);
  TqdxXMLReader reader(stream);
  FLegacyHeader = reader.ReadHeader();
  // Markers survive a full load too, so that saving the document again keeps
  // its pages swappable.
  reader.ReadRootItem(*FRoot, !allowPartialLoading, true);
}

void TqdxXMLDocument::LoadFromStream(TStream& stream) { LoadFromReader(stream, false); }

void TqdxXMLDocument::LoadFromStream(std::unique_ptr<TStream> stream, bool allowPartialLoading) {
  if (!stream) throw std::invalid_argument("LoadFromStream: no stream");
  LoadFromReader(*stream, allowPartialLoading);
  if (!allowPartialLoading) return;
  if (auto* file = dynamic_cast<TFileStream*>(stream.get())) {
    struct stat st {};
    if (::stat(file->FileName().c_str(), &st) == 0) {
      FSourceDevice = st.st_dev;
      FSourceInode = st.st_ino;
    }
  }
  FSwapStream = std::move(stream);
  FSwapIsSource = true;
}

void TqdxXMLDocument::LoadFromFile(const std::string& fileName) {
  LoadFromStream(std::make_unique<TFileStream>(fileName, TFileMode::fmOpenRead), true);
}

void TqdxXMLDocument::SaveToStream(TStream& stream) {
  TqdxXMLWriter writer(stream, FSwapStream.get(), FIndentOutput);
  writer.WriteHeader();
  writer.WriteRootItem(*FRoot);
}

// Reads every swapped-out element back, so that the swap stream is no longer
// needed.
void TqdxXMLDocument::LoadAllItems() {
  std::vector<TqdxXMLItem*> pending{FRoot.get()};
  while (!pending.empty()) {
    TqdxXMLItem* item = pending.back();
    pending.pop_back();
    if (item->Unloadable() && !item->Loaded()) {
      LoadItem(item);  // reads the whole subtree
      continue;
    }
    for (int i = 0; i < item->Count(); ++i) pending.push_back(item->Items(i));
  }
}

void TqdxXMLDocument::SaveToFile(const std::string& fileName) {
  // Creating the file truncates it; when it is the source that swapped-out
  // elements are still read from, they would be lost. Read them all first.
  if (FSwapIsSource && FSourceInode != 0) {
    struct stat st {};
    if (::stat(fileName.c_str(), &st) == 0 && static_cast<uint64_t>(st.st_dev) == FSourceDevice &&
        static_cast<uint64_t>(st.st_ino) == FSourceInode) {
      LoadAllItems();
      DeleteSwapStream();
    }
  }
  TFileStream file(fileName, TFileMode::fmCreate);
  SaveToStream(file);
}

void TqdxXMLDocument::LoadItem(TqdxXMLItem* item) {
  if (!item || !FSwapStream || item->Loaded() || !item->Unloadable()) return;
  ReadBack(*FSwapStream, *item);
  item->SetLoaded(true);
}

void TqdxXMLDocument::UnloadItem(TqdxXMLItem* item) {
  if (!item || !item->Loaded() || !item->Unloadable()) return;
  if (FSwapIsSource)
    throw std::logic_error("Cannot swap out an element of a partially loaded document");
  if (!FSwapStream) CreateSwapFile();
  // The element is written to memory first: swapped-out descendants are read
  // back from the same swap file while it is written.
  TMemoryStream xml;
  TqdxXMLWriter writer(xml, FSwapStream.get(), false);
  writer.WriteRootItem(*item);
  int64_t offset = FSwapStream->Seek(0, TSeekOrigin::soEnd);
  FSwapStream->WriteBuffer(xml.Data().data(), xml.Data().size());
  item->SetOffset(offset);
  item->Clear();
}

// ---------------------------------------------------------------------------
// String functions

std::string StrToXML(std::string_view s) {
  static constexpr auto special = [] {
    std::array<bool, 256> t{};
    for (unsigned char c : {0, 10, 13, 34, 38, 60, 62}) t[c] = true;
    return t;
  }();
  size_t i = 0;
  while (i < s.size() && !special[static_cast<unsigned char>(s[i])]) ++i;
  if (i == s.size()) return std::string(s);

  const bool longString = s.size() >= 32;
  std::string out;
  out.reserve(s.size() + s.size() / 4 + 8);
  out.append(s.data(), i);
  for (; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (!special[c]) {
      out += static_cast<char>(c);
      continue;
    }
    switch (c) {
      case 0:
        out += longString ? " " : "&#0;";
        break;
      case 10: out += "&#10;"; break;
      case 13: out += "&#13;"; break;
      case 34: out += "&#34;"; break;
      case 38:
        // An already escaped quote is not escaped twice.
        if (s.substr(i, 6) == "&quot;") {
          out += "&#34;";
          i += 5;
        } else {
          out += "&#38;";
        }
        break;
      case 60: out += "&#60;"; break;
      default: out += "&#62;"; break;
    }
  }
  return out;
}

// "&#" + digits + ";" gives the byte of that code (low 8 bits). A reference that
// is not that (no digits, other characters, no ";", a number beyond 32 bits) is
// kept unchanged like any other unknown "&" sequence: the text is not lost and
// one bad value does not stop a whole document from loading.
std::string XMLToStr(std::string_view s) {
  const void* amp = std::memchr(s.data(), '&', s.size());
  if (!amp) return std::string(s);
  size_t i = static_cast<size_t>(static_cast<const char*>(amp) - s.data());
  std::string out;
  out.reserve(s.size());
  out.append(s.data(), i);
  const size_t n = s.size();
  while (i < n) {
    char c = s[i];
    if (c != '&' || i + 1 == n) {
      out += c;
      ++i;
      continue;
    }
    if (s[i + 1] == '#') {
      size_t j = i + 2;
      uint64_t code = 0;
      while (j < n && s[j] >= '0' && s[j] <= '9' && code <= INT32_MAX) {
        code = code * 10 + static_cast<uint64_t>(s[j] - '0');
        ++j;
      }
      if (j > i + 2 && j < n && s[j] == ';' && code <= INT32_MAX) {
        out += static_cast<char>(code & 0xFF);
        i = j + 1;
        continue;
      }
    } else {
      std::string_view rest = s.substr(i);
      char r = 0;
      size_t len = 0;
      if (rest.starts_with("&quot;")) r = '"', len = 6;
      else if (rest.starts_with("&amp;")) r = '&', len = 5;
      else if (rest.starts_with("&lt;")) r = '<', len = 4;
      else if (rest.starts_with("&gt;")) r = '>', len = 4;
      if (len) {
        out += r;
        i += len;
        continue;
      }
    }
    out += '&';
    ++i;
  }
  return out;
}

std::string ValueToXML(const TqdxXMLValue& value) {
  char buf[64];
  if (auto* i = std::get_if<int64_t>(&value)) {
    auto r = std::to_chars(buf, buf + sizeof buf, *i);
    return std::string(buf, r.ptr);
  }
  if (auto* d = std::get_if<double>(&value)) {
    auto r = std::to_chars(buf, buf + sizeof buf, *d, std::chars_format::general);
    return std::string(buf, r.ptr);
  }
  if (auto* s = std::get_if<std::string>(&value)) return StrToXML(*s);
  if (auto* b = std::get_if<bool>(&value)) return *b ? "1" : "0";
  return {};
}
