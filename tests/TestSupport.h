#pragma once
// Small helpers shared by the tests: a temporary folder that removes itself,
// and whole-file reads and writes.

#include <filesystem>
#include <string>

class TTempDir {
public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  // Path of a name inside the folder, as a string.
  std::string operator/(const std::string& name) const { return (FPath / name).string(); }

private:
  std::filesystem::path FPath;
};

std::string ReadWholeFile(const std::string& name);
void WriteWholeFile(const std::string& name, const std::string& data);
std::string FixturePath(const std::string& name);

// Runs a shell command (an independent reader such as qpdf or python3) and
// returns its exit code and its standard output and error together.
struct TShellRun {
  int Code = -1;
  std::string Output;
};
TShellRun RunShell(const std::string& command);
