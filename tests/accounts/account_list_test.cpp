// ReadAccountList: the rows and key names rebuilt from the account keys.
#include "accounts/account_list.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <source_location>
#include <string>
#include <utility>
#include <vector>

#include "accounts/account_layout.h"
#include "registry/registry_ops.h"
#include "tests/support/registry_helpers.h"

namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;  // key name, row text

// Where Outlook Express keeps its accounts and its default, spelled out rather
// than taken from accounts/account_layout.h: a few tests write there directly,
// so that the reader is seen to look where Outlook Express writes.
const std::string kOutlookExpressAccounts = "SOFTWARE\\Microsoft\\Internet Account Manager\\Accounts\\";
const std::string kOutlookExpressManager = "SOFTWARE\\Microsoft\\Internet Account Manager\\";

class AccountListTest : public ::testing::Test {
 protected:
  void SetUp() override { qbtest::ClearScratchHkcu(); }
  void TearDown() override { EXPECT_EQ(qb::OpenRegistryHandleCount(), 0); }

  static void Account(const std::string& key, const std::string& address) {
    qbtest::WriteText(qb::AccountKeyPath(key), "SMTP Email Address", address);
  }
  static void Default(const std::string& key) { qbtest::WriteText(qb::kManagerKey, "Default Mail Account", key); }
};

// A wide text in code page 1252, for the tests written with ANSI literals.
std::string Narrow(const std::wstring& wide) {
  std::string narrow(wide.size() * 2, '\0');
  const int n = wide.empty() ? 0
                             : WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                                   narrow.data(), static_cast<int>(narrow.size()), nullptr, nullptr);
  narrow.resize(static_cast<std::size_t>(n));
  return narrow;
}

// Reads the list and expects exactly these rows, each with its key, in this order.
void ExpectListing(const Rows& expected, std::source_location where = std::source_location::current()) {
  ::testing::ScopedTrace trace(where.file_name(), static_cast<int>(where.line()), "account list");
  const qb::AccountListing list = qb::ReadAccountList();
  ASSERT_EQ(list.keys.size(), list.rows.size());
  Rows got;
  for (std::size_t i = 0; i < list.rows.size(); ++i) got.emplace_back(Narrow(list.keys[i]), Narrow(list.rows[i]));
  EXPECT_EQ(got, expected);
}

TEST_F(AccountListTest, ListsEveryKeyWithAnAddressWhateverItsName) {
  Account("(KX) mario@example.it", "mario@example.it");
  // One that Outlook Express made itself.
  qbtest::WriteText(kOutlookExpressAccounts + "00000001", "SMTP Email Address", "outlook@example.com");
  ExpectListing({{"(KX) mario@example.it", "mario@example.it"}, {"00000001", "outlook@example.com"}});
}

TEST_F(AccountListTest, KeysWithoutANonEmptyAddressAreLeftOut) {
  qbtest::CreateKey(qb::AccountKeyPath("(KX) bare"));
  qbtest::WriteText(qb::AccountKeyPath("(KX) other values"), "Account Name", "x@y.it");
  Account("(KX) empty", "");
  qbtest::WriteRaw(qb::AccountKeyPath("(KX) zero bytes"), "SMTP Email Address", REG_SZ, {});
  qbtest::WriteRaw(qb::AccountKeyPath("(KX) big endian"), "SMTP Email Address", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 1});
  Account("(KX) kept", "kept@y.it");
  ExpectListing({{"(KX) kept", "kept@y.it"}});
}

TEST_F(AccountListTest, ASharedAddressGivesOneRowPerKey) {
  Account("A", "same@y.it");
  Account("B", "same@y.it");
  ExpectListing({{"A", "same@y.it"}, {"B", "same@y.it"}});
}

TEST_F(AccountListTest, TheDefaultIsMarkedOnlyOnAnExactMatchOfTheKeyName) {
  Account("(KX) a@y.it", "a@y.it");
  Account("(KX) b@y.it", "b@y.it");
  Default("(KX) b@y.it");
  ExpectListing({{"(KX) a@y.it", "a@y.it"}, {"(KX) b@y.it", "b@y.it (Default)"}});
  for (const char* almost : {"(kx) b@y.it", "(KX) B@Y.IT", "(KX) b@y.it ", "b@y.it", ""}) {
    SCOPED_TRACE(almost);
    Default(almost);
    ExpectListing({{"(KX) a@y.it", "a@y.it"}, {"(KX) b@y.it", "b@y.it"}});
  }
}

