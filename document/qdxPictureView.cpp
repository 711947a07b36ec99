#include "document/qdxPictureView.h"

#include "document/qdxViewRegistration.h"

const TqdxClassInfo& TqdxPictureView::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxPictureView>(
      "TqdxPictureView", &TqdxView::StaticClassInfo(), [](TqdxClassBuilder<TqdxPictureView>& Reg) {
        using P = TqdxPictureView;
        Reg.Object("Picture", &P::GetPicture).Stored<&P::IsPictureStored>();
        Reg.Bool("Stretched", &P::Stretched).Default(true);
        Reg.Bool("KeepAspectRatio", &P::KeepAspectRatio).Default(true);
        Reg.Bool("Center", &P::Center).Default(false);
        Reg.Bool("AutoSize", &P::AutoSize).Default(false);
        Reg.Bool("Transparent", &P::Transparent).Default(false);
        Reg.Int("TransparentColor", &P::TransparentColor).Default(clWhite);
        Reg.Bool("HightQuality", &P::HightQuality).Default(false);
        Reg.Str("FileLink", &P::FileLink);
        Reg.Int("ImageIndex", &P::ImageIndex).Default(0);
        qdxPublishDataBinding(Reg);
        qdxPublishFrameFill(Reg);
        qdxPublishCursorTagUrl(Reg);
      });
  return info;
}

TqdxPictureView::TqdxPictureView(TqdxBaseComponent* owner) : TqdxView(owner) { ObjectFlags &= ~ofDiffByFullForm; }
