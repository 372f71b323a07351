// Encoding detection and conversion to UTF-8. The ASCII checks look at eight
// bytes at a time: a catalogue at its limit is a few megabytes of mostly ASCII
// text, and this runs over all of it at every start.
#include "catalogue/text_encoding.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace qb {
namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
constexpr char32_t kReplacement = 0xFFFD;

// The number of leading bytes of `bytes`, a multiple of eight, that are ASCII.
std::size_t AsciiPrefix(const unsigned char* bytes, std::size_t size) {
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes + i, 8);
    if (word & kHighBits) break;
  }
  return i;
}

// The length of the valid UTF-8 sequence at bytes[i] (non-ASCII lead byte), or 0.
std::size_t ValidSequenceLength(const unsigned char* bytes, std::size_t size, std::size_t i) {
  const unsigned char lead = bytes[i];
  std::size_t length;
  unsigned char low = 0x80;  // the range of the second byte, narrower after some leads
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // no overlong forms
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (size - i < length) return 0;
  if (bytes[i + 1] < low || bytes[i + 1] > high) return 0;
  for (std::size_t k = 2; k < length; ++k)
    if ((bytes[i + k] & 0xC0) != 0x80) return 0;
  return length;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool StartsWith(std::string_view bytes, std::string_view mark) { return bytes.substr(0, mark.size()) == mark; }

constexpr std::string_view kUtf8Bom("\xEF\xBB\xBF", 3);
constexpr std::string_view kUtf16LeBom("\xFF\xFE", 2);
constexpr std::string_view kUtf16BeBom("\xFE\xFF", 2);

// A file without a byte order mark that holds NUL bytes. Text in an 8-bit
// encoding holds none, or a stray one on a line that is then skipped alone;
// when more than one byte in eight is NUL, the file is judged by its two-byte
// units: ASCII in UTF-16 puts its NUL on the same side of nearly every unit.
// Nothing (TextEncoding::Ansi) when the NUL bytes are too few to say.
TextEncoding JudgeNulBytes(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t nulFirst = 0, nulSecond = 0, nulBoth = 0;
  for (std::size_t k = 0; k + 1 < text.size(); k += 2) {
    const bool first = bytes[k] == 0, second = bytes[k + 1] == 0;
    nulBoth += first && second;
    nulFirst += first && !second;
    nulSecond += second && !first;
  }
  const std::size_t nulBytes = nulFirst + nulSecond + 2 * nulBoth + (text.size() % 2 && bytes[text.size() - 1] == 0);
  if (nulBytes * 8 <= text.size()) return TextEncoding::Ansi;
  if (nulSecond > 0 && nulSecond >= 4 * (nulFirst + nulBoth)) return TextEncoding::Utf16LeUnmarked;
  if (nulFirst > 0 && nulFirst >= 4 * (nulSecond + nulBoth)) return TextEncoding::Utf16BeUnmarked;
  return TextEncoding::Unreadable;
}

// Whether the text holds neither a NUL byte nor one above 0x7F: what nearly
// every providers.lst is, told in one pass over it, eight bytes at a time.
bool IsAsciiWithoutNul(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes + i, 8);
    const std::uint64_t nulBytes = (word - kOnes) & ~word;  // with high bits set for zero bytes
    if ((nulBytes | word) & kHighBits) return false;
  }
  for (; i < text.size(); ++i)
    if (bytes[i] == 0 || bytes[i] & 0x80) return false;
  return true;
}

}  // namespace

bool IsAscii(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t i = AsciiPrefix(bytes, text.size()); i < text.size(); ++i)
    if (bytes[i] & 0x80) return false;
  return true;
}

bool IsValidUtf8(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  std::size_t i = 0;
  while (i < size) {
    if (bytes[i] < 0x80) {
      // Whole words of ASCII at once once aligned to a plain stretch.
      i += AsciiPrefix(bytes + i, size - i);
      while (i < size && bytes[i] < 0x80) ++i;
      continue;
    }
    const std::size_t length = ValidSequenceLength(bytes, size, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string ReplaceInvalidUtf8(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (bytes[i] < 0x80) {
      out += text[i++];
      continue;
    }
    const std::size_t length = ValidSequenceLength(bytes, text.size(), i);
    if (length == 0) {
      AppendUtf8(out, kReplacement);
      ++i;
    } else {
      out.append(text, i, length);
      i += length;
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::string_view text, bool bigEndian) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t units = text.size() / 2;
  auto unit = [&](std::size_t k) -> char32_t {
    const char32_t first = bytes[2 * k];
    const char32_t second = bytes[2 * k + 1];
    return bigEndian ? (first << 8 | second) : (second << 8 | first);
  };
  std::string out;
  out.reserve(units + units / 2);
  for (std::size_t k = 0; k < units; ++k) {
    const char32_t c = unit(k);
    if (c >= 0xD800 && c <= 0xDBFF && k + 1 < units) {
      const char32_t next = unit(k + 1);
      if (next >= 0xDC00 && next <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00));
        ++k;
        continue;
      }
    }
    AppendUtf8(out, (c >= 0xD800 && c <= 0xDFFF) ? kReplacement : c);
  }
  if (text.size() % 2) AppendUtf8(out, kReplacement);
  return out;
}

TextEncoding DetectTextEncoding(std::string_view bytes) {
  if (StartsWith(bytes, kUtf8Bom)) return TextEncoding::Utf8Bom;
  if (StartsWith(bytes, kUtf16LeBom)) return TextEncoding::Utf16Le;
  if (StartsWith(bytes, kUtf16BeBom)) return TextEncoding::Utf16Be;
  if (IsAsciiWithoutNul(bytes)) return TextEncoding::Ascii;
  if (std::memchr(bytes.data(), 0, bytes.size()) != nullptr) {
    const TextEncoding judged = JudgeNulBytes(bytes);
    if (judged != TextEncoding::Ansi) return judged;
  }
  if (IsAscii(bytes)) return TextEncoding::Ascii;
  return IsValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Ansi;
}

TextBytes DecodeText(TextBytes bytes, AnsiToUtf8Function ansiToUtf8, TextEncoding* detected) {
  const std::string_view view = ViewOf(bytes);
  const TextEncoding encoding = DetectTextEncoding(view);
  if (detected) *detected = encoding;
  // Text that needs converting is a new string, copied once more into bytes
  // of the kind the catalogue keeps: such files are rare and small.
  auto converted = [](const std::string& text) { return TextBytes(text.begin(), text.end()); };
  switch (encoding) {
    case TextEncoding::Ascii:
    case TextEncoding::Utf8:
      return bytes;
    case TextEncoding::Utf8Bom: {
      const std::string_view rest = view.substr(kUtf8Bom.size());
      if (IsValidUtf8(rest)) {
        bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(kUtf8Bom.size()));
        return bytes;
      }
      return converted(ReplaceInvalidUtf8(rest));
    }
    case TextEncoding::Utf16Le:
      return converted(Utf16ToUtf8(view.substr(kUtf16LeBom.size()), false));
    case TextEncoding::Utf16Be:
      return converted(Utf16ToUtf8(view.substr(kUtf16BeBom.size()), true));
    case TextEncoding::Utf16LeUnmarked:
      return converted(Utf16ToUtf8(view, false));
    case TextEncoding::Utf16BeUnmarked:
      return converted(Utf16ToUtf8(view, true));
    case TextEncoding::Unreadable:
      return TextBytes();
    case TextEncoding::Ansi:
      break;
  }
  return converted(ansiToUtf8(view));
}

}  // namespace qb
