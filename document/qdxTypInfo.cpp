#include "document/qdxTypInfo.h"

#include "document/qdxClassBuilder.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = LowerAscii(c);
  return r;
}

// The order of the property index: by length first, so that most steps of
// a search compare two lengths rather than two strings.
bool IndexLess(std::string_view a, std::string_view b) {
  return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// FNV-1a over the bytes of a lower-case name.
uint32_t NameHash(std::string_view lower) {
  uint32_t h = 2166136261u;
  for (char c : lower) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
  return h;
}

[[noreturn]] void WrongKind(const std::string& name, const char* what) {
  throw EqdxPropertyError("Property " + name + " has no " + what + " value");
}

}  // namespace

bool qdxSameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

bool qdxIsOrdinalKind(TqdxPropKind kind) {
  return kind == TqdxPropKind::pkInteger || kind == TqdxPropKind::pkChar ||
         kind == TqdxPropKind::pkEnumeration || kind == TqdxPropKind::pkSet;
}

const char* qdxPropKindName(TqdxPropKind kind) {
  switch (kind) {
    case TqdxPropKind::pkInteger: return "integer";
    case TqdxPropKind::pkChar: return "character";
    case TqdxPropKind::pkEnumeration: return "enumeration";
    case TqdxPropKind::pkSet: return "set";
    case TqdxPropKind::pkFloat: return "float";
    case TqdxPropKind::pkString: return "string";
    case TqdxPropKind::pkWString: return "wide string";
    case TqdxPropKind::pkStringList: return "string list";
    case TqdxPropKind::pkWStringList: return "wide string list";
    case TqdxPropKind::pkClass: return "class";
    case TqdxPropKind::pkComponent: return "component";
    case TqdxPropKind::pkEvent: return "event";
  }
  return "unknown";
}

// ---- TqdxEnumInfo ----

TqdxEnumInfo::TqdxEnumInfo(std::string typeName, std::vector<std::string> names)
    : FTypeName(std::move(typeName)), FNames(std::move(names)) {}

const std::string& TqdxEnumInfo::NameOf(int64_t ordinal) const {
  static const std::string empty;
  if (ordinal < 0 || ordinal >= Count()) return empty;
  return FNames[static_cast<size_t>(ordinal)];
}

int64_t TqdxEnumInfo::ValueOf(std::string_view name) const {
  for (size_t i = 0; i < FNames.size(); ++i)
    if (qdxSameText(FNames[i], name)) return static_cast<int64_t>(i);
  return -1;
}

uint64_t TqdxEnumInfo::SetMask() const {
  return FNames.size() >= 64 ? ~uint64_t(0) : (uint64_t(1) << FNames.size()) - 1;
}

const TqdxEnumInfo& qdxBooleanEnum() {
  static const TqdxEnumInfo info("Boolean", {"False", "True"});
  return info;
}

// ---- TqdxPropAccessor: every access not provided is a wrong-kind access ----

int64_t TqdxPropAccessor::GetOrd(const TqdxPersistent&) const { throw EqdxPropertyError("No ordinal value"); }
void TqdxPropAccessor::SetOrd(TqdxPersistent&, int64_t) const { throw EqdxPropertyError("No ordinal value"); }
double TqdxPropAccessor::GetFloat(const TqdxPersistent&) const { throw EqdxPropertyError("No float value"); }
void TqdxPropAccessor::SetFloat(TqdxPersistent&, double) const { throw EqdxPropertyError("No float value"); }
std::string TqdxPropAccessor::GetStr(const TqdxPersistent&) const { throw EqdxPropertyError("No string value"); }
void TqdxPropAccessor::SetStr(TqdxPersistent&, const std::string&) const {
  throw EqdxPropertyError("No string value");
}
std::u16string TqdxPropAccessor::GetWStr(const TqdxPersistent&) const {
  throw EqdxPropertyError("No wide string value");
}
void TqdxPropAccessor::SetWStr(TqdxPersistent&, const std::u16string&) const {
  throw EqdxPropertyError("No wide string value");
}
std::vector<std::string> TqdxPropAccessor::GetStrings(const TqdxPersistent&) const {
  throw EqdxPropertyError("No string list value");
}
void TqdxPropAccessor::SetStrings(TqdxPersistent&, const std::vector<std::string>&) const {
  throw EqdxPropertyError("No string list value");
}
std::vector<std::u16string> TqdxPropAccessor::GetWStrings(const TqdxPersistent&) const {
  throw EqdxPropertyError("No wide string list value");
}
void TqdxPropAccessor::SetWStrings(TqdxPersistent&, const std::vector<std::u16string>&) const {
  throw EqdxPropertyError("No wide string list value");
}
TqdxPersistent* TqdxPropAccessor::GetObject(const TqdxPersistent&) const { throw EqdxPropertyError("No object"); }
TqdxBaseComponent* TqdxPropAccessor::GetRef(const TqdxPersistent&) const {
  throw EqdxPropertyError("No component reference");
}
void TqdxPropAccessor::SetRef(TqdxPersistent&, TqdxBaseComponent*) const {
  throw EqdxPropertyError("No component reference");
}

