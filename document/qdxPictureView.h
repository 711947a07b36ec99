#pragma once
// Picture objects. The picture is kept undecoded.

#include "document/qdxPictureData.h"
#include "document/qdxView.h"

class TqdxPictureView : public TqdxView {
public:
  QDX_CLASS(TqdxPictureView)
  explicit TqdxPictureView(TqdxBaseComponent* owner = nullptr);

  bool Stretched = true;
  bool KeepAspectRatio = true;
  bool Center = false;
  bool AutoSize = false;
  bool Transparent = false;
  TqdxColor TransparentColor = clWhite;
  bool HightQuality = false;
  std::string FileLink;
  // 1-based index into the prepared pages' picture cache; 0 for none.
  int32_t ImageIndex = 0;
  // Whether the picture itself is written with the object.
  bool PictureStored = true;

  TqdxPictureData* GetPicture() const { return &FPicture; }
  bool IsPictureStored() const { return PictureStored; }

  // Background (unless DrawMono), the picture, the frame.
  void Draw(TCanvas& canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;

private:
  mutable TqdxPictureData FPicture;
};
