#include "document/qdxStorage.h"

#include "document/qdxUtils.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

// ---------------------------------------------------------------------------
// TCachedStream

TCachedStream::TCachedStream(TStream* target, bool ownsTarget)
    : FTarget(target), FOwnsTarget(ownsTarget), FCache(DefaultCacheSize) {
  if (!target) throw EStreamError("TCachedStream needs a target stream");
}

TCachedStream::~TCachedStream() {
  try {
    Flush();
  } catch (...) {
    // A destructor cannot raise; writers that must know call Flush first.
  }
  if (FOwnsTarget) delete FTarget;
}

size_t TCachedStream::Read(void*, size_t) { throw EStreamError("TCachedStream does not support reading"); }

size_t TCachedStream::Write(const void* buffer, size_t count) {
  const char* p = static_cast<const char*>(buffer);
  size_t left = count;
  while (left > 0) {
    if (FUsed == 0 && left >= FCache.size()) {
      // Whole chunks go straight to the target: the same bytes in the same
      // pieces as copying them through the chunk first.
      size_t whole = left - left % FCache.size();
      FTarget->WriteBuffer(p, whole);
      p += whole;
      left -= whole;
      continue;
    }
    size_t n = std::min(left, FCache.size() - FUsed);
    std::memcpy(FCache.data() + FUsed, p, n);
    FUsed += n;
    p += n;
    left -= n;
    if (FUsed == FCache.size()) Flush();
  }
  return count;
}

void TCachedStream::Flush() {
  if (FUsed == 0) return;
  size_t n = FUsed;
  FUsed = 0;
  FTarget->WriteBuffer(FCache.data(), n);
}

int64_t TCachedStream::Seek(int64_t offset, TSeekOrigin origin) {
  Flush();
  return FTarget->Seek(offset, origin);
}

void TCachedStream::SetSize(int64_t size) {
  Flush();
  FTarget->SetSize(size);
}

void TCachedStream::SetCacheSize(size_t size) {
  if (FUsed != 0) throw EStreamError("Changing cache size is allowed only when the cache is empty");
  if (size == 0) throw EStreamError("The cache size must be at least one byte");
  FCache.assign(size, '\0');
  FCache.shrink_to_fit();
}

// ---------------------------------------------------------------------------
// Temporary segment files

namespace {

// A stream over an already unlinked temporary file: the descriptor is the
// file's only reference, so closing it removes the file.
class TTempFileStream : public TStream {
public:
  explicit TTempFileStream(int handle) : FHandle(handle) {}
  ~TTempFileStream() override { ::close(FHandle); }
  TTempFileStream(const TTempFileStream&) = delete;
  TTempFileStream& operator=(const TTempFileStream&) = delete;

  size_t Read(void* buffer, size_t count) override {
    for (;;) {
      ssize_t n = ::read(FHandle, buffer, count);
      if (n >= 0) return static_cast<size_t>(n);
      if (errno != EINTR) throw EStreamError(std::string("Picture cache read error: ") + std::strerror(errno));
    }
  }

  size_t Write(const void* buffer, size_t count) override {
    const char* p = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < count) {
      ssize_t n = ::write(FHandle, p + done, count - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        throw EStreamError(std::string("Picture cache write error: ") + std::strerror(errno));
      }
      done += static_cast<size_t>(n);
    }
    return count;
  }

  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
    off_t r = ::lseek(FHandle, static_cast<off_t>(offset), whence);
    if (r < 0) throw EStreamError(std::string("Picture cache seek error: ") + std::strerror(errno));
    return static_cast<int64_t>(r);
  }

  void SetSize(int64_t size) override {
    if (::ftruncate(FHandle, static_cast<off_t>(size)) != 0)
      throw EStreamError(std::string("Picture cache truncate error: ") + std::strerror(errno));
  }

private:
  int FHandle;
};

