#pragma once
// Turns report objects into XML attribute text and elements and back. The
// full form walks the published properties; the difference form (see
// qdxDiff.h) writes only what a printed copy changes against its source
// object. One reader accepts both.

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class TqdxPersistent;
class TqdxPropInfo;
class TqdxBaseComponent;
class TqdxComponent;
class TqdxCustomMemoView;
class TqdxClassInfo;
class TqdxXMLItem;
class TStream;

// A stored object's text ("ClassName name=\"value\" ...") split once into
// its attributes, with the property each plain name stands for in objects of
// its class: for the text of a source object that every copy on every page
// is read from.
struct TqdxParsedAttributes {
  std::string Source;  // the text as given
  std::string ClassName;
  const TqdxClassInfo* Class = nullptr;  // when the class is known
  struct TItem {
    size_t NameAt, NameLength, ValueAt, ValueLength;
    const TqdxPropInfo* Prop;  // set for a plain writable property of Class
  };
  std::vector<TItem> Items;
};
// Splits the text; the class name is its first word.
std::unique_ptr<TqdxParsedAttributes> qdxParseAttributes(std::string text);

class TqdxXMLSerializer {
public:
  TqdxXMLSerializer() = default;
  explicit TqdxXMLSerializer(TStream* stream) : Stream(stream) {}

  // Messages met while reading; sorted, without duplicates. Reading goes on.
  std::set<std::string> Errors;
  // The component in which created objects and references live; when not
  // set, the object being read or written, for the length of that call.
  TqdxBaseComponent* Owner = nullptr;
  // Used by WriteRootComponent/ReadRootComponent when no item is given.
  TStream* Stream = nullptr;
  bool SerializeDefaultValues = false;
  // 8-bit strings stored without UTF-8 encoding (older files).
  bool LegacyText = true;
  bool HandleNestedProperties = false;
  bool IgnoreReference = false;
  bool ReuseByName = false;

  // Full-form attributes of obj, each " name=\"value\"" with prefix before
  // the name; with a reference only what differs from it.
  std::string ObjToXML(const TqdxPersistent& obj, const std::string& prefix = {},
                       const TqdxPersistent* reference = nullptr);
  // Applies attribute text to obj.
  void XMLToObj(std::string_view text, TqdxPersistent& obj);
  // Class name followed by the full form.
  std::string WriteComponentStr(const TqdxComponent& obj, const TqdxPersistent* reference = nullptr);
  // A new object from such text (none for blank text); raises for an unknown
  // class. The caller places it (SetParent) and so owns it.
  std::unique_ptr<TqdxComponent> ReadComponentStr(TqdxBaseComponent* owner, std::string_view text,
                                                  bool skipFixups = false);
  // The same for a parsed base text followed by more attributes: the object
  // ReadComponentStr would make of base, a blank and more.
  std::unique_ptr<TqdxComponent> ReadComponentParsed(TqdxBaseComponent* owner, const TqdxParsedAttributes& base,
                                                     std::string_view more);
  // Writes component (and its children) into item, or a whole indented
  // document to Stream when item is none.
  void WriteRootComponent(const TqdxComponent& component, bool withChildren = true, TqdxXMLItem* item = nullptr);
  // Reads an element tree into root (from Stream when item is none).
  void ReadRootComponent(TqdxComponent& root, TqdxXMLItem* item = nullptr);
  // XMLToObj with references resolved at once.
  void ReadPersistentStr(TqdxBaseComponent* owner, TqdxPersistent& obj, std::string_view text);
  void FixupReferences();

  // Deeper element trees are refused: report pages are a few levels deep, and
  // a hostile file must not exhaust the stack of whoever walks the objects.
  static constexpr int MaxDepth = 256;

private:
  struct TFixup {
    TqdxPersistent* Object;
    const TqdxPropInfo* Prop;
    std::string Name;
  };
  void SetProperty(TqdxPersistent& obj, const TqdxPropInfo& prop, std::string_view raw);
  // One attribute of XMLToObj; selfComp and selfMemo are obj's kinds.
  void ApplyAttribute(TqdxPersistent& obj, std::string_view name, std::string_view value, TqdxComponent* selfComp,
                      TqdxCustomMemoView* selfMemo);
  void WriteNested(const TqdxComponent& component, TqdxXMLItem& item);
  bool ReadNested(TqdxComponent& component, TqdxXMLItem& child);

  std::vector<TFixup> FFixups;
};

// Binary property records ("PropData"): name as a short string, type byte
// 10, 32-bit length, bytes. Reading stops at the first record it cannot read.
struct TqdxBinaryProperty;
std::string qdxEncodePropData(const std::vector<TqdxBinaryProperty>& records);
std::vector<TqdxBinaryProperty> qdxDecodePropData(std::string_view bytes);

// The text of a line list: lines joined by CR LF, no final line break.
std::u16string qdxJoinLines(const std::vector<std::u16string>& lines);
std::string qdxJoinLines(const std::vector<std::string>& lines);
// Splits at CR LF, CR or LF; a final line break adds no empty line.
std::vector<std::u16string> qdxSplitLines(std::u16string_view text);
std::vector<std::string> qdxSplitLines(std::string_view text);
