#pragma once
// ISO 8859-1 standing in for the system's ANSI code page where text is decoded
// without Win32 (the encoding tests, also built natively, and the fuzzer):
// every byte is the code point of the same number. Header only, so that the
// native builds need no library of the Windows build.
#include <string>
#include <string_view>

namespace qbtest {

inline std::string Latin1ToUtf8(std::string_view bytes) {
  std::string out;
  for (unsigned char b : bytes) {
    if (b < 0x80) {
      out += static_cast<char>(b);
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

}  // namespace qbtest
