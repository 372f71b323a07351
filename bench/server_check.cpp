#include "bench/server_check.h"

#include <winsock2.h>
#include <wincrypt.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <thread>

#include "accounts/account_layout.h"
#include "app/control_ids.h"
#include "bench/check_baseline.h"
#include "tests/support/registry_helpers.h"

namespace qbbench {

namespace {

// The name the servers' certificate holds; the check's resolver maps it to 127.0.0.1.
constexpr wchar_t kServerName[] = L"mail.prova.test";
constexpr char kServerAddress[] = "127.0.0.1";
constexpr double kAnswerLimitMs = 50;
constexpr double kCheckTimeout = 60;  // seconds: a check that runs longer stops the run

// servers.py's "name port" lines: which port each of its servers listens on.
std::map<std::string, std::uint16_t> ServerPorts(const char* file) {
  std::map<std::string, std::uint16_t> ports;
  std::ifstream in(file);
  std::string name;
  unsigned port = 0;
  while (in >> name >> port) ports[name] = static_cast<std::uint16_t>(port);
  return ports;
}

// servers.py's test root, trusted in the current user's root store (below the
// redirected HKEY_CURRENT_USER) for as long as the object lives.
class TrustedTestRoot {
 public:
  explicit TrustedTestRoot(const char* file) {
    std::ifstream in(file, std::ios::binary);
    const std::string der((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    store_ = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    if (!store_ || !CertAddEncodedCertificateToStore(store_, X509_ASN_ENCODING,
                                                     reinterpret_cast<const BYTE*>(der.data()),
                                                     static_cast<DWORD>(der.size()),
                                                     CERT_STORE_ADD_REPLACE_EXISTING, &root_))
      Fail(std::string("cannot trust the test root ") + file);
    // Wine's registry store keeps what was added in memory until it is
    // committed or closed: without this the chain engine, which opens the
    // store anew, would not see the root (the check then says "untrusted").
    if (!CertControlStore(store_, 0, CERT_STORE_CTRL_COMMIT, nullptr)) Fail("cannot save the trusted test root");
  }
  ~TrustedTestRoot() {
    if (root_) CertDeleteCertificateFromStore(root_);
    if (store_) CertCloseStore(store_, 0);
  }
  TrustedTestRoot(const TrustedTestRoot&) = delete;
  TrustedTestRoot& operator=(const TrustedTestRoot&) = delete;

 private:
  HCERTSTORE store_ = nullptr;
  PCCERT_CONTEXT root_ = nullptr;
};

// One account of the servers, as another program writes it; deleted with the object.
class BenchAccount {
 public:
  BenchAccount(const std::string& address, std::uint16_t pop3, std::uint16_t smtp, bool secure)
      : key_(qb::AccountKeyName(address)), path_(qb::AccountKeyPath(key_)) {
    const std::string server(std::begin(kServerName), std::end(kServerName) - 1);
    qbtest::WriteText(path_, qb::kSmtpEmailAddressValue, address);
    qbtest::WriteText(path_, "POP3 Server", server);
    qbtest::WriteText(path_, "SMTP Server", server);
    WriteNumber("POP3 Port", pop3);
    WriteNumber("SMTP Port", smtp);
    WriteNumber("POP3 Secure Connection", secure ? 1 : 0);
    WriteNumber("SMTP Secure Connection", secure ? 1 : 0);  // not port 465: EHLO and STARTTLS
  }
  ~BenchAccount() { qbtest::DeleteTree(HKEY_CURRENT_USER, path_); }
  BenchAccount(const BenchAccount&) = delete;
  BenchAccount& operator=(const BenchAccount&) = delete;

  // Its row in the window's list.
  int RowIn(const BenchForm& form) const {
    const std::vector<std::wstring>& keys = form.form.accountKeyList();
    for (std::size_t i = 0; i < keys.size(); ++i)
      if (keys[i] == std::wstring(key_.begin(), key_.end())) return static_cast<int>(i);
    Fail("the list shows no row for " + key_);
  }

 private:
  void WriteNumber(const char* value, DWORD number) {
    qbtest::WriteRaw(path_, value, REG_DWORD,
                     {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8), 0, 0});
  }
  std::string key_, path_;
};

// Sends the window WM_NULL from another thread every 2 ms and keeps the
// longest wait for its answer; the window's thread pumps until the prober ends.
class AnswerProbe {
 public:
  explicit AnswerProbe(HWND window) : thread_([this, window] { Probe(window); }) {}
  ~AnswerProbe() {
    stop_ = true;
    while (!ended_) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
      PumpMessages();
    }
    thread_.join();
  }
  double LongestMs() const { return longest_; }
  int Probes() const { return probes_; }

