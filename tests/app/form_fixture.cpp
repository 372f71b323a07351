#include "tests/app/form_fixture.h"

#include "tests/support/scratch_registry.h"

namespace qbtest {

const char FormTest::kDefaultPresets[] =
    "# presets for the tests\n"
    "Quillbeck;quillbeck.it;smtp.quillbeck.it;pop.quillbeck.it;POP3\n"
    "Quillbeck IMAP;imap.quillbeck.it;smtp.quillbeck.it;imap.quillbeck.it;imap\n"
    "Altro provider;;;;pop3\n";

TempFolder::TempFolder() {
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  path_ = std::string(base) + "qbtest-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) +
          "-" + std::to_string(reinterpret_cast<std::uintptr_t>(this));
  CreateDirectoryA(path_.c_str(), nullptr);
  char current[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, current);
  previous_ = current;
  SetCurrentDirectoryA(path_.c_str());
}

TempFolder::~TempFolder() {
  SetCurrentDirectoryA(previous_.c_str());
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((path_ + "\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((path_ + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  RemoveDirectoryA(path_.c_str());
}

void TempFolder::Write(const std::string& name, const std::string& bytes) const {
  HANDLE file = CreateFileA((path_ + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

void FormTest::SetUp() {
  ClearScratchHkcu();
  folder_ = std::make_unique<TempFolder>();
}

void FormTest::TearDown() {
  form_.reset();
  folder_.reset();
  ClearScratchHkcu();
}

void FormTest::Start(const std::string& presetBytes) {
  folder_->Write("providers.lst", presetBytes);
  Start(static_cast<const char*>(nullptr));
}

void FormTest::Start(const char* presets) {
  if (presets) folder_->Write("providers.lst", presets);
  qb::MainForm::Services services;
  services.messageBox = [this](HWND, const std::wstring& text, const std::wstring& title, UINT type) {
    messages.push_back({text, title, type});
    if (whenMessageShown) whenMessageShown();
    if (answers.empty()) return IDNO;
    int answer = answers.front();
    answers.pop_front();
    return answer;
  };
  services.help = [this](HWND owner, const std::string& file, UINT command, DWORD_PTR data) {
    helpCalls.push_back(
        {owner, file, command, command == 0 ? std::string(reinterpret_cast<const char*>(data)) : std::string(), data});
  };
  services.fatal = [this](HWND, const qb::AppError& error) {
    if (whenFatal) whenFatal();
    fatalErrors.push_back(error);
  };
  services.ended = [this] { ++endedCount; };
  form_ = std::make_unique<qb::MainForm>(GetModuleHandleW(nullptr), services);
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

std::vector<std::wstring> FormTest::Rows() {
  std::vector<std::wstring> rows;
  HWND lista = Ctl(qb::kLista);
  const int n = static_cast<int>(SendMessageW(lista, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    std::wstring row(static_cast<std::size_t>(SendMessageW(lista, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
    row.resize(static_cast<std::size_t>(SendMessageW(lista, LB_GETTEXT, i, reinterpret_cast<LPARAM>(row.data()))));
    rows.push_back(row);
  }
  return rows;
}

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
