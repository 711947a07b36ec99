#pragma once
// The frame of a view: which sides are drawn, their common style, per-side
// overrides and the drop shadow.

#include "document/qdxGraphics.h"
#include "document/qdxTypInfo.h"

enum TqdxFrameType : uint8_t { ftLeft, ftRight, ftTop, ftBottom };
using TqdxFrameTypes = uint8_t;  // bits 1 left, 2 right, 4 top, 8 bottom
enum TqdxFrameStyle : uint8_t { fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble, fsAltDot, fsSquare };

const TqdxEnumInfo& qdxFrameStyleEnum();

class TqdxFrame;

// One side of a frame. Its values follow the frame's until set on the side;
// only values that differ from the frame's are stored.
class TqdxFrameLine : public TqdxPersistent {
public:
  QDX_CLASS(TqdxFrameLine)
  explicit TqdxFrameLine(TqdxFrame* frame = nullptr) : FFrame(frame) {}

  TqdxColor Color = clBlack;
  TqdxFrameStyle Style = fsSolid;
  double Width = 1;

  TqdxFrame* Frame() const { return FFrame; }
  bool IsColorStored() const;
  bool IsStyleStored() const;
  bool IsWidthStored() const;

private:
  TqdxFrame* FFrame;
};

class TqdxFrame : public TqdxPersistent {
public:
  QDX_CLASS(TqdxFrame)
  TqdxFrame();

  TqdxFrameTypes Typ = 0;
  bool DropShadow = false;
  double ShadowWidth = 4;
  TqdxColor ShadowColor = clBlack;

  bool HasSide(TqdxFrameType side) const { return (Typ & qdxBit(side)) != 0; }

  // Setting these sets the same value on all four lines.
  TqdxColor GetColor() const { return FColor; }
  void SetColor(TqdxColor value);
  TqdxFrameStyle GetStyle() const { return FStyle; }
  void SetStyle(TqdxFrameStyle value);
  double GetWidth() const { return FWidth; }
  void SetWidth(double value);

  TqdxFrameLine* GetLeftLine() const { return &FLines[0]; }
  TqdxFrameLine* GetTopLine() const { return &FLines[1]; }
  TqdxFrameLine* GetRightLine() const { return &FLines[2]; }
  TqdxFrameLine* GetBottomLine() const { return &FLines[3]; }

  bool IsWidthStored() const { return FWidth != 1; }
  bool IsShadowWidthStored() const { return ShadowWidth != 4; }

private:
  TqdxColor FColor = clBlack;
  TqdxFrameStyle FStyle = fsSolid;
  double FWidth = 1;
  mutable TqdxFrameLine FLines[4];
};
