// The mail-server check against real servers on 127.0.0.1, started by
// servers.py: Dovecot, aiosmtpd, and servers that misbehave on purpose.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "core/handles.h"
#include "mailcheck/mail_check.h"
#include "tests/support/loopback_names.h"

namespace {

using qb::mailcheck::Limits;
using qb::mailcheck::MailCheck;
using qb::mailcheck::Outcome;
using qb::mailcheck::Protocol;
using qb::mailcheck::Security;
using qb::mailcheck::ServerResult;
using qb::mailcheck::ServerTarget;

constexpr wchar_t kName[] = L"mail.prova.test";  // the good certificate's name

std::map<std::string, std::uint16_t> ServerPorts() {
  std::map<std::string, std::uint16_t> ports;
  const char* file = std::getenv("QB_CHECK_SERVERS");
  if (!file) return ports;
  std::ifstream in(file);
  std::string name;
  unsigned port = 0;
  while (in >> name >> port) ports[name] = static_cast<std::uint16_t>(port);
  return ports;
}

// Trusts the tests' root in the current user's root store, which this
// process's HKEY_CURRENT_USER (a scratch key) holds: nothing outside the run trusts it.
bool TrustTestRoot() {
  const char* file = std::getenv("QB_CHECK_ROOT");
  if (!file) return false;
  std::ifstream in(file, std::ios::binary);
  const std::string der((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
  if (!store) return false;
  const bool added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING,
                                                      reinterpret_cast<const BYTE*>(der.data()),
                                                      static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                                      nullptr) != FALSE;
  CertCloseStore(store, 0);
  return added;
}

// A message-only window that hands the check its messages, as MainForm does.
class CheckWindow {
 public:
  CheckWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &CheckWindow::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuillbeckCheckTest";
    RegisterClassW(&wc);
    window_.reset(CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                  nullptr));
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  HWND hwnd() const { return window_.get(); }
  std::unique_ptr<MailCheck> check;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CheckWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && qb::mailcheck::IsCheckMessage(msg, wParam)) {
      if (self->check) self->check->OnMessage(msg, wParam, lParam);
      else qb::mailcheck::DiscardCheckMessage(msg, lParam);
      return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  qb::WindowHandle window_;
};

class MailCheckTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ports_ = ServerPorts();
    rootTrusted_ = TrustTestRoot();
  }
  void SetUp() override {
    ASSERT_FALSE(ports_.empty()) << "run through tests/mailcheck/servers.py";
    ASSERT_TRUE(rootTrusted_);
    (*names_)[kName] = {"127.0.0.1"};
    (*names_)[L"altro.prova.test"] = {"127.0.0.1"};
  }

  std::uint16_t Port(const std::string& server) { return ports_.at(server); }

  // In the network namespace of in_namespace.sh the names resolve through its
  // private hosts file, with the program's own getaddrinfo; elsewhere through
  // names_, which maps the same names to the same addresses.
  qb::mailcheck::NameResolver Resolver() {
    if (std::getenv("QB_CHECK_REAL_NAMES")) return qb::mailcheck::ResolveWithGetAddrInfo;
    return qbtest::LoopbackResolver(names_);
  }

  // Runs one check to its end (or fails after 30 s).
  std::vector<ServerResult> Run(std::vector<ServerTarget> targets, Limits limits = {2000, 2000}) {
    window_.check = std::make_unique<MailCheck>(window_.hwnd(), std::move(targets), limits, Resolver());
    const DWORD deadline = GetTickCount() + 30000;
    while (!window_.check->Finished() && GetTickCount() < deadline) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    EXPECT_TRUE(window_.check->Finished());
    std::vector<ServerResult> results = window_.check->results();
    window_.check.reset();
    return results;
  }

  ServerResult RunOne(Protocol protocol, const std::string& server, Security security, const wchar_t* host = kName) {
    const std::vector<ServerResult> results = Run({{protocol, host, Port(server), security}});
    return results.empty() ? ServerResult{} : results[0];
  }

  static inline std::map<std::string, std::uint16_t> ports_;
  static inline bool rootTrusted_ = false;
  std::shared_ptr<qbtest::LoopbackNames> names_ = std::make_shared<qbtest::LoopbackNames>();
  CheckWindow window_;
};

struct OutcomeCase {
  const char* what;
  Protocol protocol;
  const char* server;
  Security security;
  Outcome expected;
};

