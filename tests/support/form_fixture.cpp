#include "tests/support/form_fixture.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>

#include "tests/support/list_rows.h"
#include "tests/support/registry_helpers.h"

namespace qbtest {

const char FormTest::kDefaultPresets[] =
    "# presets for the tests\n"
    "Quillbeck;quillbeck.it;smtp.quillbeck.it;pop.quillbeck.it;POP3\n"
    "Quillbeck IMAP;imap.quillbeck.it;smtp.quillbeck.it;imap.quillbeck.it;imap\n"
    "Altro provider;;;;pop3\n";

void FormTest::SetUp() {
  ClearScratchHkcu();
  // The pointer stays where the test that ran before on the same desktop left
  // it: parked in the corner, it shows no tooltip over the new window.
  SetCursorPos(0, 0);
  folder_ = std::make_unique<TempFolder>("qbtest");
  ASSERT_TRUE(folder_->created()) << "cannot create a temporary folder";
  inFolder_ = std::make_unique<CurrentDirectoryScope>(folder_->path());
}

void FormTest::TearDown() {
  form_.reset();
  inFolder_.reset();
  folder_.reset();
  ClearScratchHkcu();
}

void FormTest::Start(const std::string& presetBytes) {
  EXPECT_TRUE(folder_->Write("providers.lst", presetBytes));
  Start(static_cast<const char*>(nullptr));
}

void FormTest::Start(const char* presets) {
  if (presets) {
    EXPECT_TRUE(folder_->Write("providers.lst", presets));
  }
  form_ = std::make_unique<qb::MainForm>(GetModuleHandleW(nullptr), services());
  form_->Startup();
  startupMessages = std::move(messages);
  messages.clear();
}

std::wstring FormTest::Text(qb::ControlId id) {
  HWND h = Ctl(id);
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(h, text.data(), static_cast<int>(text.size()))));
  return text;
}

void FormTest::Type(qb::ControlId id, const std::wstring& text) { SetWindowTextW(Ctl(id), text.c_str()); }

void FormTest::Focus(qb::ControlId id) { SetFocus(Ctl(id)); }

void FormTest::ChooseProvider(int index) {
  HWND combo = Ctl(qb::kProvider);
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(form_->hwnd(), WM_COMMAND, MAKEWPARAM(qb::kProvider, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void FormTest::ClickRow(int index) {
  HWND lista = Ctl(qb::kLista);
  RECT r{};
  SendMessageW(lista, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageW(lista, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(lista, WM_LBUTTONUP, 0, at);
}

void FormTest::Press(qb::ControlId id) {
  SendMessageW(form_->hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Ctl(id)));
}

int FormTest::Selected(qb::ControlId id) {
  const UINT msg = id == qb::kProvider ? CB_GETCURSEL : LB_GETCURSEL;
  return static_cast<int>(SendMessageW(Ctl(id), msg, 0, 0));
}

namespace {

// What kept the queue busy, for the pump's time-out: the messages seen most
// often, each with the class of the window it was for.
std::string Busiest(const std::map<std::pair<UINT, std::wstring>, int>& seen) {
  std::vector<std::pair<int, std::pair<UINT, std::wstring>>> byCount;
  for (const auto& [what, count] : seen) byCount.push_back({count, what});
  std::sort(byCount.rbegin(), byCount.rend());
  std::string text;
  for (std::size_t i = 0; i < byCount.size() && i < 5; ++i) {
    char line[160];
    std::snprintf(line, sizeof line, " 0x%04x for \"%ls\" %d times;", byCount[i].second.first,
                  byCount[i].second.second.c_str(), byCount[i].first);
    text += line;
  }
  return text;
}

}  // namespace

constexpr UINT kSystemTimer = 0x0118;  // WM_SYSTIMER, not in the public headers

void FormTest::Pump() {
  const DWORD start = GetTickCount();
  std::map<std::pair<UINT, std::wstring>, int> seen;
  for (int idle = 0; idle < 3;) {
    if (GetTickCount() - start > 30000) {
      ADD_FAILURE() << "the message queue did not empty within 30 seconds:" << Busiest(seen);
      return;
    }
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ++idle;
      Sleep(10);
      continue;
    }
    // Timers do not keep the queue busy: they come while the program waits.
    // Under Wine a button under the pointer polls for the pointer's leaving
    // with a 10 ms system timer (0x0118), which would keep the queue from
    // ever looking empty.
    if (msg.message != WM_TIMER && msg.message != kSystemTimer) idle = 0;
    wchar_t className[64] = L"";
    if (msg.hwnd) GetClassNameW(msg.hwnd, className, 64);
    ++seen[{msg.message, className}];
    form_->DispatchLoopMessage(msg);
  }
}

INPUT KeyInput(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, 0));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return in;
}

namespace {

// Presses Esc from another thread while the test's thread is stuck in a
// modal loop, until the watched step ends.
class ModalLoopWatch {
 public:
  ModalLoopWatch()
      : thread_([this] {
          std::unique_lock lock(mutex_);
          if (ended_.wait_for(lock, std::chrono::seconds(10), [this] { return done_; })) return;
          stuck_ = true;
          while (!ended_.wait_for(lock, std::chrono::milliseconds(200), [this] { return done_; })) {
            INPUT esc[2] = {KeyInput(VK_ESCAPE, false), KeyInput(VK_ESCAPE, true)};
            SendInput(2, esc, sizeof(INPUT));
          }
        }) {}
  ~ModalLoopWatch() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    ended_.notify_all();
    thread_.join();
  }
  bool stuck() const { return stuck_; }

 private:
  std::mutex mutex_;
  std::condition_variable ended_;
  bool done_ = false;
  std::atomic<bool> stuck_{false};
  std::thread thread_;
};

}  // namespace

void FormTest::Keys(const std::vector<std::vector<WORD>>& strokes) {
  for (const auto& chord : strokes) {
    std::vector<INPUT> in;
    for (WORD vk : chord) in.push_back(KeyInput(vk, false));
    for (auto it = chord.rbegin(); it != chord.rend(); ++it) in.push_back(KeyInput(*it, true));
    bool stuck = false;
    {
      ModalLoopWatch watch;
      SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
      Pump();
      stuck = watch.stuck();
    }
    if (stuck) ADD_FAILURE() << "a key left the window in a modal loop (key " << chord.back() << ")";
  }
}

std::vector<std::wstring> FormTest::Rows() { return ListRows(Ctl(qb::kLista)); }

void FormTest::ExpectRefreshed(const std::wstring& nome, const std::wstring& inboundLabel,
                               std::source_location where) {
  using namespace qb;
  SCOPED_TRACE(::testing::Message() << where.file_name() << ":" << where.line());
  EXPECT_EQ(Selected(kProvider), -1);
  for (ControlId id : {kUsername, kDominio, kPopserver, kSmtpserver}) EXPECT_EQ(Text(id), L"") << SpecOf(id).name;
  EXPECT_EQ(Text(kNome), nome);
  EXPECT_EQ(Text(kLabelInbound), inboundLabel);
  for (ControlId id : {kDominio, kPopserver, kSmtpserver, kBtnAggiungi, kBtnCancella})
    EXPECT_FALSE(Enabled(id)) << SpecOf(id).name;
  EXPECT_TRUE(Enabled(kUsername));
}

}  // namespace qbtest