// mkstemp in folder; -1 when the folder is unusable. The name is unlinked at
// once.
int CreateUnlinkedTempFile(std::string folder) {
  if (folder.empty()) return -1;
  if (folder.back() != '/') folder += '/';
  std::string name = folder + "qdxpic.XXXXXX";
  int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd >= 0) ::unlink(name.c_str());
  return fd;
}

}  // namespace

// ---------------------------------------------------------------------------
// TqdxPictureCache

TqdxPictureCache::TqdxPictureCache(bool pictureCacheInFile, std::string tempDir, int64_t maxSegmentSize)
    : FInFile(pictureCacheInFile), FTempDir(std::move(tempDir)), FMaxSegmentSize(maxSegmentSize) {}

TqdxPictureCache::~TqdxPictureCache() = default;

void TqdxPictureCache::Clear() {
  FItems.clear();
  FSegments.clear();
}

std::unique_ptr<TStream> TqdxPictureCache::NewSegmentStream() const {
  if (!FInFile) return std::make_unique<TMemoryStream>();
  int fd = CreateUnlinkedTempFile(FTempDir);
  if (fd < 0) {
    std::error_code ec;
    std::string system = std::filesystem::temp_directory_path(ec).string();
    if (ec) system = "/tmp";
    fd = CreateUnlinkedTempFile(system);
    if (fd < 0)
      throw EStreamError("Cannot create a temporary file for the picture cache in \"" + system +
                         "\": " + std::strerror(errno));
  }
  return std::make_unique<TTempFileStream>(fd);
}

TqdxPictureCache::TSegment& TqdxPictureCache::CurrentSegment() {
  if (FSegments.empty() || FSegments.back().Size > FMaxSegmentSize) {
    TSegment s;
    s.Stream = NewSegmentStream();
    FSegments.push_back(std::move(s));
  }
  return FSegments.back();
}

int TqdxPictureCache::AddPicture(std::string_view bytes) {
  TSegment& seg = CurrentSegment();
  try {
    seg.Stream->Seek(seg.Size, TSeekOrigin::soBeginning);
    seg.Stream->WriteBuffer(bytes.data(), bytes.size());
  } catch (...) {
    // Cut off a partial write so that it never becomes part of the last item.
    try {
      seg.Stream->SetSize(seg.Size);
    } catch (...) {
    }
    throw;
  }
  FItems.push_back({FSegments.size() - 1, seg.Size});
  seg.Size += static_cast<int64_t>(bytes.size());
  return Count();
}

int TqdxPictureCache::AddPictureFromHex(std::string_view hex, bool* valid) {
  std::string bytes;
  bool ok = HexToBytes(hex, bytes);
  if (!ok) bytes.clear();
  if (valid) *valid = ok;
  return AddPicture(bytes);
}

int64_t TqdxPictureCache::GetPictureSize(int index) const {
  if (index < 1 || index > Count()) return 0;
  const TItem& item = FItems[static_cast<size_t>(index - 1)];
  int64_t end = FSegments[item.Segment].Size;
  if (static_cast<size_t>(index) < FItems.size() && FItems[static_cast<size_t>(index)].Segment == item.Segment)
    end = FItems[static_cast<size_t>(index)].Offset;
  return end - item.Offset;
}

bool TqdxPictureCache::ReadPicture(int index, std::string& buffer) const {
  buffer.clear();
  if (index < 1 || index > Count()) return false;
  const TItem& item = FItems[static_cast<size_t>(index - 1)];
  int64_t size = GetPictureSize(index);
  buffer.resize(static_cast<size_t>(size));
  if (size > 0) {
    TStream& s = *FSegments[item.Segment].Stream;
    s.Seek(item.Offset, TSeekOrigin::soBeginning);
    s.ReadBuffer(buffer.data(), buffer.size());
  }
  return true;
}

std::string TqdxPictureCache::GetPictureBytes(int index) const {
  std::string bytes;
  ReadPicture(index, bytes);
  return bytes;
}
