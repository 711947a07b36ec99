#pragma once
// Syllable breaks for hyphenating long words when a text object allows
// word breaks. Only the Cyrillic rule is known; other words get no breaks.

#include <string_view>
#include <vector>

// Break positions k (the first k characters stay on the line) of the word
// that starts the text (it ends at the first of " .,-;"), in ascending order.
std::vector<int> qdxHyphenPositions(std::u16string_view text);
// The largest break position below fit, or 0 when there is none.
int qdxHyphenateAt(std::u16string_view text, int fit);
