#pragma once
// The small XML tree in which prepared reports, report templates and their
// parts are read and written. Elements keep their attributes as one raw,
// still-escaped string and attributes are found by text search, so loading a
// large document does no per-attribute work. Character data between tags is
// skipped. Strings are 8-bit and never transcoded here.
//
// An element marked Unloadable can be swapped out to a temporary file and read
// back on demand, which keeps memory bounded for documents of many pages.
//
// Nothing in this unit recurses over the tree: reading, writing and freeing
// a tree of any depth use heap stacks, so hostile nesting cannot overflow the
// call stack.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

class TStream;
class TqdxXMLDocument;
class TqdxXMLReader;
class TqdxXMLWriter;

// Malformed input; the message is always "Invalid file format".
class TqdxInvalidXMLException : public std::runtime_error {
public:
  TqdxInvalidXMLException() : std::runtime_error("Invalid file format") {}
};

class TqdxXMLItem {
public:
  TqdxXMLItem() = default;
  // Frees the subtree and removes the item from its parent's list.
  ~TqdxXMLItem();
  TqdxXMLItem(const TqdxXMLItem&) = delete;
  TqdxXMLItem& operator=(const TqdxXMLItem&) = delete;

  // A new child appended at the end.
  TqdxXMLItem* Add();
  // Appends an item, first taking it out of its previous parent's list. The
  // item is owned by this one afterwards: pass a child of some item, or a free
  // item allocated with new. Raises std::invalid_argument for a null item,
  // this item itself or one of its ancestors (that would make a cycle).
  void AddItem(TqdxXMLItem* item);
  void AddItem(std::unique_ptr<TqdxXMLItem> item);
  // AddItem, then moves the item from the end to index (0..Count after the
  // removal from its old place); std::out_of_range otherwise, with no change.
  void InsertItem(int index, TqdxXMLItem* item);

  // Child by index; std::out_of_range outside 0..Count-1.
  TqdxXMLItem* Items(int index) const { return FItems.at(static_cast<size_t>(index)); }
  int Count() const { return static_cast<int>(FItems.size()); }
  int IndexOf(const TqdxXMLItem* item) const;
  // Index of the first child whose Name equals name ignoring ASCII case, or -1.
  int Find(std::string_view name) const;
  // That child, or a new child of that name appended when there is none.
  TqdxXMLItem* FindItem(std::string_view name);

  // Decoded value of an attribute (name matched whole, ignoring ASCII case),
  // or "" when absent.
  std::string Prop(std::string_view name) const;
  // Replaces the attribute's value in place, or appends name="value".
  void SetProp(std::string_view name, std::string_view value);
  bool PropExists(std::string_view name) const;

  // Frees all children; an Unloadable item becomes not Loaded.
  void Clear();

  TqdxXMLItem* Parent() const { return FParent; }
  const std::string& Name() const { return FName; }
  void SetName(std::string name) { FName = std::move(name); }
  // The attribute list exactly as written in the start tag, values escaped.
  const std::string& Text() const { return FText; }
  void SetText(std::string text) { FText = std::move(text); }
  // Character content, written unescaped between start and end tag when the
  // item has no children. The reader never fills it.
  const std::string& Value() const { return FValue; }
  void SetValue(std::string value) { FValue = std::move(value); }
  // Where the element's XML can be read again while it is swapped out.
  int64_t Offset() const { return FOffset; }
  void SetOffset(int64_t offset) { FOffset = offset; }
  bool Loaded() const { return FLoaded; }
  void SetLoaded(bool loaded) { FLoaded = loaded; }
  bool Unloadable() const { return FUnloadable; }
  void SetUnloadable(bool unloadable) { FUnloadable = unloadable; }

private:
  friend class TqdxXMLReader;
  void Adopt(TqdxXMLItem* item);
  void FreeChildren();

  std::string FName;
  std::string FText;
  std::string FValue;
  TqdxXMLItem* FParent = nullptr;
  std::vector<TqdxXMLItem*> FItems;  // owned
  int64_t FOffset = 0;
  bool FLoaded = true;
  bool FUnloadable = false;
};

class TqdxXMLDocument {
public:
  TqdxXMLDocument();
  ~TqdxXMLDocument();
  TqdxXMLDocument(const TqdxXMLDocument&) = delete;
  TqdxXMLDocument& operator=(const TqdxXMLDocument&) = delete;

  // Owned by the document: never pass it to AddItem.
  TqdxXMLItem* Root() const { return FRoot.get(); }
  // Clears Root and deletes the swap stream.
  void Clear();