 private:
  void Probe(HWND window) {
    while (!stop_) {
      const double before = Now();
      DWORD_PTR result = 0;
      SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
      longest_ = std::max(longest_.load(), Ms(Now() - before));
      ++probes_;
      Sleep(2);
    }
    ended_ = true;
  }
  std::atomic<bool> stop_{false}, ended_{false};
  std::atomic<double> longest_{0};
  std::atomic<int> probes_{0};
  std::thread thread_;
};

// "Verifica" on the row, then the window's messages until the check has shown
// its result; the seconds that took. A result other than success stops the run.
double ProgramCheck(BenchForm& form, int row) {
  SendMessageW(form.control(qb::kLista), LB_SETCURSEL, static_cast<WPARAM>(row), 0);
  form.messages.clear();
  const double start = Now();
  form.form.OnCommand(qb::kMenuVerifica, 0, nullptr);
  while (form.form.CheckRunning()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) form.form.DispatchLoopMessage(msg);
    if (Now() - start > kCheckTimeout) Fail("a check of the loopback servers does not end");
  }
  const double took = Now() - start;
  form.CheckNoError("the server check");
  if (form.messages.size() != 1 || (form.messages[0].type & MB_ICONMASK) != MB_ICONINFORMATION) {
    const std::wstring text = form.messages.empty() ? L"no message" : form.messages[0].text;
    Fail("the program's check of the loopback servers did not succeed: " + std::string(text.begin(), text.end()));
  }
  return took;
}

std::vector<BareServer> BareServers(std::uint16_t pop3, std::uint16_t smtp, bool secure) {
  return {{false, secure, false, kServerName, kServerAddress, pop3},
          {true, false, secure, kServerName, kServerAddress, smtp}};
}

double BareCheck(const std::vector<BareServer>& servers, bool inTurn = false) {
  const double start = Now();
  if (!(inTurn ? BareCheckAccountInTurn(servers) : BareCheckAccount(servers)))
    Fail("the bare check of the loopback servers did not succeed");
  return Now() - start;
}

// What the thread behind each helper the check starts costs here: an empty
// thread, created and joined (min and median of 21).
Summary EmptyThreadCost() {
  std::vector<double> times;
  for (int i = 0; i < 21; ++i) {
    const double start = Now();
    std::thread([] {}).join();
    times.push_back(Now() - start);
  }
  return Summarize(times);
}

// The fastest of a few bare checks one server after the other, for comparison only.
double FastestInTurn(const std::vector<BareServer>& servers) {
  std::vector<double> times;
  for (int i = 0; i < 7; ++i) times.push_back(BareCheck(servers, true));
  return Summarize(times).min;
}

void PrintPair(const char* what, const Paired& p) {
  const Summary a = Summarize(p.a), b = Summarize(p.b);
  std::printf("%-6s | %4zu | %8.1fms %8.1fms | %8.1fms %8.1fms | %7.3f\n", what, p.a.size(), Ms(a.min), Ms(a.median),
              Ms(b.min), Ms(b.median), p.Ratio());
}

std::string Skip(const std::string& why) {
  std::printf("\n== Server check\nskipped: %s\n", why.c_str());
  return why;
}

}  // namespace

