#pragma once
// Publishing the view properties that each subclass chooses to publish.
// Include only in registering .cpp files.

#include "document/qdxClassBuilder.h"
#include "document/qdxView.h"

// Frame, FillType, Fill (the type before the fill: reading it replaces the
// fill object).
template <class T>
void qdxPublishFrameFill(TqdxClassBuilder<T>& Reg) {
  Reg.Object("Frame", &TqdxView::GetFrame);
  Reg.Enum("FillType", qdxFillTypeEnum(), &TqdxView::GetFillType, &TqdxView::SetFillType).Default(ftBrush);
  Reg.Object("Fill", &TqdxView::GetFill);
}

template <class T>
void qdxPublishColor(TqdxClassBuilder<T>& Reg) {
  Reg.Int("Color", &TqdxView::GetColor, &TqdxView::SetColor).Default(clNone).template Stored<&TqdxView::IsColorStored>();
}

template <class T>
void qdxPublishBrushStyle(TqdxClassBuilder<T>& Reg) {
  Reg.Enum("BrushStyle", qdxBrushStyleEnum(), &TqdxView::GetBrushStyle, &TqdxView::SetBrushStyle)
      .Default(bsSolid)
      .template Stored<&TqdxView::IsBrushStyleStored>();
}

template <class T>
void qdxPublishCursorTagUrl(TqdxClassBuilder<T>& Reg) {
  Reg.Int("Cursor", &TqdxView::Cursor).Default(0);
  Reg.Str("TagStr", &TqdxView::TagStr);
  Reg.Str("URL", &TqdxView::URL);
}

template <class T>
void qdxPublishDataBinding(TqdxClassBuilder<T>& Reg) {
  Reg.Str("DataField", &TqdxView::DataField);
  Reg.Ref("DataSet", &TqdxView::DataSet);
  Reg.Str("DataSetName", &TqdxView::DataSetName);
}

// Frame, fill, colour, brush style, cursor, tag and URL: what every drawn
// object publishes.
template <class T>
void qdxPublishViewLook(TqdxClassBuilder<T>& Reg) {
  qdxPublishFrameFill(Reg);
  qdxPublishColor(Reg);
  qdxPublishBrushStyle(Reg);
  qdxPublishCursorTagUrl(Reg);
}
