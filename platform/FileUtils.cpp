#include "platform/FileUtils.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

std::string ExtractFilePath(const std::string& name) {
  size_t p = name.rfind('/');
  return p == std::string::npos ? std::string() : name.substr(0, p + 1);
}

std::string ExtractFileName(const std::string& name) {
  size_t p = name.rfind('/');
  return p == std::string::npos ? name : name.substr(p + 1);
}

std::string ExtractFileExt(const std::string& name) {
  size_t slash = name.rfind('/');
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return name.substr(dot);
}

std::string ChangeFileExt(const std::string& name, const std::string& ext) {
  size_t slash = name.rfind('/');
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name + ext;
  return name.substr(0, dot) + ext;
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
  if (!path.empty() && path.back() == '/') return path;
  return path + "/";
}

std::string ExpandFileName(const std::string& name) {
  if (name.empty()) return name;
  std::error_code ec;
  fs::path p = fs::absolute(fs::path(name), ec);
  if (ec) return name;
  std::string r = p.lexically_normal().string();
  // Keep the caller's trailing separator: folder arguments are joined by concatenation.
  if (name.back() == '/' && (r.empty() || r.back() != '/')) r += '/';
  return r;
}

bool FileExists(const std::string& name) {
  struct stat st {};
  return !name.empty() && ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& name) {
  struct stat st {};
  return !name.empty() && ::stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  fs::create_directories(fs::path(path), ec);
  return DirectoryExists(path);
}

std::string ProgramFolder() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return IncludeTrailingPathDelimiter(fs::current_path().string());
  buf[n] = '\0';
  return ExtractFilePath(std::string(buf));
}

bool WriteFileAtomically(const std::string& name, const std::string& data) {
  std::string folder = ExtractFilePath(name);
  std::string tmpl = (folder.empty() ? std::string("./") : folder) + "." + ExtractFileName(name) + ".XXXXXX";
  int fd = ::mkstemp(tmpl.data());
  if (fd < 0) return false;
  size_t done = 0;
  bool ok = true;
  while (done < data.size()) {
    ssize_t w = ::write(fd, data.data() + done, data.size() - done);
    if (w < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    done += static_cast<size_t>(w);
  }
  // mkstemp makes the file private; give it the usual permissions of a new file.
  mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(tmpl.c_str(), name.c_str()) != 0) ok = false;
  if (!ok) ::unlink(tmpl.c_str());
  return ok;
}

std::string UpperCase(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

std::string LowerCase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

bool SameText(const std::string& a, const std::string& b) { return a.size() == b.size() && UpperCase(a) == UpperCase(b); }

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}
