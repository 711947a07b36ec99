#include "document/qdxXMLSerializer.h"

#include "document/qdxComponent.h"
#include "document/qdxMemoView.h"
#include "document/qdxNumbers.h"
#include "document/qdxTypInfo.h"
#include "document/qdxUtils.h"
#include "document/qdxXML.h"
#include "platform/CodePage.h"
#include "platform/Streams.h"

#include <cmath>
#include <cstring>

namespace {

const double FloatTolerance = 1e-6;

std::string Unescape(std::string_view v) {
  return v.find('&') == std::string_view::npos ? std::string(v) : XMLToStr(v);
}

// The same without a copy when nothing is escaped (numbers and names).
std::string_view UnescapeView(std::string_view v, std::string& scratch) {
  if (v.find('&') == std::string_view::npos) return v;
  scratch = XMLToStr(v);
  return scratch;
}

void AddAttr(std::string& out, const std::string& prefix, std::string_view name, std::string_view value) {
  out += ' ';
  out += prefix;
  out += name;
  out += "=\"";
  out += value;
  out += '"';
}

bool IsTextObject(const TqdxPersistent& obj) { return obj.Is<TqdxCustomMemoView>(); }

// Without an owner the object being read or written serves as one, but only
// for that call: the caller owns the object and may free it before the
// serializer is used again.
class TDefaultOwner {
public:
  TDefaultOwner(TqdxBaseComponent*& owner, TqdxBaseComponent* fallback)
      : FOwner(owner), FSet(owner == nullptr) {
    if (FSet) FOwner = fallback;
  }
  ~TDefaultOwner() {
    if (FSet) FOwner = nullptr;
  }
  TDefaultOwner(const TDefaultOwner&) = delete;
  TDefaultOwner& operator=(const TDefaultOwner&) = delete;

private:
  TqdxBaseComponent*& FOwner;
  bool FSet;
};

// The object that holds a dotted path's last part, and that part. Parts
// before the last must be class-typed properties whose objects exist.
TqdxPersistent* ResolvePath(TqdxPersistent& obj, std::string_view name, std::string_view& last,
                            const TqdxPropInfo** listProp) {
  TqdxPersistent* cur = &obj;
  *listProp = nullptr;
  size_t start = 0;
  for (;;) {
    size_t dot = name.find('.', start);
    if (dot == std::string_view::npos) {
      last = name.substr(start);
      return cur;
    }
    std::string_view part = name.substr(start, dot - start);
    const TqdxPropInfo* p = cur->ClassInfo().FindProperty(part);
    if (!p) return nullptr;
    if (p->Kind() == TqdxPropKind::pkStringList || p->Kind() == TqdxPropKind::pkWStringList) {
      // "HGuides.Text": the list itself is the target.
      last = name.substr(dot + 1);
      if (name.find('.', dot + 1) != std::string_view::npos) return nullptr;
      *listProp = p;
      return cur;
    }
    if (p->Kind() != TqdxPropKind::pkClass) return nullptr;
    cur = p->GetObject(*cur);
    if (!cur) return nullptr;
    start = dot + 1;
  }
}

}  // namespace

// ---------------------------------------------------------------- lines

template <class S>
static S JoinLinesT(const std::vector<S>& lines) {
  S text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) {
      text += static_cast<typename S::value_type>('\r');
      text += static_cast<typename S::value_type>('\n');
    }
    text += lines[i];
  }
  return text;
}