const OutcomeCase kOutcomeCases[] = {
    {"Dovecot POP3", Protocol::Pop3, "pop3", Security::None, Outcome::Answers},
    {"Dovecot POP3 over TLS", Protocol::Pop3, "pop3s", Security::Tls, Outcome::Answers},
    {"Dovecot IMAP", Protocol::Imap, "imap", Security::None, Outcome::Answers},
    {"Dovecot IMAP over TLS", Protocol::Imap, "imaps", Security::Tls, Outcome::Answers},
    {"aiosmtpd SMTP", Protocol::Smtp, "smtp", Security::None, Outcome::Answers},
    {"aiosmtpd SMTP with STARTTLS", Protocol::Smtp, "smtp_starttls", Security::StartTls, Outcome::Answers},
    {"aiosmtpd SMTP over TLS", Protocol::Smtp, "smtps", Security::Tls, Outcome::Answers},
    {"SMTP that offers no STARTTLS", Protocol::Smtp, "smtp", Security::StartTls, Outcome::NoStartTls},
    {"nothing listens", Protocol::Pop3, "refused", Security::None, Outcome::Refused},
    {"closes at once", Protocol::Imap, "closes", Security::None, Outcome::Refused},
    {"never greets", Protocol::Smtp, "silent", Security::None, Outcome::NoAnswer},
    {"TLS to a plain server", Protocol::Pop3, "pop3", Security::Tls, Outcome::HandshakeFailed},
    {"no cipher in common", Protocol::Pop3, "tls_cipher", Security::Tls, Outcome::HandshakeUnsupported},
    {"certificate of another name", Protocol::Pop3, "tls_other", Security::Tls, Outcome::CertificateOtherName},
    {"expired certificate", Protocol::Pop3, "tls_expired", Security::Tls, Outcome::CertificateExpired},
    {"self-signed certificate", Protocol::Pop3, "tls_selfsigned", Security::Tls, Outcome::CertificateUntrusted},
    {"untrusted root, chain not sent", Protocol::Pop3, "tls_strangers", Security::Tls,
     Outcome::CertificateUntrusted},
};

TEST_F(MailCheckTest, EachServerGivesItsOutcome) {
  for (const OutcomeCase& c : kOutcomeCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(RunOne(c.protocol, c.server, c.security).outcome, c.expected);
  }
}

TEST_F(MailCheckTest, AnotherProtocolsAnswerIsShownShortened) {
  // Known at the answer's first line, long before the time limit.
  const DWORD start = GetTickCount();
  const std::vector<ServerResult> answers = Run({{Protocol::Pop3, kName, Port("http"), Security::None}}, {5000, 5000});
  EXPECT_LT(GetTickCount() - start, 2000u);
  ASSERT_EQ(answers.size(), 1u);
  const ServerResult& http = answers[0];
  EXPECT_EQ(http.outcome, Outcome::WrongProtocol);
  EXPECT_EQ(http.answerStart, "HTTP/1.1 400 Bad Request  Content-Type: ...");
  const ServerResult smtp = RunOne(Protocol::Imap, "smtp", Security::None);
  EXPECT_EQ(smtp.outcome, Outcome::WrongProtocol);
  EXPECT_EQ(smtp.answerStart.substr(0, 4), "220 ");
}

TEST_F(MailCheckTest, TheCertificatesNameAndTheWaitAreReported) {
  EXPECT_EQ(RunOne(Protocol::Pop3, "tls_other", Security::Tls).certificateName, L"altro.prova.test");
  // The certificate of mail.prova.test, reached by another name.
  EXPECT_EQ(RunOne(Protocol::Pop3, "pop3s", Security::Tls, L"altro.prova.test").outcome,
            Outcome::CertificateOtherName);
  const std::vector<ServerResult> silent = Run({{Protocol::Pop3, kName, Port("silent"), Security::None}}, {3000, 1000});
  ASSERT_EQ(silent.size(), 1u);
  EXPECT_EQ(silent[0].outcome, Outcome::NoAnswer);
  EXPECT_EQ(silent[0].secondsWaited, 1);
}

TEST_F(MailCheckTest, NamesThatDoNotResolveAndEveryAddressInTurn) {
  EXPECT_EQ(RunOne(Protocol::Pop3, "pop3", Security::None, L"nessuno.prova.test").outcome, Outcome::UnknownName);
  (*names_)[L"doppio.prova.test"] = {"::1", "127.0.0.1"};  // the servers listen on IPv4 only
  EXPECT_EQ(RunOne(Protocol::Pop3, "pop3", Security::None, L"doppio.prova.test").outcome, Outcome::Answers);
  (*names_)[L"solo6.prova.test"] = {"::1"};
  EXPECT_EQ(RunOne(Protocol::Pop3, "pop3", Security::None, L"solo6.prova.test").outcome, Outcome::Refused);
}

TEST_F(MailCheckTest, TheServersOfOneCheckRunAtOnce) {
  const DWORD start = GetTickCount();
  const std::vector<ServerResult> results =
      Run({{Protocol::Pop3, kName, Port("silent"), Security::None},
           {Protocol::Smtp, kName, Port("silent"), Security::None},
           {Protocol::Smtp, kName, Port("smtp_starttls"), Security::StartTls}},
          {2000, 2000});
  const DWORD took = GetTickCount() - start;
  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(results[0].outcome, Outcome::NoAnswer);
  EXPECT_EQ(results[1].outcome, Outcome::NoAnswer);
  EXPECT_EQ(results[2].outcome, Outcome::Answers);
  EXPECT_LT(took, 3500u) << "two servers waiting 2 s each, side by side";
}

TEST(ResolveWithGetAddrInfo, NumericAddressesOfBothFamilies) {
  const auto v4 = qb::mailcheck::ResolveWithGetAddrInfo(L"127.0.0.1", 110);
  ASSERT_EQ(v4.size(), 1u);
  EXPECT_EQ(v4[0].address.ss_family, AF_INET);
  EXPECT_EQ(ntohs(reinterpret_cast<const sockaddr_in*>(&v4[0].address)->sin_port), 110);
  const auto v6 = qb::mailcheck::ResolveWithGetAddrInfo(L"::1", 995);
  ASSERT_EQ(v6.size(), 1u);
  EXPECT_EQ(v6[0].address.ss_family, AF_INET6);
}

}  // namespace
