#pragma once
// Registration of a class and its published properties. Include this only in
// the .cpp that describes a class:
//
//   const TqdxClassInfo& TqdxFrame::StaticClassInfo() {
//     static const TqdxClassInfo& info = qdxDefineClass<TqdxFrame>(
//         "TqdxFrame", &TqdxPersistent::StaticClassInfo(), [](TqdxClassBuilder<TqdxFrame>& Reg) {
//           Reg.Set("Typ", qdxFrameTypeEnum(), &TqdxFrame::Typ).Default(0);
//           Reg.Float("Width", &TqdxFrame::GetWidth, &TqdxFrame::SetWidth)
//               .Stored<&TqdxFrame::IsWidthStored>();
//         });
//     return info;
//   }
//
// Properties accept a data member (`&T::Field`) or a getter and a setter
// (`&T::GetX, &T::SetX`; the setter may be nullptr for read-only ones).

#include "document/qdxTypInfo.h"

#include <type_traits>
#include <utility>

namespace qdx_detail {

[[noreturn]] void InvalidValue(int64_t value);

template <class M>
M OrdFrom(int64_t v) {
  if constexpr (std::is_same_v<M, bool>) {
    return v != 0;
  } else if constexpr (std::is_enum_v<M>) {
    using U = std::underlying_type_t<M>;
    if (!std::in_range<U>(v)) InvalidValue(v);
    return static_cast<M>(static_cast<U>(v));
  } else if constexpr (std::is_same_v<M, int32_t>) {
    // 32-bit values (colours among them) may arrive written as unsigned.
    if (v >= INT32_MIN && v <= static_cast<int64_t>(UINT32_MAX))
      return static_cast<int32_t>(static_cast<uint32_t>(v));
    InvalidValue(v);
  } else {
    if (!std::in_range<M>(v)) InvalidValue(v);
    return static_cast<M>(v);
  }
}

template <class V, class M>
V ToForm(const M& m) {
  if constexpr (std::is_same_v<V, int64_t>) return static_cast<int64_t>(m);
  else return V(m);
}

template <class M, class V>
M FromForm(const V& v) {
  if constexpr (std::is_same_v<V, int64_t>) {
    return OrdFrom<M>(v);
  } else if constexpr (std::is_pointer_v<M> && std::is_same_v<V, TqdxBaseComponent*>) {
    if (v == nullptr) return nullptr;
    M p = dynamic_cast<M>(v);
    if (p == nullptr) throw EqdxPropertyError("Invalid property value");
    return p;
  } else {
    return M(v);
  }
}

// Value access through a data member.
template <class B, class M, class V>
struct TFieldCore : TqdxPropAccessor {
  explicit TFieldCore(M B::* f) : F(f) {}
  V GetV(const TqdxPersistent& o) const { return ToForm<V>(static_cast<const B&>(o).*F); }
  void SetV(TqdxPersistent& o, const V& v) const { static_cast<B&>(o).*F = FromForm<M>(v); }
  M B::* F;
};

// Value access through a getter and an optional setter.
template <class B, class R, class A, class V>
struct TMethodCore : TqdxPropAccessor {
  TMethodCore(R (B::*g)() const, void (B::*s)(A)) : G(g), S(s) {}
  V GetV(const TqdxPersistent& o) const { return ToForm<V>((static_cast<const B&>(o).*G)()); }
  void SetV(TqdxPersistent& o, const V& v) const {
    if (S == nullptr) throw EqdxPropertyError("Property is read-only");
    (static_cast<B&>(o).*S)(FromForm<std::remove_cvref_t<A>>(v));
  }
  bool Writable() const override { return S != nullptr; }
  R (B::*G)() const;
  void (B::*S)(A);
};

template <class Core>
struct TOrdForm final : Core {
  using Core::Core;
  int64_t GetOrd(const TqdxPersistent& o) const override { return this->GetV(o); }
  void SetOrd(TqdxPersistent& o, int64_t v) const override { this->SetV(o, v); }
};
template <class Core>
struct TFloatForm final : Core {
  using Core::Core;
  double GetFloat(const TqdxPersistent& o) const override { return this->GetV(o); }
  void SetFloat(TqdxPersistent& o, double v) const override { this->SetV(o, v); }
};
template <class Core>
struct TStrForm final : Core {
  using Core::Core;
  std::string GetStr(const TqdxPersistent& o) const override { return this->GetV(o); }
  void SetStr(TqdxPersistent& o, const std::string& v) const override { this->SetV(o, v); }
};
template <class Core>
struct TWStrForm final : Core {
  using Core::Core;
  std::u16string GetWStr(const TqdxPersistent& o) const override { return this->GetV(o); }
  void SetWStr(TqdxPersistent& o, const std::u16string& v) const override { this->SetV(o, v); }
};
template <class Core>
struct TStringsForm final : Core {
  using Core::Core;
  std::vector<std::string> GetStrings(const TqdxPersistent& o) const override { return this->GetV(o); }
  void SetStrings(TqdxPersistent& o, const std::vector<std::string>& v) const override { this->SetV(o, v); }
};
template <class Core>
struct TWStringsForm final : Core {
  using Core::Core;
  std::vector<std::u16string> GetWStrings(const TqdxPersistent& o) const override { return this->GetV(o); }
  void SetWStrings(TqdxPersistent& o, const std::vector<std::u16string>& v) const override {
    this->SetV(o, v);
  }
};
template <class Core>
struct TRefForm final : Core {
  using Core::Core;
  TqdxBaseComponent* GetRef(const TqdxPersistent& o) const override { return this->GetV(o); }
  void SetRef(TqdxPersistent& o, TqdxBaseComponent* v) const override { this->SetV(o, v); }
};
template <class Core>
struct TObjectForm final : Core {
  using Core::Core;
  TqdxPersistent* GetObject(const TqdxPersistent& o) const override { return this->GetV(o); }
  bool Writable() const override { return false; }
};

template <class F>
struct MemberClass;
template <class C, class R>
struct MemberClass<R (C::*)() const> {
  using type = C;
};

template <class X>
const TqdxClassInfo& ClassInfoOf() {
  return X::StaticClassInfo();
}

}  // namespace qdx_detail

