#include "document/qdxComponent.h"

#include "document/qdxClassBuilder.h"
#include "document/qdxPage.h"

#include <algorithm>
#include <stdexcept>

const TqdxEnumInfo& qdxRestrictionEnum() {
  static const TqdxEnumInfo info("TqdxRestriction", {"rfDontModify", "rfDontSize", "rfDontMove", "rfDontDelete",
                                                     "rfDontEdit", "rfDontEditInPreview", "rfDontCopy"});
  return info;
}

const TqdxClassInfo& TqdxComponent::StaticClassInfo() {
  static const TqdxClassInfo& info =
      qdxDefineClass<TqdxComponent>("TqdxComponent", &TqdxBaseComponent::StaticClassInfo(), nullptr);
  return info;
}

const TqdxClassInfo& TqdxReportComponent::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxReportComponent>(
      "TqdxReportComponent", &TqdxComponent::StaticClassInfo(), [](TqdxClassBuilder<TqdxReportComponent>& Reg) {
        Reg.Str("Description", &TqdxReportComponent::Description);
        Reg.Int("IndexTag", &TqdxReportComponent::IndexTag).Default(0);
      });
  return info;
}

TqdxComponent::TqdxComponent(TqdxBaseComponent* owner) : TqdxBaseComponent(owner) { FFont.SetListener(this); }

TqdxComponent::~TqdxComponent() {
  ClearObjects();
  if (FParent != nullptr) {
    auto& list = FParent->FObjects;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

void TqdxComponent::SetBounds(double left, double top, double width, double height) {
  SetLeft(left);
  SetTop(top);
  SetWidth(width);
  SetHeight(height);
}

double TqdxComponent::AbsLeft() const {
  double r = FLeft;
  for (const TqdxComponent* p = FParent; p != nullptr && !p->Is<TqdxDialogPage>(); p = p->FParent) r += p->FLeft;
  return r;
}

double TqdxComponent::AbsTop() const {
  double r = FTop;
  for (const TqdxComponent* p = FParent; p != nullptr && !p->Is<TqdxDialogPage>(); p = p->FParent) r += p->FTop;
  return r;
}

void TqdxComponent::SetFont(const TqdxFont& font) { FFont.Assign(font); }

void TqdxComponent::TakeParentFont() {
  if (FParent == nullptr) return;
  FTakingParentFont = true;
  FFont.Assign(FParent->FFont);
  FTakingParentFont = false;
}

void TqdxComponent::SetParentFont(bool value) {
  if (value) TakeParentFont();
  FParentFont = value;
}

void TqdxComponent::FontChanged(TqdxFont&) {
  if (!FTakingParentFont) FParentFont = false;
  for (TqdxComponent* c : FObjects)
    if (c->FParentFont) c->TakeParentFont();
}

void TqdxComponent::SetParent(TqdxComponent* parent) {
  if (parent == FParent) return;
  for (const TqdxComponent* p = parent; p != nullptr; p = p->FParent)
    if (p == this) throw std::invalid_argument("A component cannot be its own parent");
  if (FParent != nullptr) {
    auto& list = FParent->FObjects;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  FParent = parent;
  if (parent != nullptr) {
    parent->FObjects.push_back(this);
    if (FParentFont) TakeParentFont();
  }
}

TqdxComponent* TqdxComponent::AddChild(std::unique_ptr<TqdxComponent> child) {
  TqdxComponent* c = child.get();
  c->SetParent(this);  // may refuse; the unique_ptr still owns it then
  child.release();
  return c;
}

std::unique_ptr<TqdxComponent> TqdxComponent::Detach() {
  SetParent(nullptr);
  return std::unique_ptr<TqdxComponent>(this);
}

void TqdxComponent::ClearObjects() {
  std::vector<TqdxComponent*> children;
  children.swap(FObjects);
  for (TqdxComponent* c : children) {
    c->FParent = nullptr;
    delete c;
  }
}

TqdxPage* TqdxComponent::Page() const {
  for (const TqdxComponent* p = this; p != nullptr; p = p->FParent)
    if (p->Is<TqdxPage>()) return static_cast<TqdxPage*>(const_cast<TqdxComponent*>(p));
  return nullptr;
}

TqdxComponent* TqdxComponent::FindObject(std::string_view name) const {
  // Unnamed objects are never found by name.
  if (name.empty()) return nullptr;
  for (TqdxComponent* c : AllObjects())
    if (qdxSameText(c->Name, name)) return c;
  return nullptr;
}

std::vector<TqdxComponent*> TqdxComponent::AllObjects() const {
  std::vector<TqdxComponent*> result;
  // Explicit stack: deep trees from files must not exhaust the call stack.
  std::vector<TqdxComponent*> stack(FObjects.rbegin(), FObjects.rend());
  while (!stack.empty()) {
    TqdxComponent* c = stack.back();
    stack.pop_back();
    result.push_back(c);
    stack.insert(stack.end(), c->FObjects.rbegin(), c->FObjects.rend());
  }
  return result;
}

std::string qdxBaseNameOf(std::string_view className) {
  std::string s(className);
  if (s.size() >= 4 && qdxSameText(std::string_view(s).substr(0, 4), "Tqdx")) s.erase(0, 4);
  size_t at = s.find("View");
  if (at != std::string::npos) s.erase(at, 4);
  return s;
}

std::string TqdxComponent::GetBaseName() const {
  return FBaseName.empty() ? qdxBaseNameOf(ClassName()) : FBaseName;
}

bool TqdxComponent::ExportItself(TqdxCustomExportFilter*) { return false; }

TqdxRect TqdxReportComponent::GetExportBounds() const {
  double l = AbsLeft(), t = AbsTop();
  return {l, t, l + GetWidth(), t + GetHeight()};
}
