#include "document/qdxStorage.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

namespace {

// Open descriptors of this process that refer to files in folder (deleted
// or not): shows that temporary files were really used, and closed again.
int OpenFilesIn(const std::filesystem::path& folder) {
  int n = 0;
  std::string prefix = folder.string() + "/";
  std::error_code ec;
  for (auto& e : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
    std::error_code lec;
    std::string target = std::filesystem::read_symlink(e.path(), lec).string();
    if (!lec && target.rfind(prefix, 0) == 0) ++n;
  }
  return n;
}

bool FolderIsEmpty(const std::filesystem::path& folder) {
  return std::filesystem::directory_iterator(folder) == std::filesystem::directory_iterator();
}

// A target that records what reaches it and can be told to fail.
class TProbeStream : public TMemoryStream {
public:
  explicit TProbeStream(bool* destroyed = nullptr) : FDestroyed(destroyed) {}
  ~TProbeStream() override {
    if (FDestroyed) *FDestroyed = true;
  }
  size_t Write(const void* buffer, size_t count) override {
    if (Fail) throw EStreamError("disk full");
    ++Writes;
    return TMemoryStream::Write(buffer, count);
  }
  bool Fail = false;
  int Writes = 0;

private:
  bool* FDestroyed;
};

std::string Pattern(size_t n, int seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 31 + static_cast<size_t>(seed) * 7) & 0xFF);
  return s;
}

}  // namespace

// ---------------------------------------------------------------------------
// TqdxPictureCache

class PictureCache : public ::testing::TestWithParam<bool> {};

TEST_P(PictureCache, AddAndGetBackEveryItem) {
  TTempDir dir;
  TqdxPictureCache cache(GetParam(), dir.Path().string());
  std::string pictures[] = {"BM first", "", std::string("\0\xFF\0binary", 9), Pattern(70000, 3)};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(cache.AddPicture(pictures[i]), i + 1);
  ASSERT_EQ(cache.Count(), 4);
  std::string buffer;
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(cache.GetPictureBytes(i + 1), pictures[i]) << i;
    EXPECT_EQ(cache.GetPictureSize(i + 1), static_cast<int64_t>(pictures[i].size()));
    EXPECT_TRUE(cache.ReadPicture(i + 1, buffer));
    EXPECT_EQ(buffer, pictures[i]);
  }
  EXPECT_EQ(cache.GetPictureBytes(1), pictures[0]) << "reading again after later items";

  cache.Clear();
  EXPECT_EQ(cache.Count(), 0);
  EXPECT_EQ(cache.GetPictureBytes(1), "");
  EXPECT_EQ(cache.AddPicture("again"), 1);
  EXPECT_EQ(cache.GetPictureBytes(1), "again");
}

TEST_P(PictureCache, IndexesOutsideTheItemsGiveNothing) {
  TqdxPictureCache cache(GetParam());
  for (int index : {0, 1, -1, INT_MIN, INT_MAX}) EXPECT_EQ(cache.GetPictureBytes(index), "") << "empty, " << index;
  cache.AddPicture("one");
  cache.AddPicture("two");
  std::string buffer = "stale";
  for (int index : {0, -1, 3, INT_MIN, INT_MAX}) {
    EXPECT_EQ(cache.GetPictureBytes(index), "") << index;
    EXPECT_EQ(cache.GetPictureSize(index), 0) << index;
    EXPECT_FALSE(cache.ReadPicture(index, buffer)) << index;
    EXPECT_EQ(buffer, "");
  }
}

TEST_P(PictureCache, NewSegmentOnceTheCurrentOneHoldsMoreThanTheLimit) {
  TqdxPictureCache cache(GetParam(), "", 10);
  const char* pictures[] = {"12345678", "abcde", "xyz", "0123456789A", "q"};
  int segments[] = {1, 1, 2, 2, 3};  // 8 is within 10; 13 is over; 3, then 14 is over
  for (int i = 0; i < 5; ++i) {
    cache.AddPicture(pictures[i]);
    EXPECT_EQ(cache.SegmentCount(), segments[i]) << i;
  }
  for (int i = 0; i < 5; ++i) EXPECT_EQ(cache.GetPictureBytes(i + 1), pictures[i]) << "the last of a segment ends there";
}

TEST_P(PictureCache, HexItemsKeepLaterIndexesRight) {
  TqdxPictureCache cache(GetParam());
  bool valid = false;
  EXPECT_EQ(cache.AddPictureFromHex("424D01", &valid), 1);
  EXPECT_TRUE(valid);
  EXPECT_EQ(cache.AddPictureFromHex("424DZZ01", &valid), 2);
  EXPECT_FALSE(valid);
  EXPECT_EQ(cache.AddPictureFromHex("FFD8", &valid), 3);
  EXPECT_TRUE(valid);
  EXPECT_EQ(cache.GetPictureBytes(1), "BM\x01");
  EXPECT_EQ(cache.GetPictureBytes(2), "") << "a malformed value holds no bytes, not a prefix";
  EXPECT_EQ(cache.GetPictureBytes(3), "\xFF\xD8");
}

INSTANTIATE_TEST_SUITE_P(Storage, PictureCache, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "InFiles" : "InMemory"; });