  // Reads a whole document from the stream's current position; afterwards the
  // stream stands just after the last character consumed.
  void LoadFromStream(TStream& stream);
  // The same with an owned stream. With partial loading, elements marked
  // ld="0" are left swapped out and the stream is kept as the swap stream
  // until Clear, the next load or destruction; otherwise it is freed.
  void LoadFromStream(std::unique_ptr<TStream> stream, bool allowPartialLoading);
  // Writes the header line and the tree under Root. Swapped-out elements are
  // written in full and stay swapped out.
  void SaveToStream(TStream& stream);
  // Opens the file read-only and loads it with partial loading allowed.
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);

  // Reads a swapped-out item back (children included). Raises
  // TqdxInvalidXMLException when its Offset does not lead to its element.
  void LoadItem(TqdxXMLItem* item);
  // Appends a Loaded, Unloadable item's XML to the swap file and clears the
  // item. Refused (std::logic_error) while the swap stream is the source of a
  // partial load, which is opened read-only.
  void UnloadItem(TqdxXMLItem* item);
  // True while swapped-out elements are read from the partially loaded
  // source itself: an unchanged element read from it can simply be cleared
  // again (Clear on the item), as its bytes stay there.
  bool SwapIsSource() const { return FSwapIsSource; }

  // One tag per line, ended by CR LF and indented by two spaces per level.
  bool IndentOutput() const { return FIndentOutput; }
  void SetIndentOutput(bool value) { FIndentOutput = value; }
  // Folder of the swap file; empty or missing means the system's temp folder.
  const std::string& TempFolder() const { return FTempFolder; }
  void SetTempFolder(std::string folder) { FTempFolder = std::move(folder); }
  // True when the last loaded header said version 1.0 without standalone=.
  bool LegacyHeader() const { return FLegacyHeader; }
  void SetLegacyHeader(bool value) { FLegacyHeader = value; }

private:
  void DeleteSwapStream();
  void CreateSwapFile();
  void LoadFromReader(TStream& stream, bool allowPartialLoading);
  void LoadAllItems();

  std::unique_ptr<TqdxXMLItem> FRoot;
  std::unique_ptr<TStream> FSwapStream;
  bool FSwapIsSource = false;     // the swap stream is a partially loaded source
  uint64_t FSourceDevice = 0;     // identity of that source when it is a file
  uint64_t FSourceInode = 0;
  bool FIndentOutput = false;
  bool FLegacyHeader = true;
  std::string FTempFolder;
};

class TqdxXMLReader {
public:
  // Reads from the stream's current position.
  explicit TqdxXMLReader(TStream& stream);
  // Puts the stream just after the last character consumed.
  ~TqdxXMLReader();
  TqdxXMLReader(const TqdxXMLReader&) = delete;
  TqdxXMLReader& operator=(const TqdxXMLReader&) = delete;

  // Reads the first tag, which must be the "?xml" header; returns whether it
  // is a legacy header (version 1.0, no standalone attribute).
  bool ReadHeader();
  // Reads one tag, skipping character data and comments. Returns false with
  // empty name and text when the stream ends outside a tag.
  bool ReadItem(std::string& name, std::string& text);
  // Reads one element with its subtree into item. Returns false ("end") when
  // the tag read is a closing tag or the stream has ended. With readChildren
  // false, elements marked ld="0" are left swapped out at their offsets.
  // keepUnloadable: elements read in full that carry the marker are made
  // Unloadable, as when a swapped-out element is read back, so that swapping
  // out and in again changes nothing.
  bool ReadRootItem(TqdxXMLItem& item, bool readChildren, bool keepUnloadable = false);
  // Seeks the stream and empties the buffer.
  void SetPosition(int64_t position);
  int64_t Position() const { return FBufferStart + static_cast<int64_t>(FBufferPos); }
  bool Eof();

private:
  bool FillBuffer();
  void SkipComment();
  static void SplitTag(const char* p, size_t len, std::string& name, std::string& text);

  TStream& FStream;
  int64_t FBufferStart;  // stream position of FBuffer[0]
  size_t FBufferPos = 0;
  size_t FBufferLen = 0;
  std::string FTag;      // a tag that spans buffer refills
  std::string FName;     // scratch for ReadRootItem
  std::string FText;
  char FBuffer[4096];
};

class TqdxXMLWriter {
public:
  // swapStream: where swapped-out elements are read back from (may be null).
  TqdxXMLWriter(TStream& stream, TStream* swapStream = nullptr, bool indentOutput = false);
  TqdxXMLWriter(const TqdxXMLWriter&) = delete;
  TqdxXMLWriter& operator=(const TqdxXMLWriter&) = delete;

  // Writes <?xml version="1.0" encoding="utf-8"?> and CR LF.
  void WriteHeader();
  // Writes the item and its subtree, then flushes.
  void WriteRootItem(TqdxXMLItem& item);

private:
  void WriteItem(const TqdxXMLItem& item, int level);
  // Ends the line just appended to the buffer (CR LF when indenting) and
  // writes the buffer out once it holds more than 4096 characters.
  void EndLine();
  void Flush();

  TStream& FStream;
  TStream* FSwapStream;
  bool FIndentOutput;
  std::string FBuffer;
};

// Escapes an 8-bit string for a double-quoted attribute value.
std::string StrToXML(std::string_view s);
// The inverse of StrToXML.
std::string XMLToStr(std::string_view s);

// A value to be written as attribute text. Dates are not represented: callers
// format them themselves (short date form) and pass the string.
using TqdxXMLValue = std::variant<std::monostate, bool, int64_t, double, std::string>;
// Integers in decimal, floating point in the shortest general form that reads
// back exactly (never locale-dependent), strings escaped, booleans "1"/"0",
// no value as "".
std::string ValueToXML(const TqdxXMLValue& value);
