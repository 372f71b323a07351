#include "mailcheck/mail_check.h"

#include <atomic>
#include <optional>

#include "core/handles.h"
#include "mailcheck/certificate_check.h"
#include "mailcheck/protocol_rules.h"
#include "mailcheck/tls_client.h"

namespace qb::mailcheck {

namespace {

// A check's socket events come as one of kSocketSlots messages, chosen by the
// check's number: an event a closed socket of an earlier check left in the
// queue cannot be taken for one of a new socket that got the same handle.
constexpr UINT kSocketMessageFirst = WM_APP + 0x60;
constexpr UINT kSocketSlots = 32;
constexpr UINT kResolvedMessage = WM_APP + 0x5E;
constexpr UINT kCertificateMessage = WM_APP + 0x5F;
// Timer ids: one per server of the running check.
constexpr UINT_PTR kFirstTimer = 0x5100;
constexpr UINT_PTR kTimerCount = 16;

std::atomic<unsigned> nextCheckId{1};

UINT SocketMessageOf(unsigned checkId) { return kSocketMessageFirst + checkId % kSocketSlots; }

// What a helper thread posts back (lParam of its message).
struct ResolvedReport {
  unsigned checkId;
  std::size_t server;
  std::vector<SocketAddress> addresses;
};
struct CertificateReport {
  unsigned checkId;
  std::size_t server;
  CertificateFinding finding;
};

struct ResolveJob {
  HWND window;
  unsigned checkId;
  std::size_t server;
  std::wstring host;
  std::uint16_t port;
  NameResolver resolver;
};

DWORD WINAPI ResolveThread(void* parameter) {
  std::unique_ptr<ResolveJob> job(static_cast<ResolveJob*>(parameter));
  auto report = std::make_unique<ResolvedReport>(ResolvedReport{job->checkId, job->server, {}});
  try {
    report->addresses = job->resolver(job->host, job->port);
  } catch (...) {
    report->addresses.clear();  // no exception leaves the thread: a name that cannot be resolved
  }
  // A window that is gone takes no message: the report is freed here then.
  if (PostMessageW(job->window, kResolvedMessage, 0, reinterpret_cast<LPARAM>(report.get()))) report.release();
  return 0;
}

struct CertificateJob {
  HWND window;
  unsigned checkId;
  std::size_t server;
  PCCERT_CONTEXT certificate;
  std::wstring serverName;
};

DWORD WINAPI CertificateThread(void* parameter) {
  std::unique_ptr<CertificateJob> job(static_cast<CertificateJob*>(parameter));
  auto report = std::make_unique<CertificateReport>(
      CertificateReport{job->checkId, job->server, CheckServerCertificate(job->certificate, job->serverName)});
  CertFreeCertificateContext(job->certificate);
  if (PostMessageW(job->window, kCertificateMessage, 0, reinterpret_cast<LPARAM>(report.get()))) report.release();
  return 0;
}

// Hands `job` to a thread of the system's pool, which frees it; false (and the
// job freed) when the pool takes none. The pool keeps its threads for the next
// check: a new thread per name and per certificate cost about 4 ms each under
// Wine, a quarter of a TLS check on loopback.
template <class Job>
bool StartHelper(LPTHREAD_START_ROUTINE routine, std::unique_ptr<Job> job) {
  // Long: a name lookup may block for seconds, and the pool then adds a thread rather than queue behind it.
  if (!QueueUserWorkItem(routine, job.get(), WT_EXECUTELONGFUNCTION)) return false;
  job.release();
  return true;
}

// A host name for getaddrinfo; a name the code page cannot hold does not resolve.
std::optional<std::string> AnsiHostName(const std::wstring& host) {
  if (host.empty()) return std::nullopt;
  BOOL lossy = FALSE;
  const int size = static_cast<int>(host.size());
  const int n = WideCharToMultiByte(CP_ACP, 0, host.data(), size, nullptr, 0, nullptr, &lossy);
  if (n <= 0 || lossy) return std::nullopt;
  std::string ansi(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, host.data(), size, ansi.data(), n, nullptr, nullptr);
  return ansi;
}

int WholeSeconds(unsigned ms) { return static_cast<int>((ms + 500) / 1000); }

}  // namespace

std::vector<SocketAddress> ResolveWithGetAddrInfo(const std::wstring& host, std::uint16_t port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  std::vector<SocketAddress> addresses;
  const std::optional<std::string> name = AnsiHostName(host);
  if (!name) return addresses;
  // The check that asked may be gone and have ended its own use of Winsock.
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return addresses;
  if (getaddrinfo(name->c_str(), service.c_str(), &hints, &found) != 0) found = nullptr;
  for (addrinfo* a = found; a; a = a->ai_next) {
    if (a->ai_addrlen > sizeof(sockaddr_storage)) continue;
    SocketAddress address;
    memcpy(&address.address, a->ai_addr, a->ai_addrlen);
    address.length = static_cast<int>(a->ai_addrlen);
    addresses.push_back(address);
  }
  if (found) freeaddrinfo(found);
  WSACleanup();
  return addresses;
}

bool IsCheckMessage(UINT msg, WPARAM wParam) {
  if (msg == WM_TIMER) return wParam >= kFirstTimer && wParam < kFirstTimer + kTimerCount;
  return msg == kResolvedMessage || msg == kCertificateMessage ||
         (msg >= kSocketMessageFirst && msg < kSocketMessageFirst + kSocketSlots);
}

void DiscardCheckMessage(UINT msg, LPARAM lParam) {
  if (msg == kResolvedMessage) delete reinterpret_cast<ResolvedReport*>(lParam);
  if (msg == kCertificateMessage) delete reinterpret_cast<CertificateReport*>(lParam);
}

// One server's progress, from the name to the goodbye.
struct MailCheck::Server {
  enum class Phase { Resolving, Connecting, Handshaking, Verifying, Greeting, Ehlo, StartTls, Done };

