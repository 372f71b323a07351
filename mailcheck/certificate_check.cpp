#include "mailcheck/certificate_check.h"

namespace qb::mailcheck {

namespace {

struct ChainOwner {
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  ~ChainOwner() {
    if (chain) CertFreeCertificateChain(chain);
  }
};

std::wstring CertificateName(PCCERT_CONTEXT certificate) {
  const DWORD size = CertGetNameStringW(certificate, CERT_NAME_DNS_TYPE, 0, nullptr, nullptr, 0);
  std::wstring name(size, L'\0');
  CertGetNameStringW(certificate, CERT_NAME_DNS_TYPE, 0, nullptr, name.data(), size);
  if (!name.empty() && name.back() == L'\0') name.pop_back();
  return name;
}

CertificateVerdict VerdictOfChainStatus(DWORD status) {
  if (status == CERT_TRUST_NO_ERROR) return CertificateVerdict::Good;
  return status & CERT_TRUST_IS_NOT_TIME_VALID ? CertificateVerdict::Expired : CertificateVerdict::Untrusted;
}

CertificateVerdict VerdictOfPolicyError(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS: return CertificateVerdict::Good;
    case static_cast<DWORD>(CERT_E_EXPIRED): return CertificateVerdict::Expired;
    case static_cast<DWORD>(CERT_E_CN_NO_MATCH): return CertificateVerdict::OtherName;
    default: return CertificateVerdict::Untrusted;
  }
}

}  // namespace

CertificateFinding CheckServerCertificate(PCCERT_CONTEXT certificate, const std::wstring& serverName) {
  CertificateFinding finding{CertificateVerdict::Untrusted, CertificateName(certificate)};
  char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
  LPSTR usages[] = {serverAuth};
  CERT_CHAIN_PARA para{};
  para.cbSize = sizeof para;
  para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  para.RequestedUsage.Usage.cUsageIdentifier = 1;
  para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  ChainOwner owner;
  if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &para, 0, nullptr,
                               &owner.chain))
    return finding;
  // Wine's SSL policy passes a certificate whose issuer is missing altogether
  // (a server that sends only its own certificate, from a root nobody trusts):
  // the chain's own status says CERT_TRUST_IS_PARTIAL_CHAIN, so any error
  // there fails the certificate before the policy is asked.
  finding.verdict = VerdictOfChainStatus(owner.chain->TrustStatus.dwErrorStatus);
  if (finding.verdict != CertificateVerdict::Good) return finding;

  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = const_cast<wchar_t*>(serverName.c_str());
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof policy;
  policy.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS status{};
  status.cbSize = sizeof status;
  if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, owner.chain, &policy, &status)) {
    finding.verdict = CertificateVerdict::Untrusted;
    return finding;
  }
  finding.verdict = VerdictOfPolicyError(status.dwError);
  return finding;
}

}  // namespace qb::mailcheck
