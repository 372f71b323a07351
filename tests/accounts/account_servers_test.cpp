// The servers, ports and security the check reads from an account key.
#include <gtest/gtest.h>

#include "accounts/account_layout.h"
#include "accounts/account_servers.h"
#include "tests/support/registry_helpers.h"

namespace {

using namespace qbtest;
using qb::mailcheck::Protocol;
using qb::mailcheck::Security;
using qb::mailcheck::ServerTarget;

class AccountServers : public ::testing::Test {
 protected:
  void SetUp() override { ClearScratchHkcu(); }
  void TearDown() override { ClearScratchHkcu(); }
  const std::string key_ = qb::AccountKeyPath("(KX) mario@prova.it");
};

void WriteDword(const std::string& key, const std::string& value, std::uint32_t number) {
  WriteRaw(key, value, REG_DWORD,
           {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
            static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)});
}

TEST_F(AccountServers, StandardPortsWithoutSecurity) {
  WriteText(key_, "POP3 Server", "pop.prova.it");
  WriteText(key_, "SMTP Server", "smtp.prova.it");
  const std::vector<ServerTarget> expected = {{Protocol::Pop3, L"pop.prova.it", 110, Security::None},
                                              {Protocol::Smtp, L"smtp.prova.it", 25, Security::None}};
  EXPECT_EQ(qb::ReadAccountServers(L"(KX) mario@prova.it"), expected);
}

TEST_F(AccountServers, PortsAndSecurityAsTheMailClientReadsThem) {
  WriteText(key_, "IMAP Server", "imap.prova.it");
  WriteDword(key_, "IMAP Port", 993);
  WriteDword(key_, "IMAP Secure Connection", 2);  // not 0: TLS
  WriteText(key_, "SMTP Server", "smtp.prova.it");
  WriteDword(key_, "SMTP Port", 587);
  WriteDword(key_, "SMTP Secure Connection", 1);  // 1 on a port other than 465: STARTTLS
  const std::vector<ServerTarget> expected = {{Protocol::Imap, L"imap.prova.it", 993, Security::Tls},
                                              {Protocol::Smtp, L"smtp.prova.it", 587, Security::StartTls}};
  EXPECT_EQ(qb::ReadAccountServers(L"(KX) mario@prova.it"), expected);
}

TEST_F(AccountServers, SmtpOn465IsTlsFromTheFirstByteAndOnlyOneMeansSecure) {
  WriteText(key_, "POP3 Server", "pop.prova.it");
  WriteDword(key_, "POP3 Port", 0);  // no port: the standard one
  WriteText(key_, "SMTP Server", "smtp.prova.it");
  WriteDword(key_, "SMTP Port", 465);
  WriteDword(key_, "SMTP Secure Connection", 1);
  std::vector<ServerTarget> expected = {{Protocol::Pop3, L"pop.prova.it", 110, Security::None},
                                        {Protocol::Smtp, L"smtp.prova.it", 465, Security::Tls}};
  EXPECT_EQ(qb::ReadAccountServers(L"(KX) mario@prova.it"), expected);
  WriteDword(key_, "SMTP Secure Connection", 2);
  expected[1].security = Security::None;
  EXPECT_EQ(qb::ReadAccountServers(L"(KX) mario@prova.it"), expected);
}

TEST_F(AccountServers, AKeyWithoutServersOrNoKeyGivesNone) {
  WriteText(key_, "SMTP Email Address", "mario@prova.it");
  EXPECT_TRUE(qb::ReadAccountServers(L"(KX) mario@prova.it").empty());
  EXPECT_TRUE(qb::ReadAccountServers(L"(KX) nessuno@prova.it").empty());
}

}  // namespace
