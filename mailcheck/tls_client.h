#pragma once
// The client side of a TLS connection through SChannel, driven by the bytes
// the socket delivers: the caller sends what it is handed and feeds back what
// it receives, so the handshake runs on the same read events as the rest.
// Certificates are not checked here (SCH_CRED_MANUAL_CRED_VALIDATION): the
// check does that itself, see certificate_check.h.
#define SECURITY_WIN32
#include <windows.h>
#include <security.h>
#include <schannel.h>

#include <string>

namespace qb::mailcheck {

class TlsClient {
 public:
  enum class Step { Continue, Established, Failed };

  TlsClient() = default;
  ~TlsClient();
  TlsClient(const TlsClient&) = delete;
  TlsClient& operator=(const TlsClient&) = delete;

  // Starts the handshake for this server name (sent as SNI); `out` receives the
  // first message to send.
  Step Start(const std::wstring& serverName, std::string& out);
  // Consumes handshake bytes from `in` (what stays is application data or an
  // incomplete record); `out` receives what to send.
  Step Continue(std::string& in, std::string& out);
  // Decrypts the whole records at the start of `in` into `plain`; false when
  // the stream is broken or closed by the server.
  bool Decrypt(std::string& in, std::string& plain);
  std::string Encrypt(std::string_view plain);
  // The server's certificate, which the caller frees; nullptr when none.
  PCCERT_CONTEXT ServerCertificate();
  SECURITY_STATUS error() const { return error_; }

 private:
  Step Handshake(std::string& in, std::string& out);

  CredHandle credentials_{};
  CtxtHandle context_{};
  bool haveCredentials_ = false;
  bool haveContext_ = false;
  std::wstring serverName_;
  SecPkgContext_StreamSizes sizes_{};
  SECURITY_STATUS error_ = SEC_E_OK;
};

}  // namespace qb::mailcheck
