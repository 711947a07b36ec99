// The demo reports in samples/ load, build every page and survive a save.
#include "document/qdxClass.h"
#include "document/qdxPreviewPages.h"
#include "platform/Streams.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// Class, name, geometry and text of every object of every page, one line each.
std::string Describe(TqdxPreviewPages& pp) {
  std::string out;
  for (int i = 0; i < pp.Count(); ++i) {
    TqdxReportPage* page = pp.GetPage(i);
    out += "page " + std::to_string(i) + " " + std::to_string(pp.GetPageSize(i).first) + "x" +
           std::to_string(pp.GetPageSize(i).second) + "\n";
    for (TqdxComponent* o : page->AllObjects()) {
      out += o->ClassName() + " " + o->Name + " " + std::to_string(o->AbsLeft()) + "," + std::to_string(o->AbsTop()) +
             " " + std::to_string(o->GetWidth()) + "x" + std::to_string(o->GetHeight()) + " " + o->GetComponentText() + "\n";
    }
  }
  return out;
}

}  // namespace

TEST(Samples, LoadBuildSaveAndLoadAgain) {
  int seen = 0;
  for (const auto& e : std::filesystem::directory_iterator(std::string(QDX_SOURCE_DIR) + "/samples")) {
    if (e.path().extension() != ".qdp") continue;
    ++seen;
    SCOPED_TRACE(e.path().string());
    TqdxReport report;
    TqdxPreviewPages pp(&report);
    ASSERT_TRUE(pp.LoadFromFile(e.path().string()));
    EXPECT_TRUE(pp.LoadErrors().empty()) << pp.LoadErrors().front();
    ASSERT_GT(pp.Count(), 0);
    std::string first = Describe(pp);
    EXPECT_NE(first.find("TqdxMemoView"), std::string::npos);

    TMemoryStream saved;
    pp.SaveToStream(saved);
    TqdxReport report2;
    TqdxPreviewPages again(&report2);
    saved.SetPosition(0);
    again.LoadFromStream(saved);
    EXPECT_EQ(Describe(again), first);
    TMemoryStream savedAgain;
    again.SaveToStream(savedAgain);
    EXPECT_EQ(savedAgain.Data(), saved.Data());
  }
  EXPECT_GE(seen, 3);
}
