#include "bench/add_account.h"

#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "accounts/account_layout.h"
#include "accounts/account_writer.h"
#include "bench/bare_baselines.h"
#include "bench/bench_fixture.h"

namespace qbbench {

namespace {

qb::AccountInput InputFor(const std::string& userName) {
  return qb::AccountInput{userName, "example.it", "Utente di prova", "smtp.example.it", "pop.example.it"};
}

}  // namespace

AddFigure MeasureAdd(int adds) {
  AddFigure fig;
  std::vector<double> tp, tb;
  char name[32];
  for (int i = 0; i < adds; ++i) {
    for (int k = 0; k < 2; ++k) {
      const bool product = (k == 0) == (i % 2 == 0);
      std::snprintf(name, sizeof name, product ? "nuovo%04d" : "grezzo%04d", i);
      const qb::AccountInput input = InputFor(name);
      const double t0 = Now();
      if (product)
        qb::WriteAccount(input, qb::IncomingProtocol::Pop3, false);
      else if (!BareAddPop3Account(input.userName, input.domain))
        Fail("the bare add cannot create its key");
      (product ? tp : tb).push_back(Now() - t0);
    }
  }
  // What one add wrote, as the registry holds it.
  HKEY key;
  const std::string path = qb::AccountKeyPath(qb::AccountKeyName("nuovo0000@example.it"));
  DWORD values = 0;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
  }
  if (values != 9) Fail("a POP3 account key holds " + std::to_string(values) + " values, expected 9");

  auto count = [](const std::function<void()>& work) {
    RegistryCallCounter counter;
    if (counter.hooked() == 0) Fail("the registry calls cannot be counted");
    work();
    return counter.counts();
  };
  fig.newKey = count([] { qb::WriteAccount(InputFor("contato1"), qb::IncomingProtocol::Pop3, false); });
  fig.newKeyDefault = count([] { qb::WriteAccount(InputFor("contato2"), qb::IncomingProtocol::Pop3, true); });
  fig.sameKey = count([] { qb::WriteAccount(InputFor("contato1"), qb::IncomingProtocol::Pop3, false); });
  fig.bareCalls = count([] { BareAddPop3Account("contato3", "example.it"); });
  fig.product = Summarize(tp);
  fig.bare = Summarize(tb);
  return fig;
}

void PrintAddSection(const AddFigure& add) {
  std::printf("\n== 5. Adding one POP3 account: qb::WriteAccount, %d adds, with 40,000 accounts present\n", kAdds);
  Report out;
  out("WriteAccount         min %6.0f us  median %6.0f us per add\n", Us(add.product.min), Us(add.product.median));
  out("bare add (one handle) min %6.0f us  median %6.0f us per add   ratio %.2f (median %.2f), no target\n",
      Us(add.bare.min), Us(add.bare.median), add.product.min / add.bare.min, add.product.median / add.bare.median);
  out("registry calls, new key:                  %s\n", FormatCounts(add.newKey).c_str());
  out("registry calls, new key + default:        %s\n", FormatCounts(add.newKeyDefault).c_str());
  out("registry calls, same address again:       %s\n", FormatCounts(add.sameKey).c_str());
  out("registry calls, bare add:                 %s\n", FormatCounts(add.bareCalls).c_str());
  out("through the window, an add is followed by UpdateForm: one full list rebuild (section 1)\n");
  std::printf("%s", out.text().c_str());
}

}  // namespace qbbench