namespace qdx_detail {
void InvalidValue(int64_t value) {
  throw EqdxPropertyError("Invalid property value " + std::to_string(value));
}
}  // namespace qdx_detail

// ---- TqdxPropInfo ----

TqdxPropInfo::TqdxPropInfo(const TqdxClassInfo& owner, std::string name, TqdxPropKind kind,
                           std::unique_ptr<TqdxPropAccessor> accessor)
    : FOwner(&owner), FName(std::move(name)), FKind(kind), FAccessor(std::move(accessor)) {}

void TqdxPropInfo::CheckKind(bool ok, const char* what) const {
  if (!ok) WrongKind(FName, what);
}

bool TqdxPropInfo::IsDefaultValue(const TqdxPersistent& obj) const {
  return FHasDefault && IsOrdinal() && GetOrd(obj) == FDefault;
}

int64_t TqdxPropInfo::GetOrd(const TqdxPersistent& obj) const {
  CheckKind(IsOrdinal(), "ordinal");
  return FAccessor->GetOrd(obj);
}

void TqdxPropInfo::SetOrd(TqdxPersistent& obj, int64_t value) const {
  CheckKind(IsOrdinal(), "ordinal");
  if (FKind == TqdxPropKind::pkEnumeration && FEnum != nullptr && (value < 0 || value >= FEnum->Count()))
    qdx_detail::InvalidValue(value);
  if (FKind == TqdxPropKind::pkSet && FEnum != nullptr &&
      (value < 0 || (static_cast<uint64_t>(value) & ~FEnum->SetMask()) != 0))
    qdx_detail::InvalidValue(value);
  FAccessor->SetOrd(obj, value);
}

