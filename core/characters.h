#pragma once
// What no text of an account may hold, for every layer that checks or shows one.
#include <algorithm>
#include <string_view>

namespace qb {

// The C0 controls, DEL and the C1 controls (U+0080 to U+009F). Pasting brings
// tabs and line breaks; a C1 control survives the conversion to code page
// 1252 (U+0081, U+008D, U+008F, U+0090, U+009D have a byte of their own there)
// and would reach a key name.
constexpr bool IsControlCharacter(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

inline bool ContainsControlCharacter(std::wstring_view text) {
  return std::any_of(text.begin(), text.end(), [](wchar_t c) { return IsControlCharacter(c); });
}

}  // namespace qb
