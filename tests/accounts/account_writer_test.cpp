// The account writer on its own: address limits, and
// what one write leaves in the registry.
#include <gtest/gtest.h>

#include <algorithm>

#include "accounts/account_layout.h"
#include "accounts/account_list.h"
#include "accounts/account_writer.h"
#include "tests/support/registry_helpers.h"

namespace qbtest {
namespace {

using namespace qb;

TEST(AccountAddressLimits, BackslashesAndOverlongAddressesAreRefused) {
  EXPECT_EQ(MaxAccountAddressLength(), 202u);
  EXPECT_EQ(CheckAccountAddress("mario@quillbeck.it"), AddressProblem::None);
  EXPECT_EQ(CheckAccountAddress("ma\\rio@quillbeck.it"), AddressProblem::Backslash);
  EXPECT_EQ(CheckAccountAddress("mario@quillbeck.it\\"), AddressProblem::Backslash);
  EXPECT_EQ(CheckAccountAddress(std::string(202, 'a')), AddressProblem::None);
  EXPECT_EQ(CheckAccountAddress(std::string(203, 'a')), AddressProblem::TooLong);
  // Other characters are the user's business: the key name takes them.
  EXPECT_EQ(CheckAccountAddress(" a b @/:*?\"<>|"), AddressProblem::None);
}

// The registry counts a name's characters, not its bytes: in a double-byte
// code page an address of 202 characters fits, and a character whose second
// byte is that of "\\" is no backslash.
TEST(AccountAddressLimits, CodePage932CountsCharactersNotBytes) {
  ASSERT_EQ(GetACP(), 932u) << "this test needs the ANSI code page 932";
  std::string fits;
  for (int i = 0; i < 201; ++i) fits += "\x82\xA0";  // U+3042, two bytes
  EXPECT_EQ(CheckAccountAddress(fits + "@"), AddressProblem::None);
  EXPECT_EQ(CheckAccountAddress(fits + "@\x82\xA0"), AddressProblem::TooLong);
  EXPECT_EQ(CheckAccountAddress("\x95\x5C@x.jp"), AddressProblem::None);  // U+8868
  EXPECT_EQ(CheckAccountAddress("\x95\x5C\\@x.jp"), AddressProblem::Backslash);
}

class AccountWriter : public ::testing::Test {
 protected:
  void SetUp() override { ClearScratchHkcu(); }
  void TearDown() override { ClearScratchHkcu(); }
  const AccountInput input_{"mario", "quillbeck.it", "Mario", "smtp.q.it", "pop.q.it"};
};

TEST_F(AccountWriter, NoPasswordIsEverWritten) {
  for (auto protocol : {IncomingProtocol::Pop3, IncomingProtocol::Imap}) {
    WriteAccount(input_, protocol, true);
  }
  for (const std::string& name : ValueNames(AccountKeyPath("(KX) mario@quillbeck.it"))) {
    const bool mentionsPassword = name.find("assword") != std::string::npos;
    EXPECT_TRUE(!mentionsPassword || name.find("Prompt for Password") != std::string::npos) << name;
  }
}

TEST_F(AccountWriter, TheResultNamesTheKeyAndOnlyTheRefusedValues) {
  const auto result = WriteAccount(input_, IncomingProtocol::Other, false);
  EXPECT_EQ(result.keyName, "(KX) mario@quillbeck.it");
  EXPECT_EQ(result.address, "mario@quillbeck.it");
  EXPECT_TRUE(result.failedValues.empty());
  EXPECT_EQ(ValueNames(AccountKeyPath(result.keyName)).size(), 5u);
  EXPECT_TRUE(ValueNames(kManagerKey).empty());
}

TEST_F(AccountWriter, ARefusedDefaultIsReported) {
  CreateKey(kManagerKey);
  MakeKeyReadOnly(kManagerKey);
  const auto result = WriteAccount(input_, IncomingProtocol::Pop3, true);
  MakeKeyWritable(kManagerKey);
  EXPECT_EQ(result.failedValues, std::vector<std::string>{"Default Mail Account"});
  EXPECT_EQ(ValueNames(AccountKeyPath(result.keyName)).size(), 9u);
}

TEST_F(AccountWriter, DeletingRemovesOnlyThatKey) {
  WriteAccount(input_, IncomingProtocol::Pop3, true);
  WriteText(AccountKeyPath("other"), "SMTP Email Address", "x@y");
  DeleteAccountKey(L"(KX) mario@quillbeck.it");
  EXPECT_EQ(SubKeys(kAccountsRoot), std::vector<std::string>{"other"});
  EXPECT_TRUE(ReadRaw(kManagerKey, "Default Mail Account").exists);
  EXPECT_EQ(DeleteAccountKey(L"(KX) nobody"), KeyDeletion::Missing);
  EXPECT_EQ(SubKeys(kAccountsRoot).size(), 1u);
}

// The registry keeps no order of writing; a key that refuses every value shows it
// in the refused values, which are named in the order they were tried. Such
// an add wrote nothing, so it does not try the default either.
TEST_F(AccountWriter, ServerOptionValuesComeAfterTheUsualOnes) {
  const ServerSettings all{
      .ssl = true, .incomingPort = 995, .outgoingPort = 465, .auth = true, .loginAddress = true};
  const std::string key = AccountKeyPath("(KX) mario@quillbeck.it");
  CreateKey(key);
  MakeKeyReadOnly(key);
  const auto pop3 = WriteAccount(input_, IncomingProtocol::Pop3, true, all);
  const auto imap = WriteAccount(input_, IncomingProtocol::Imap, false, all);
  MakeKeyWritable(key);
  const std::vector<std::string> common = {"Account Name", "Connection type", "SMTP Display Name",
                                           "SMTP Email Address", "SMTP Server"};
  auto expected = common;
  expected.insert(expected.end(), {"POP3 Prompt for Password", "POP3 Server", "POP3 Use Sicily", "POP3 User Name",
                                   "POP3 Port", "POP3 Secure Connection", "SMTP Port", "SMTP Secure Connection",
                                   "SMTP Use Sicily"});
  EXPECT_EQ(pop3.failedValues, expected);
  expected = common;
  expected.insert(expected.end(), {"IMAP Prompt for Password", "IMAP Server", "IMAP User Name", "IMAP Port",
                                   "IMAP Secure Connection", "SMTP Port", "SMTP Secure Connection", "SMTP Use Sicily"});
  EXPECT_EQ(imap.failedValues, expected);
}

// A key that refuses every value: the account was neither added nor updated,
// and the default, writable as it is, keeps naming the account it named.
TEST_F(AccountWriter, AnAddThatWroteNothingLeavesTheDefault) {
  const std::string key = AccountKeyPath("(KX) mario@quillbeck.it");
  WriteText(kManagerKey, "Default Mail Account", "(KX) before@quillbeck.it");
  CreateKey(key);
  MakeKeyReadOnly(key);
  const auto result = WriteAccount(input_, IncomingProtocol::Pop3, true);
  MakeKeyWritable(key);
  EXPECT_TRUE(result.WroteNothing());
  EXPECT_EQ(result.failedValues.size(), 9u);
  EXPECT_EQ(ReadRaw(kManagerKey, "Default Mail Account").bytes, Bytes(std::string("(KX) before@quillbeck.it") + '\0'));
}

// Without an incoming protocol only the outgoing server's options apply; ports
// are stored as 32-bit numbers, never sign-extended.
TEST_F(AccountWriter, AnUnknownProtocolTakesOnlyTheOutgoingOptions) {
  const ServerSettings all{
      .ssl = true, .incomingPort = 995, .outgoingPort = 65535, .auth = true, .loginAddress = true};
  const auto result = WriteAccount(input_, IncomingProtocol::Other, false, all);
  const KeyValues expected = {
      {"Account Name", {REG_SZ, Bytes(std::string("mario@quillbeck.it") + '\0')}},
      {"Connection type", {REG_DWORD, {3, 0, 0, 0}}},
      {"SMTP Display Name", {REG_SZ, Bytes(std::string("Mario") + '\0')}},
      {"SMTP Email Address", {REG_SZ, Bytes(std::string("mario@quillbeck.it") + '\0')}},
      {"SMTP Server", {REG_SZ, Bytes(std::string("smtp.q.it") + '\0')}},
      {"SMTP Port", {REG_DWORD, {0xFF, 0xFF, 0, 0}}},
      {"SMTP Secure Connection", {REG_DWORD, {1, 0, 0, 0}}},
      {"SMTP Use Sicily", {REG_DWORD, {2, 0, 0, 0}}},
  };
  EXPECT_EQ(AllValues(AccountKeyPath(result.keyName)), expected);
  EXPECT_TRUE(result.failedValues.empty());
}

// Writing an address again reuses its key: the values this write does not
// include stay, except the server options of its own servers that it does not
// ask for, which go. The other protocol's server keeps its port and security.
TEST_F(AccountWriter, AnUpdateRemovesOnlyItsOwnServersOptionsThatItDoesNotAskFor) {
  const ServerSettings all{
      .ssl = true, .incomingPort = 995, .outgoingPort = 465, .auth = true, .loginAddress = true};
  const std::vector<std::string> common = {"Account Name", "Connection type", "Other Program", "SMTP Display Name",
                                           "SMTP Email Address", "SMTP Server"};
  const struct {
    IncomingProtocol first;
    ServerSettings firstOptions;
    IncomingProtocol then;
    ServerSettings thenOptions;
    std::vector<std::string> added;  // to the common ones
  } cases[] = {
      {IncomingProtocol::Imap, all, IncomingProtocol::Pop3, {.ssl = true},
       {"IMAP Port", "IMAP Prompt for Password", "IMAP Secure Connection", "IMAP Server", "IMAP User Name",
        "POP3 Prompt for Password", "POP3 Secure Connection", "POP3 Server", "POP3 Use Sicily", "POP3 User Name",
        "SMTP Secure Connection"}},
      // POP3 over SSL on 995, then a plain IMAP preset: the POP3 server stays whole.
      {IncomingProtocol::Pop3, {.ssl = true, .incomingPort = 995}, IncomingProtocol::Imap, {},
       {"IMAP Prompt for Password", "IMAP Server", "IMAP User Name", "POP3 Port", "POP3 Prompt for Password",
        "POP3 Secure Connection", "POP3 Server", "POP3 Use Sicily", "POP3 User Name"}},
  };
  const std::string key = AccountKeyPath("(KX) mario@quillbeck.it");
  for (const auto& c : cases) {
    ClearScratchHkcu();
    WriteAccount(input_, c.first, false, c.firstOptions);
    WriteText(key, "Other Program", "kept");
    const auto result = WriteAccount(input_, c.then, false, c.thenOptions);
    EXPECT_TRUE(result.unremovedValues.empty());
    auto names = ValueNames(key);
    std::sort(names.begin(), names.end());
    auto expected = common;
    expected.insert(expected.end(), c.added.begin(), c.added.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
  }
}

TEST_F(AccountWriter, OptionsThatCannotBeRemovedAreNamed) {
  const std::string key = AccountKeyPath("(KX) mario@quillbeck.it");
  WriteAccount(input_, IncomingProtocol::Pop3, false, {.ssl = true, .incomingPort = 995});
  MakeKeyReadOnly(key);
  const auto result = WriteAccount(input_, IncomingProtocol::Pop3, false);
  MakeKeyWritable(key);
  // Only those the key holds: the absent ones are gone already.
  EXPECT_EQ(result.unremovedValues,
            (std::vector<std::string>{"POP3 Port", "POP3 Secure Connection", "SMTP Secure Connection"}));
}

}  // namespace
}  // namespace qbtest
