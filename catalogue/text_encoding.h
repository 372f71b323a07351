#pragma once
// The encodings providers.lst may come in, and their conversion to UTF-8.
// Uses nothing of Win32: only the ANSI code page needs the system, and the
// caller hands that conversion in.
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qb {

// An allocator whose elements are left uninitialised when a vector grows
// (std::string and std::vector zero-fill): a file is read straight into the
// room, and zero-filling megabytes first would cost a pass of its own.
template <typename T>
struct UninitializedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UninitializedAllocator<U>;
  };
  UninitializedAllocator() = default;
  template <typename U>
  UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

// The bytes of a file, and the UTF-8 text they become.
using TextBytes = std::vector<char, UninitializedAllocator<char>>;

inline std::string_view ViewOf(const TextBytes& bytes) { return std::string_view(bytes.data(), bytes.size()); }

enum class TextEncoding {
  Ascii,    // no byte above 0x7F and no byte order mark: the same text in every encoding
  Utf8Bom,  // EF BB BF first
  Utf8,     // no byte order mark, valid UTF-8 with at least one byte above 0x7F
  Utf16Le,  // FF FE first
  Utf16Be,  // FE FF first
  Utf16LeUnmarked,  // no mark, but most two-byte units are a byte and a NUL (ASCII in UTF-16 LE)
  Utf16BeUnmarked,  // no mark, but most two-byte units are a NUL and a byte
  Unreadable,       // no mark, NUL bytes all over, neither UTF-16 pattern (UTF-32, a binary file)
  Ansi,             // anything else: the system's ANSI code page
};

// Which encoding the bytes of a file are in, judged by their byte order mark;
// without one, by where their NUL bytes are (8-bit text holds none, or a few
// lines with one), and then by whether they are valid UTF-8.
TextEncoding DetectTextEncoding(std::string_view bytes);

bool IsAscii(std::string_view bytes);

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// The text with every byte that does not belong to a valid UTF-8 sequence
// replaced by U+FFFD.
std::string ReplaceInvalidUtf8(std::string_view bytes);

// UTF-16 code units, two bytes each in the given byte order, as UTF-8. A
// surrogate without its partner and an odd last byte become U+FFFD. Our own
// decoder rather than WideCharToMultiByte: the file's bytes are decoded here,
// in the part that builds natively for fuzzing, and the same way on every
// Windows (what the system makes of a lone surrogate has varied).
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian);

// Converts ANSI text to UTF-8; supplied by the caller (the system's code page).
using AnsiToUtf8Function = std::string (*)(std::string_view ansi);

// The bytes of a file as UTF-8 text, the byte order mark dropped. Invalid
// UTF-8 after a UTF-8 byte order mark is replaced byte by byte (the mark says
// what the file is meant to be); without a mark, text that is not valid UTF-8
// is ANSI. ASCII and UTF-8 text is returned as it is, without a copy. An
// Unreadable file gives the empty text. `detected`, when given, receives the
// encoding.
TextBytes DecodeText(TextBytes bytes, AnsiToUtf8Function ansiToUtf8, TextEncoding* detected = nullptr);

}  // namespace qb