TEST(PictureCacheFiles, NothingIsLeftInTheTemporaryFolder) {
  TTempDir dir;
  {
    TqdxPictureCache cache(true, dir.Path().string() + "/", 100);
    for (int i = 0; i < 5; ++i) cache.AddPicture(Pattern(60, i));
    EXPECT_EQ(cache.SegmentCount(), 3);
    EXPECT_EQ(OpenFilesIn(dir.Path()), 3) << "segments are files in the given folder";
    EXPECT_TRUE(FolderIsEmpty(dir.Path())) << "no name stays visible while in use";
    EXPECT_EQ(cache.GetPictureBytes(4), Pattern(60, 3));
    cache.Clear();
    EXPECT_EQ(OpenFilesIn(dir.Path()), 0);
    cache.AddPicture("x");
    EXPECT_EQ(OpenFilesIn(dir.Path()), 1);
  }
  EXPECT_EQ(OpenFilesIn(dir.Path()), 0);
  EXPECT_TRUE(FolderIsEmpty(dir.Path()));
}

TEST(PictureCacheFiles, UnusableFolderFallsBackToTheSystemTemporaryFolder) {
  TTempDir dir;
  for (std::string folder : {dir / "missing/", std::string("C:\\Temp\\")}) {
    TqdxPictureCache cache(true, folder);
    EXPECT_EQ(cache.AddPicture("picture"), 1) << folder;
    EXPECT_EQ(cache.GetPictureBytes(1), "picture") << folder;
  }
  EXPECT_TRUE(FolderIsEmpty(dir.Path()));
}

// ---------------------------------------------------------------------------
// TCachedStream

TEST(CachedStream, WritesTheSameBytesAsADirectWrite) {
  TMemoryStream target;
  std::string expected;
  {
    TCachedStream cached(&target, false);
    size_t pieces[] = {1, 4095, 1, 4096, 5000, 0, 8192, 3, 4094, 2, 12289};
    int seed = 0;
    for (size_t n : pieces) {
      std::string p = Pattern(n, ++seed);
      cached.WriteBuffer(p.data(), p.size());
      expected += p;
      EXPECT_EQ(target.Size() % 4096, 0) << "only whole chunks reach the target";
      EXPECT_LE(expected.size() - static_cast<size_t>(target.Size()), 4096u);
    }
  }
  EXPECT_EQ(target.Data(), expected) << "the rest is written on destruction";
}

TEST(CachedStream, SeekingWritesOutTheChunkFirst) {
  TMemoryStream target;
  TCachedStream cached(&target, false);
  cached.WriteString("0123456789");
  EXPECT_EQ(target.Size(), 0);
  EXPECT_EQ(cached.Position(), 10);
  EXPECT_EQ(target.Data(), "0123456789");
  EXPECT_EQ(cached.Seek(2, TSeekOrigin::soBeginning), 2);
  cached.WriteString("ab");
  EXPECT_EQ(cached.Seek(0, TSeekOrigin::soEnd), 10);
  cached.WriteString("!");
  EXPECT_EQ(cached.Size(), 11);
  EXPECT_EQ(target.Data(), "01ab456789!");
}

TEST(CachedStream, ReadingIsRefused) {
  TMemoryStream target("data");
  TCachedStream cached(&target, false);
  char c;
  try {
    cached.Read(&c, 1);
    FAIL() << "no error";
  } catch (const EStreamError& e) {
    EXPECT_STREQ(e.what(), "TCachedStream does not support reading");
  }
}

TEST(CachedStream, CacheSizeChangesOnlyWhileEmpty) {
  TProbeStream target;
  TCachedStream cached(&target, false);
  EXPECT_EQ(cached.CacheSize(), 4096u);
  cached.SetCacheSize(4);
  cached.WriteString("abc");
  EXPECT_EQ(target.Writes, 0);
  try {
    cached.SetCacheSize(8);
    FAIL() << "no error";
  } catch (const EStreamError& e) {
    EXPECT_STREQ(e.what(), "Changing cache size is allowed only when the cache is empty");
  }
  EXPECT_EQ(cached.CacheSize(), 4u);
  cached.WriteString("d");
  EXPECT_EQ(target.Data(), "abcd") << "a full chunk is written at once";
  cached.SetCacheSize(8);
  EXPECT_THROW(cached.SetCacheSize(0), EStreamError);
  EXPECT_EQ(cached.CacheSize(), 8u);
}

TEST(CachedStream, OwnedTargetIsFlushedAndFreed) {
  bool destroyed = false;
  auto* target = new TProbeStream(&destroyed);
  std::string seen;
  {
    TCachedStream cached(target, true);
    cached.WriteString("kept");
    cached.Flush();
    seen = target->Data();
  }
  EXPECT_EQ(seen, "kept");
  EXPECT_TRUE(destroyed);
  EXPECT_THROW(TCachedStream(nullptr, false), EStreamError);
}

TEST(CachedStream, AFailedFlushIsReportedOnceAndDestructionStaysQuiet) {
  TProbeStream target;
  {
    TCachedStream cached(&target, false);
    cached.WriteString("lost");
    target.Fail = true;
    EXPECT_THROW(cached.Flush(), EStreamError);
    target.Fail = false;
    cached.Flush();
    EXPECT_EQ(target.Writes, 0) << "the failed chunk is not written again";
    cached.WriteString("x");
    target.Fail = true;
  }  // the destructor meets the failure and must not raise
  EXPECT_EQ(target.Data(), "");
}
