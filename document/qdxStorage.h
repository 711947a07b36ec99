#pragma once
// Storage pieces of prepared reports: the write cache that large outputs are
// written through, and the cache that holds every picture of a prepared
// report once, shared by index.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Streams.h"

// Collects small writes into a chunk and hands the target whole chunks.
// Seeking (and asking for the position or size) first writes out the chunk.
// Write-only: Read raises EStreamError.
//
// The destructor writes out what is left but cannot report a failure, so a
// writer that must know whether its output is complete calls Flush first.
class TCachedStream : public TStream {
public:
  static constexpr size_t DefaultCacheSize = 4096;

  // The target must outlive the cache unless ownsTarget is set, in which case
  // the cache frees it. Raises EStreamError for a null target.
  TCachedStream(TStream* target, bool ownsTarget);
  ~TCachedStream() override;
  TCachedStream(const TCachedStream&) = delete;
  TCachedStream& operator=(const TCachedStream&) = delete;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;

  // Writes the chunk to the target. On a failure the chunk is dropped (the
  // error has been raised to the caller), so it is not written twice.
  void Flush();

  size_t CacheSize() const { return FCache.size(); }
  // Allowed only while the chunk is empty; a size of 0 is refused.
  void SetCacheSize(size_t size);
  TStream* Target() const { return FTarget; }

private:
  TStream* FTarget;
  bool FOwnsTarget;
  std::vector<char> FCache;
  size_t FUsed = 0;
};

// Pictures of a prepared report, each stored once and referred to by a
// 1-based index (0 means "no cached picture"). The bytes live in segments,
// memory streams or, with PictureCacheInFile, anonymous temporary files: each
// file is unlinked as soon as it is created, so nothing is left on disk even
// when the process dies. A new segment starts when the current one already
// holds more than MaxSegmentSize bytes.
class TqdxPictureCache {
public:
  static constexpr int64_t DefaultMaxSegmentSize = 1789569705;

  explicit TqdxPictureCache(bool pictureCacheInFile = false, std::string tempDir = {},
                            int64_t maxSegmentSize = DefaultMaxSegmentSize);
  ~TqdxPictureCache();
  TqdxPictureCache(const TqdxPictureCache&) = delete;
  TqdxPictureCache& operator=(const TqdxPictureCache&) = delete;

  // Both settings apply to segments started afterwards; set them before
  // adding pictures or after Clear.
  bool PictureCacheInFile() const { return FInFile; }
  void SetPictureCacheInFile(bool value) { FInFile = value; }
  // Folder for the temporary files; empty, or a folder in which no file can
  // be created (a setting from another machine), means the system's
  // temporary folder.
  const std::string& TempDir() const { return FTempDir; }
  void SetTempDir(std::string value) { FTempDir = std::move(value); }

  // Appends the bytes as a new item and returns its 1-based index. Raises
  // EStreamError when a temporary file cannot be created or written; the
  // cache is then unchanged.
  int AddPicture(std::string_view bytes);
  // Appends the bytes given in hexadecimal, as pictures are kept in the
  // document. A malformed value still takes an index, holding no bytes, so
  // the indexes of later pictures stay right; valid (when given) tells
  // whether the value was well formed.
  int AddPictureFromHex(std::string_view hex, bool* valid = nullptr);

  int Count() const { return static_cast<int>(FItems.size()); }
  int SegmentCount() const { return static_cast<int>(FSegments.size()); }
  // Size of item index; 0 for an index outside 1..Count.
  int64_t GetPictureSize(int index) const;
  // Bytes of item index; empty for an index outside 1..Count. Indexes come
  // from files and are never trusted.
  std::string GetPictureBytes(int index) const;
  // The same into a buffer the caller reuses, for walking all items when
  // saving; false (buffer emptied) for an index outside 1..Count.
  bool ReadPicture(int index, std::string& buffer) const;

  // Frees all items and segments (closing, and so removing, the files).
  void Clear();

private:
  struct TItem {
    size_t Segment;
    int64_t Offset;
  };
  struct TSegment {
    std::unique_ptr<TStream> Stream;
    int64_t Size = 0;  // bytes that belong to items; the stream may hold more after a failed write
  };

  TSegment& CurrentSegment();
  std::unique_ptr<TStream> NewSegmentStream() const;

  bool FInFile;
  std::string FTempDir;
  int64_t FMaxSegmentSize;
  std::vector<TSegment> FSegments;
  std::vector<TItem> FItems;
};
