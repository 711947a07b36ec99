#include "export/pdf/qdxTrueTypeCollection.h"

void TrueTypeCollection::Load(TTFView file) {
  FFile = file;
  FOffsets.clear();
  FFaces.clear();
  if (file.size() < 4) throw ETrueTypeError("TrueType font format error");
  uint32_t tag = TTF_Helpers::U32(file, 0);
  FCollection = tag == TTF_Helpers::Tag("ttcf");
  if (!FCollection) {
    if (tag != 0x00010000 && tag != TTF_Helpers::Tag("true") && tag != TTF_Helpers::Tag("OTTO"))
      throw ETrueTypeError("TrueType font format error");
    FOffsets.push_back(0);
  } else {
    uint32_t version = TTF_Helpers::U32(file, 4);
    if (version != 0x00010000 && version != 0x00020000)
      throw ETrueTypeError("Unknown font collection version");
    uint32_t count = TTF_Helpers::U32(file, 8);
    TTF_Helpers::Slice(file, 12, size_t(count) * 4, "the face offsets of the collection");
    for (uint32_t i = 0; i < count; ++i) FOffsets.push_back(TTF_Helpers::U32(file, 12 + 4 * size_t(i)));
  }
  FFaces.resize(FOffsets.size());
}

TrueTypeFont& TrueTypeCollection::Face(int index) {
  if (index < 0 || index >= FaceCount())
    throw ETrueTypeError("TrueType font format error: the file has no face " + std::to_string(index));
  auto& face = FFaces[size_t(index)];
  if (!face) {
    auto loaded = std::make_unique<TrueTypeFont>();
    loaded->Load(FFile, FOffsets[size_t(index)]);
    face = std::move(loaded);
  }
  return *face;
}

int TrueTypeCollection::FindFace(const std::string& fullName) {
  for (int i = 0; i < FaceCount(); ++i) {
    try {
      if (Face(i).FullName() == fullName) return i;
    } catch (const ETrueTypeError&) {
      // A damaged face is no match.
    }
  }
  return -1;
}
