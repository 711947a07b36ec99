#pragma once
// A font file as a list of faces: a single TrueType or OpenType font is one
// face, a TrueType collection ("ttcf") lists several that share the file.

#include "export/pdf/qdxTrueTypeFont.h"

#include <memory>
#include <vector>

class TrueTypeCollection {
public:
  // Reads the header and the face offsets; raises "TrueType font format
  // error" for data that is no font file and "Unknown font collection
  // version" for a collection of another version. The data must outlive the
  // collection.
  void Load(TTFView file);

  bool IsCollection() const { return FCollection; }
  int FaceCount() const { return int(FOffsets.size()); }
  // Face index, loaded on first use; raises for an index outside the file.
  TrueTypeFont& Face(int index);
  // The first face whose full name (name ID 4) is fullName, or -1.
  int FindFace(const std::string& fullName);

private:
  TTFView FFile;
  bool FCollection = false;
  std::vector<uint32_t> FOffsets;
  std::vector<std::unique_ptr<TrueTypeFont>> FFaces;
};
