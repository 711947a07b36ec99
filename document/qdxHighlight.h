#pragma once
// Conditional style of a text object and their collection.

#include "document/qdxFill.h"
#include "document/qdxFont.h"
#include "document/qdxFormat.h"
#include "document/qdxFrame.h"

enum TqdxInteractiveType : uint8_t { ihNone, ihClick, ihEnter, ieLeave };

class TqdxHighlight : public TqdxPersistent {
public:
  QDX_CLASS(TqdxHighlight)
  TqdxHighlight();

  bool Active = false;
  bool ApplyFont = true;
  bool ApplyFill = true;
  bool ApplyFrame = false;
  std::string Condition;
  TqdxInteractiveType InteractiveType = ihNone;
  bool Visible = true;

  TqdxFont* GetFont() const { return &FFont; }
  TqdxFrame* GetFrame() const { return &FFrame; }
  TqdxCustomFill* GetFill() const { return FFill.get(); }
  TqdxFillType GetFillType() const { return FFill->FillType(); }
  void SetFillType(TqdxFillType value) { qdxSetFillType(FFill, value); }
  TqdxColor GetColor() const { return FFill->GetColor(); }
  void SetColor(TqdxColor value) { qdxSetFillColor(*FFill, value); }

private:
  mutable TqdxFont FFont;
  mutable TqdxFrame FFrame;
  std::unique_ptr<TqdxCustomFill> FFill;
};

class TqdxHighlightCollection : public TqdxOwnedList<TqdxHighlight> {};