TEST_F(AccountListTest, TheMarkFollowsTheKeyNameNotTheAddress) {
  Account("First", "shared@y.it");
  Account("Second", "shared@y.it");
  qbtest::WriteText(kOutlookExpressManager, "Default Mail Account", "Second");
  ExpectListing({{"First", "shared@y.it"}, {"Second", "shared@y.it (Default)"}});
}

TEST_F(AccountListTest, AStaleOrMissingDefaultMarksNothing) {
  Account("(KX) a@y.it", "a@y.it");
  ExpectListing({{"(KX) a@y.it", "a@y.it"}});  // no manager value at all
  Default("(KX) removed@y.it");
  ExpectListing({{"(KX) a@y.it", "a@y.it"}});
  qbtest::WriteRaw(qb::kManagerKey, "Default Mail Account", REG_DWORD, {1, 0, 0, 0});
  ExpectListing({{"(KX) a@y.it", "a@y.it"}});
}

TEST_F(AccountListTest, AMissingOrEmptyAccountsRootGivesNoRows) {
  ExpectListing({});
  Default("(KX) a@y.it");
  ExpectListing({});
  qbtest::CreateKey(qb::kAccountsRoot);
  ExpectListing({});
}

TEST_F(AccountListTest, RowsFollowTheRegistrysEnumerationOrder) {
  for (const char* key : {"delta", "Bravo", "alpha", "Charlie", "(KX) z@y.it"}) Account(key, std::string(key) + "@y.it");
  Rows expected;
  for (const std::string& key : qbtest::SubKeys(qb::kAccountsRoot)) expected.emplace_back(key, key + "@y.it");
  ASSERT_EQ(expected.size(), 5u);
  ExpectListing(expected);
}

TEST_F(AccountListTest, ANonTextAddressIsShownAsText) {
  qbtest::WriteRaw(qb::AccountKeyPath("Number"), "SMTP Email Address", REG_DWORD, {0x2A, 0, 0, 0});
  qbtest::WriteRaw(qb::AccountKeyPath("Bytes"), "SMTP Email Address", REG_BINARY, {'b', '@', 'y'});
  Default("Number");
  ExpectListing({{"Bytes", "b@y"}, {"Number", "42 (Default)"}});
}

// What a removal checks just before it deletes: the address the key holds now,
// in the text its row would show.
TEST_F(AccountListTest, TheAddressAKeyHoldsNowReadsAsItsRowWouldShowIt) {
  Account("00000001", "bruno@example.com");
  Default("00000001");
  qbtest::WriteRaw(qb::AccountKeyPath("Number"), "SMTP Email Address", REG_DWORD, {0x2A, 0, 0, 0});
  Account("(KX) empty", "");
  qbtest::CreateKey(qb::AccountKeyPath("(KX) bare"));
  EXPECT_EQ(qb::ReadAccountAddress(L"00000001"), L"bruno@example.com");  // never the default mark
  EXPECT_EQ(qb::ReadAccountAddress(L"Number"), L"42");
  for (const wchar_t* none : {L"(KX) empty", L"(KX) bare", L"(KX) missing"})
    EXPECT_EQ(qb::ReadAccountAddress(none), std::nullopt) << Narrow(none);
}

}  // namespace

