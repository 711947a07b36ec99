// Filter options in settings.ini: which properties are kept, in which
// form, and how reading applies them.

#include "document/qdxClassBuilder.h"
#include "export/qdxFilterSettings.h"
#include "platform/IniFile.h"
#include "tests/TestSupport.h"
#include "tests/export/ExportDoubles.h"

#include <gtest/gtest.h>

namespace {

enum TTestQuality : uint8_t { tqLow, tqMedium, tqHigh };

const TqdxEnumInfo& QualityEnum() {
  static const TqdxEnumInfo info("TTestQuality", {"tqLow", "tqMedium", "tqHigh"});
  return info;
}

// A filter with one published property of each kind the settings meet.
class TSettingsFilter : public TqdxBaseDialogExportFilter {
public:
  QDX_CLASS(TSettingsFilter)
  explicit TSettingsFilter(TqdxBaseComponent* owner = nullptr) : TqdxBaseDialogExportFilter(owner, true) {}
  void ExportObject(TqdxComponent*) override {}

  bool Compressed = true;
  int32_t Quality = 80;
  TTestQuality Level = tqMedium;
  uint8_t Parts = 0;
  std::string Author = "me";
  std::u16string Title = u"T\u00e9";
  double Margin = 1.5;
};

}  // namespace

const TqdxClassInfo& TSettingsFilter::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TSettingsFilter>(
      "TSettingsFilter", &TqdxBaseDialogExportFilter::StaticClassInfo(), [](TqdxClassBuilder<TSettingsFilter>& Reg) {
        using F = TSettingsFilter;
        Reg.Bool("Compressed", &F::Compressed).Default(true);
        Reg.Bool("OpenAfterExport", &F::OpenAfterExport).Default(false);
        Reg.Int("Quality", &F::Quality);
        Reg.Enum("Level", QualityEnum(), &F::Level);
        Reg.Set("Parts", QualityEnum(), &F::Parts);
        Reg.Str("Author", &F::Author);
        Reg.WStr("Title", &F::Title);
        Reg.Float("Margin", &F::Margin);
      });
  return info;
}

namespace {

// The PDF filter's section also keeps SaveOriginalImages.
class TPDFNamedFilter : public TSettingsFilter, public TqdxSaveOriginalImagesOption {
public:
  const TqdxClassInfo& ClassInfo() const override {
    static const TqdxClassInfo info("TqdxPDFExport", &TSettingsFilter::StaticClassInfo(), nullptr);
    return info;
  }
  bool GetSaveOriginalImages() const override { return SaveOriginalImages; }
  void SetSaveOriginalImages(bool value) override { SaveOriginalImages = value; }
  bool SaveOriginalImages = false;
};

// The section's lines as written to the file.
std::vector<std::string> SectionLines(const std::string& file, const std::string& section) {
  std::vector<std::string> lines;
  std::string text = ReadWholeFile(file);
  bool in = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = end + 1;
    if (!line.empty() && line[0] == '[') in = line == "[" + section + "]";
    else if (in && !line.empty()) lines.push_back(line);
  }
  return lines;
}

}  // namespace

TEST(FilterSettings, WritingKeepsOrdinalsAndStringsInDeclarationOrder) {
  TTempDir dir;
  TSettingsFilter f;
  f.UseFileCache = false;
  f.Parts = 5;
  f.SetFileName("/somewhere/out.x");
  f.DefaultPath = "/somewhere";
  f.OpenAfterExport = true;
  TIniFile ini(dir / "settings.ini");
  TransferFilterSettings(f, ini, false);
  // Base-class properties first; the run's own names and floats never.
  EXPECT_EQ(SectionLines(dir / "settings.ini", "TSettingsFilter"),
            (std::vector<std::string>{"ExportNotPrintable=0", "UseFileCache=0", "DataOnly=0", "Compressed=1",
                                      "Quality=80", "Level=1", "Parts=5", "Author=me", "Title=T\u00e9"}));
}

