#include "document/qdxHyphenation.h"

#include <string>

namespace {

char16_t UpperCyr(char16_t c) {
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
  if (c == 0x451) return 0x401;
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  return c;
}

bool IsVowel(char16_t c) {
  switch (c) {
    case u'А': case u'Е': case u'Ё': case u'И': case u'О': case u'У': case u'Ы': case u'Э': case u'Ю': case u'Я':
      return true;
    default:
      return false;
  }
}

bool IsSign(char16_t c) { return c == u'Ь' || c == u'Ъ'; }

bool IsConsonant(char16_t c) {
  switch (c) {
    case u'Б': case u'В': case u'Г': case u'Д': case u'Ж': case u'З': case u'Й': case u'К': case u'Л': case u'М':
    case u'Н': case u'П': case u'Р': case u'С': case u'Т': case u'Ф': case u'Х': case u'Ц': case u'Ч': case u'Ш':
    case u'Щ': case u'Ь': case u'Ъ':
      return true;
    default:
      return false;
  }
}

bool HasVowel(const std::u16string& w, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i)
    if (IsVowel(w[i])) return true;
  return false;
}

}  // namespace

std::vector<int> qdxHyphenPositions(std::u16string_view text) {
  std::u16string w;
  for (char16_t c : text) {
    if (c == u' ' || c == u'.' || c == u',' || c == u'-' || c == u';') break;
    w += UpperCyr(c);
  }
  std::vector<int> result;
  const size_t n = w.size();
  if (n <= 3) return result;
  auto at = [&](size_t i) -> char16_t { return i < n ? w[i] : u'\0'; };
  // Position k (1-based) is the letter w[k - 1]; the break comes after it.
  for (size_t k = 1; k < n; ++k) {
    char16_t c = w[k - 1], next = at(k);
    bool candidate = false;
    if (IsConsonant(c)) {
      candidate = !IsVowel(next) && !IsSign(next);
    } else if (IsVowel(c)) {
      bool doubled = IsConsonant(next) && next == at(k + 1) && IsVowel(at(k + 2));
      candidate = next != u'Й' && !doubled;
    }
    if (!candidate) continue;
    if (k < 2 || n - k < 2) continue;
    if (!HasVowel(w, 0, k) || !HasVowel(w, k, n)) continue;
    result.push_back(static_cast<int>(k));
  }
  return result;
}

int qdxHyphenateAt(std::u16string_view text, int fit) {
  int best = 0;
  for (int k : qdxHyphenPositions(text))
    if (k < fit) best = k;
  return best;
}
