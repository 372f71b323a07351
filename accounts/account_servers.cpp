#include "accounts/account_servers.h"

#include "accounts/account_layout.h"
#include "registry/registry_ops.h"

namespace qb {

namespace {

using mailcheck::Protocol;
using mailcheck::Security;
using mailcheck::ServerTarget;

struct ServerValues {
  Protocol protocol;
  const wchar_t* server;
  const wchar_t* port;
  const wchar_t* secure;
  std::uint16_t standardPort;
};
constexpr ServerValues kServerValues[] = {
    {Protocol::Pop3, L"POP3 Server", L"POP3 Port", L"POP3 Secure Connection", 110},
    {Protocol::Imap, L"IMAP Server", L"IMAP Port", L"IMAP Secure Connection", 143},
    {Protocol::Smtp, L"SMTP Server", L"SMTP Port", L"SMTP Secure Connection", 25},
};
// SMTP with "SMTP Secure Connection" 1 speaks TLS from the first byte on this
// port only; on any other it starts with EHLO and STARTTLS, as the mail client does.
constexpr std::uint16_t kSmtpImplicitTlsPort = 465;

// A DWORD value as a number; nullopt when the key holds no number there.
std::optional<std::int64_t> NumberOf(const RegistryVariant& value) {
  if (value.kind() == RegistryVariant::Kind::Int32) return value.int32();
  if (value.kind() == RegistryVariant::Kind::Int16) return value.int16();
  return std::nullopt;
}

std::uint16_t PortOf(const RegistryVariant& value, std::uint16_t standard) {
  const std::optional<std::int64_t> port = NumberOf(value);
  return port && *port > 0 && *port <= 65535 ? static_cast<std::uint16_t>(*port) : standard;
}

Security SecurityOf(Protocol protocol, const RegistryVariant& value, std::uint16_t port) {
  const std::int64_t secure = NumberOf(value).value_or(0);
  if (protocol != Protocol::Smtp) return secure != 0 ? Security::Tls : Security::None;
  if (secure != 1) return Security::None;
  return port == kSmtpImplicitTlsPort ? Security::Tls : Security::StartTls;
}

}  // namespace

std::vector<ServerTarget> ReadAccountServers(const std::wstring& keyName) {
  const std::wstring path = AccountKeyPath(keyName);
  std::vector<ServerTarget> targets;
  for (const ServerValues& values : kServerValues) {
    const RegistryVariant server = GetRegistryValue(HKEY_CURRENT_USER, path, values.server);
    if (server.kind() != RegistryVariant::Kind::WideText || server.wideText().empty()) continue;
    const std::uint16_t port =
        PortOf(GetRegistryValue(HKEY_CURRENT_USER, path, values.port), values.standardPort);
    const Security security =
        SecurityOf(values.protocol, GetRegistryValue(HKEY_CURRENT_USER, path, values.secure), port);
    targets.push_back(ServerTarget{values.protocol, server.wideText(), port, security});
  }
  return targets;
}

}  // namespace qb