// Non-template part of the property builder.
class TqdxPropBuilderBase {
public:
  explicit TqdxPropBuilderBase(TqdxPropInfo& prop) : FProp(prop) {}
  TqdxPropInfo& Info() const { return FProp; }

protected:
  void SetDefault(int64_t value);
  void SetStoredTest(TqdxStoredTest test);

  TqdxPropInfo& FProp;
};

template <class T>
class TqdxPropBuilder : public TqdxPropBuilderBase {
public:
  using TqdxPropBuilderBase::TqdxPropBuilderBase;

  // Declared default of an ordinal property.
  template <class V>
  TqdxPropBuilder& Default(V value) {
    SetDefault(static_cast<int64_t>(value));
    return *this;
  }
  // Stored always (true) or never (false).
  TqdxPropBuilder& Stored(bool stored) {
    if (stored) SetStoredTest(nullptr);
    else SetStoredTest([](const TqdxPersistent&) { return false; });
    return *this;
  }
  // Stored when the member predicate `bool Test() const` holds.
  template <auto Test>
  TqdxPropBuilder& Stored() {
    using B = typename qdx_detail::MemberClass<decltype(Test)>::type;
    static_assert(std::is_base_of_v<B, T>, "stored-test of an unrelated class");
    SetStoredTest([](const TqdxPersistent& o) { return (static_cast<const B&>(o).*Test)(); });
    return *this;
  }
};

// Non-template part of the class builder.
class TqdxClassBuilderBase {
public:
  explicit TqdxClassBuilderBase(TqdxClassInfo& cls) : FClass(cls) {}

protected:
  TqdxPropInfo& Add(const char* name, TqdxPropKind kind, std::unique_ptr<TqdxPropAccessor> acc);
  static void Retype(TqdxPropInfo& p, TqdxPropKind kind, const TqdxEnumInfo& values);
  static void SetObjectClass(TqdxPropInfo& p, const TqdxClassInfo& (*fn)());
  TqdxClassInfo& FClass;
};

template <class T>
class TqdxClassBuilder : public TqdxClassBuilderBase {
  template <template <class> class Form, class V, class B, class M>
  TqdxPropBuilder<T> Field(const char* name, TqdxPropKind kind, M B::* f) {
    static_assert(std::is_base_of_v<B, T>, "property of an unrelated class");
    using Acc = Form<qdx_detail::TFieldCore<B, M, V>>;
    return TqdxPropBuilder<T>(Add(name, kind, std::make_unique<Acc>(f)));
  }
  template <template <class> class Form, class V, class B, class R, class A>
  TqdxPropBuilder<T> Method(const char* name, TqdxPropKind kind, R (B::*g)() const, void (B::*s)(A)) {
    static_assert(std::is_base_of_v<B, T>, "property of an unrelated class");
    using Acc = Form<qdx_detail::TMethodCore<B, R, A, V>>;
    return TqdxPropBuilder<T>(Add(name, kind, std::make_unique<Acc>(g, s)));
  }

public:
  using TqdxClassBuilderBase::TqdxClassBuilderBase;

#define QDX_PROP_FORMS(Fn, Form, V, Kind)                                                    \
  template <class B, class M>                                                               \
    requires(!std::is_function_v<M>)                                                        \
  TqdxPropBuilder<T> Fn(const char* name, M B::* field) {                                   \
    return Field<qdx_detail::Form, V>(name, Kind, field);                                   \
  }                                                                                         \
  template <class B, class R, class A>                                                      \
  TqdxPropBuilder<T> Fn(const char* name, R (B::*get)() const, void (B::*set)(A)) {         \
    return Method<qdx_detail::Form, V>(name, Kind, get, set);                               \
  }                                                                                         \
  template <class B, class R>                                                               \
  TqdxPropBuilder<T> Fn(const char* name, R (B::*get)() const, std::nullptr_t) {            \
    return Method<qdx_detail::Form, V>(name, Kind, get, static_cast<void (B::*)(R)>(nullptr)); \
  }

