#include "accounts/account_servers.h"

#include <iterator>

#include "accounts/account_layout.h"
#include "registry/registry_ops.h"

namespace qb {

namespace {

using mailcheck::Protocol;
using mailcheck::Security;
using mailcheck::ServerTarget;

struct ServerValues {
  Protocol protocol;
  const char* server;
  const char* port;
  const char* secure;
  std::uint16_t standardPort;
};
constexpr ServerValues kServerValues[] = {
    {Protocol::Pop3, kPop3ServerValue, kPop3PortValue, kPop3SecureValue, 110},
    {Protocol::Imap, kImapServerValue, kImapPortValue, kImapSecureValue, 143},
    {Protocol::Smtp, kSmtpServerValue, kSmtpPortValue, kSmtpSecureValue, 25},
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
  std::vector<std::wstring> names;
  for (const ServerValues& values : kServerValues)
    for (const char* name : {values.server, values.port, values.secure}) names.push_back(WideName(name));
  const std::vector<RegistryVariant> read = GetRegistryValues(HKEY_CURRENT_USER, AccountKeyPath(keyName), names);
  std::vector<ServerTarget> targets;
  for (std::size_t i = 0; i < std::size(kServerValues); ++i) {
    const ServerValues& values = kServerValues[i];
    const RegistryVariant& server = read[3 * i];
    if (server.kind() != RegistryVariant::Kind::WideText || server.wideText().empty()) continue;
    const std::uint16_t port = PortOf(read[3 * i + 1], values.standardPort);
    const Security security = SecurityOf(values.protocol, read[3 * i + 2], port);
    targets.push_back(ServerTarget{values.protocol, server.wideText(), port, security});
  }
  return targets;
}

}  // namespace qb
