// The words of a server check: each outcome's phrase, and when it says nothing.
#include <gtest/gtest.h>

#include "app/check_report.h"

namespace {

using qb::CheckOrigin;
using qb::mailcheck::Outcome;
using qb::mailcheck::Protocol;
using qb::mailcheck::Security;
using qb::mailcheck::ServerResult;

ServerResult Result(Outcome outcome, Protocol protocol = Protocol::Pop3, Security security = Security::Tls) {
  ServerResult result;
  result.target = {protocol, L"pop.prova.it", 995, security};
  result.outcome = outcome;
  return result;
}

struct PhraseCase {
  ServerResult result;
  const wchar_t* phrase;
};

TEST(CheckReport, EachOutcomeHasItsPhraseOnTheServersLine) {
  ServerResult noAnswer = Result(Outcome::NoAnswer);
  noAnswer.secondsWaited = 10;
  ServerResult wrong = Result(Outcome::WrongProtocol, Protocol::Imap, Security::None);
  wrong.answerStart = "HTTP/1.1 400";
  ServerResult otherName = Result(Outcome::CertificateOtherName);
  otherName.certificateName = L"*.altro.it";
  const PhraseCase cases[] = {
      {Result(Outcome::UnknownName), L"Posta in arrivo POP3 pop.prova.it, porta 995, connessione protetta SSL/TLS: "
                                     L"nome del server sconosciuto. Controlla la connessione a Internet"},
      {Result(Outcome::Refused), L": rifiuta il collegamento."},
      {noAnswer, L": non risponde (attesa di 10 secondi)."},
      {wrong, L"Posta in arrivo IMAP pop.prova.it, porta 995, connessione non protetta: non risponde come un "
              L"server IMAP (ha risposto: \"HTTP/1.1 400\")."},
      {Result(Outcome::CertificateExpired), L": certificato non valido: scaduto."},
      {otherName, L": certificato non valido: rilasciato per un altro nome (\"*.altro.it\")."},
      {Result(Outcome::CertificateUntrusted), L": certificato non valido: emesso da un'autorità non attendibile."},
      {Result(Outcome::HandshakeFailed), L": connessione protetta non riuscita."},
      {Result(Outcome::HandshakeUnsupported),
       L": connessione protetta non riuscita: questa versione di Windows non sa usare la protezione che il server "
       L"richiede, e nemmeno il programma di posta di questo computer potrà usarla."},
      {Result(Outcome::NoStartTls, Protocol::Smtp, Security::StartTls),
       L"Posta in uscita SMTP pop.prova.it, porta 995, connessione protetta STARTTLS: non offre la connessione "
       L"protetta"},
  };
  for (const PhraseCase& c : cases) {
    bool problems = false;
    const auto text = qb::CheckReportText(L"mario@prova.it", {Result(Outcome::Answers), c.result},
                                          CheckOrigin::AfterAdd, problems);
    ASSERT_TRUE(text.has_value()) << c.phrase;
    EXPECT_TRUE(problems);
    EXPECT_NE(text->find(c.phrase), std::wstring::npos) << *text;
    EXPECT_NE(text->find(L"L'indirizzo \"mario@prova.it\" è stato aggiunto"), std::wstring::npos);
    EXPECT_NE(text->find(L"risponde correttamente."), std::wstring::npos) << "every server has its line";
  }
}

TEST(CheckReport, WhenItStaysSilent) {
  const std::vector<ServerResult> good = {Result(Outcome::Answers), Result(Outcome::Answers, Protocol::Smtp)};
  const std::vector<ServerResult> offline = {Result(Outcome::UnknownName), Result(Outcome::UnknownName)};
  const std::vector<ServerResult> oneUnknown = {Result(Outcome::Answers), Result(Outcome::UnknownName)};
  bool problems = true;
  EXPECT_FALSE(qb::CheckReportText(L"a@b", good, CheckOrigin::AfterAdd, problems));
  EXPECT_FALSE(qb::CheckReportText(L"a@b", offline, CheckOrigin::AfterAdd, problems));
  EXPECT_FALSE(problems);
  EXPECT_TRUE(qb::CheckReportText(L"a@b", oneUnknown, CheckOrigin::AfterAdd, problems));
  EXPECT_TRUE(problems);

  const auto onDemandGood = qb::CheckReportText(L"a@b", good, CheckOrigin::OnDemand, problems);
  ASSERT_TRUE(onDemandGood);
  EXPECT_FALSE(problems);
  EXPECT_NE(onDemandGood->find(L"tutti i server rispondono"), std::wstring::npos);
  const auto onDemandOffline = qb::CheckReportText(L"a@b", offline, CheckOrigin::OnDemand, problems);
  ASSERT_TRUE(onDemandOffline);
  EXPECT_NE(onDemandOffline->find(L"il computer sembra non essere collegato a Internet"), std::wstring::npos);
  EXPECT_EQ(onDemandOffline->find(L"sconosciuto"), std::wstring::npos) << "said once, not per server";
}

}  // namespace