double TqdxPropInfo::GetFloat(const TqdxPersistent& obj) const {
  CheckKind(FKind == TqdxPropKind::pkFloat, "float");
  return FAccessor->GetFloat(obj);
}
void TqdxPropInfo::SetFloat(TqdxPersistent& obj, double value) const {
  CheckKind(FKind == TqdxPropKind::pkFloat, "float");
  // Not-a-number and infinities would poison every later computation (and
  // conversions to integers) of geometry and sizes.
  if (!std::isfinite(value)) throw EqdxPropertyError("Invalid floating point value");
  FAccessor->SetFloat(obj, value);
}
std::string TqdxPropInfo::GetStr(const TqdxPersistent& obj) const {
  CheckKind(FKind == TqdxPropKind::pkString || FKind == TqdxPropKind::pkEvent, "string");
  return FAccessor->GetStr(obj);
}
void TqdxPropInfo::SetStr(TqdxPersistent& obj, const std::string& value) const {
  CheckKind(FKind == TqdxPropKind::pkString || FKind == TqdxPropKind::pkEvent, "string");
  FAccessor->SetStr(obj, value);
}
std::u16string TqdxPropInfo::GetWStr(const TqdxPersistent& obj) const {
  CheckKind(FKind == TqdxPropKind::pkWString, "wide string");
  return FAccessor->GetWStr(obj);
}
void TqdxPropInfo::SetWStr(TqdxPersistent& obj, const std::u16string& value) const {
  CheckKind(FKind == TqdxPropKind::pkWString, "wide string");
  FAccessor->SetWStr(obj, value);
}
std::vector<std::string> TqdxPropInfo::GetStrings(const TqdxPersistent& obj) const {
  CheckKind(FKind == TqdxPropKind::pkStringList, "string list");
  return FAccessor->GetStrings(obj);
}
void TqdxPropInfo::SetStrings(TqdxPersistent& obj, const std::vector<std::string>& value) const {
  CheckKind(FKind == TqdxPropKind::pkStringList, "string list");
  FAccessor->SetStrings(obj, value);
}
std::vector<std::u16string> TqdxPropInfo::GetWStrings(const TqdxPersistent& obj) const {
  CheckKind(FKind == TqdxPropKind::pkWStringList, "wide string list");
  return FAccessor->GetWStrings(obj);
}
void TqdxPropInfo::SetWStrings(TqdxPersistent& obj, const std::vector<std::u16string>& value) const {
  CheckKind(FKind == TqdxPropKind::pkWStringList, "wide string list");
  FAccessor->SetWStrings(obj, value);
}
TqdxPersistent* TqdxPropInfo::GetObject(const TqdxPersistent& obj) const {
  CheckKind(FKind == TqdxPropKind::pkClass, "object");
  return FAccessor->GetObject(obj);
}
TqdxBaseComponent* TqdxPropInfo::GetRef(const TqdxPersistent& obj) const {
  CheckKind(FKind == TqdxPropKind::pkComponent, "component");
  return FAccessor->GetRef(obj);
}
void TqdxPropInfo::SetRef(TqdxPersistent& obj, TqdxBaseComponent* value) const {
  CheckKind(FKind == TqdxPropKind::pkComponent, "component");
  FAccessor->SetRef(obj, value);
}

std::string TqdxPropInfo::GetOrdAsText(const TqdxPersistent& obj) const {
  int64_t v = GetOrd(obj);
  if (FKind == TqdxPropKind::pkEnumeration && FEnum != nullptr && v >= 0 && v < FEnum->Count())
    return FEnum->NameOf(v);
  return std::to_string(v);
}

// ---- TqdxClassInfo ----

TqdxClassInfo::TqdxClassInfo(std::string name, const TqdxClassInfo* parent, TqdxFactory factory)
    : FName(std::move(name)), FParent(parent), FFactory(factory) {
  if (parent != nullptr) {
    FAll = parent->FAll;
    FIndex = parent->FIndex;
    FHash = parent->FHash;
  }
}

bool TqdxClassInfo::InheritsFrom(const TqdxClassInfo& cls) const {
  for (const TqdxClassInfo* c = this; c != nullptr; c = c->FParent)
    if (c == &cls) return true;
  return false;
}

bool TqdxClassInfo::InheritsFrom(std::string_view className) const {
  for (const TqdxClassInfo* c = this; c != nullptr; c = c->FParent)
    if (qdxSameText(c->FName, className)) return true;
  return false;
}

std::unique_ptr<TqdxPersistent> TqdxClassInfo::Create(TqdxBaseComponent* owner) const {
  if (FFactory == nullptr) return nullptr;
  return FFactory(owner);
}

const TqdxPropInfo* TqdxClassInfo::FindProperty(std::string_view name) const {
  // Called for every attribute of every object read, so the key is lowered
  // on the stack (property names are short) and found by its hash.
  char buffer[64];
  std::string heap;
  std::string_view key;
  if (name.size() <= sizeof buffer) {
    for (size_t i = 0; i < name.size(); ++i) buffer[i] = LowerAscii(name[i]);
    key = std::string_view(buffer, name.size());
  } else {
    heap = LowerCase(name);
    key = heap;
  }
  if (FHash.empty()) return nullptr;
  const size_t mask = FHash.size() - 1;
  for (size_t slot = NameHash(key) & mask;; slot = (slot + 1) & mask) {
    const int32_t at = FHash[slot];
    if (at < 0) return nullptr;
    const auto& entry = FIndex[static_cast<size_t>(at)];
    if (entry.first == key) return entry.second;
  }
}