  QDX_PROP_FORMS(Int, TOrdForm, int64_t, TqdxPropKind::pkInteger)
  QDX_PROP_FORMS(Char, TOrdForm, int64_t, TqdxPropKind::pkChar)
  QDX_PROP_FORMS(Float, TFloatForm, double, TqdxPropKind::pkFloat)
  QDX_PROP_FORMS(Str, TStrForm, std::string, TqdxPropKind::pkString)
  QDX_PROP_FORMS(Event, TStrForm, std::string, TqdxPropKind::pkEvent)
  QDX_PROP_FORMS(WStr, TWStrForm, std::u16string, TqdxPropKind::pkWString)
  QDX_PROP_FORMS(Strings, TStringsForm, std::vector<std::string>, TqdxPropKind::pkStringList)
  QDX_PROP_FORMS(WStrings, TWStringsForm, std::vector<std::u16string>, TqdxPropKind::pkWStringList)
#undef QDX_PROP_FORMS

  // Booleans: an enumeration False, True.
  template <class... P>
  TqdxPropBuilder<T> Bool(const char* name, P... access) {
    auto b = Int(name, access...);
    Retype(b.Info(), TqdxPropKind::pkEnumeration, qdxBooleanEnum());
    return b;
  }
  template <class... P>
  TqdxPropBuilder<T> Enum(const char* name, const TqdxEnumInfo& values, P... access) {
    auto b = Int(name, access...);
    Retype(b.Info(), TqdxPropKind::pkEnumeration, values);
    return b;
  }
  template <class... P>
  TqdxPropBuilder<T> Set(const char* name, const TqdxEnumInfo& elements, P... access) {
    auto b = Int(name, access...);
    Retype(b.Info(), TqdxPropKind::pkSet, elements);
    return b;
  }

  // Owned sub-object, read through `X* GetX() const` and changed in place.
  template <class B, class X>
  TqdxPropBuilder<T> Object(const char* name, X* (B::*get)() const) {
    static_assert(std::is_base_of_v<B, T>, "property of an unrelated class");
    using Acc = qdx_detail::TObjectForm<qdx_detail::TMethodCore<B, X*, X*, TqdxPersistent*>>;
    TqdxPropInfo& p = Add(name, TqdxPropKind::pkClass, std::make_unique<Acc>(get, nullptr));
    SetObjectClass(p, &qdx_detail::ClassInfoOf<X>);
    return TqdxPropBuilder<T>(p);
  }

  // Reference to another component of class X (or a descendant); a value of
  // another class is refused.
  template <class B, class X>
  TqdxPropBuilder<T> Ref(const char* name, X* B::* field) {
    auto b = Field<qdx_detail::TRefForm, TqdxBaseComponent*>(name, TqdxPropKind::pkComponent, field);
    SetObjectClass(b.Info(), &qdx_detail::ClassInfoOf<X>);
    return b;
  }
  template <class B, class X, class A>
  TqdxPropBuilder<T> Ref(const char* name, X* (B::*get)() const, void (B::*set)(A)) {
    auto b = Method<qdx_detail::TRefForm, TqdxBaseComponent*>(name, TqdxPropKind::pkComponent, get, set);
    SetObjectClass(b.Info(), &qdx_detail::ClassInfoOf<X>);
    return b;
  }
};

// Builds the description of class T once: its name, parent and published
// properties. Creatable classes get a factory that passes the owner when T
// takes one.
template <class T>
const TqdxClassInfo& qdxDefineClass(const char* name, const TqdxClassInfo* parent,
                                    void (*publish)(TqdxClassBuilder<T>&)) {
  TqdxFactory factory = nullptr;
  if constexpr (!std::is_abstract_v<T>) {
    if constexpr (std::is_constructible_v<T, TqdxBaseComponent*>)
      factory = [](TqdxBaseComponent* owner) -> std::unique_ptr<TqdxPersistent> {
        return std::make_unique<T>(owner);
      };
    else if constexpr (std::is_default_constructible_v<T>)
      factory = [](TqdxBaseComponent*) -> std::unique_ptr<TqdxPersistent> { return std::make_unique<T>(); };
  }
  auto* cls = new TqdxClassInfo(name, parent, factory);  // lives as long as the program
  if (publish != nullptr) {
    TqdxClassBuilder<T> builder(*cls);
    publish(builder);
  }
  qdxRegisterClass(*cls);
  return *cls;
}

// The description of a class that publishes nothing of its own.
#define QDX_DEFINE_PLAIN_CLASS(Name, Base)                                                           \
  const TqdxClassInfo& Name::StaticClassInfo() {                                                     \
    static const TqdxClassInfo& info = qdxDefineClass<Name>(#Name, &Base::StaticClassInfo(), nullptr); \
    return info;                                                                                     \
  }
