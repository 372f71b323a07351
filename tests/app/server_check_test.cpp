// The check of an account's servers from the window: after an add, on demand,
// and what the window does while one runs. The servers are small ones of this
// test on 127.0.0.1; the names map to them through the recorded services.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/control_ids.h"
#include "tests/support/form_fixture.h"
#include "tests/support/registry_helpers.h"

namespace {

using namespace qb;
using namespace qbtest;

// Accepts on a free port of 127.0.0.1 and says `greeting` to each client (an
// empty one: says nothing), until it is destroyed.
class LocalServer {
 public:
  explicit LocalServer(std::string greeting) : greeting_(std::move(greeting)) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 8);
    int length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~LocalServer() {
    closesocket(listener_);  // ends accept()
    thread_.join();
    for (SOCKET client : clients_) closesocket(client);
    WSACleanup();
  }
  std::uint16_t port() const { return port_; }

 private:
  void Serve() {
    for (;;) {
      SOCKET client = accept(listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET) return;
      if (!greeting_.empty()) send(client, greeting_.data(), static_cast<int>(greeting_.size()), 0);
      clients_.push_back(client);  // kept open: a silent server never answers
    }
  }
  std::string greeting_;
  SOCKET listener_;
  std::uint16_t port_ = 0;
  std::thread thread_;
  std::vector<SOCKET> clients_;
};

// Sends the window a message every few milliseconds from another thread and
// keeps the longest wait for its answer.
class AnswerTimer {
 public:
  explicit AnswerTimer(HWND window) : thread_([this, window] { Measure(window); }) {}
  ~AnswerTimer() {
    stop_ = true;
    thread_.join();
  }
  double LongestMs() const { return longest_; }

 private:
  void Measure(HWND window) {
    LARGE_INTEGER frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    while (!stop_) {
      QueryPerformanceCounter(&before);
      DWORD_PTR result = 0;
      SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result);
      QueryPerformanceCounter(&after);
      longest_ = std::max(longest_.load(), 1000.0 * static_cast<double>(after.QuadPart - before.QuadPart) /
                                               static_cast<double>(frequency.QuadPart));
      Sleep(5);
    }
  }
  std::atomic<bool> stop_{false};
  std::atomic<double> longest_{0};
  std::thread thread_;
};

class ServerCheck : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    (*serverNames)[L"pop.prova.test"] = {"127.0.0.1"};
    (*serverNames)[L"smtp.prova.test"] = {"127.0.0.1"};
  }
  // Presets whose ports are those of the servers given.
  void StartWithPorts(std::uint16_t in, std::uint16_t out) {
    const std::string presets = "Prova;prova.test;smtp.prova.test;pop.prova.test;POP3;in=" + std::to_string(in) +
                                " out=" + std::to_string(out) + "\n";
    Start(presets.c_str());
    form().SetCheckLimits({1000, 1000});
  }
  void AddAccount(const std::wstring& user) {
    ChooseProvider(0);
    Type(kUsername, user);
    Type(kNome, L"Mario");
    Press(kBtnAggiungi);
  }
  // Another program's account of these servers.
  void WriteOtherAccount(const std::string& key, std::uint16_t in, std::uint16_t out) {
    const std::string path = "SOFTWARE\\Microsoft\\Internet Account Manager\\Accounts\\" + key;
    WriteText(path, "SMTP Email Address", key + "@prova.test");
    WriteText(path, "POP3 Server", "pop.prova.test");
    WriteText(path, "SMTP Server", "smtp.prova.test");
    WriteRaw(path, "POP3 Port", REG_DWORD, {static_cast<std::uint8_t>(in), static_cast<std::uint8_t>(in >> 8), 0, 0});
    WriteRaw(path, "SMTP Port", REG_DWORD,
             {static_cast<std::uint8_t>(out), static_cast<std::uint8_t>(out >> 8), 0, 0});
  }
  // Runs the window's messages until `done` or `ms` have passed.
  template <class Done>
  bool RunUntil(Done done, DWORD ms = 8000) {
    const DWORD end = GetTickCount() + ms;
    while (!done() && GetTickCount() < end) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) form().DispatchLoopMessage(msg);
    }
    return done();
  }
  void Verifica() { form().OnCommand(kMenuVerifica, 0, nullptr); }
  LocalServer pop_{"+OK ready\r\n"};
  LocalServer smtp_{"220 ready\r\n"};
  LocalServer silent_{""};
};

TEST_F(ServerCheck, VerificaWithoutASelectedRowAsksForOne) {
  StartWithPorts(pop_.port(), smtp_.port());
  Verifica();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title, L"Verifica");
  EXPECT_NE(messages[0].text.find(L"Seleziona prima un indirizzo"), std::wstring::npos);
  EXPECT_FALSE(form().CheckRunning());
}

TEST_F(ServerCheck, AnAddWhoseServersAnswerSaysNothing) {
  StartWithPorts(pop_.port(), smtp_.port());
  AddAccount(L"mario");
  EXPECT_TRUE(form().CheckRunning());
  EXPECT_TRUE(RunUntil([&] { return !form().CheckRunning(); }));
  EXPECT_TRUE(messages.empty());
}

