#pragma once
// Byte streams: the one abstraction that readers and writers of every format
// share. Positions and sizes are 64-bit.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

class EStreamError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Raised when a file cannot be opened or created; the message names the file.
class EFOpenError : public EStreamError {
public:
  using EStreamError::EStreamError;
};

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
  virtual ~TStream() = default;
  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes count bytes or raises EStreamError.
  virtual size_t Write(const void* buffer, size_t count) = 0;
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size();
  virtual void SetSize(int64_t size);

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t p) { Seek(p, TSeekOrigin::soBeginning); }
  // Reads exactly count bytes or raises EStreamError.
  void ReadBuffer(void* buffer, size_t count);
  void WriteBuffer(const void* buffer, size_t count) { Write(buffer, count); }
  void WriteString(const std::string& s) { Write(s.data(), s.size()); }
  // Copies count bytes from source (all of it from its position when count is 0).
  int64_t CopyFrom(TStream& source, int64_t count);
};

enum class TFileMode {
  fmOpenRead,       // existing file, read only; others may read
  fmOpenReadWrite,  // existing file, read and write
  fmCreate,         // new or truncated file, read and write
};

class TFileStream : public TStream {
public:
  TFileStream(const std::string& fileName, TFileMode mode);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override;
  void SetSize(int64_t size) override;
  void Flush();

  const std::string& FileName() const { return FFileName; }

private:
  std::string FFileName;
  int FHandle = -1;
};

class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string data) : FData(std::move(data)) {}

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(FData.size()); }
  void SetSize(int64_t size) override;

  const std::string& Data() const { return FData; }
  std::string& Data() { return FData; }
  void Clear() { FData.clear(); FPos = 0; }

private:
  std::string FData;
  size_t FPos = 0;
};