  HWND window;
  unsigned checkId;
  std::size_t index;
  Limits limits;
  NameResolver resolver;
  ServerResult& result;

  Phase phase = Phase::Resolving;
  std::vector<SocketAddress> addresses;
  std::size_t nextAddress = 0;
  SOCKET socket = INVALID_SOCKET;
  std::unique_ptr<TlsClient> tls;
  bool tlsEstablished = false;
  bool greeted = false;
  bool startTlsOffered = false;
  int handshakeAlert = -1;  // the alert the server ended the handshake with
  std::string raw;       // bytes received and not yet decrypted (TLS)
  std::string received;  // text received and not yet read
  std::string answer;    // the whole answer so far, for a message

  Server(HWND w, unsigned id, std::size_t i, Limits l, NameResolver r, ServerResult& out)
      : window(w), checkId(id), index(i), limits(l), resolver(std::move(r)), result(out) {}
  ~Server() { Stop(); }

  UINT_PTR timer() const { return kFirstTimer + index; }
  const ServerTarget& target() const { return result.target; }

  void Start() {
    SetTimer(window, timer(), limits.connectMs, nullptr);
    auto job = std::make_unique<ResolveJob>(
        ResolveJob{window, checkId, index, target().host, target().port, resolver});
    if (!StartHelper(ResolveThread, std::move(job))) Finish(Outcome::UnknownName);
  }

  void Stop() {
    KillTimer(window, timer());
    CloseSocket();
  }

  void CloseSocket() {
    if (socket == INVALID_SOCKET) return;
    WSAAsyncSelect(socket, window, 0, 0);
    closesocket(socket);
    socket = INVALID_SOCKET;
  }

  void Finish(Outcome outcome) {
    if (phase == Phase::Done) return;
    result.outcome = outcome;
    phase = Phase::Done;
    Stop();
  }

  void FinishNoAnswer(unsigned waitedMs) {
    result.secondsWaited = WholeSeconds(waitedMs);
    Finish(Outcome::NoAnswer);
  }

  void FinishWrongProtocol() {
    result.answerStart = ShownAnswer(answer);
    Finish(Outcome::WrongProtocol);
  }

  void OnResolved(std::vector<SocketAddress> found) {
    if (phase != Phase::Resolving) return;
    if (found.empty()) return Finish(Outcome::UnknownName);
    addresses = std::move(found);
    phase = Phase::Connecting;
    result.outcome = Outcome::Refused;
    ConnectNext();
  }

  // Tries the next address; when none is left the last failure stands.
  void ConnectNext() {
    CloseSocket();
    while (nextAddress < addresses.size()) {
      const SocketAddress& address = addresses[nextAddress++];
      socket = ::socket(address.address.ss_family, SOCK_STREAM, IPPROTO_TCP);
      if (socket == INVALID_SOCKET) continue;
      if (WSAAsyncSelect(socket, window, SocketMessageOf(checkId), FD_CONNECT | FD_READ | FD_CLOSE) == 0 &&
          (connect(socket, reinterpret_cast<const sockaddr*>(&address.address), address.length) == 0 ||
           WSAGetLastError() == WSAEWOULDBLOCK))
        return;
      CloseSocket();
    }
    Finish(result.outcome);
  }

