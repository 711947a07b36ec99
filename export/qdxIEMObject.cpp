#include "export/qdxIEMObject.h"

#include <cstring>

#include "document/qdxStorage.h"

void TqdxMatrixPictureRenderer::BitmapScaleFactors(TqdxView &, double &factorX, double &factorY) {
  factorX = 1;
  factorY = 1;
}

namespace {
// A parked picture is its size (two little-endian 32-bit values) followed by
// the encoded bytes, so a picture comes back exactly as it went in.
constexpr size_t HeaderSize = 8;

void PutInt(std::string &s, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

int32_t GetInt(const std::string &s, size_t at) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= uint32_t(static_cast<unsigned char>(s[at + i])) << (8 * i);
  return static_cast<int32_t>(u);
}

int Park(TqdxPictureCache &cache, const TqdxIEMPicture &p) {
  std::string record;
  record.reserve(HeaderSize + p.Data.size());
  PutInt(record, p.Width);
  PutInt(record, p.Height);
  record += p.Data;
  return cache.AddPicture(record);
}
}  // namespace

TqdxIEMPicture TqdxIEMObject::LoadParked() const {
  TqdxIEMPicture p;
  if (FCache == nullptr || PictureIndex < 0) return p;
  std::string record = FCache->GetPictureBytes(PictureIndex);
  if (record.size() < HeaderSize) return p;
  p.Width = GetInt(record, 0);
  p.Height = GetInt(record, 4);
  p.Data = record.substr(HeaderSize);
  return p;
}

TqdxIEMPicture *TqdxIEMObject::GetPicture() {
  if (!Picture && !PictureIsVector && PictureIndex >= 0) Picture = LoadParked();
  return Picture ? &*Picture : nullptr;
}

TqdxIEMPicture *TqdxIEMObject::GetVectorPicture() {
  if (!VectorPicture && PictureIsVector && PictureIndex >= 0) VectorPicture = LoadParked();
  return VectorPicture ? &*VectorPicture : nullptr;
}

void TqdxIEMObject::ReleasePictures() {
  if (Picture) {
    if (Picture->HasSize() && PictureIndex == -1 && FCache != nullptr) PictureIndex = Park(*FCache, *Picture);
    Picture.reset();
    PictureIsVector = false;
  } else if (VectorPicture) {
    if (VectorPicture->HasSize() && PictureIndex == -1 && FCache != nullptr)
      PictureIndex = Park(*FCache, *VectorPicture);
    VectorPicture.reset();
    PictureIsVector = true;
  }
}
