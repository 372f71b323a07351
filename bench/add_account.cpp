// Adding an account. The program's side is the accounts layer's WriteAccount,
// not the form's add: the form's add then rebuilds the whole list (a figure of
// its own) and asks through message boxes, which would drown the writing.
#include <cstdio>

#include "accounts/account_layout.h"
#include "accounts/account_writer.h"
#include "bench/figures.h"
#include "tests/support/registry_helpers.h"

namespace qbbench {

namespace {

constexpr int kAddsPerRun = 25;
constexpr char kDomain[] = "example.it";

// The i-th user of the figure; the program takes the even ones, the bare
// writer the odd ones, so that both write names of the same length.
std::string UserOf(int i) {
  char text[32];
  std::snprintf(text, sizeof text, "nuovo%06d", i);
  return text;
}

qb::AccountInput InputOf(int i) {
  return {UserOf(i), kDomain, "Nuovo Utente", "smtp.example.it", "pop.example.it"};
}

// The account of user i as both writers must leave it: the nine values of a
// POP3 account without options.
void CheckAccount(int i) {
  const std::string address = UserOf(i) + "@example.it", key = qb::AccountKeyPath("(KX) " + address);
  auto text = [](const std::string& s) {
    std::vector<std::uint8_t> bytes(s.begin(), s.end());
    bytes.push_back(0);
    return std::pair<DWORD, std::vector<std::uint8_t>>{REG_SZ, bytes};
  };
  auto number = [](std::uint8_t n) { return std::pair<DWORD, std::vector<std::uint8_t>>{REG_DWORD, {n, 0, 0, 0}}; };
  const qbtest::KeyValues expected{{"Account Name", text(address)},
                                   {"Connection type", number(3)},
                                   {"SMTP Display Name", text("Nuovo Utente")},
                                   {"SMTP Email Address", text(address)},
                                   {"SMTP Server", text("smtp.example.it")},
                                   {"POP3 Prompt for Password", number(0)},
                                   {"POP3 Server", text("pop.example.it")},
                                   {"POP3 Use Sicily", number(0)},
                                   {"POP3 User Name", text(UserOf(i))}};
  if (qbtest::AllValues(key) != expected) Fail("the account of " + address + " does not hold its nine values");
}

void CheckDefault(int i) {
  const std::string name = "(KX) " + UserOf(i) + "@example.it";
  const qbtest::RawValue held = qbtest::ReadRaw(qb::kManagerKey, "Default Mail Account");
  if (held.type != REG_SZ || std::string(held.bytes.begin(), held.bytes.end()) != name + '\0')
    Fail("the default is not the account added last, " + name);
}

}  // namespace

void MeasureAdd(RedirectedHkcu& hkcu, std::vector<Verdict>& verdicts) {
  hkcu.Point("empty");
  // Both sides start every block from the same registry: the accounts root
  // there, empty, and no default.
  auto reset = [] {
    qbtest::DeleteTree(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Internet Account Manager");
    qbtest::CreateKey(qb::kAccountsRoot);
  };
  reset();
  int nextProgram = 0, nextBare = 1, last = -1;
  std::size_t unwritten = 0;
  const Paired p = Alternate(
      15, 3,
      Clocked([&] {
        for (int n = 0; n < kAddsPerRun; ++n, nextProgram += 2)
          unwritten += 9 - qb::WriteAccount(InputOf(nextProgram), qb::IncomingProtocol::Pop3, true).writtenValues;
        last = nextProgram - 2;
      }),
      Clocked([&] {
        for (int n = 0; n < kAddsPerRun; ++n, nextBare += 2) {
          const qb::AccountInput in = InputOf(nextBare);
          BareWriteAccount({in.userName, in.domain, in.displayName, in.smtpServer, in.incomingServer});
        }
        last = nextBare - 2;
      }),
      [&] {
        // At the end of every block: the last account of each side, and the
        // default naming the one written last.
        CheckAccount(nextProgram - 2);
        CheckAccount(nextBare - 2);
        CheckDefault(last);
        reset();
      });
  if (unwritten != 0) Fail("WriteAccount left " + std::to_string(unwritten) + " values unwritten");
  qbtest::DeleteTree(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Internet Account Manager");
  hkcu.Point("full");

  const Summary a = Summarize(p.a), b = Summarize(p.b);
  std::printf(
      "\n== Adding an account: WriteAccount (POP3, default) against a bare writer (RegCreateKeyExA once, nine\n"
      "RegSetValueExA, RegCloseKey, then the manager key for Default Mail Account); %d new accounts a run,\n"
      "%zu runs each in %zu blocks, the keys removed between blocks\n",
      kAddsPerRun, p.a.size(), p.ratios.size());
  std::printf("WriteAccount      min %7.1f us  median %7.1f us  per account\n", a.min * 1e6 / kAddsPerRun,
              a.median * 1e6 / kAddsPerRun);
  std::printf("bare writer       min %7.1f us  median %7.1f us  per account\n", b.min * 1e6 / kAddsPerRun,
              b.median * 1e6 / kAddsPerRun);
  std::printf("ratio %.3f (min/min %.3f)\n", p.Ratio(), a.min / b.min);
  verdicts.push_back({"adding an account vs the bare writer", p.Ratio(), 1.3});
}

}  // namespace qbbench