  void OnConnected() {
    KillTimer(window, timer());
    SetTimer(window, timer(), limits.answerMs, nullptr);
    if (target().security == Security::Tls) return StartHandshake();
    phase = Phase::Greeting;
  }

  void OnSocketEvent(WORD event, WORD error) {
    if (phase == Phase::Done) return;
    if (event == FD_CONNECT) {
      if (phase != Phase::Connecting) return;
      if (error == 0) return OnConnected();
      result.outcome = error == WSAECONNREFUSED ? Outcome::Refused : Outcome::NoAnswer;
      result.secondsWaited = WholeSeconds(limits.connectMs);
      return ConnectNext();
    }
    if (phase == Phase::Connecting) return;
    const bool open = Receive();
    if (phase == Phase::Done) return;
    if (!open || event == FD_CLOSE) OnClosedByServer();
  }

  // Takes what the socket holds; false when the server closed the connection.
  bool Receive() {
    char buffer[4096];
    for (;;) {
      const int n = recv(socket, buffer, sizeof buffer, 0);
      if (n > 0) {
        raw.append(buffer, static_cast<std::size_t>(n));
        continue;
      }
      const bool open = n < 0 && WSAGetLastError() == WSAEWOULDBLOCK;
      Digest();
      return open;
    }
  }

  void OnClosedByServer() {
    if (phase == Phase::Handshaking) return FailHandshake();
    if (phase == Phase::Verifying) return;  // the certificate's verdict comes first
    if (!answer.empty() && !greeted) return FinishWrongProtocol();
    Finish(greeted ? Outcome::NoStartTls : Outcome::Refused);
  }

  // Moves the bytes received through TLS (when it runs) and the protocol.
  void Digest() {
    if (phase == Phase::Handshaking) ContinueHandshake();
    if (phase == Phase::Verifying || phase == Phase::Done) return;
    if (tlsEstablished) {
      std::string plain;
      if (!tls->Decrypt(raw, plain)) return Finish(Outcome::HandshakeFailed);
      received += plain;
      answer += plain;
    } else {
      received += raw;
      answer += raw;
      raw.clear();
    }
    ReadLines();
  }

  void ReadLines() {
    while (phase != Phase::Done && phase != Phase::Handshaking && phase != Phase::Verifying) {
      std::optional<std::string> line = TakeLine(received);
      if (!line) {
        if (received.size() > 1024) FinishWrongProtocol();  // no line end in sight
        return;
      }
      ReadLine(*line);
    }
  }

  void ReadLine(const std::string& line) {
    switch (phase) {
      case Phase::Greeting:
        switch (ReadGreetingLine(target().protocol, line)) {
          case GreetingVerdict::MoreToCome: return;
          case GreetingVerdict::NotGreeting: return FinishWrongProtocol();
          case GreetingVerdict::Greeted: return OnGreeted();
        }
        return;
      case Phase::Ehlo:
        switch (ReadEhloLine(line, startTlsOffered)) {
          case EhloVerdict::MoreToCome: return;
          case EhloVerdict::NoStartTls: return SayGoodbye(Outcome::NoStartTls);
          case EhloVerdict::OffersStartTls:
            phase = Phase::StartTls;
            return Send("STARTTLS\r\n");
        }
        return;
      case Phase::StartTls:
        if (!IsStartTlsReady(line)) return SayGoodbye(Outcome::NoStartTls);
        return StartHandshake();
      default:
        return;
    }
  }

  void OnGreeted() {
    greeted = true;
    if (target().security == Security::StartTls && !tlsEstablished) {
      phase = Phase::Ehlo;
      answer.clear();
      return Send("EHLO localhost\r\n");
    }
    SayGoodbye(Outcome::Answers);
  }

  void SayGoodbye(Outcome outcome) {
    Send(GoodbyeCommand(target().protocol));
    Finish(outcome);
  }

  void Send(std::string_view text) {
    const std::string bytes = tlsEstablished ? tls->Encrypt(text) : std::string(text);
    SendBytes(bytes);
  }

  // The check sends a few hundred bytes at most, which a fresh socket's
  // buffer always takes: no waiting for FD_WRITE.
  void SendBytes(const std::string& bytes) {
    if (!bytes.empty() && socket != INVALID_SOCKET) send(socket, bytes.data(), static_cast<int>(bytes.size()), 0);
  }

  void StartHandshake() {
    phase = Phase::Handshaking;
    tls = std::make_unique<TlsClient>();
    std::string out;
    const TlsClient::Step step = tls->Start(target().host, out);
    SendBytes(out);
    if (step == TlsClient::Step::Failed) return FailHandshake();
    if (!raw.empty()) ContinueHandshake();
  }

