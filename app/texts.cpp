#include "app/texts.h"

#include "core/characters.h"

namespace qb::texts {

// Not FormatMessageW (FROM_STRING | ARGUMENT_ARRAY): under Wine it gives "\r\n" for each "\n" of a text, ends a
// text at "%0", reads past the values for a placeholder without one, and "%12" is its twelfth value.
std::wstring FormatText(std::wstring_view format, std::initializer_list<std::wstring_view> values) {
  std::wstring text;
  text.reserve(format.size());
  for (std::size_t i = 0; i < format.size(); ++i) {
    const wchar_t c = format[i];
    if (c == L'%' && i + 1 < format.size() && format[i + 1] >= L'1' && format[i + 1] <= L'9') {
      const auto place = static_cast<std::size_t>(format[++i] - L'1');
      if (place < values.size()) text += values.begin()[place];
      continue;
    }
    text += c;
  }
  return text;
}

std::wstring ShownInMessage(std::wstring_view value) {
  auto high = [](wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; };
  auto low = [](wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; };
  std::wstring shown(value);
  if (shown.size() > kMaxShownValue) {
    const std::size_t kept = kMaxShownValue - std::wstring_view(kLeftOut).size();
    std::size_t head = kept * 2 / 3;
    std::size_t tail = shown.size() - (kept - head);
    if (high(shown[head - 1])) --head;
    if (low(shown[tail])) ++tail;
    shown = shown.substr(0, head) + kLeftOut + shown.substr(tail);
  }
  for (wchar_t& c : shown)
    if (IsControlCharacter(c)) c = L' ';
  return shown;
}

}  // namespace qb::texts