template <class S, class V>
static std::vector<S> SplitLinesT(V text) {
  std::vector<S> lines;
  size_t start = 0, i = 0;
  while (i < text.size()) {
    auto c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::u16string qdxJoinLines(const std::vector<std::u16string>& lines) { return JoinLinesT(lines); }
std::string qdxJoinLines(const std::vector<std::string>& lines) { return JoinLinesT(lines); }
std::vector<std::u16string> qdxSplitLines(std::u16string_view text) {
  return SplitLinesT<std::u16string>(text);
}
std::vector<std::string> qdxSplitLines(std::string_view text) { return SplitLinesT<std::string>(text); }

// ---------------------------------------------------------------- PropData

std::string qdxEncodePropData(const std::vector<TqdxBinaryProperty>& records) {
  std::string out;
  for (const TqdxBinaryProperty& r : records) {
    size_t n = std::min<size_t>(r.Name.size(), 255);
    out += static_cast<char>(n);
    out.append(r.Name, 0, n);
    out += static_cast<char>(10);
    uint32_t len = static_cast<uint32_t>(r.Data.size());
    for (int k = 0; k < 4; ++k) out += static_cast<char>((len >> (8 * k)) & 0xFF);
    out += r.Data;
  }
  return out;
}

std::vector<TqdxBinaryProperty> qdxDecodePropData(std::string_view bytes) {
  std::vector<TqdxBinaryProperty> records;
  size_t p = 0;
  while (p < bytes.size()) {
    size_t n = static_cast<unsigned char>(bytes[p]);
    if (n == 0 || p + 1 + n + 5 > bytes.size()) break;
    TqdxBinaryProperty r;
    r.Name.assign(bytes.substr(p + 1, n));
    p += 1 + n;
    if (static_cast<unsigned char>(bytes[p]) != 10) break;  // only binary values are known
    uint32_t len = 0;
    for (int k = 0; k < 4; ++k) len |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[p + 1 + k])) << (8 * k);
    p += 5;
    if (len > bytes.size() - p) break;  // a length that runs past the data ends the value
    r.Data.assign(bytes.substr(p, len));
    p += len;
    records.push_back(std::move(r));
  }
  return records;
}

// ---------------------------------------------------------------- full form

std::string TqdxXMLSerializer::ObjToXML(const TqdxPersistent& obj, const std::string& prefix,
                                        const TqdxPersistent* reference) {
  if (IgnoreReference) reference = nullptr;
  // A reference of another class cannot be compared property by property.
  if (reference && &reference->ClassInfo() != &obj.ClassInfo()) reference = nullptr;
  std::string out;
  const bool isComponent = obj.Is<TqdxBaseComponent>();
  for (const TqdxPropInfo* p : obj.ClassInfo().Properties()) {
    if (!p->IsStored(obj)) continue;
    // A component's name is written on its own by the element writers.
    if (isComponent && p->Name() == "Name") continue;
    switch (p->Kind()) {
      case TqdxPropKind::pkInteger:
      case TqdxPropKind::pkChar:
      case TqdxPropKind::pkEnumeration:
      case TqdxPropKind::pkSet: {
        int64_t v = p->GetOrd(obj);
        bool write = SerializeDefaultValues || (reference ? v != p->GetOrd(*reference) : (!p->HasDefault() || v != p->Default()));
        if (write) AddAttr(out, prefix, p->Name(), p->Kind() == TqdxPropKind::pkEnumeration ? p->GetOrdAsText(obj) : std::to_string(v));
        break;
      }
      case TqdxPropKind::pkFloat: {
        double v = p->GetFloat(obj);
        if (SerializeDefaultValues || !reference || std::fabs(v - p->GetFloat(*reference)) >= FloatTolerance)
          AddAttr(out, prefix, p->Name(), qdxFloatToStr(v));
        break;
      }
      case TqdxPropKind::pkString: {
        std::string v = p->GetStr(obj);
        if (reference ? v != p->GetStr(*reference) : !v.empty()) AddAttr(out, prefix, p->Name(), StrToXML(v));
        break;
      }
      case TqdxPropKind::pkWString: {
        std::u16string v = p->GetWStr(obj);
        if (reference ? v != p->GetWStr(*reference) : !v.empty())
          AddAttr(out, prefix, p->Name(), StrToXML(Utf16ToUtf8(v)));
        break;
      }
      case TqdxPropKind::pkComponent: {
        TqdxBaseComponent* v = p->GetRef(obj);
        TqdxBaseComponent* r = reference ? p->GetRef(*reference) : nullptr;
        if (!v && !r) break;
        if (v && r && qdxSameText(v->Name, r->Name)) break;
        AddAttr(out, prefix, p->Name(), v ? StrToXML(v->Name) : std::string("nil"));
        break;
      }
      case TqdxPropKind::pkStringList: {
        std::string v = qdxJoinLines(p->GetStrings(obj));
        std::string r = reference ? qdxJoinLines(p->GetStrings(*reference)) : std::string();
        if (v != r) AddAttr(out, prefix, p->Name() + ".Text", StrToXML(v));
        break;
      }
      case TqdxPropKind::pkClass: {
        const TqdxPersistent* sub = p->GetObject(obj);
        if (!sub) break;
        const TqdxPersistent* refSub = reference ? p->GetObject(*reference) : nullptr;
        out += ObjToXML(*sub, prefix + p->Name() + ".", refSub);
        break;
      }
      case TqdxPropKind::pkWStringList:
      case TqdxPropKind::pkEvent:
        break;
    }
  }
  if (IsTextObject(obj)) {
    const auto& memo = static_cast<const TqdxCustomMemoView&>(obj);
    std::u16string text = memo.Text();
    if (!reference || text != static_cast<const TqdxCustomMemoView&>(*reference).Text())
      AddAttr(out, prefix, "Text", StrToXML(Utf16ToUtf8(text)));
  }
  const auto* comp = dynamic_cast<const TqdxComponent*>(&obj);
  if (!(comp && comp->HasFlag(ofWritesNestedElements) && HandleNestedProperties)) {
    std::vector<TqdxBinaryProperty> records;
    obj.WriteBinaryProperties(records);
    if (!records.empty()) {
      std::string bytes = qdxEncodePropData(records);
      bool write = !reference;
      if (!write) {
        std::vector<TqdxBinaryProperty> refRecords;
        reference->WriteBinaryProperties(refRecords);
        std::string refBytes = qdxEncodePropData(refRecords);
        write = qdxCRC32(bytes) != qdxCRC32(refBytes);
      }
      if (write) AddAttr(out, prefix, "PropData", BytesToHex(bytes));
    }
  }
  return out;
}

