#include "document/qdxBaseComponent.h"

#include "document/qdxClassBuilder.h"

const TqdxClassInfo& TqdxBaseComponent::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxBaseComponent>(
      "TqdxBaseComponent", &TqdxPersistent::StaticClassInfo(), [](TqdxClassBuilder<TqdxBaseComponent>& Reg) {
        // The name is written by the component writer itself, never among the
        // properties.
        Reg.Str("Name", &TqdxBaseComponent::Name).Stored(false);
        Reg.Int("Tag", &TqdxBaseComponent::Tag).Default(0);
      });
  return info;
}

void TqdxBaseComponent::EndLoading() {
  if (!FLoading) return;
  FLoading = false;
  Loaded();
}
