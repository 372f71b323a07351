#include "app/texts.h"

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

}  // namespace qb::texts
