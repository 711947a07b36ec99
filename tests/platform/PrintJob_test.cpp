// The print spooler: drivers by printer name, and a job's output file that
// appears only when the job is complete.

#include "platform/PrintJob.h"
#include "platform/Streams.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Writes "B", one "P" per page and "E"; fails where it is told to.
class TTextDriver : public TPrintDriver {
public:
  void BeginDocument(TStream& out, const std::string&) override {
    if (FailAt == 'B') throw std::runtime_error("cannot begin");
    FOut = &out;
    FOut->Write("B", 1);
  }
  void Page(const TPrinterPage&, std::string_view) override {
    if (FailAt == 'P') throw std::runtime_error("cannot print");
    FOut->Write("P", 1);
  }
  void EndDocument() override {
    if (FailAt == 'E') throw std::runtime_error("cannot end");
    FOut->Write("E", 1);
  }
  static inline char FailAt = 0;

private:
  TStream* FOut = nullptr;
};

class PrintJobTest : public ::testing::Test {
protected:
  void SetUp() override {
    TTextDriver::FailAt = 0;
    FSaved = RegisterPrintDriver(BuiltInPrinterName, [](const TPrinterDevice&) -> std::unique_ptr<TPrintDriver> {
      return std::make_unique<TTextDriver>();
    });
  }
  void TearDown() override { RegisterPrintDriver(BuiltInPrinterName, FSaved); }

  std::vector<std::string> Files() const {
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(Dir.Path())) files.push_back(e.path().filename().string());
    std::sort(files.begin(), files.end());
    return files;
  }

  TTempDir Dir;
  TPrintDriverFactory FSaved;
};

}  // namespace

TEST_F(PrintJobTest, DriversAreFoundByNameIgnoringCase) {
  EXPECT_TRUE(HasPrintDriver("microsoft print to pdf"));
  EXPECT_FALSE(HasPrintDriver("Office Laser 5"));
  TPrintDriverFactory mine = RegisterPrintDriver("MICROSOFT PRINT TO PDF", nullptr);
  EXPECT_TRUE(static_cast<bool>(mine));
  EXPECT_FALSE(HasPrintDriver(BuiltInPrinterName));
  EXPECT_FALSE(TPrintJob(FindPrinter("")).Valid());
  RegisterPrintDriver(BuiltInPrinterName, mine);
  EXPECT_TRUE(TPrintJob(FindPrinter("")).Valid());
}

TEST_F(PrintJobTest, TheOutputAppearsWhenTheJobEnds) {
  const std::string out = Dir / "out.prn";
  TPrintJob job(FindPrinter(""));
  job.StartDoc(out, "title");
  job.Page(TPrinterPage{}, "");
  job.Page(TPrinterPage{}, "");
  // Only the temporary file beside it so far.
  EXPECT_FALSE(fs::exists(out));
  ASSERT_EQ(Files().size(), 1u);
  EXPECT_TRUE(Files()[0].starts_with(".out.prn."));
  job.EndDoc();
  EXPECT_EQ(ReadWholeFile(out), "BPPE");
  EXPECT_EQ(Files(), std::vector<std::string>{"out.prn"});
}

TEST_F(PrintJobTest, FailuresLeaveNoFileAndKeepTheOldOne) {
  const std::string out = Dir / "out.prn";
  for (char failAt : {'B', 'P', 'E', 'A', 'D'}) {
    SCOPED_TRACE(std::string(1, failAt));
    WriteWholeFile(out, "old");
    TTextDriver::FailAt = failAt;
    {
      TPrintJob job(FindPrinter(""));
      try {
        job.StartDoc(out);
        job.Page(TPrinterPage{}, "");
        if (failAt == 'A') job.Abort();  // aborted by the caller
        else if (failAt != 'D') job.EndDoc();
        // 'D': dropped without an end
        EXPECT_TRUE(failAt == 'A' || failAt == 'D');
      } catch (const EPrintJobError& e) {
        EXPECT_NE(std::string(e.what()).find("\"" + out + "\""), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("cannot"), std::string::npos) << e.what();
        EXPECT_FALSE(job.Active());
      }
    }
    EXPECT_EQ(ReadWholeFile(out), "old");
    EXPECT_EQ(Files(), std::vector<std::string>{"out.prn"});
  }
}
