#pragma once
// Reader and writer of INI files with the semantics programs on the desktop
// expect from profile files: "[Section]" headers, "Key=Value" lines, section
// and key names compared without regard to case, values unquoted. A key that
// is written again keeps its place; new keys go to the end of their section,
// new sections to the end of the file. Lines we do not understand (comments,
// blank lines) are kept as they are.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Raised when the file cannot be written; the message is "Unable to write to <file>".
class EIniFileException : public std::exception {
public:
  explicit EIniFileException(std::string message) : FMessage(std::move(message)) {}
  const char* what() const noexcept override { return FMessage.c_str(); }

private:
  std::string FMessage;
};

class TIniFile {
public:
  // Reads the file when it exists; a missing file is an empty one.
  explicit TIniFile(std::string fileName);

  const std::string& FileName() const { return FFileName; }

  std::optional<std::string> Find(const std::string& section, const std::string& key) const;
  bool ValueExists(const std::string& section, const std::string& key) const { return Find(section, key).has_value(); }
  bool SectionExists(const std::string& section) const;
  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  // A missing key or a value that is not a whole number gives def.
  int64_t ReadInteger(const std::string& section, const std::string& key, int64_t def) const;
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;
  std::vector<std::string> ReadSection(const std::string& section) const;

  // Each write goes to the file at once, as profile functions do; failing to
  // write raises EIniFileException and leaves the old file untouched.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int64_t value);
  void WriteBool(const std::string& section, const std::string& key, bool value);

  // Batches writes: SetAutoFlush(false), many writes, UpdateFile().
  void SetAutoFlush(bool on) { FAutoFlush = on; }
  void UpdateFile();

private:
  struct TLine {
    std::string Text;     // the line as stored
    std::string Section;  // section it belongs to ("" before the first header)
    bool IsHeader = false;
    bool IsKey = false;
    std::string Key, Value;
  };
  const TLine* FindLine(const std::string& section, const std::string& key) const;

  std::string FFileName;
  std::vector<TLine> FLines;
  bool FAutoFlush = true;
};
