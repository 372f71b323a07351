#include "app/check_report.h"

#include <algorithm>

#include "app/text_convert.h"
#include "app/texts.h"

namespace qb {

namespace {

using mailcheck::Outcome;
using mailcheck::Protocol;
using mailcheck::Security;
using mailcheck::ServerResult;

const wchar_t* RoleOf(Protocol protocol) {
  switch (protocol) {
    case Protocol::Pop3: return texts::kRolePop3;
    case Protocol::Imap: return texts::kRoleImap;
    case Protocol::Smtp: return texts::kRoleSmtp;
  }
  return L"";
}

const wchar_t* ProtocolName(Protocol protocol) {
  switch (protocol) {
    case Protocol::Pop3: return L"POP3";
    case Protocol::Imap: return L"IMAP";
    case Protocol::Smtp: return L"SMTP";
  }
  return L"";
}

const wchar_t* SecurityOf(Security security) {
  switch (security) {
    case Security::None: return texts::kSecurityNone;
    case Security::Tls: return texts::kSecurityTls;
    case Security::StartTls: return texts::kSecurityStartTls;
  }
  return L"";
}

std::wstring OutcomeText(const ServerResult& result) {
  switch (result.outcome) {
    case Outcome::Answers: return texts::kOutcomeAnswers;
    case Outcome::UnknownName: return texts::kOutcomeUnknownName;
    case Outcome::Refused: return texts::kOutcomeRefused;
    case Outcome::NoAnswer: return texts::FormatText(texts::kOutcomeNoAnswer, {std::to_wstring(result.secondsWaited)});
    case Outcome::WrongProtocol:
      return texts::FormatText(texts::kOutcomeWrongProtocol,
                               {ProtocolName(result.target.protocol), WideFromAnsi(result.answerStart)});
    case Outcome::CertificateExpired: return texts::kOutcomeCertificateExpired;
    case Outcome::CertificateOtherName:
      return texts::FormatText(texts::kOutcomeCertificateOtherName, {texts::ShownInMessage(result.certificateName)});
    case Outcome::CertificateUntrusted: return texts::kOutcomeCertificateUntrusted;
    case Outcome::HandshakeFailed: return texts::kOutcomeHandshakeFailed;
    case Outcome::HandshakeUnsupported: return texts::kOutcomeHandshakeUnsupported;
    case Outcome::NoStartTls: return texts::kOutcomeNoStartTls;
  }
  return L"";
}

std::wstring ServerLines(const std::vector<ServerResult>& results) {
  std::wstring lines;
  for (const ServerResult& result : results)
    lines += texts::FormatText(texts::kCheckServerLine,
                               {RoleOf(result.target.protocol), texts::ShownInMessage(result.target.host),
                                std::to_wstring(result.target.port), SecurityOf(result.target.security),
                                OutcomeText(result)});
  return lines;
}

bool Is(const ServerResult& result, Outcome outcome) { return result.outcome == outcome; }

}  // namespace

std::optional<std::wstring> CheckReportText(const std::wstring& address, const std::vector<ServerResult>& results,
                                            CheckOrigin origin, bool& problems) {
  const std::wstring shown = texts::ShownInMessage(address);
  const bool onDemand = origin == CheckOrigin::OnDemand;
  problems = false;
  if (results.empty()) return onDemand ? std::optional(texts::FormatText(texts::kCheckNoServers, {shown})) : std::nullopt;
  const auto is = [](Outcome outcome) { return [outcome](const ServerResult& r) { return Is(r, outcome); }; };
  // No name resolves: most likely no network, and nothing is known about the account.
  if (std::all_of(results.begin(), results.end(), is(Outcome::UnknownName)))
    return onDemand ? std::optional(texts::FormatText(texts::kCheckOffline, {shown})) : std::nullopt;
  if (std::all_of(results.begin(), results.end(), is(Outcome::Answers)))
    return onDemand ? std::optional(texts::FormatText(texts::kCheckAllAnswer, {shown, ServerLines(results)}))
                    : std::nullopt;
  problems = true;
  return texts::FormatText(onDemand ? texts::kCheckProblems : texts::kCheckAddedWithProblems,
                           {shown, ServerLines(results), texts::kCheckHelpHint});
}

}  // namespace qb
