#include "document/qdxDictionary.h"

#include <algorithm>

bool TqdxDictionary::TCaseLess::operator()(std::string_view a, std::string_view b) const {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

void TqdxDictionary::Clear() {
  FEntries.clear();
  FBySource.clear();
  FNextNumber.clear();
}

void TqdxDictionary::Add(const std::string& shortName, const std::string& sourceName, TqdxComponent* object) {
  FEntries[shortName] = TqdxDictionaryEntry{sourceName, object};
  FBySource.emplace(sourceName, shortName);
}

const TqdxDictionaryEntry* TqdxDictionary::Find(std::string_view shortName) const {
  auto it = FEntries.find(shortName);
  return it == FEntries.end() ? nullptr : &it->second;
}

const std::string& TqdxDictionary::ShortNameOf(const std::string& sourceName) const {
  static const std::string none;
  auto it = FBySource.find(sourceName);
  return it == FBySource.end() ? none : it->second;
}

std::string TqdxDictionary::CreateUniqueName(const std::string& base) {
  int& next = FNextNumber[base];
  if (next < 1) next = 1;
  // Names loaded from a file may already use numbers; step over them.
  while (FEntries.count(base + std::to_string(next))) ++next;
  return base + std::to_string(next++);
}
