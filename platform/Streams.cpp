#include "platform/Streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int64_t TStream::Size() {
  int64_t pos = Position();
  int64_t end = Seek(0, TSeekOrigin::soEnd);
  Seek(pos, TSeekOrigin::soBeginning);
  return end;
}

void TStream::SetSize(int64_t) { throw EStreamError("Stream size cannot be changed"); }

void TStream::ReadBuffer(void* buffer, size_t count) {
  size_t got = 0;
  auto* p = static_cast<char*>(buffer);
  while (got < count) {
    size_t n = Read(p + got, count - got);
    if (n == 0) throw EStreamError("Stream read error");
    got += n;
  }
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  char buf[65536];
  int64_t copied = 0;
  bool all = count <= 0;
  for (;;) {
    size_t want = sizeof buf;
    if (!all) want = static_cast<size_t>(std::min<int64_t>(count - copied, sizeof buf));
    if (want == 0) break;
    size_t n = source.Read(buf, want);
    if (n == 0) {
      if (!all) throw EStreamError("Stream read error");
      break;
    }
    WriteBuffer(buf, n);
    copied += static_cast<int64_t>(n);
  }
  return copied;
}

TFileStream::TFileStream(const std::string& fileName, TFileMode mode) : FFileName(fileName) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case TFileMode::fmOpenRead: flags |= O_RDONLY; break;
    case TFileMode::fmOpenReadWrite: flags |= O_RDWR; break;
    case TFileMode::fmCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  FHandle = ::open(fileName.c_str(), flags, 0666);
  if (FHandle < 0) {
    const char* what = mode == TFileMode::fmCreate ? "Cannot create file" : "Cannot open file";
    throw EFOpenError(std::string(what) + " \"" + fileName + "\". " + std::strerror(errno));
  }
  struct stat st {};
  if (::fstat(FHandle, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(FHandle);
    FHandle = -1;
    throw EFOpenError("Cannot open file \"" + fileName + "\". Is a directory");
  }
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

size_t TFileStream::Read(void* buffer, size_t count) {
  for (;;) {
    ssize_t n = ::read(FHandle, buffer, count);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) throw EStreamError("Read error on \"" + FFileName + "\": " + std::strerror(errno));
  }
}

size_t TFileStream::Write(const void* buffer, size_t count) {
  const char* p = static_cast<const char*>(buffer);
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::write(FHandle, p + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EStreamError("Write error on \"" + FFileName + "\": " + std::strerror(errno));
    }
    done += static_cast<size_t>(n);
  }
  return count;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(FHandle, static_cast<off_t>(offset), whence);
  if (r < 0) throw EStreamError("Seek error on \"" + FFileName + "\": " + std::strerror(errno));
  return static_cast<int64_t>(r);
}

int64_t TFileStream::Size() {
  struct stat st {};
  if (::fstat(FHandle, &st) != 0) return TStream::Size();
  return static_cast<int64_t>(st.st_size);
}

void TFileStream::SetSize(int64_t size) {
  if (::ftruncate(FHandle, static_cast<off_t>(size)) != 0)
    throw EStreamError("Cannot change the size of \"" + FFileName + "\": " + std::strerror(errno));
}

void TFileStream::Flush() { ::fsync(FHandle); }

size_t TMemoryStream::Read(void* buffer, size_t count) {
  if (FPos >= FData.size()) return 0;
  size_t n = std::min(count, FData.size() - FPos);
  std::memcpy(buffer, FData.data() + FPos, n);
  FPos += n;
  return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
  if (count == 0) return 0;
  if (FPos > FData.size()) FData.resize(FPos, '\0');
  if (FPos == FData.size()) {
    FData.append(static_cast<const char*>(buffer), count);
  } else {
    if (FPos + count > FData.size()) FData.resize(FPos + count);
    std::memcpy(FData.data() + FPos, buffer, count);
  }
  FPos += count;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  int64_t base = origin == TSeekOrigin::soBeginning ? 0
                 : origin == TSeekOrigin::soCurrent ? static_cast<int64_t>(FPos)
                                                   : static_cast<int64_t>(FData.size());
  int64_t p = base + offset;
  if (p < 0) throw EStreamError("Seek before the start of a memory stream");
  FPos = static_cast<size_t>(p);
  return p;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0) throw EStreamError("Negative stream size");
  FData.resize(static_cast<size_t>(size));
  if (FPos > FData.size()) FPos = FData.size();
}