TEST_F(ServerCheck, AnAddWithAFailingServerWarnsOnceWithEveryServer) {
  StartWithPorts(pop_.port(), silent_.port());
  AddAccount(L"mario");
  ASSERT_TRUE(RunUntil([&] { return !messages.empty(); }));
  EXPECT_EQ(messages[0].title, L"Verifica");
  EXPECT_EQ(messages[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
  const std::wstring& text = messages[0].text;
  EXPECT_NE(text.find(L"\"mario@prova.test\" è stato aggiunto"), std::wstring::npos) << text;
  EXPECT_NE(text.find(L"Posta in arrivo POP3 pop.prova.test, porta " + std::to_wstring(pop_.port()) +
                      L", connessione non protetta: risponde correttamente"),
            std::wstring::npos)
      << text;
  EXPECT_NE(text.find(L"Posta in uscita SMTP smtp.prova.test, porta " + std::to_wstring(silent_.port()) +
                      L", connessione non protetta: non risponde (attesa di 1 secondi)"),
            std::wstring::npos)
      << text;
}

TEST_F(ServerCheck, AnAddOfflineSaysNothing) {
  serverNames->clear();
  StartWithPorts(pop_.port(), smtp_.port());
  AddAccount(L"mario");
  EXPECT_TRUE(RunUntil([&] { return !form().CheckRunning(); }));
  EXPECT_TRUE(messages.empty());
}

TEST_F(ServerCheck, OnDemandChecksAnotherProgramsAccountAndKeepsTheRow) {
  WriteOtherAccount("Altro programma", pop_.port(), smtp_.port());
  StartWithPorts(pop_.port(), smtp_.port());
  ClickRow(0);
  Verifica();
  ASSERT_TRUE(RunUntil([&] { return !messages.empty(); }));
  EXPECT_EQ(messages[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_NE(messages[0].text.find(L"\"Altro programma@prova.test\": tutti i server rispondono"), std::wstring::npos)
      << messages[0].text;
  EXPECT_EQ(Selected(kLista), 0);
  EXPECT_TRUE(Enabled(kBtnCancella));
}

TEST_F(ServerCheck, OnDemandOfflineSaysSoOnce) {
  WriteOtherAccount("Altro programma", pop_.port(), smtp_.port());
  serverNames->clear();
  StartWithPorts(pop_.port(), smtp_.port());
  ClickRow(0);
  Verifica();
  ASSERT_TRUE(RunUntil([&] { return !messages.empty(); }));
  EXPECT_NE(messages[0].text.find(L"non essere collegato a Internet"), std::wstring::npos) << messages[0].text;
  EXPECT_EQ(messages[0].text.find(L"nome del server sconosciuto"), std::wstring::npos);
}

TEST_F(ServerCheck, TheWindowAnswersAndShowsTheWorkingPointerDuringAHangingCheck) {
  WriteOtherAccount("Lento", silent_.port(), silent_.port());
  StartWithPorts(pop_.port(), smtp_.port());
  ClickRow(0);
  Verifica();
  EXPECT_EQ(SendMessageW(form().hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Ctl(kNome)),
                         MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
            TRUE);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, MAKEINTRESOURCEW(32650)));  // IDC_APPSTARTING
  // The window's own thread runs the check: a message from outside, as the
  // system sends them, waits for whatever the check does in between.
  double longest = 0;
  {
    AnswerTimer timer(form().hwnd());
    EXPECT_TRUE(RunUntil([&] { return !form().CheckRunning(); }));
    longest = timer.LongestMs();
  }
  EXPECT_LE(longest, 50.0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].text.find(L"non risponde"), std::wstring::npos);
}

TEST_F(ServerCheck, ChiudiAbandonsTheCheck) {
  WriteOtherAccount("Lento", silent_.port(), silent_.port());
  StartWithPorts(pop_.port(), smtp_.port());
  ClickRow(0);
  Verifica();
  Press(kBtnChiudi);
  EXPECT_EQ(endedCount, 1);
  EXPECT_FALSE(form().CheckRunning()) << "its sockets and timers go with the window";
  EXPECT_FALSE(RunUntil([&] { return !messages.empty(); }, 1500));
}

TEST_F(ServerCheck, ALaterCheckReplacesAnEarlierOneAndRemovingDropsIt) {
  WriteOtherAccount("Lento", silent_.port(), silent_.port());
  WriteOtherAccount("Pronto", pop_.port(), smtp_.port());
  StartWithPorts(pop_.port(), smtp_.port());
  const std::vector<std::wstring> rows = Rows();
  const int slow = rows[0] == L"Lento@prova.test" ? 0 : 1;
  ClickRow(slow);
  Verifica();
  ClickRow(1 - slow);
  Verifica();
  ASSERT_TRUE(RunUntil([&] { return !messages.empty(); }));
  EXPECT_NE(messages[0].text.find(L"Pronto@prova.test"), std::wstring::npos);
  EXPECT_FALSE(RunUntil([&] { return messages.size() > 1; }, 1500)) << "the earlier check's box must never show";

  ClickRow(slow);
  Verifica();
  answers.push_back(IDYES);
  Press(kBtnCancella);
  EXPECT_FALSE(form().CheckRunning());
  EXPECT_FALSE(RunUntil([&] { return messages.size() > 2; }, 1500));
}

}  // namespace
