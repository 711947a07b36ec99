#include "platform/FileUtils.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

TEST(FileUtils, NameParts) {
  struct {
    const char *Name, *Path, *File, *Ext, *Changed;
  } cases[] = {
      {"/a/b/report.qdp", "/a/b/", "report.qdp", ".qdp", "/a/b/report.pdf"},
      {"report", "", "report", "", "report.pdf"},
      {"/a.dir/report", "/a.dir/", "report", "", "/a.dir/report.pdf"},
      {"x.tar.gz", "", "x.tar.gz", ".gz", "x.tar.pdf"},
      {"/in/", "/in/", "", "", "/in/.pdf"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.Name), c.Path) << c.Name;
    EXPECT_EQ(ExtractFileName(c.Name), c.File) << c.Name;
    EXPECT_EQ(ExtractFileExt(c.Name), c.Ext) << c.Name;
    EXPECT_EQ(ChangeFileExt(c.Name, ".pdf"), c.Changed) << c.Name;
  }
  EXPECT_EQ(ExpandFileName("/a/./b/../c/"), "/a/c/");
  EXPECT_EQ(ExpandFileName("/a/b/../c.qdp"), "/a/c.qdp");
}

TEST(FileUtils, AtomicWriteReplacesWholeFilesOnly) {
  TTempDir dir;
  std::string name = dir / "out.txt";
  ASSERT_TRUE(WriteFileAtomically(name, "one"));
  ASSERT_TRUE(WriteFileAtomically(name, "two"));
  EXPECT_EQ(ReadWholeFile(name), "two");
  EXPECT_FALSE(WriteFileAtomically(dir / "missing/out.txt", "x"));
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.is_regular_file();
  EXPECT_EQ(files, 1) << "no temporary file is left behind";
}
