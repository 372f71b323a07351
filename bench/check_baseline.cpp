#include <winsock2.h>
#include <ws2tcpip.h>
#define SECURITY_WIN32
#include <windows.h>
#include <security.h>
#include <schannel.h>
#include <wincrypt.h>

#include <cstring>
#include <string>
#include <string_view>
#include <thread>

#include "bench/check_baseline.h"

namespace qbbench {

namespace {

constexpr DWORD kWaitMs = 10000;  // the program's limit for a greeting
constexpr ULONG kContextRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                  ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_MANUAL_CRED_VALIDATION;

bool StartsWith(std::string_view text, std::string_view start) { return text.substr(0, start.size()) == start; }

// One blocking connection, in clear until Handshake() and through SChannel after it.
class BareConnection {
 public:
  ~BareConnection() {
    if (haveContext_) DeleteSecurityContext(&context_);
    if (haveCredentials_) FreeCredentialsHandle(&credentials_);
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
  }

  bool Connect(const char* address, std::uint16_t port) {
    addrinfo hints{};
    hints.ai_flags = AI_NUMERICHOST;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(address, std::to_string(port).c_str(), &hints, &found) != 0) return false;
    socket_ = socket(found->ai_family, SOCK_STREAM, IPPROTO_TCP);
    bool connected = false;
    if (socket_ != INVALID_SOCKET) {
      const DWORD wait = kWaitMs;
      setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
      connected = connect(socket_, found->ai_addr, static_cast<int>(found->ai_addrlen)) == 0;
    }
    freeaddrinfo(found);
    return connected;
  }

  bool Handshake(const std::wstring& name) {
    name_ = name;
    SCHANNEL_CRED credentials{};
    credentials.dwVersion = SCHANNEL_CRED_VERSION;
    credentials.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    wchar_t package[] = UNISP_NAME_W;
    TimeStamp expiry;
    if (AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &credentials, nullptr, nullptr,
                                  &credentials_, &expiry) != SEC_E_OK)
      return false;
    haveCredentials_ = true;
    for (;;) {
      const SECURITY_STATUS status = ContextStep();
      if (status == SEC_E_OK) break;
      if (status != SEC_I_CONTINUE_NEEDED && status != SEC_E_INCOMPLETE_MESSAGE) return false;
      if ((status == SEC_E_INCOMPLETE_MESSAGE || raw_.empty()) && !Receive()) return false;
    }
    tls_ = QueryContextAttributesW(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_) == SEC_E_OK;
    return tls_;
  }

