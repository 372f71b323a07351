// Encoding detection and conversion to UTF-8. Uses nothing of Win32, so these
// tests also build natively (sanitizers, fuzzing).
#include "catalogue/text_encoding.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/support/latin1_code_page.h"

namespace qb {
namespace {

using namespace std::string_literals;

// ISO 8859-1 stands in for the system's ANSI code page.
using qbtest::Latin1ToUtf8;

std::string Decode(const std::string& bytes) {
  return std::string(ViewOf(DecodeText(TextBytes(bytes.begin(), bytes.end()), &Latin1ToUtf8)));
}

TEST(TextEncoding, DetectionByMarkThenByValidity) {
  const struct {
    std::string bytes;
    TextEncoding want;
  } cases[] = {
      {"", TextEncoding::Ascii},
      {"a;b;c;d;POP3\r\n", TextEncoding::Ascii},
      {"\xEF\xBB\xBF", TextEncoding::Utf8Bom},
      {"\xEF\xBB\xBF" "a\xE0", TextEncoding::Utf8Bom},
      {"Citt\xC3\xA0", TextEncoding::Utf8},
      {"0123456789abcdef\xF0\x9F\x93\xA7", TextEncoding::Utf8},
      {"Citt\xE0", TextEncoding::Ansi},
      {"\xFF\xFE" "a\0"s, TextEncoding::Utf16Le},
      {"\xFE\xFF\0a"s, TextEncoding::Utf16Be},
      {"\xEF\xBB", TextEncoding::Ansi},  // half a mark
      {"\xFE", TextEncoding::Ansi},
      {"0123456789abcde\x80", TextEncoding::Ansi},  // the odd byte after whole words of ASCII
      // No mark, but NUL bytes: in UTF-16, ASCII puts one in every unit.
      {"a\0;\0b\0"s, TextEncoding::Utf16LeUnmarked},
      {"\0a\0;\0b"s, TextEncoding::Utf16BeUnmarked},
      {"a\0b\0c\0d\0\x42\x30"s, TextEncoding::Utf16LeUnmarked},     // a unit without NUL (U+3042) among them
      {"a\0b\0c\0d\0\0\x30"s, TextEncoding::Utf16LeUnmarked},       // one U+3000 among four ASCII
      {"a\0b\0\0c\0d"s, TextEncoding::Unreadable},                 // both sides as often
      {"a\0\0\0b\0\0\0"s, TextEncoding::Unreadable},               // UTF-32 LE
      {"\0\0\0a\0\0\0b"s, TextEncoding::Unreadable},               // UTF-32 BE
      // A few NUL bytes in 8-bit text: lines the parser skips one by one.
      {"a;b;c;d;POP3\0\r\nCitt\xC3\xA0;b;c;d;POP3\r\n"s, TextEncoding::Utf8},
      {"abcdefg\0"s, TextEncoding::Ascii},                        // one byte in eight: not yet UTF-16
      {"\xFF\xFE" "a\0\0\0"s, TextEncoding::Utf16Le},             // a mark decides before any NUL
  };
  for (const auto& c : cases) EXPECT_EQ(DetectTextEncoding(c.bytes), c.want) << c.bytes;
}

// Without a mark, a file is UTF-16 when the units holding a NUL hold it on the
// same side at least four times as often as otherwise: three times is not enough.
TEST(TextEncoding, Utf16WithoutAMarkWantsFourTimesAsManyNulsOnOneSide) {
  const struct {
    std::string bytes;
    TextEncoding want;
  } cases[] = {
      {"a\0b\0c\0d\0\0\x30"s, TextEncoding::Utf16LeUnmarked},  // four to one
      {"a\0b\0c\0\0\x30"s, TextEncoding::Unreadable},         // three to one
      {"\0a\0b\0c\0d\x30\0"s, TextEncoding::Utf16BeUnmarked},
      {"\0a\0b\0c\x30\0"s, TextEncoding::Unreadable},
      {"a\0b\0c\0d\0\0\0"s, TextEncoding::Utf16LeUnmarked},   // a unit of two NULs counts against
      {"a\0b\0c\0\0\0"s, TextEncoding::Unreadable},
  };
  for (const auto& c : cases) EXPECT_EQ(DetectTextEncoding(c.bytes), c.want) << c.bytes.size();
}

TEST(TextEncoding, StrictUtf8) {
  const struct {
    std::string bytes;
    bool valid;
  } cases[] = {
      {"\xC3\xA0", true},           {"\xE2\x82\xAC", true},     {"\xF0\x9F\x93\xA7", true},
      {"\xF4\x8F\xBF\xBF", true},   {"\xED\x9F\xBF", true},     {"\xEF\xBF\xBD", true},
      {"\xC0\x80", false},          {"\xC1\xBF", false},        {"\xE0\x80\x80", false},  // overlong
      {"\xE0\x9F\xBF", false},      {"\xF0\x8F\xBF\xBF", false},
      {"\xED\xA0\x80", false},      {"\xED\xBF\xBF", false},    // surrogates
      {"\xF4\x90\x80\x80", false},  {"\xF5\x80\x80\x80", false}, {"\xFF", false},  // past U+10FFFF
      {"\xC3", false},              {"\xE2\x82", false},        {"\xF0\x9F\x93", false},  // cut short
      {"\xE2\x28\xA1", false},      {"\x80", false},            {"a\xC3\xA0\xA0", false},
      {"0123456789abcdef\xC3\xA0" "0123456789abcdef", true},
      {"0123456789abcdef\xC3" "0123456789abcdef", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.bytes;
}

TEST(TextEncoding, Utf16BothByteOrders) {
  // "Città €" and a letter outside the basic plane (U+1F4E7).
  const std::string le = "C\0i\0t\0t\0\xE0\0 \0\xAC\x20\x3D\xD8\xE7\xDC"s;
  const std::string be = "\0C\0i\0t\0t\0\xE0\0 \x20\xAC\xD8\x3D\xDC\xE7"s;
  const std::string want = "Citt\xC3\xA0 \xE2\x82\xAC\xF0\x9F\x93\xA7";
  EXPECT_EQ(Utf16ToUtf8(le, false), want);
  EXPECT_EQ(Utf16ToUtf8(be, true), want);
}

TEST(TextEncoding, Utf16DamageBecomesReplacementCharacters) {
  const std::string fffd = "\xEF\xBF\xBD";
  EXPECT_EQ(Utf16ToUtf8("\x3D\xD8" "a\0"s, false), fffd + "a");   // high surrogate alone
  EXPECT_EQ(Utf16ToUtf8("\xE7\xDC" "a\0"s, false), fffd + "a");   // low surrogate alone
  EXPECT_EQ(Utf16ToUtf8("\x3D\xD8"s, false), fffd);               // high surrogate last
  EXPECT_EQ(Utf16ToUtf8("a\0b"s, false), "a" + fffd);             // odd byte
  EXPECT_EQ(Utf16ToUtf8("a\0\0\0"s, false), "a\0"s);              // a NUL stays a NUL
}

TEST(TextEncoding, InvalidBytesAreReplacedOneByOne) {
  const std::string fffd = "\xEF\xBF\xBD";
  EXPECT_EQ(ReplaceInvalidUtf8("Citt\xE0;d"), "Citt" + fffd + ";d");
  EXPECT_EQ(ReplaceInvalidUtf8("\xC0\x80" "\xC3\xA0"), fffd + fffd + "\xC3\xA0");
  EXPECT_EQ(ReplaceInvalidUtf8("\xE2\x82"), fffd + fffd);
  EXPECT_EQ(ReplaceInvalidUtf8("ok \xF0\x9F\x93\xA7"), "ok \xF0\x9F\x93\xA7");
}

TEST(TextEncoding, DecodeDropsTheMarkAndConvertsToUtf8) {
  const std::string citta = "Citt\xC3\xA0;citt\xC3\xA0.it";
  const std::string fffd = "\xEF\xBF\xBD";
  const struct {
    const char* what;
    std::string bytes;
    std::string want;
  } cases[] = {
      {"ASCII", "a;b;c;d;POP3\r\n", "a;b;c;d;POP3\r\n"},
      {"UTF-8 with mark", "\xEF\xBB\xBF" + citta, citta},
      {"UTF-8 without mark", citta, citta},
      {"UTF-16 LE", "\xFF\xFE" "C\0i\0t\0t\0\xE0\0;\0c\0i\0t\0t\0\xE0\0.\0i\0t\0"s, citta},
      {"UTF-16 BE", "\xFE\xFF\0C\0i\0t\0t\0\xE0\0;\0c\0i\0t\0t\0\xE0\0.\0i\0t"s, citta},
      {"ANSI", "Citt\xE0;citt\xE0.it", citta},
      {"ANSI that starts like a mark", "\xEF\xBB" "\xE0", "\xC3\xAF\xC2\xBB\xC3\xA0"},
      {"invalid UTF-8 after a mark", "\xEF\xBB\xBF" "Citt\xE0;citt\xC3\xA0.it", "Citt" + fffd + ";citt\xC3\xA0.it"},
      {"only a mark", "\xEF\xBB\xBF", ""},
      {"only a UTF-16 mark", "\xFF\xFE", ""},
      {"UTF-16 LE without a mark", "C\0i\0t\0t\0\xE0\0;\0c\0i\0t\0t\0\xE0\0.\0i\0t\0"s, citta},
      {"UTF-16 BE without a mark", "\0C\0i\0t\0t\0\xE0\0;\0c\0i\0t\0t\0\xE0\0.\0i\0t"s, citta},
      {"NUL bytes in no UTF-16 order", "C\0\0\0i\0\0\0"s, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Decode(c.bytes), c.want) << c.what;
}

}  // namespace
}  // namespace qb
