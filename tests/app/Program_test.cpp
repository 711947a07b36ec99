// The built program itself, as a user runs it.
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sys/wait.h>

namespace {

struct TProcess {
  int Code;
  std::string Out;
};

// Runs the program with the settings file in dir; standard error joins standard output.
TProcess RunProgram(const std::string& args, const TTempDir& dir) {
  std::string cmd = "QDX_SETTINGS_FILE='" + dir / "settings.ini" + "' '" + QDX_PROGRAM + "' " + args + " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  std::string out;
  std::array<char, 4096> buf;
  while (size_t n = fread(buf.data(), 1, buf.size(), p)) out.append(buf.data(), n);
  int status = pclose(p);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::string Quoted(const std::string& s) {
  std::string r(1, '\'');
  r += s;
  r += '\'';
  return r;
}

}  // namespace

TEST(Program, HelpAndRefusals) {
  TTempDir dir;
  TProcess help = RunProgram("--help", dir);
  EXPECT_EQ(help.Code, 0);
  EXPECT_NE(help.Out.find("Usage:"), std::string::npos);

  WriteWholeFile(dir / "notes.txt", "x");
  TProcess txt = RunProgram(Quoted(dir / "notes.txt"), dir);
  EXPECT_EQ(txt.Code, 2);
  EXPECT_EQ(txt.Out, dir / "notes.txt" + ": not a .qdp file\n");
}

TEST(Program, MalformedFileFailsWithItsNameAndLeavesNoOutput) {
  TTempDir dir;
  WriteWholeFile(dir / "broken.qdp", "<?xml version=\"1.0\"?><preparedreport><a b=\"<\"></preparedreport>");
  TProcess r = RunProgram(Quoted(dir / "broken.qdp") + " --OUTPUT=CSV", dir);
  EXPECT_EQ(r.Code, 1);
  EXPECT_EQ(r.Out, dir / "broken.qdp" + ": Invalid file format\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "broken.csv"));
}