void TqdxClassInfo::RebuildHash() {
  size_t size = 8;
  while (size < FIndex.size() * 2) size *= 2;
  FHash.assign(size, -1);
  for (size_t i = 0; i < FIndex.size(); ++i) {
    size_t slot = NameHash(FIndex[i].first) & (size - 1);
    while (FHash[slot] >= 0) slot = (slot + 1) & (size - 1);
    FHash[slot] = static_cast<int32_t>(i);
  }
}

void TqdxClassInfo::AddProperty(std::unique_ptr<TqdxPropInfo> prop) {
  const TqdxPropInfo* p = prop.get();
  std::string key = LowerCase(p->Name());
  auto it = std::lower_bound(FIndex.begin(), FIndex.end(), key,
                             [](const auto& e, const std::string& k) { return IndexLess(e.first, k); });
  if (it != FIndex.end() && it->first == key) {
    // Published again: the new description takes the inherited one's place.
    std::replace(FAll.begin(), FAll.end(), it->second, p);
    it->second = p;
  } else {
    FIndex.insert(it, {key, p});
    FAll.push_back(p);
    RebuildHash();
  }
  FOwn.push_back(std::move(prop));
}

// ---- builders ----

void TqdxPropBuilderBase::SetDefault(int64_t value) {
  if (!FProp.IsOrdinal()) throw std::logic_error("Default on a non-ordinal property " + FProp.Name());
  FProp.FHasDefault = true;
  FProp.FDefault = value;
}

void TqdxPropBuilderBase::SetStoredTest(TqdxStoredTest test) { FProp.FStored = test; }

TqdxPropInfo& TqdxClassBuilderBase::Add(const char* name, TqdxPropKind kind,
                                        std::unique_ptr<TqdxPropAccessor> acc) {
  auto prop = std::make_unique<TqdxPropInfo>(FClass, name, kind, std::move(acc));
  TqdxPropInfo& ref = *prop;
  FClass.AddProperty(std::move(prop));
  return ref;
}

void TqdxClassBuilderBase::Retype(TqdxPropInfo& p, TqdxPropKind kind, const TqdxEnumInfo& values) {
  p.FKind = kind;
  p.FEnum = &values;
}

void TqdxClassBuilderBase::SetObjectClass(TqdxPropInfo& p, const TqdxClassInfo& (*fn)()) {
  p.FObjectClassFn = fn;
}

// ---- TqdxPersistent ----

TqdxPersistent::~TqdxPersistent() = default;

const TqdxClassInfo& TqdxPersistent::StaticClassInfo() {
  static const TqdxClassInfo& info = [] () -> const TqdxClassInfo& {
    auto* cls = new TqdxClassInfo("TqdxPersistent", nullptr, nullptr);
    qdxRegisterClass(*cls);
    return *cls;
  }();
  return info;
}

void TqdxPersistent::Assign(const TqdxPersistent& source) { qdxAssignProperties(*this, source); }

void TqdxPersistent::WriteBinaryProperties(std::vector<TqdxBinaryProperty>&) const {}

bool TqdxPersistent::ReadBinaryProperty(const std::string&, std::string_view) { return false; }

