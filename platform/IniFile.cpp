#include "platform/IniFile.h"

#include "platform/FileUtils.h"

#include <charconv>
#include <fstream>
#include <sstream>


TIniFile::TIniFile(std::string fileName) : FFileName(std::move(fileName)) {
  std::ifstream in(FFileName, std::ios::binary);
  if (!in) return;
  std::string line, section;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    TLine l;
    l.Text = line;
    std::string t = Trim(line);
    if (t.size() >= 2 && t.front() == '[' && t.find(']') != std::string::npos) {
      section = Trim(t.substr(1, t.find(']') - 1));
      l.IsHeader = true;
    } else if (!t.empty() && t[0] != ';' && t.find('=') != std::string::npos) {
      size_t eq = t.find('=');
      l.IsKey = true;
      l.Key = Trim(t.substr(0, eq));
      l.Value = Trim(t.substr(eq + 1));
      // Profile functions strip one pair of enclosing quotes from a value.
      if (l.Value.size() >= 2 && ((l.Value.front() == '"' && l.Value.back() == '"') ||
                                  (l.Value.front() == '\'' && l.Value.back() == '\'')))
        l.Value = l.Value.substr(1, l.Value.size() - 2);
    }
    l.Section = section;
    FLines.push_back(std::move(l));
  }
}

const TIniFile::TLine* TIniFile::FindLine(const std::string& section, const std::string& key) const {
  for (const TLine& l : FLines)
    if (l.IsKey && SameText(l.Section, section) && SameText(l.Key, key)) return &l;
  return nullptr;
}

std::optional<std::string> TIniFile::Find(const std::string& section, const std::string& key) const {
  if (const TLine* l = FindLine(section, key)) return l->Value;
  return std::nullopt;
}

bool TIniFile::SectionExists(const std::string& section) const {
  for (const TLine& l : FLines)
    if (l.IsHeader && SameText(l.Section, section)) return true;
  return false;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  auto v = Find(section, key);
  return v ? *v : def;
}

int64_t TIniFile::ReadInteger(const std::string& section, const std::string& key, int64_t def) const {
  auto v = Find(section, key);
  if (!v || v->empty()) return def;
  const std::string& s = *v;
  int64_t r = 0;
  std::from_chars_result res;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
    res = std::from_chars(s.data() + 2, s.data() + s.size(), r, 16);
  else if (s[0] == '$')
    res = std::from_chars(s.data() + 1, s.data() + s.size(), r, 16);
  else
    res = std::from_chars(s.data() + (s[0] == '+' ? 1 : 0), s.data() + s.size(), r);
  if (res.ec != std::errc() || res.ptr != s.data() + s.size()) return def;
  return r;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
  std::vector<std::string> keys;
  for (const TLine& l : FLines)
    if (l.IsKey && SameText(l.Section, section)) keys.push_back(l.Key);
  return keys;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  for (TLine& l : FLines) {
    if (l.IsKey && SameText(l.Section, section) && SameText(l.Key, key)) {
      l.Value = value;
      l.Text = l.Key + "=" + value;
      if (FAutoFlush) UpdateFile();
      return;
    }
  }
  TLine nl;
  nl.IsKey = true;
  nl.Key = key;
  nl.Value = value;
  nl.Text = key + "=" + value;
  // Append after the last key line of the section (blank lines stay after it).
  size_t insertAt = FLines.size();
  bool found = false;
  for (size_t i = 0; i < FLines.size(); ++i) {
    if (FLines[i].IsHeader && SameText(FLines[i].Section, section)) {
      found = true;
      nl.Section = FLines[i].Section;
      insertAt = i + 1;
      for (size_t j = i + 1; j < FLines.size() && !FLines[j].IsHeader; ++j)
        if (!Trim(FLines[j].Text).empty()) insertAt = j + 1;
      break;
    }
  }
  if (!found) {
    nl.Section = section;
    TLine header;
    header.IsHeader = true;
    header.Section = section;
    header.Text = "[" + section + "]";
    if (!FLines.empty() && !Trim(FLines.back().Text).empty()) {
      TLine blank;
      blank.Section = FLines.back().Section;
      FLines.push_back(blank);
    }
    FLines.push_back(header);
    insertAt = FLines.size();
  }
  FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(insertAt), nl);
  if (FAutoFlush) UpdateFile();
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int64_t value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TIniFile::UpdateFile() {
  std::string out;
  for (const TLine& l : FLines) {
    out += l.Text;
    out += "\n";
  }
  if (!WriteFileAtomically(FFileName, out)) throw EIniFileException("Unable to write to " + FFileName);
}
