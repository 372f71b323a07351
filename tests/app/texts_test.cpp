// The window's texts: their letters as the user reads them, and the formats.
#include "app/texts.h"

#include <gtest/gtest.h>

#include <string>

namespace qbtest {
namespace {

using qb::texts::FormatText;

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

}  // namespace
}  // namespace qbtest
