// The file transport: streams by name below the base folder, output that
// appears only when complete, scratch containers.

#include "export/qdxIOTransport.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

std::vector<std::string> FilesBelow(const std::filesystem::path& root) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root))
    names.push_back(std::filesystem::relative(e.path(), root).string());
  std::sort(names.begin(), names.end());
  return names;
}

void Open(TqdxIOTransportFile& t, const TTempDir& dir, const std::string& name) {
  t.BasePath = dir / "";
  t.FileName = dir / name;
  t.FileAccess = faWrite;
  ASSERT_TRUE(t.OpenConnection());
}

}  // namespace

TEST(IOTransportFile, OutputAppearsOnlyWhenClosedAfterSuccess) {
  TTempDir dir;
  TqdxIOTransportFile t;
  Open(t, dir, "doc.html");
  TStream* main = t.GetStream();
  EXPECT_EQ(t.GetStream(""), main);  // one stream per name
  main->WriteString("<html>");
  t.GetStream("doc.files/img/1.png")->WriteString("png");
  EXPECT_FALSE(std::filesystem::exists(dir / "doc.html"));
  EXPECT_FALSE(std::filesystem::exists(dir / "doc.files/img/1.png"));
  t.FreeStream(main);
  EXPECT_EQ(ReadWholeFile(dir / "doc.html"), "<html>");
  t.CloseConnection();
  EXPECT_EQ(ReadWholeFile(dir / "doc.files/img/1.png"), "png");
  EXPECT_EQ(FilesBelow(dir.Path()),
            (std::vector<std::string>{"doc.files", "doc.files/img", "doc.files/img/1.png", "doc.html"}));
  EXPECT_TRUE(t.Root().Nodes.empty());
}

TEST(IOTransportFile, AFailedRunLeavesTheOldFileAndNothingElse) {
  TTempDir dir;
  WriteWholeFile(dir / "out.pdf", "old");
  TqdxIOTransportFile t;
  Open(t, dir, "out.pdf");
  t.GetStream()->WriteString("partial");
  t.GetStream("extra.txt")->WriteString("x");
  t.MarkFailed();
  t.CloseConnection();
  EXPECT_EQ(ReadWholeFile(dir / "out.pdf"), "old");
  EXPECT_EQ(FilesBelow(dir.Path()), std::vector<std::string>{"out.pdf"});

  // A transport dropped with open streams discards them too.
  {
    TqdxIOTransportFile abandoned;
    Open(abandoned, dir, "out.pdf");
    abandoned.GetStream()->WriteString("lost");
  }
  EXPECT_EQ(ReadWholeFile(dir / "out.pdf"), "old");
  EXPECT_EQ(FilesBelow(dir.Path()), std::vector<std::string>{"out.pdf"});
}

TEST(IOTransportFile, NamesMustBeRelativePathsOfPlainParts) {
  TTempDir dir;
  TqdxIOTransportFile t;
  Open(t, dir, "out.txt");
  for (const char* bad : {"/etc/passwd", "a//b", "../up.txt", "a/./b", "folder/", "a/.."}) {
    SCOPED_TRACE(bad);
    try {
      t.GetStream(bad);
      ADD_FAILURE() << "expected an error";
    } catch (const EStreamError& e) {
      EXPECT_EQ(std::string(e.what()), std::string("Unable to parse path : \"") + bad + "\" to Nodes");
    }
  }
  // A file node is no folder.
  t.GetStream("a.txt");
  EXPECT_THROW(t.GetStream("a.txt/b.txt"), EStreamError);
  t.FileName.clear();
  EXPECT_THROW(t.GetStream(), EStreamError);
  t.CloseConnection();
  EXPECT_EQ(FilesBelow(dir.Path()), std::vector<std::string>{"a.txt"});
}

TEST(IOTransportFile, ReadingOpensExistingFiles) {
  TTempDir dir;
  WriteWholeFile(dir / "in.txt", "content");
  TqdxIOTransportFile t;
  t.BasePath = dir / "";
  t.FileName = "in.txt";
  t.FileAccess = faRead;
  TStream* s = t.GetStream();
  std::string data(7, '\0');
  s->ReadBuffer(data.data(), data.size());
  EXPECT_EQ(data, "content");
  EXPECT_THROW(t.GetStream("missing.txt"), EFOpenError);
  t.CloseConnection();
  EXPECT_EQ(ReadWholeFile(dir / "in.txt"), "content");
}

TEST(IOTransportFile, TempContainerIsAPrivateFolderRemovedOnClose) {
  TTempDir dir;
  TqdxIOTransportFile t;
  Open(t, dir, "book.xlsx");
  TqdxCustomIOTransport& scratch = t.TempContainer();
  EXPECT_EQ(&t.TempContainer(), &scratch);
  std::string folder = scratch.BasePath;
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.rfind(qdxTempFolder(), 0), 0u);
  EXPECT_EQ(std::filesystem::status(folder).permissions() & std::filesystem::perms::others_all,
            std::filesystem::perms::none);
  scratch.GetStream("xl/worksheets/sheet1.xml")->WriteString("<x/>");
  // Scratch files are usable at once, before anything is closed.
  EXPECT_TRUE(std::filesystem::exists(folder + "xl/worksheets/sheet1.xml"));
  t.CloseConnection();
  EXPECT_EQ(t.TempContainerIfCreated(), nullptr);
  EXPECT_FALSE(std::filesystem::exists(folder));
  EXPECT_TRUE(FilesBelow(dir.Path()).empty());
}

TEST(IOTransportFile, TransportsRegisterWhileTheyLive) {
  size_t before = qdxIOTransports().size();
  {
    TqdxIOTransportFile t;
    ASSERT_EQ(qdxIOTransports().size(), before + 1);
    EXPECT_EQ(qdxIOTransports().back(), &t);
    EXPECT_EQ(t.ClassName(), "TqdxIOTransportFile");
  }
  EXPECT_EQ(qdxIOTransports().size(), before);
}
