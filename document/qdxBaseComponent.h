#pragma once
// A named component: the base of report objects, the report and export
// filters. Component references point to components.

#include "document/qdxTypInfo.h"

#include <string>

class TqdxBaseComponent : public TqdxPersistent {
public:
  QDX_CLASS(TqdxBaseComponent)
  // The owner is the context in which the component was created and in
  // which its references are looked up; it does not own the component (see
  // TqdxComponent::SetParent for ownership).
  explicit TqdxBaseComponent(TqdxBaseComponent* owner = nullptr) : FOwner(owner) {}

  std::string Name;
  int64_t Tag = 0;

  TqdxBaseComponent* Owner() const { return FOwner; }
  void SetOwner(TqdxBaseComponent* owner) { FOwner = owner; }

  // Loading state: set while a reader applies stored values, so that setters
  // can tell reading from editing. EndLoading calls Loaded.
  bool IsLoading() const { return FLoading; }
  void BeginLoading() { FLoading = true; }
  void EndLoading();
  // Called once all values (and references) of a read object are set.
  virtual void Loaded() {}

private:
  TqdxBaseComponent* FOwner;
  bool FLoading = false;
};