namespace {

// Where an address is set up already: its own key in any letter case, and other
// programs' accounts holding it, found the way the registry compares names.
TEST_F(AccountListTest, AnAddressIsFoundInItsKeyAndInOtherAccountsWhateverTheCase) {
  Account("(KX) Mario@Q.it", "someone@else.it");  // its key, whatever it holds
  Account("{A}", "MARIO@q.IT");
  Account("{B}", "mario@q.it.old");
  Account("(KX) mario@q.it.old", "mario@q.it.old");
  Account("{D}", "  Mario@q.it ");  // spaces around it: still the address
  Account("{E}", "mario @q.it");    // within it: another one
  qbtest::WriteText(qb::AccountKeyPath("{C}"), "Account Name", "mario@q.it");  // no address: not an account
  const qb::AddressInUse found = qb::FindAddressInUse("mario@q.it");
  EXPECT_EQ(found.ownKey, std::optional<std::wstring>(L"(KX) Mario@Q.it"));
  EXPECT_EQ(found.otherKeys, (std::vector<std::wstring>{L"{A}", L"{D}"}));
  EXPECT_EQ(qb::FindAddressInUse("MARIO@q.IT").ownKey, std::optional<std::wstring>(L"(KX) Mario@Q.it"));

  const qb::AddressInUse none = qb::FindAddressInUse("mario@q");
  EXPECT_FALSE(none.any());
}

// Keys another program named with letters the code page lacks: each listed
// with its own letters, the default mark on exactly its key, and a removal
// taking exactly its own key.
TEST_F(AccountListTest, LookAlikeKeysAreEachTheirOwnAccount) {
  const std::wstring root = L"SOFTWARE\\Microsoft\\Internet Account Manager\\Accounts\\";
  qbtest::WriteText(root + L"(KX) \u0142uk@x.pl", L"SMTP Email Address", L"\u0142uk@x.pl");
  qbtest::WriteText(root + L"(KX) luk@x.pl", L"SMTP Email Address", L"luk@x.pl");
  qbtest::WriteText(root + L"OE-\u03A9mega", L"SMTP Email Address", L"omega@x.pl");
  qbtest::WriteText(L"SOFTWARE\\Microsoft\\Internet Account Manager", L"Default Mail Account", L"(KX) \u0142uk@x.pl");
  using WideRows = std::set<std::pair<std::wstring, std::wstring>>;
  const auto listed = [] {
    const qb::AccountListing list = qb::ReadAccountList();
    WideRows rows;
    for (std::size_t i = 0; i < list.rows.size(); ++i) rows.emplace(list.keys.at(i), list.rows[i]);
    return rows;
  };
  EXPECT_EQ(listed(), (WideRows{{L"(KX) \u0142uk@x.pl", L"\u0142uk@x.pl (Default)"},
                                {L"(KX) luk@x.pl", L"luk@x.pl"},
                                {L"OE-\u03A9mega", L"omega@x.pl"}}));
  EXPECT_EQ(qb::FindAddressInUse("luk@x.pl").ownKey, std::optional<std::wstring>(L"(KX) luk@x.pl"));
  EXPECT_EQ(qb::DeleteAccountKey(L"(KX) \u0142uk@x.pl"), qb::KeyDeletion::Deleted);
  EXPECT_EQ(listed(), (WideRows{{L"(KX) luk@x.pl", L"luk@x.pl"}, {L"OE-\u03A9mega", L"omega@x.pl"}}));
}

// The comparison must agree with the registry's own: each pair is also tried
// as two key names, the second opening the first's key exactly when they are one.
TEST_F(AccountListTest, NamesCompareAsTheRegistryComparesThem) {
  ASSERT_EQ(GetACP(), 1252u) << "the accented cases are written in code page 1252";
  struct Case {
    const char* a;
    const char* b;
    bool same;
  };
  const Case cases[] = {
      {"mario@q.it", "MARIO@Q.IT", true},
      {"niccol\xF2@q.it", "NICCOL\xD2@q.it", true},  // ò and Ò
      {"\xFF", "\x9F", true},                        // ÿ and Ÿ, far apart in the code page
      {"a\x01" "b", "ab", false},                     // a character without sort weight still counts
      {"a\xAD" "b", "ab", false},                     // a soft hyphen too
      {"a-b", "ab", false},
      {"stra\xDF" "e", "STRASSE", false},             // ß is no "SS" to the registry
      {"mario ", "mario", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " / " + c.b);
    EXPECT_EQ(qb::SameIgnoringCase(qb::WideFromCodePage(c.a), qb::WideFromCodePage(c.b)), c.same);
    qbtest::CreateKey(qb::AccountKeyPath(c.a));
    EXPECT_EQ(qbtest::KeyExists(qb::AccountKeyPath(c.b)), c.same) << "the registry";
    qbtest::ClearScratchHkcu();
  }
  EXPECT_TRUE(qb::SameIgnoringCase(L"", L""));
}

}  // namespace
