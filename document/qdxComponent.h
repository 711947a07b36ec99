#pragma once
// Report objects: a tree of components. Every component has geometry, a
// font and a list of child components that it owns.

#include "document/qdxBaseComponent.h"
#include "document/qdxFont.h"
#include "document/qdxGraphics.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TqdxPage;
class TqdxXMLItem;
class TqdxCustomExportFilter;
class TCanvas;

enum TqdxAnchor : uint8_t { fraLeft, fraTop, fraRight, fraBottom };
using TqdxAnchors = uint8_t;
enum TqdxRestriction : uint8_t {
  rfDontModify, rfDontSize, rfDontMove, rfDontDelete, rfDontEdit, rfDontEditInPreview, rfDontCopy
};
using TqdxRestrictions = uint8_t;

const TqdxEnumInfo& qdxRestrictionEnum();

// Fixed per class; tell the prepared pages how to store an object.
enum TqdxObjectFlag : uint32_t {
  ofInPreparedPages = 1,       // written to prepared pages
  ofDiffByFullForm = 2,        // its difference is the full form against the source
  ofWritesNestedElements = 4,  // writes and reads child elements of its own
};

class TqdxComponent : public TqdxBaseComponent, private TqdxFontListener {
public:
  QDX_CLASS(TqdxComponent)
  explicit TqdxComponent(TqdxBaseComponent* owner = nullptr);
  ~TqdxComponent() override;

  // ---- geometry: pixels at 96 per inch, relative to the parent ----
  double GetLeft() const { return FLeft; }
  double GetTop() const { return FTop; }
  double GetWidth() const { return FWidth; }
  double GetHeight() const { return FHeight; }
  virtual void SetLeft(double value) { FLeft = value; }
  virtual void SetTop(double value) { FTop = value; }
  virtual void SetWidth(double value) { FWidth = value; }
  virtual void SetHeight(double value) { FHeight = value; }
  void SetBounds(double left, double top, double width, double height);
  virtual bool IsLeftStored() const { return true; }
  virtual bool IsTopStored() const { return true; }
  virtual bool IsWidthStored() const { return true; }
  virtual bool IsHeightStored() const { return true; }
  // Left plus the parents' AbsLeft, up to a component without parent or
  // whose parent is a dialog page.
  double AbsLeft() const;
  double AbsTop() const;

  // ---- font ----
  TqdxFont* GetFont() const { return &FFont; }
  // Copies the values of font (changing the font leaves ParentFont).
  virtual void SetFont(const TqdxFont& font);
  bool GetParentFont() const { return FParentFont; }
  // True takes the parent's font.
  virtual void SetParentFont(bool value);
  bool IsFontStored() const { return !FParentFont; }

  bool GetVisible() const { return FVisible; }
  virtual void SetVisible(bool value) { FVisible = value; }
  TqdxAnchors GetAnchors() const { return FAnchors; }
  virtual void SetAnchors(TqdxAnchors value) { FAnchors = value; }
  int32_t GroupIndex = 0;
  TqdxRestrictions Restrictions = 0;

  // ---- the tree ----
  TqdxComponent* Parent() const { return FParent; }
  // Moves the component into parent's Objects (at the end); the parent then
  // owns it. None releases it from its parent: the caller owns it again.
  // A parent inside the component's own subtree is refused.
  virtual void SetParent(TqdxComponent* parent);
  // Adds child at the end of Objects and returns it.
  TqdxComponent* AddChild(std::unique_ptr<TqdxComponent> child);
  // Takes the component out of its parent and hands it to the caller.
  std::unique_ptr<TqdxComponent> Detach();
  // Frees every child.
  void ClearObjects();
  const std::vector<TqdxComponent*>& Objects() const { return FObjects; }
  // The page that contains the component (itself when it is a page).
  TqdxPage* Page() const;
  // The component of that name in the subtree below (ignoring case), or none.
  TqdxComponent* FindObject(std::string_view name) const;
  // Every component below this one, depth first, parents before children.
  std::vector<TqdxComponent*> AllObjects() const;

  // The class name without "Tqdx" and "View" unless set otherwise; the
  // prepared pages keep a source object's stored form here.
  std::string GetBaseName() const;
  void SetBaseName(std::string value) { FBaseName = std::move(value); }

  // The page element the object was built from, or none.
  TqdxXMLItem* XMLItem = nullptr;
  uint32_t ObjectFlags = ofInPreparedPages;
  bool HasFlag(TqdxObjectFlag flag) const { return (ObjectFlags & flag) != 0; }

  // The 8-bit text of the object (empty unless the class has text).
  virtual std::string GetComponentText() const { return {}; }
  // Objects that hand their contents to a filter themselves return true.
  virtual bool ExportItself(TqdxCustomExportFilter* filter);

protected:
  // Sets the font from the parent without leaving ParentFont.
  void TakeParentFont();

private:
  void FontChanged(TqdxFont& font) override;

  double FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  mutable TqdxFont FFont;
  bool FParentFont = true;
  bool FVisible = true;
  bool FTakingParentFont = false;
  TqdxAnchors FAnchors = qdxBit(fraLeft) | qdxBit(fraTop);
  TqdxComponent* FParent = nullptr;
  std::vector<TqdxComponent*> FObjects;  // owned
  std::string FBaseName;
};

// Common part of report objects that can be drawn and exported.
class TqdxReportComponent : public TqdxComponent {
public:
  QDX_CLASS(TqdxReportComponent)
  using TqdxComponent::TqdxComponent;

  std::string Description;
  int32_t IndexTag = 0;

  // Paints the object: a point (x, y) in absolute pixels lands on
  // (x * scaleX + offsetX, y * scaleY + offsetY). Components without a
  // visible form paint nothing.
  virtual void Draw(TCanvas& canvas, double scaleX, double scaleY, double offsetX, double offsetY);

  // The rectangle in absolute pixels that the object covers.
  virtual TqdxRect GetExportBounds() const;
};

// A class name without its leading "Tqdx" and without "View".
std::string qdxBaseNameOf(std::string_view className);