  bool CertificateIsGood() {
    PCCERT_CONTEXT certificate = nullptr;
    if (QueryContextAttributesW(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) != SEC_E_OK) return false;
    char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
    LPSTR usages[] = {serverAuth};
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    para.RequestedUsage.Usage.cUsageIdentifier = 1;
    para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    bool good = CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &para, 0, nullptr,
                                        &chain) &&
                chain->TrustStatus.dwErrorStatus == CERT_TRUST_NO_ERROR;
    if (good) {
      SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
      ssl.cbSize = sizeof ssl;
      ssl.dwAuthType = AUTHTYPE_SERVER;
      ssl.pwszServerName = name_.data();
      CERT_CHAIN_POLICY_PARA policy{};
      policy.cbSize = sizeof policy;
      policy.pvExtraPolicyPara = &ssl;
      CERT_CHAIN_POLICY_STATUS status{};
      status.cbSize = sizeof status;
      good = CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status) && status.dwError == 0;
    }
    if (chain) CertFreeCertificateChain(chain);
    CertFreeCertificateContext(certificate);
    return good;
  }

  // One line without its line end, decrypted once TLS runs.
  bool ReadLine(std::string& line) {
    for (;;) {
      if (!tls_) {
        text_ += raw_;
        raw_.clear();
      } else if (!Decrypt()) {
        return false;
      }
      const std::size_t end = text_.find('\n');
      if (end != std::string::npos) {
        line = text_.substr(0, end > 0 && text_[end - 1] == '\r' ? end - 1 : end);
        text_.erase(0, end + 1);
        return true;
      }
      if (!Receive()) return false;
    }
  }

  bool Send(std::string_view text) {
    if (!tls_) return SendBytes(text.data(), text.size());
    std::string record(sizes_.cbHeader + text.size() + sizes_.cbTrailer, '\0');
    std::memcpy(record.data() + sizes_.cbHeader, text.data(), text.size());
    SecBuffer buffers[4] = {
        {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
        {static_cast<ULONG>(text.size()), SECBUFFER_DATA, record.data() + sizes_.cbHeader},
        {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + sizes_.cbHeader + text.size()},
        {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
    if (EncryptMessage(&context_, 0, &desc, 0) != SEC_E_OK) return false;
    return SendBytes(record.data(), buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
  }

 private:
  bool Receive() {
    char buffer[4096];
    const int n = recv(socket_, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    raw_.append(buffer, static_cast<std::size_t>(n));
    return true;
  }

  bool SendBytes(const char* bytes, std::size_t size) {
    return size == 0 || send(socket_, bytes, static_cast<int>(size), 0) == static_cast<int>(size);
  }

  // One InitializeSecurityContextW over what came; sends its answer.
  SECURITY_STATUS ContextStep() {
    const bool first = !haveContext_;
    SecBuffer input[2] = {{static_cast<ULONG>(raw_.size()), SECBUFFER_TOKEN, raw_.data()},
                          {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc inputDesc{SECBUFFER_VERSION, 2, input};
    SecBuffer output[1] = {{0, SECBUFFER_TOKEN, nullptr}};
    SecBufferDesc outputDesc{SECBUFFER_VERSION, 1, output};
    ULONG attributes = 0;
    TimeStamp expiry;
    const SECURITY_STATUS status = InitializeSecurityContextW(
        &credentials_, first ? nullptr : &context_, name_.data(), kContextRequest, 0, 0, first ? nullptr : &inputDesc,
        0, first ? &context_ : nullptr, &outputDesc, &attributes, &expiry);
    if (first) haveContext_ = status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED;
    if (output[0].pvBuffer) {
      SendBytes(static_cast<const char*>(output[0].pvBuffer), output[0].cbBuffer);
      FreeContextBuffer(output[0].pvBuffer);
    }
    if (!first && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED))
      raw_.erase(0, raw_.size() - (input[1].BufferType == SECBUFFER_EXTRA ? input[1].cbBuffer : 0));
    return status;
  }

  // Decrypts the whole records received; what a TLS 1.3 server sends after
  // the handshake (tickets) goes back to the context.
  bool Decrypt() {
    while (!raw_.empty()) {
      SecBuffer buffers[4] = {{static_cast<ULONG>(raw_.size()), SECBUFFER_DATA, raw_.data()},
                              {0, SECBUFFER_EMPTY, nullptr},
                              {0, SECBUFFER_EMPTY, nullptr},
                              {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
      const SECURITY_STATUS status = DecryptMessage(&context_, &desc, 0, nullptr);
      if (status == SEC_E_INCOMPLETE_MESSAGE) return true;
      if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE) return false;
      std::size_t extra = 0;
      for (const SecBuffer& b : buffers) {
        if (b.BufferType == SECBUFFER_DATA && status == SEC_E_OK)
          text_.append(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
        if (b.BufferType == SECBUFFER_EXTRA) extra = b.cbBuffer;
      }
      raw_.erase(0, raw_.size() - extra);
      if (status == SEC_I_RENEGOTIATE) {
        const SECURITY_STATUS again = ContextStep();
        if (again != SEC_E_OK && again != SEC_I_CONTINUE_NEEDED && again != SEC_E_INCOMPLETE_MESSAGE) return false;
      }
    }
    return true;
  }

  SOCKET socket_ = INVALID_SOCKET;
  CredHandle credentials_{};
  CtxtHandle context_{};
  bool haveCredentials_ = false, haveContext_ = false, tls_ = false;
  std::wstring name_;
  SecPkgContext_StreamSizes sizes_{};
  std::string raw_;   // received and not yet decrypted
  std::string text_;  // received and not yet read
};

bool ReadSmtpReply(BareConnection& c, std::string_view code, bool* offersStartTls = nullptr) {
  std::string line;
  do {
    if (!c.ReadLine(line) || !StartsWith(line, code)) return false;
    if (offersStartTls && line.size() >= 12 && _strnicmp(line.c_str() + 4, "STARTTLS", 8) == 0)
      *offersStartTls = true;
  } while (line.size() > 3 && line[3] == '-');
  return true;
}

bool BareCheckServer(const BareServer& server) {
  BareConnection c;
  if (!c.Connect(server.address, server.port)) return false;
  if (server.tls && !(c.Handshake(server.name) && c.CertificateIsGood())) return false;
  std::string line;
  if (!server.smtp) return c.ReadLine(line) && StartsWith(line, "+OK") && c.Send("QUIT\r\n");
  if (!ReadSmtpReply(c, "220")) return false;
  if (server.startTls) {
    bool offered = false;
    if (!c.Send("EHLO localhost\r\n") || !ReadSmtpReply(c, "250", &offered) || !offered) return false;
    if (!c.Send("STARTTLS\r\n") || !ReadSmtpReply(c, "220")) return false;
    if (!c.Handshake(server.name) || !c.CertificateIsGood()) return false;
  }
  return c.Send("QUIT\r\n");
}

}  // namespace

bool BareCheckAccount(const std::vector<BareServer>& servers) {
  std::vector<char> answered(servers.size(), 0);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < servers.size(); ++i)
    threads.emplace_back([&, i] { answered[i] = BareCheckServer(servers[i]); });
  for (std::thread& t : threads) t.join();
  for (char ok : answered)
    if (!ok) return false;
  return true;
}

bool BareCheckAccountInTurn(const std::vector<BareServer>& servers) {
  for (const BareServer& server : servers)
    if (!BareCheckServer(server)) return false;
  return true;
}

}  // namespace qbbench
