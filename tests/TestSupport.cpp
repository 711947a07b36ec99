#include "tests/TestSupport.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <cstdio>
#include <sys/wait.h>

TTempDir::TTempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "qdxtest.XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  FPath = tmpl;
}

TTempDir::~TTempDir() {
  std::error_code ec;
  std::filesystem::remove_all(FPath, ec);
}

std::string ReadWholeFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + name);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteWholeFile(const std::string& name, const std::string& data) {
  std::filesystem::create_directories(std::filesystem::path(name).parent_path());
  std::ofstream out(name, std::ios::binary);
  out << data;
  if (!out) throw std::runtime_error("cannot write " + name);
}

std::string FixturePath(const std::string& name) { return std::string(QDX_FIXTURES) + "/" + name; }

// The leak checker of the sanitizer build reads this. fontconfig loses a few
// bytes while parsing its configuration files, once per process. Its library
// has no frame pointers, so the stacks stop inside it and only the library
// name can tell these reports apart.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

TShellRun RunShell(const std::string& command) {
  TShellRun r;
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.Output.append(buf, n);
  int status = pclose(p);
  r.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}
