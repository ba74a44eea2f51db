// Text helpers shared by every layer: ASCII-only letter-case folding (independent of the
// locale, as keys and name comparisons need) and cutting UTF-8 text at a byte limit.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

char FoldChar(char c);
std::string FoldLower(std::string_view text);
std::string FoldUpper(std::string_view text);
bool EqualsFolded(std::string_view a, std::string_view b);

// The longest prefix of text of at most maxBytes bytes that ends on a character boundary.
std::string_view CutUtf8(std::string_view text, std::size_t maxBytes);
