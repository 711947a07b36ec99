#pragma once
// The dictionary of prepared pages: short element names ("m1", "b3") that
// stand for source objects ("Page0.Memo1"), so that every object on a page
// is stored as its differences from the source object.

#include <map>
#include <string>
#include <string_view>
#include <vector>

class TqdxComponent;

struct TqdxDictionaryEntry {
  std::string SourceName;             // "Page" + source page index + "." + object name
  TqdxComponent* Object = nullptr;    // none when the source object is missing
};

class TqdxDictionary {
public:
  void Clear();
  int Count() const { return static_cast<int>(FEntries.size()); }
  // Adds or replaces the entry of a short name.
  void Add(const std::string& shortName, const std::string& sourceName, TqdxComponent* object);
  // The entry of a short name (compared ignoring case), or none.
  const TqdxDictionaryEntry* Find(std::string_view shortName) const;
  // The short name that stands for sourceName, or "" when it has none.
  const std::string& ShortNameOf(const std::string& sourceName) const;
  // A new short name: base followed by the next number not yet used.
  std::string CreateUniqueName(const std::string& base);
  // Short names in sorted order with their entries.
  template <class F>
  void ForEach(F&& f) const {
    for (const auto& [name, entry] : FEntries) f(name, entry);
  }

private:
  struct TCaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };
  std::map<std::string, TqdxDictionaryEntry, TCaseLess> FEntries;
  std::map<std::string, std::string> FBySource;
  std::map<std::string, int> FNextNumber;
};