// ---------------------------------------------------------------- reading

void TqdxXMLSerializer::SetProperty(TqdxPersistent& obj, const TqdxPropInfo& prop, std::string_view raw) {
  switch (prop.Kind()) {
    case TqdxPropKind::pkEnumeration: {
      std::string scratch;
      std::string_view v = UnescapeView(raw, scratch);
      int64_t ord;
      if (qdxTryStrToInt(v, ord)) {
        prop.SetOrd(obj, ord);
      } else {
        int64_t byName = prop.EnumInfo() ? prop.EnumInfo()->ValueOf(v) : -1;
        if (byName < 0) throw EqdxPropertyError("Invalid property value " + std::string(v) + " of " + prop.Name());
        prop.SetOrd(obj, byName);
      }
      break;
    }
    case TqdxPropKind::pkInteger:
    case TqdxPropKind::pkChar:
    case TqdxPropKind::pkSet: {
      std::string scratch;
      prop.SetOrd(obj, qdxStrToInt(UnescapeView(raw, scratch)));
      break;
    }
    case TqdxPropKind::pkFloat:
      prop.SetFloat(obj, qdxStrToFloat(raw));
      break;
    case TqdxPropKind::pkString:
    case TqdxPropKind::pkEvent:
      // 8-bit text is UTF-8 here; bytes of other code pages are mended either way.
      prop.SetStr(obj, FixUtf8(Unescape(raw)));
      break;
    case TqdxPropKind::pkWString:
      prop.SetWStr(obj, Utf8ToUtf16(Unescape(raw)));
      break;
    case TqdxPropKind::pkComponent:
      FFixups.push_back({&obj, &prop, Unescape(raw)});
      break;
    default:
      break;
  }
}

namespace {

// Walks the attributes name="value" of text; the value runs to the next
// quote (to the end when there is none).
template <class F>
void ForEachAttribute(std::string_view text, F&& f) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    while (i < n && text[i] == ' ') ++i;
    size_t eq = text.find('=', i);
    if (eq == std::string_view::npos) break;
    size_t nameEnd = eq;
    while (nameEnd > i && text[nameEnd - 1] == ' ') --nameEnd;
    if (nameEnd == i) break;
    size_t q1 = text.find('"', eq + 1);
    if (q1 == std::string_view::npos) break;
    size_t q2 = text.find('"', q1 + 1);
    if (q2 == std::string_view::npos) q2 = n;
    f(i, nameEnd - i, q1 + 1, q2 - q1 - 1);
    i = q2 + 1;
  }
}

// Names that the reader treats itself rather than as a property of that name.
bool SpecialName(std::string_view name) {
  return name.size() == 1 || name == "Text" || name == "PropData" || name == "Name" ||
         name.find('.') != std::string_view::npos;
}

}  // namespace