TEST(FilterSettings, ReadingAppliesValuesAndIgnoresWhatItCannotUse) {
  TTempDir dir;
  WriteWholeFile(dir / "settings.ini",
                 "[TSettingsFilter]\nCompressed=0\nQuality=abc\nLevel=2\nParts=3\nAuthor=you\nTitle=\xC3\xA9t\xC3\xA9\n"
                 "Margin=9\nShowDialog=0\nFileName=/etc/x\nOpenAfterExport=1\nDataOnly=1\n"
                 "[TOtherFilter]\nUseFileCache=0\n");
  TSettingsFilter f;
  TIniFile ini(dir / "settings.ini");
  TransferFilterSettings(f, ini, true);
  EXPECT_FALSE(f.Compressed);
  EXPECT_EQ(f.Quality, 80);  // not an integer: kept
  EXPECT_EQ(f.Level, tqHigh);
  EXPECT_EQ(f.Parts, 3);
  EXPECT_EQ(f.Author, "you");
  EXPECT_EQ(f.Title, u"\u00e9t\u00e9");
  EXPECT_EQ(f.Margin, 1.5);
  EXPECT_TRUE(f.DataOnly);
  // Names that belong to each run are never read; other sections never apply.
  EXPECT_TRUE(f.GetShowDialog());
  EXPECT_EQ(f.GetFileName(), "");
  EXPECT_FALSE(f.OpenAfterExport);
  EXPECT_TRUE(f.UseFileCache);
}

TEST(FilterSettings, ValuesOutsideAPropertysRangeKeepTheValue) {
  TTempDir dir;
  WriteWholeFile(dir / "settings.ini", "[TSettingsFilter]\nLevel=9\nParts=64\nQuality=99999999999\nCompressed=2\n");
  TSettingsFilter f;
  f.Compressed = false;
  TIniFile ini(dir / "settings.ini");
  TransferFilterSettings(f, ini, true);
  EXPECT_EQ(f.Level, tqMedium);
  EXPECT_EQ(f.Parts, 0);
  EXPECT_EQ(f.Quality, 80);
  EXPECT_FALSE(f.Compressed);
}

TEST(FilterSettings, ASectionBelongsToOneClassOnly) {
  TTempDir dir;
  TSettingsFilter a;
  a.Compressed = false;
  a.Author = "written";
  TIniFile ini(dir / "settings.ini");
  TransferFilterSettings(a, ini, false);
  TPDFNamedFilter pdf;
  TransferFilterSettings(pdf, ini, true);
  EXPECT_TRUE(pdf.Compressed);
  EXPECT_EQ(pdf.Author, "me");
  TSettingsFilter b;
  TransferFilterSettings(b, ini, true);
  EXPECT_FALSE(b.Compressed);
  EXPECT_EQ(b.Author, "written");
}

TEST(FilterSettings, ThePDFSectionKeepsSaveOriginalImages) {
  TTempDir dir;
  TPDFNamedFilter pdf;
  pdf.SaveOriginalImages = false;
  {
    TIniFile ini(dir / "settings.ini");
    TransferFilterSettings(pdf, ini, false);
  }
  std::vector<std::string> lines = SectionLines(dir / "settings.ini", "TqdxPDFExport");
  EXPECT_EQ(lines.back(), "SaveOriginalImages=0");
  pdf.SaveOriginalImages = true;
  TIniFile ini(dir / "settings.ini");
  TransferFilterSettings(pdf, ini, true);
  EXPECT_FALSE(pdf.SaveOriginalImages);

  // Missing, the option defaults to on.
  TIniFile empty(dir / "empty.ini");
  TransferFilterSettings(pdf, empty, true);
  EXPECT_TRUE(pdf.SaveOriginalImages);
  // Other classes never get the key.
  TSettingsFilter other;
  TransferFilterSettings(other, empty, false);
  EXPECT_FALSE(empty.ValueExists("TSettingsFilter", "SaveOriginalImages"));
}

TEST(FilterSettings, AFileThatCannotBeWrittenRaises) {
  TTempDir dir;
  TSettingsFilter f;
  TIniFile ini(dir / "missing/settings.ini");
  try {
    TransferFilterSettings(f, ini, false);
    FAIL() << "expected an error";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir / "missing/settings.ini");
  }
}