  void ContinueHandshake() {
    if (const std::optional<int> alert = TlsAlertAt(raw)) handshakeAlert = *alert;
    std::string out;
    const TlsClient::Step step = tls->Continue(raw, out);
    SendBytes(out);
    if (step == TlsClient::Step::Failed) return FailHandshake();
    if (step == TlsClient::Step::Established) StartVerifying();
  }

  // Wine's SChannel reports no error for the server's alert (it waits for
  // more), so the alert read in clear decides too; Windows may say either.
  void FailHandshake() {
    const SECURITY_STATUS error = tls->error();
    const bool unsupported = error == SEC_E_ALGORITHM_MISMATCH || error == SEC_E_UNSUPPORTED_FUNCTION ||
                             (handshakeAlert >= 0 && IsUnsupportedSecurityAlert(handshakeAlert));
    Finish(unsupported ? Outcome::HandshakeUnsupported : Outcome::HandshakeFailed);
  }

  void StartVerifying() {
    tlsEstablished = true;
    phase = Phase::Verifying;
    PCCERT_CONTEXT certificate = tls->ServerCertificate();
    if (!certificate) return Finish(Outcome::CertificateUntrusted);
    auto job = std::make_unique<CertificateJob>(
        CertificateJob{window, checkId, index, certificate, target().host});
    if (!StartHelper(CertificateThread, std::move(job))) {
      CertFreeCertificateContext(certificate);
      Finish(Outcome::CertificateUntrusted);
    }
  }

  void OnCertificate(const CertificateFinding& finding) {
    if (phase != Phase::Verifying) return;
    switch (finding.verdict) {
      case CertificateVerdict::Good: break;
      case CertificateVerdict::Expired: return Finish(Outcome::CertificateExpired);
      case CertificateVerdict::Untrusted: return Finish(Outcome::CertificateUntrusted);
      case CertificateVerdict::OtherName:
        result.certificateName = finding.name;
        return Finish(Outcome::CertificateOtherName);
    }
    if (greeted) return SayGoodbye(Outcome::Answers);  // after STARTTLS
    phase = Phase::Greeting;
    Digest();
    if (phase != Phase::Done && socket != INVALID_SOCKET) Receive();  // what came while the chain was built
  }

  void OnTimer() {
    if (phase == Phase::Done) return;
    if (phase == Phase::Resolving || phase == Phase::Connecting) return FinishNoAnswer(limits.connectMs);
    if (!answer.empty() && phase == Phase::Greeting) return FinishWrongProtocol();
    FinishNoAnswer(limits.answerMs);
  }
};

MailCheck::MailCheck(HWND window, std::vector<ServerTarget> targets, Limits limits, NameResolver resolver)
    : window_(window), id_(nextCheckId++), limits_(limits) {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  for (ServerTarget& target : targets) {
    ServerResult result;
    result.target = std::move(target);
    results_.push_back(std::move(result));
  }
  const std::size_t count = std::min<std::size_t>(results_.size(), kTimerCount);
  results_.resize(count);
  for (std::size_t i = 0; i < count; ++i)
    servers_.push_back(std::make_unique<Server>(window, id_, i, limits, resolver, results_[i]));
  for (auto& server : servers_) server->Start();
}

MailCheck::~MailCheck() {
  servers_.clear();  // their sockets close while Winsock is still started
  WSACleanup();
}

bool MailCheck::Finished() const {
  for (const auto& server : servers_)
    if (server->phase != Server::Phase::Done) return false;
  return true;
}

void MailCheck::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER) {
    const std::size_t index = wParam - kFirstTimer;
    if (index < servers_.size()) servers_[index]->OnTimer();
    return;
  }
  if (msg == kResolvedMessage) {
    std::unique_ptr<ResolvedReport> report(reinterpret_cast<ResolvedReport*>(lParam));
    if (report->checkId == id_ && report->server < servers_.size())
      servers_[report->server]->OnResolved(std::move(report->addresses));
    return;
  }
  if (msg == kCertificateMessage) {
    std::unique_ptr<CertificateReport> report(reinterpret_cast<CertificateReport*>(lParam));
    if (report->checkId == id_ && report->server < servers_.size())
      servers_[report->server]->OnCertificate(report->finding);
    return;
  }
  if (msg != SocketMessageOf(id_)) return;
  const auto socket = static_cast<SOCKET>(wParam);
  for (auto& server : servers_)
    if (server->socket == socket && socket != INVALID_SOCKET)
      return server->OnSocketEvent(WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam));
}

}  // namespace qb::mailcheck