std::optional<std::string> MeasureServerCheck(std::vector<Verdict>& verdicts) {
  const char* serversFile = std::getenv("QB_CHECK_SERVERS");
  const char* rootFile = std::getenv("QB_CHECK_ROOT");
  if (!serversFile || !rootFile) {
    const char* why = std::getenv("QB_BENCH_NO_SERVERS");
    return Skip(why ? why : "no mail servers were started (run the bench through tools/bench.sh)");
  }
  const std::map<std::string, std::uint16_t> ports = ServerPorts(serversFile);
  for (const char* name : {"pop3", "pop3s", "smtp", "smtp_starttls"})
    if (!ports.contains(name)) return Skip(std::string("servers.py names no port for ") + name);

  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) Fail("WSAStartup");
  const TrustedTestRoot root(rootFile);  // before the first chain is built: the chain engine reads the store once
  const BenchAccount plain("semplice@prova.test", ports.at("pop3"), ports.at("smtp"), false);
  const BenchAccount secure("protetto@prova.test", ports.at("pop3s"), ports.at("smtp_starttls"), true);
  BenchForm form;
  (*form.serverNames)[kServerName] = {kServerAddress};
  form.Start();
  const int plainRow = plain.RowIn(form), secureRow = secure.RowIn(form);

  // First, so that the first TLS check of the process (its chain engine cold) is among them.
  constexpr int kProbedChecks = 6;
  double longestMs = 0;
  int probes = 0;
  {
    AnswerProbe probe(form.form.hwnd());
    for (int i = 0; i < kProbedChecks; ++i) ProgramCheck(form, i % 2 ? plainRow : secureRow);
    longestMs = probe.LongestMs();
    probes = probe.Probes();
  }

  const auto plainBare = BareServers(ports.at("pop3"), ports.at("smtp"), false);
  const auto secureBare = BareServers(ports.at("pop3s"), ports.at("smtp_starttls"), true);
  const Paired plainPair = Alternate(
      7, 3, [&] { return ProgramCheck(form, plainRow); }, [&] { return BareCheck(plainBare); });
  const Paired securePair = Alternate(
      7, 3, [&] { return ProgramCheck(form, secureRow); }, [&] { return BareCheck(secureBare); });
  const double plainInTurn = FastestInTurn(plainBare), secureInTurn = FastestInTurn(secureBare);
  const Summary thread = EmptyThreadCost();
  WSACleanup();

  std::printf(
      "\n== Server check: Verifica on a POP3+SMTP account, Dovecot and aiosmtpd on 127.0.0.1, from the\n"
      "command to the result recorded, against bare blocking Winsock + SChannel (one thread per server:\n"
      "connect, InitializeSecurityContextW loop, CertGetCertificateChain + SSL policy, greeting, QUIT).\n"
      "plain: POP3 + SMTP in clear; TLS: POP3 over TLS + SMTP with EHLO/STARTTLS.\n");
  std::printf("%-6s | %4s | %10s %10s | %10s %10s | %7s\n", "", "runs", "program min", "median", "bare min",
              "median", "ratio");
  PrintPair("plain", plainPair);
  PrintPair("TLS", securePair);
  std::printf("bare, one server after the other on one thread (not a target): min plain %.1f ms, TLS %.1f ms\n",
              Ms(plainInTurn), Ms(secureInTurn));
  std::printf("an empty thread created and joined (the bare code starts one per server; the check hands its name\n"
              "lookups and certificate chains to the system's thread pool): min %.2f ms, median %.2f ms\n",
              Ms(thread.min), Ms(thread.median));
  std::printf("window answer: longest %.1f ms over %d WM_NULL probes (SendMessageTimeout from another thread\n"
              "every 2 ms) during %d checks, the first TLS check of the process included\n",
              longestMs, probes, kProbedChecks);
  verdicts.push_back({"server check, plain POP3+SMTP, vs bare Winsock", plainPair.Ratio(), 1.2});
  verdicts.push_back({"server check, TLS POP3+SMTP, vs bare Winsock+SChannel", securePair.Ratio(), 1.2});
  verdicts.push_back({"window's longest answer during a check / 50 ms", longestMs / kAnswerLimitMs, 1.0});
  return std::nullopt;
}

}  // namespace qbbench