std::unique_ptr<TqdxParsedAttributes> qdxParseAttributes(std::string text) {
  auto parsed = std::make_unique<TqdxParsedAttributes>();
  parsed->Source = std::move(text);
  std::string_view all = parsed->Source;
  size_t b = 0, e = all.size();
  while (b < e && static_cast<unsigned char>(all[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(all[e - 1]) <= ' ') --e;
  const size_t sp = all.substr(b, e - b).find(' ');
  parsed->ClassName = std::string(all.substr(b, sp == std::string_view::npos ? e - b : sp));
  parsed->Class = qdxFindClass(parsed->ClassName);
  if (sp == std::string_view::npos) return parsed;
  const size_t from = b + sp + 1;
  ForEachAttribute(all.substr(from, e - from), [&](size_t n, size_t nl, size_t v, size_t vl) {
    TqdxParsedAttributes::TItem item{from + n, nl, from + v, vl, nullptr};
    const std::string_view name = all.substr(item.NameAt, nl);
    if (parsed->Class && !SpecialName(name)) {
      const TqdxPropInfo* prop = parsed->Class->FindProperty(name);
      if (prop && prop->IsWritable() && prop->Kind() != TqdxPropKind::pkClass) item.Prop = prop;
    }
    parsed->Items.push_back(item);
  });
  return parsed;
}

void TqdxXMLSerializer::XMLToObj(std::string_view text, TqdxPersistent& obj) {
  // Most attributes belong to the object itself: its kind is looked up once.
  auto* const selfComp = qdxAs<TqdxComponent>(&obj);
  auto* const selfMemo = qdxAs<TqdxCustomMemoView>(&obj);
  ForEachAttribute(text, [&](size_t n, size_t nl, size_t v, size_t vl) {
    ApplyAttribute(obj, text.substr(n, nl), text.substr(v, vl), selfComp, selfMemo);
  });
}

void TqdxXMLSerializer::ApplyAttribute(TqdxPersistent& obj, std::string_view name, std::string_view value,
                                       TqdxComponent* selfComp, TqdxCustomMemoView* selfMemo) {
  try {
    std::string_view last;
    const TqdxPropInfo* listProp = nullptr;
    TqdxPersistent* target = ResolvePath(obj, name, last, &listProp);
    if (!target) return;
    if (listProp) {
      if (last != "Text") return;
      std::string v = Unescape(value);
      // Older files hold these in a Windows code page; the lists hold UTF-8.
      if (listProp->Kind() == TqdxPropKind::pkStringList)
        listProp->SetStrings(*target, qdxSplitLines(FixUtf8(v)));
      else
        listProp->SetWStrings(*target, qdxSplitLines(Utf8ToUtf16(v)));
      return;
    }
    const bool isSelf = target == &obj;
    if (last.size() == 1 && isSelf) {
      auto* comp = selfComp;
      switch (last[0]) {
        case 'l': if (comp) comp->SetLeft(qdxStrToFloat(value)); return;
        case 't': if (comp) comp->SetTop(qdxStrToFloat(value)); return;
        case 'w': if (comp) comp->SetWidth(qdxStrToFloat(value)); return;
        case 'h': if (comp) comp->SetHeight(qdxStrToFloat(value)); return;
        case 'u':
        case 'x':
          if (selfMemo) selfMemo->SetText(Utf8ToUtf16(Unescape(value)));
          return;
        default: break;
      }
    }
    if (last == "Text") {
      if (auto* memo = isSelf ? selfMemo : dynamic_cast<TqdxCustomMemoView*>(target)) {
        memo->SetText(Utf8ToUtf16(Unescape(value)));
        return;
      }
    }
    if (last == "PropData") {
      std::string bytes;
      HexToBytes(value, bytes);  // a bad pair ends the value; what came before is used
      for (const TqdxBinaryProperty& r : qdxDecodePropData(bytes))
        if (!target->ReadBinaryProperty(r.Name, r.Data)) break;
      return;
    }
    if (last == "Name" && target->InheritsFrom("TqdxReport")) return;
    const TqdxPropInfo* prop = target->ClassInfo().FindProperty(last);
    if (!prop || !prop->IsWritable() || prop->Kind() == TqdxPropKind::pkClass) return;
    SetProperty(*target, *prop, value);
  } catch (const std::exception& e) {
    Errors.insert(e.what());
  }
}

void TqdxXMLSerializer::FixupReferences() {
  for (const TFixup& f : FFixups) {
    TqdxBaseComponent* found = nullptr;
    if (!qdxSameText(f.Name, "nil") && !f.Name.empty()) {
      if (auto* owner = dynamic_cast<TqdxComponent*>(Owner)) {
        if (qdxSameText(owner->Name, f.Name)) found = owner;
        else found = owner->FindObject(f.Name);
      }
    }
    try {
      f.Prop->SetRef(*f.Object, found);
    } catch (const std::exception& e) {
      Errors.insert(e.what());
    }
  }
  FFixups.clear();
}

void TqdxXMLSerializer::ReadPersistentStr(TqdxBaseComponent* owner, TqdxPersistent& obj, std::string_view text) {
  TqdxBaseComponent* saved = Owner;
  if (owner) Owner = owner;
  XMLToObj(text, obj);
  FixupReferences();
  Owner = saved;
}

std::string TqdxXMLSerializer::WriteComponentStr(const TqdxComponent& obj, const TqdxPersistent* reference) {
  return obj.ClassName() + ObjToXML(obj, {}, reference);
}

std::unique_ptr<TqdxComponent> TqdxXMLSerializer::ReadComponentParsed(TqdxBaseComponent* owner,
                                                                      const TqdxParsedAttributes& base,
                                                                      std::string_view more) {
  if (base.ClassName.empty()) return ReadComponentStr(owner, base.Source + " " + std::string(more));
  const TqdxClassInfo* cls = base.Class;
  if (!cls || !cls->CanCreate() || !cls->InheritsFrom(TqdxComponent::StaticClassInfo()))
    throw EqdxPropertyError("Class " + base.ClassName + " not found");
  std::unique_ptr<TqdxPersistent> created = cls->Create(owner);
  std::unique_ptr<TqdxComponent> obj(static_cast<TqdxComponent*>(created.release()));
  TDefaultOwner defaultOwner(Owner, owner ? owner : obj.get());
  obj->BeginLoading();
  auto* const selfComp = obj.get();
  auto* const selfMemo = qdxAs<TqdxCustomMemoView>(obj.get());
  const std::string_view text = base.Source;
  // The properties were found for this very class; only the value is read.
  const bool sameClass = &obj->ClassInfo() == cls;
  for (const TqdxParsedAttributes::TItem& item : base.Items) {
    const std::string_view value = text.substr(item.ValueAt, item.ValueLength);
    if (item.Prop && sameClass) {
      try {
        SetProperty(*obj, *item.Prop, value);
      } catch (const std::exception& e) {
        Errors.insert(e.what());
      }
    } else {
      ApplyAttribute(*obj, text.substr(item.NameAt, item.NameLength), value, selfComp, selfMemo);
    }
  }
  XMLToObj(more, *obj);
  FixupReferences();
  obj->EndLoading();
  return obj;
}

std::unique_ptr<TqdxComponent> TqdxXMLSerializer::ReadComponentStr(TqdxBaseComponent* owner, std::string_view text,
                                                                   bool skipFixups) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  if (text.empty()) return nullptr;
  size_t sp = text.find(' ');
  std::string_view className = text.substr(0, sp);
  const TqdxClassInfo* cls = qdxFindClass(className);
  if (!cls || !cls->CanCreate() || !cls->InheritsFrom(TqdxComponent::StaticClassInfo()))
    throw EqdxPropertyError("Class " + std::string(className) + " not found");
  std::unique_ptr<TqdxPersistent> created = cls->Create(owner);
  std::unique_ptr<TqdxComponent> obj(static_cast<TqdxComponent*>(created.release()));
  TDefaultOwner defaultOwner(Owner, owner ? owner : obj.get());
  obj->BeginLoading();
  if (sp != std::string_view::npos) XMLToObj(text.substr(sp + 1), *obj);
  if (!skipFixups) FixupReferences();
  obj->EndLoading();
  return obj;
}

// ---------------------------------------------------------------- elements

void TqdxXMLSerializer::WriteNested(const TqdxComponent& component, TqdxXMLItem& item) {
  auto* memo = dynamic_cast<const TqdxCustomMemoView*>(&component);
  if (!memo) return;
  if (memo->Formats().Count() > 1) {
    TqdxXMLItem* list = item.Add();
    list->SetName("Formats");
    for (int i = 0; i < memo->Formats().Count(); ++i) {
      TqdxXMLItem* it = list->Add();
      it->SetName("item");
      TqdxFormat fresh;
      std::string t = ObjToXML(memo->Formats()[i], {}, &fresh);
      it->SetText(t.empty() ? t : t.substr(1));
    }
  }
  if (memo->Highlights().Count() > 1) {
    TqdxXMLItem* list = item.Add();
    list->SetName("Highlights");
    for (int i = 0; i < memo->Highlights().Count(); ++i) {
      TqdxXMLItem* it = list->Add();
      it->SetName("item");
      TqdxHighlight fresh;
      std::string t = ObjToXML(memo->Highlights()[i], {}, &fresh);
      it->SetText(t.empty() ? t : t.substr(1));
    }
  }
}

bool TqdxXMLSerializer::ReadNested(TqdxComponent& component, TqdxXMLItem& child) {
  auto* memo = dynamic_cast<TqdxCustomMemoView*>(&component);
  if (!memo) return false;
  if (qdxSameText(child.Name(), "Formats")) {
    memo->Formats().Clear();
    for (int i = 0; i < child.Count(); ++i) XMLToObj(child.Items(i)->Text(), memo->Formats().Add());
    return true;
  }
  if (qdxSameText(child.Name(), "Highlights")) {
    memo->Highlights().Clear();
    for (int i = 0; i < child.Count(); ++i) XMLToObj(child.Items(i)->Text(), memo->Highlights().Add());
    return true;
  }
  return false;
}

void TqdxXMLSerializer::WriteRootComponent(const TqdxComponent& component, bool withChildren, TqdxXMLItem* item) {
  if (!item) {
    TqdxXMLDocument doc;
    doc.SetIndentOutput(true);
    WriteRootComponent(component, withChildren, doc.Root());
    if (Stream) doc.SaveToStream(*Stream);
    return;
  }
  TDefaultOwner defaultOwner(Owner, const_cast<TqdxComponent*>(&component));
  struct TWork {
    const TqdxComponent* Comp;
    TqdxXMLItem* Item;
  };
  std::vector<TWork> work{{&component, item}};
  while (!work.empty()) {
    TWork w = work.back();
    work.pop_back();
    w.Item->SetName(w.Comp->ClassName());
    std::string text = ObjToXML(*w.Comp);
    if (w.Comp != &component) text = "Name=\"" + StrToXML(w.Comp->Name) + "\"" + text;
    else if (!text.empty()) text.erase(0, 1);
    w.Item->SetText(text);
    if (HandleNestedProperties && w.Comp->HasFlag(ofWritesNestedElements)) WriteNested(*w.Comp, *w.Item);
    if (!withChildren) continue;
    // Children are added in list order now; their contents are filled later.
    std::vector<TWork> kids;
    for (TqdxComponent* c : w.Comp->Objects()) kids.push_back({c, w.Item->Add()});
    for (auto it = kids.rbegin(); it != kids.rend(); ++it) work.push_back(*it);
  }
}

void TqdxXMLSerializer::ReadRootComponent(TqdxComponent& root, TqdxXMLItem* item) {
  std::unique_ptr<TqdxXMLDocument> doc;
  if (!item) {
    if (!Stream) return;
    doc = std::make_unique<TqdxXMLDocument>();
    doc->LoadFromStream(*Stream);
    item = doc->Root();
  }
  TDefaultOwner defaultOwner(Owner, &root);
  std::vector<TqdxComponent*> read;
  struct TWork {
    TqdxXMLItem* Item;
    TqdxComponent* Parent;  // none for the root element
    int Depth;
  };
  std::vector<TWork> work{{item, nullptr, 0}};
  while (!work.empty()) {
    TWork w = work.back();
    work.pop_back();
    TqdxComponent* obj = nullptr;
    const std::string& className = w.Item->Name();
    if (!w.Parent) {
      obj = &root;
    } else {
      if (w.Depth > MaxDepth) {
        Errors.insert("Objects nested too deeply");
        continue;
      }
      std::string name = w.Item->Prop("Name");
      if (!ReuseByName && !name.empty())
        if (auto* owner = dynamic_cast<TqdxComponent*>(Owner)) obj = owner->FindObject(name);
      if (!obj) {
        const TqdxClassInfo* cls = qdxFindClass(className);
        if (!cls || !cls->CanCreate() || !cls->InheritsFrom(TqdxComponent::StaticClassInfo())) {
          if (!qdxSameText(className, "inherited")) Errors.insert("Cannot find class " + className);
          continue;
        }
        std::unique_ptr<TqdxPersistent> created = cls->Create(Owner);
        obj = static_cast<TqdxComponent*>(created.release());
        obj->SetParent(w.Parent);
      }
    }
    obj->BeginLoading();
    XMLToObj(w.Item->Text(), *obj);
    read.push_back(obj);
    const bool nested = HandleNestedProperties && obj->HasFlag(ofWritesNestedElements);
    for (int i = w.Item->Count() - 1; i >= 0; --i) {
      TqdxXMLItem* child = w.Item->Items(i);
      if (nested && ReadNested(*obj, *child)) continue;
      work.push_back({child, obj, w.Depth + 1});
    }
  }
  FixupReferences();
  for (TqdxComponent* c : read) {
    if (c->InheritsFrom("TqdxReport")) continue;
    c->EndLoading();
  }
}
