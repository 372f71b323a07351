// The window's texts: their letters as the user reads them, and the formats.
#include "app/texts.h"

#include <gtest/gtest.h>

#include <string>

namespace qbtest {
namespace {

using qb::texts::FormatText;
using qb::texts::ShownInMessage;

TEST(Texts, AccentedLettersComeOutOfTheSourceAsOneCharacterEach) {
  // Written with escapes here, so that this file's own coding plays no part.
  EXPECT_EQ(std::wstring(qb::texts::kFrame1Caption), L"Indirizzi gi\u00E0 configurati in Outlook Express:");
  const std::wstring start = L"riga %1: il protocollo \"%2\" non \u00E8 n\u00E9 POP3 n\u00E9 IMAP";
  EXPECT_EQ(std::wstring(qb::texts::kPresetUnknownProtocol).substr(0, start.size()), start);
}

TEST(Texts, PlaceholdersTakeTheValuesInTheirPlaces) {
  EXPECT_EQ(FormatText(L"%2 e %1, %1", {L"uno", L"due"}), L"due e uno, uno");
  EXPECT_EQ(FormatText(qb::texts::kConfirmRemoval, {L"mario@example.it"}),
            L"Vuoi veramente cancellare l'indirizzo mario@example.it?");
  EXPECT_EQ(FormatText(qb::texts::kFatalError, {L"51", L"Internal error"}),
            L"Si \u00E8 verificato un errore e il programma verr\u00E0 chiuso.\n\nErrore 51: Internal error");
}

TEST(Texts, ValuesAreNotFormattedAgainAndOtherPercentSignsStay) {
  EXPECT_EQ(FormatText(L"[%1]", {L"%1%2%"}), L"[%1%2%]");
  EXPECT_EQ(FormatText(L"100% %0 %", {}), L"100% %0 %");
  EXPECT_EQ(FormatText(L"a%3b", {L"x"}), L"ab");  // no third value
}

// A value longer than 60 characters keeps its first 39 and its last 20 with
// "…" between; a surrogate pair is never cut in two; control characters,
// which would break the message's lines, show as spaces.
TEST(Texts, ShownInMessageCutsLongValuesAndBlanksControls) {
  const std::wstring a38(38, L'a'), a39(39, L'a'), b19(19, L'b'), b20(20, L'b');
  const std::wstring pair = L"\U0001F4E7";  // two UTF-16 units
  const struct {
    std::wstring value;
    std::wstring shown;
  } cases[] = {
      {std::wstring(60, L'x'), std::wstring(60, L'x')},
      {a39 + L"c" + b20, a39 + L"c" + b20},                                 // 60: whole
      {a39 + L"cd" + b20, a39 + L"\u2026" + b20},                          // 61: cut
      {a38 + pair + L"cc" + b20, a38 + L"\u2026" + b20},                   // the pair would be cut at its start
      {a39 + L"ccc" + pair + b19, a39 + L"\u2026" + b19},                  // ... or at its end
      {L"a\tb\r\nc\x7F\x85\x9F\xA0d", L"a b  c   \xA0d"},
  };
  for (const auto& c : cases) EXPECT_EQ(ShownInMessage(c.value), c.shown) << c.value.size();
}

}  // namespace
}  // namespace qbtest
