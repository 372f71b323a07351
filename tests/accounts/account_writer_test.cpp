// The account writer on its own: protocol recognition, address limits, and
// what one write leaves in the registry.
#include <gtest/gtest.h>

#include "accounts/account_layout.h"
#include "accounts/account_writer.h"
#include "tests/support/scratch_registry.h"

namespace qbtest {
namespace {

using namespace qb;

TEST(AccountProtocol, OnlyTheLetterCaseIsForgiven) {
  for (const char* p : {"POP3", "pop3", "Pop3", "pOp3"}) EXPECT_EQ(ClassifyProtocol(p), IncomingProtocol::Pop3) << p;
  for (const char* p : {"IMAP", "imap", "iMaP"}) EXPECT_EQ(ClassifyProtocol(p), IncomingProtocol::Imap) << p;
  for (const char* p : {"", " POP3", "POP3 ", "POP", "IMAP4", "x400", "P\xD6P3"})
    EXPECT_EQ(ClassifyProtocol(p), IncomingProtocol::Other) << p;
}

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
  DeleteAccountKey("(KX) mario@quillbeck.it");
  EXPECT_EQ(SubKeys(kAccountsRoot), std::vector<std::string>{"other"});
  EXPECT_TRUE(ReadRaw(kManagerKey, "Default Mail Account").exists);
  DeleteAccountKey("(KX) nobody");  // a missing key: nothing happens
  EXPECT_EQ(SubKeys(kAccountsRoot).size(), 1u);
}

}  // namespace
}  // namespace qbtest
