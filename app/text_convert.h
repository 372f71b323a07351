#pragma once
// Conversions between the window's texts and the system's ANSI code page.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace qb {

namespace text_convert_detail {

// Plain ASCII is the same characters in every ANSI code page and in UTF-8:
// such texts need no conversion call (the start-up check goes through
// thousands of presets).
template <class Text>
bool IsAsciiText(const Text& text) {
  for (auto c : text)
    if (static_cast<std::make_unsigned_t<decltype(c)>>(c) > 0x7F) return false;
  return true;
}

// The conversion flags the code page takes: UTF-8 (a Windows 10 option) holds
// every character but refuses the best-fit flag and the default-character report.
inline bool AnsiIsUtf() {
  const UINT acp = GetACP();
  return acp == CP_UTF8 || acp == CP_UTF7;
}

// The bytes of text in the ANSI code page; `exact` is cleared when a character
// had no equal there and was replaced by the default character. Never a
// look-alike: without WC_NO_BEST_FIT_CHARS Windows writes "l" for "ł".
inline std::string Convert(const std::wstring& text, bool& exact) {
  exact = true;
  if (text.empty()) return {};
  if (IsAsciiText(text)) {
    std::string out(text.size(), '\0');
    std::transform(text.begin(), text.end(), out.begin(), [](wchar_t c) { return static_cast<char>(c); });
    return out;
  }
  const bool utf = AnsiIsUtf();
  const DWORD flags = utf ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* used = utf ? nullptr : &usedDefault;
  const int size = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(CP_ACP, flags, text.data(), size, nullptr, 0, nullptr, used);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, flags, text.data(), size, out.data(), n, nullptr, used);
  exact = n > 0 && !usedDefault;
  return out;
}

inline std::wstring Widen(const std::string& text, UINT codePage) {
  if (text.empty()) return {};
  if (IsAsciiText(text)) return std::wstring(text.begin(), text.end());
  const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

}  // namespace text_convert_detail

inline std::wstring WideFromAnsi(const std::string& text) { return text_convert_detail::Widen(text, CP_ACP); }

// Characters the code page cannot hold become the system's default character ("?").
inline std::string AnsiFromWide(const std::wstring& text) {
  bool exact = true;
  return text_convert_detail::Convert(text, exact);
}

// The text in the ANSI code page only when every character keeps its identity
// there (read back, it is the same text); nullopt otherwise.
inline std::optional<std::string> ExactAnsiFromWide(const std::wstring& text) {
  bool exact = true;
  std::string out = text_convert_detail::Convert(text, exact);
  if (!exact || WideFromAnsi(out) != text) return std::nullopt;
  return out;
}

// The characters of text that the ANSI code page cannot hold, each once, in the
// order they first appear; a surrogate pair is one character.
inline std::vector<std::wstring> CharactersOutsideAnsi(const std::wstring& text) {
  std::vector<std::wstring> outside;
  for (std::size_t i = 0; i < text.size();) {
    const bool pair = IS_HIGH_SURROGATE(text[i]) && i + 1 < text.size() && IS_LOW_SURROGATE(text[i + 1]);
    std::wstring character = text.substr(i, pair ? 2 : 1);
    i += character.size();
    if (!ExactAnsiFromWide(character) && std::find(outside.begin(), outside.end(), character) == outside.end())
      outside.push_back(std::move(character));
  }
  return outside;
}

inline std::wstring WindowTextOf(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

// Preset texts are UTF-8 whatever the file's encoding. Bytes that are not
// UTF-8 become U+FFFD (Windows XP drops them).
inline std::wstring WideFromUtf8(const std::string& text) { return text_convert_detail::Widen(text, CP_UTF8); }

// Every character keeps its identity in UTF-8 (the descriptions of errors).
inline std::string Utf8FromWide(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace qb
