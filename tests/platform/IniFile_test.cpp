#include "platform/IniFile.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(IniFile, RewrittenKeysKeepTheirPlaceNewKeysJoinTheirSection) {
  TTempDir dir;
  std::string name = dir / "s.ini";
  WriteWholeFile(name, "; kept\r\n[Settings]\r\nPDF Printer Name=Old\r\n\r\n[TqdxCSVExport]\r\nSeparator=;\r\n");
  TIniFile ini(name);
  ini.WriteString("settings", "pdf printer name", "New");
  ini.WriteString("Settings", "Extra", "1");
  ini.WriteInteger("TqdxPDFExport", "Compressed", 0);
  EXPECT_EQ(ReadWholeFile(name),
            "; kept\n[Settings]\nPDF Printer Name=New\nExtra=1\n\n[TqdxCSVExport]\nSeparator=;\n\n[TqdxPDFExport]\nCompressed=0\n");
  TIniFile again(name);
  EXPECT_EQ(again.ReadString("SETTINGS", "PDF PRINTER NAME", "x"), "New");
  EXPECT_EQ(again.ReadInteger("TqdxPDFExport", "Compressed", 7), 0);
  EXPECT_EQ(again.ReadSection("Settings"), (std::vector<std::string>{"PDF Printer Name", "Extra"}));
}

TEST(IniFile, ReadingIntegersFallsBackOnBadValues) {
  TTempDir dir;
  std::string name = dir / "s.ini";
  WriteWholeFile(name, "[S]\nA=12\nB=twelve\nC=\nD= -3 \nE=0x1F\nF=\"quoted\"\n");
  TIniFile ini(name);
  EXPECT_EQ(ini.ReadInteger("S", "A", 5), 12);
  EXPECT_EQ(ini.ReadInteger("S", "B", 5), 5);
  EXPECT_EQ(ini.ReadInteger("S", "C", 5), 5);
  EXPECT_EQ(ini.ReadInteger("S", "D", 5), -3);
  EXPECT_EQ(ini.ReadInteger("S", "E", 5), 31);
  EXPECT_EQ(ini.ReadInteger("S", "missing", 5), 5);
  EXPECT_EQ(ini.ReadInteger("T", "A", 5), 5) << "a key of another section never applies";
  EXPECT_EQ(ini.ReadString("S", "F", ""), "quoted");
  EXPECT_TRUE(ini.ReadBool("S", "A", false));
}

TEST(IniFile, MissingFileReadsEmptyAndUnwritableFileRaises) {
  TTempDir dir;
  TIniFile missing(dir / "none.ini");
  EXPECT_FALSE(missing.SectionExists("Settings"));
  EXPECT_EQ(missing.ReadString("Settings", "K", "d"), "d");

  TIniFile bad(dir / "no/such/folder/s.ini");
  try {
    bad.WriteString("S", "K", "V");
    FAIL() << "expected an error";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir / "no/such/folder/s.ini");
  }
}
