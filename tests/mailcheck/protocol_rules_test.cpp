// How the check reads the servers' answers.
#include <gtest/gtest.h>

#include "mailcheck/protocol_rules.h"

namespace {

using qb::mailcheck::GreetingVerdict;
using qb::mailcheck::Protocol;

struct GreetingCase {
  Protocol protocol;
  const char* line;
  GreetingVerdict expected;
};

TEST(ProtocolRules, Greetings) {
  const GreetingCase cases[] = {
      {Protocol::Pop3, "+OK Dovecot ready.", GreetingVerdict::Greeted},
      {Protocol::Pop3, "+ok", GreetingVerdict::Greeted},
      {Protocol::Pop3, "-ERR busy", GreetingVerdict::NotGreeting},
      {Protocol::Pop3, "* OK IMAP", GreetingVerdict::NotGreeting},
      {Protocol::Imap, "* OK [CAPABILITY IMAP4rev1] ready", GreetingVerdict::Greeted},
      {Protocol::Imap, "* PREAUTH welcome", GreetingVerdict::Greeted},
      {Protocol::Imap, "* BYE go away", GreetingVerdict::NotGreeting},
      {Protocol::Imap, "+OK", GreetingVerdict::NotGreeting},
      {Protocol::Smtp, "220 mail.prova.test ESMTP", GreetingVerdict::Greeted},
      {Protocol::Smtp, "220", GreetingVerdict::Greeted},
      {Protocol::Smtp, "220-first of two lines", GreetingVerdict::MoreToCome},
      {Protocol::Smtp, "2200 no", GreetingVerdict::NotGreeting},
      {Protocol::Smtp, "554 no service", GreetingVerdict::NotGreeting},
  };
  for (const GreetingCase& c : cases)
    EXPECT_EQ(qb::mailcheck::ReadGreetingLine(c.protocol, c.line), c.expected) << c.line;
}

TEST(ProtocolRules, EhloReplyOffersStartTlsOnAnyLine) {
  using qb::mailcheck::EhloVerdict;
  bool offered = false;
  EXPECT_EQ(qb::mailcheck::ReadEhloLine("250-mail.prova.test", offered), EhloVerdict::MoreToCome);
  EXPECT_EQ(qb::mailcheck::ReadEhloLine("250-starttls", offered), EhloVerdict::MoreToCome);
  EXPECT_EQ(qb::mailcheck::ReadEhloLine("250 HELP", offered), EhloVerdict::OffersStartTls);
  offered = false;
  EXPECT_EQ(qb::mailcheck::ReadEhloLine("250-STARTTLSX", offered), EhloVerdict::MoreToCome);
  EXPECT_EQ(qb::mailcheck::ReadEhloLine("250 8BITMIME", offered), EhloVerdict::NoStartTls);
  offered = false;
  EXPECT_EQ(qb::mailcheck::ReadEhloLine("502 EHLO not implemented", offered), EhloVerdict::NoStartTls);
}

TEST(ProtocolRules, LinesAndShownAnswers) {
  std::string received = "+OK one\r\n+OK tw";
  EXPECT_EQ(qb::mailcheck::TakeLine(received), "+OK one");
  EXPECT_EQ(qb::mailcheck::TakeLine(received), std::nullopt);
  EXPECT_EQ(received, "+OK tw");
  EXPECT_EQ(qb::mailcheck::ShownAnswer("SSH-2.0\r\n\x01\xC3\xA9", 40), "SSH-2.0  ???");
  EXPECT_EQ(qb::mailcheck::ShownAnswer("abcdefgh", 5), "abcde...");
  EXPECT_EQ(qb::mailcheck::GoodbyeCommand(Protocol::Imap), "a1 LOGOUT\r\n");
  EXPECT_EQ(qb::mailcheck::GoodbyeCommand(Protocol::Pop3), "QUIT\r\n");
}

TEST(ProtocolRules, AlertsThatEndAHandshake) {
  using namespace std::string_literals;
  EXPECT_EQ(qb::mailcheck::TlsAlertAt("\x15\x03\x03\x00\x02\x02\x46"s), 70);  // protocol_version
  EXPECT_EQ(qb::mailcheck::TlsAlertAt("\x15\x03\x01\x00\x02\x02\x28more"s), 40);
  EXPECT_EQ(qb::mailcheck::TlsAlertAt("\x16\x03\x03\x00\x02\x02\x28"s), std::nullopt);  // a handshake record
  EXPECT_EQ(qb::mailcheck::TlsAlertAt("\x15\x03\x03\x00\x02\x02"s), std::nullopt);       // cut short
  EXPECT_TRUE(qb::mailcheck::IsUnsupportedSecurityAlert(71));
  EXPECT_FALSE(qb::mailcheck::IsUnsupportedSecurityAlert(48));  // unknown_ca: a certificate matter
}

}  // namespace