void qdxAssignProperties(TqdxPersistent& dest, const TqdxPersistent& source) {
  if (&dest == &source) return;
  const TqdxClassInfo& sc = source.ClassInfo();
  for (const TqdxPropInfo* p : dest.ClassInfo().Properties()) {
    const TqdxPropInfo* q = sc.FindProperty(p->Name());
    if (q == nullptr || q->Kind() != p->Kind()) continue;
    if (p->Kind() != TqdxPropKind::pkClass && !p->IsWritable()) continue;
    try {
      switch (p->Kind()) {
        case TqdxPropKind::pkInteger:
        case TqdxPropKind::pkChar:
        case TqdxPropKind::pkEnumeration:
        case TqdxPropKind::pkSet: p->SetOrd(dest, q->GetOrd(source)); break;
        case TqdxPropKind::pkFloat: p->SetFloat(dest, q->GetFloat(source)); break;
        case TqdxPropKind::pkString:
        case TqdxPropKind::pkEvent: p->SetStr(dest, q->GetStr(source)); break;
        case TqdxPropKind::pkWString: p->SetWStr(dest, q->GetWStr(source)); break;
        case TqdxPropKind::pkStringList: p->SetStrings(dest, q->GetStrings(source)); break;
        case TqdxPropKind::pkWStringList: p->SetWStrings(dest, q->GetWStrings(source)); break;
        case TqdxPropKind::pkComponent: p->SetRef(dest, q->GetRef(source)); break;
        case TqdxPropKind::pkClass: {
          TqdxPersistent* d = p->GetObject(dest);
          const TqdxPersistent* s = q->GetObject(source);
          if (d != nullptr && s != nullptr) d->Assign(*s);
          break;
        }
      }
    } catch (const EqdxPropertyError&) {
      // A value this class refuses (another enumeration of the same name):
      // the property keeps its own value.
    }
  }
  std::vector<TqdxBinaryProperty> binary;
  source.WriteBinaryProperties(binary);
  for (const TqdxBinaryProperty& b : binary) dest.ReadBinaryProperty(b.Name, b.Data);
}

// ---- dotted paths ----

TqdxPropTarget qdxFindProperty(TqdxPersistent& obj, std::string_view path) {
  TqdxPersistent* cur = &obj;
  for (;;) {
    size_t dot = path.find('.');
    std::string_view part = path.substr(0, dot);
    if (part.empty()) return {};
    const TqdxPropInfo* p = cur->ClassInfo().FindProperty(part);
    if (p == nullptr) return {};
    if (dot == std::string_view::npos) return {cur, p};
    if (p->Kind() != TqdxPropKind::pkClass) return {};
    cur = p->GetObject(*cur);
    if (cur == nullptr) return {};
    path.remove_prefix(dot + 1);
  }
}

const TqdxPropInfo* qdxFindClassProperty(const TqdxClassInfo& cls, std::string_view path) {
  const TqdxClassInfo* cur = &cls;
  for (;;) {
    size_t dot = path.find('.');
    std::string_view part = path.substr(0, dot);
    if (part.empty()) return nullptr;
    const TqdxPropInfo* p = cur->FindProperty(part);
    if (p == nullptr) return nullptr;
    if (dot == std::string_view::npos) return p;
    if (p->Kind() != TqdxPropKind::pkClass || p->ObjectClass() == nullptr) return nullptr;
    cur = p->ObjectClass();
    path.remove_prefix(dot + 1);
  }
}

// ---- registry ----

namespace {

struct TRegistry {
  std::mutex Lock;
  std::map<std::string, const TqdxClassInfo*> ByName;  // lower-case name
  std::vector<const TqdxClassInfo*> InOrder;
};

TRegistry& Registry() {
  static TRegistry r;
  return r;
}

void EnsureDocumentClasses() {
  static const bool done = (qdxRegisterDocumentClasses(), true);
  (void)done;
}

}  // namespace

void qdxRegisterClass(const TqdxClassInfo& cls) {
  TRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  auto [it, inserted] = r.ByName.emplace(LowerCase(cls.Name()), &cls);
  if (inserted) r.InOrder.push_back(&cls);
}

const TqdxClassInfo* qdxFindClass(std::string_view name) {
  EnsureDocumentClasses();
  TRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  auto it = r.ByName.find(LowerCase(name));
  return it == r.ByName.end() ? nullptr : it->second;
}

std::unique_ptr<TqdxPersistent> qdxCreateObject(std::string_view className, TqdxBaseComponent* owner) {
  const TqdxClassInfo* cls = qdxFindClass(className);
  return cls == nullptr ? nullptr : cls->Create(owner);
}

std::vector<const TqdxClassInfo*> qdxRegisteredClasses() {
  EnsureDocumentClasses();
  TRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  return r.InOrder;
}
