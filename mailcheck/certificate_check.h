#pragma once
// Whether a server's certificate may be trusted for its name: it chains to a
// root the system trusts, is in date and names the server.
#include <windows.h>
#include <wincrypt.h>

#include <string>

namespace qb::mailcheck {

enum class CertificateVerdict { Good, Expired, OtherName, Untrusted };

struct CertificateFinding {
  CertificateVerdict verdict = CertificateVerdict::Untrusted;
  std::wstring name;  // the certificate's DNS name (or common name)
};

// Builds the chain with the certificates the server sent and checks it.
// Building a chain may take hundreds of milliseconds the first time in a
// process: the check calls this on a helper thread.
CertificateFinding CheckServerCertificate(PCCERT_CONTEXT certificate, const std::wstring& serverName);

}  // namespace qb::mailcheck
