// qb_e2e_probe: starts the program for a script and tells the script where
// the program's windows and controls are on the screen and what they show, so
// that the script can drive the program with real mouse and keyboard input and
// check what the user sees. Apart from "run", "end", "trust" and "distrust" it
// only looks: it never clicks, types or changes anything.
//
//   run      EXE                     starts EXE in the current folder, prints
//                                    "pid<TAB>N" at once, waits for it to end
//                                    and exits with its exit code
//   end      PID                     terminates that process (clean-up after a failure)
//   trust    CERT.der                adds a test root to the current user's root store,
//   distrust CERT.der                and removes it again (the prefix's own store only)
//   window   PID TITLE TIMEOUT_MS    the process's one visible main window with that title
//   control  PID TITLE ID [MS]       a child control by id: rectangle, centre, state, text
//   controls PID TITLE [MS]          every control of the window, each line led by its id
//   items    PID TITLE ID [MS]       the rows of a list box: index, selected, centre, text
//   droplist PID TIMEOUT_MS          the process's open drop-down list: index, selected, centre, text
//   msgbox   PID TITLE TIMEOUT_MS    a message box of the process: its text and its buttons
//   gone     PID TITLE TIMEOUT_MS    waits until the process shows no window with that title
//   owner    PID X Y                 whether the window at a screen point is the process's
//
// Coordinates are Win32 screen coordinates. Fields are separated by tabs,
// texts come last on their line, in UTF-8, with new lines written as "\n".
// Exit codes: 0 found, 1 not found in time, 2 wrong usage, 3 more than one match.
// control, controls and items wait up to MS (10 s by default) for the window
// and for every control to answer: a program held up for a moment (a loaded
// machine, a Wine server saving the registry) is waited for, not misread.
#include <windows.h>
#include <wincrypt.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <cwchar>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/handles.h"
#include "tests/e2e/window_find.h"

namespace {

using qbe2e::Utf8;

constexpr DWORD kLookTimeoutMs = 10000;

void Print(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::string OneLine(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\r') continue;
    if (c == L'\n') out += L"\\n";
    else if (c == L'\t') out += L' ';
    else out += c;
  }
  return Utf8(out);
}

std::string Rect(const RECT& r) {
  return std::to_string(r.left) + "\t" + std::to_string(r.top) + "\t" + std::to_string(r.right) + "\t" +
         std::to_string(r.bottom);
}

std::string Centre(const RECT& r) {
  return std::to_string((r.left + r.right) / 2) + "\t" + std::to_string((r.top + r.bottom) / 2);
}

DWORD Number(const wchar_t* text) { return static_cast<DWORD>(std::wcstoul(text, nullptr, 0)); }

int Fail(const std::string& why, int code) {
  std::fprintf(stderr, "qb_e2e_probe: %s\n", why.c_str());
  std::fflush(stderr);
  return code;
}

DWORD ProcessOf(HWND hwnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid;
}

// The process's single main window with this title; 1 if none, 3 if ambiguous.
int MainWindow(DWORD pid, const std::wstring& title, DWORD timeoutMs, HWND* out) {
  qbe2e::WindowFilter filter{title, false, pid};
  if (!qbe2e::WaitForTopLevel(filter, timeoutMs)) return Fail("no visible window \"" + Utf8(title) + "\"", 1);
  std::vector<HWND> all = qbe2e::FindTopLevel(filter);
  if (all.size() != 1)
    return Fail(std::to_string(all.size()) + " visible windows \"" + Utf8(title) + "\"; expected exactly one", 3);
  *out = all.front();
  return 0;
}

int CmdRun(const char* program) {
  const std::wstring path = qbe2e::WindowsPath(program);
  std::wstring commandLine = L"\"" + path + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return Fail("cannot start " + Utf8(path) + ", error " + std::to_string(GetLastError()), 2);
  const qb::ObjectHandle thread(pi.hThread), process(pi.hProcess);
  Print("pid\t" + std::to_string(pi.dwProcessId));
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  Print("exit\t" + std::to_string(code));
  return static_cast<int>(code);
}

int CmdEnd(DWORD pid) {
  const qb::ObjectHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
  if (!process) return 0;  // already gone
  TerminateProcess(process.get(), 1);
  WaitForSingleObject(process.get(), 5000);
  return 0;
}

int CmdWindow(DWORD pid, const std::wstring& title, DWORD timeoutMs) {
  HWND hwnd = nullptr;
  if (int rc = MainWindow(pid, title, timeoutMs, &hwnd)) return rc;
  RECT r;
  GetWindowRect(hwnd, &r);
  RECT client;
  GetClientRect(hwnd, &client);
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  Print("window\t" + Rect(r) + "\tclient\t" + std::to_string(origin.x) + "\t" + std::to_string(origin.y) + "\t" +
        std::to_string(client.right) + "\t" + std::to_string(client.bottom) + "\tenabled\t" +
        std::to_string(IsWindowEnabled(hwnd) ? 1 : 0));
  return 0;
}

// What a look at the window reports: its lines, or nothing when a control did
// not answer in time.
using Lines = std::optional<std::vector<std::string>>;

// Looks until every control answered, then prints the lines; a control that
// keeps silent for the whole time fails the look. One missed answer is not
// taken for an empty text.
int LookUntilAnswered(DWORD timeoutMs, const std::function<Lines()>& look) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (Lines lines = look()) {
      for (const std::string& line : *lines) Print(line);
      return 0;
    }
    if (GetTickCount() - start >= timeoutMs)
      return Fail("the window's controls did not answer within " + std::to_string(timeoutMs) + " ms", 1);
    Sleep(100);
  }
}

std::optional<std::string> ControlLine(HWND control) {
  const std::optional<std::wstring> text = qbe2e::ReadText(control);
  if (!text) return std::nullopt;
  RECT r;
  GetWindowRect(control, &r);
  return Rect(r) + "\t" + Centre(r) + "\t" + std::to_string(IsWindowEnabled(control) ? 1 : 0) + "\t" +
         std::to_string(IsWindowVisible(control) ? 1 : 0) + "\t" + OneLine(*text);
}

int CmdControl(DWORD pid, const std::wstring& title, int id, DWORD timeoutMs) {
  HWND hwnd = nullptr;
  if (int rc = MainWindow(pid, title, timeoutMs, &hwnd)) return rc;
  HWND control = GetDlgItem(hwnd, id);
  if (!control) return Fail("no control with id " + std::to_string(id), 1);
  return LookUntilAnswered(timeoutMs, [control]() -> Lines {
    std::optional<std::string> line = ControlLine(control);
    if (!line) return std::nullopt;
    return std::vector<std::string>{*line};
  });
}

int CmdControls(DWORD pid, const std::wstring& title, DWORD timeoutMs) {
  HWND hwnd = nullptr;
  if (int rc = MainWindow(pid, title, timeoutMs, &hwnd)) return rc;
  return LookUntilAnswered(timeoutMs, [hwnd]() -> Lines {
    std::vector<std::string> lines;
    for (HWND control = GetWindow(hwnd, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
      const int id = GetDlgCtrlID(control);
      if (id == 0) continue;
      std::optional<std::string> line = ControlLine(control);
      if (!line) return std::nullopt;
      lines.push_back(std::to_string(id) + "\t" + *line);
    }
    return lines;
  });
}

// Rows of a list box, with each row's centre on the screen (rows scrolled out
// of view report the centre they would have).
Lines RowLines(HWND list) {
  auto ask = [list](UINT msg, WPARAM wParam, LPARAM lParam, DWORD_PTR* result) {
    return SendMessageTimeoutW(list, msg, wParam, lParam, SMTO_ABORTIFHUNG, 2000, result) != 0;
  };
  DWORD_PTR count = 0, selected = 0, top = 0, height = 0;
  if (!ask(LB_GETCOUNT, 0, 0, &count) || !ask(LB_GETCURSEL, 0, 0, &selected) || !ask(LB_GETTOPINDEX, 0, 0, &top) ||
      !ask(LB_GETITEMHEIGHT, 0, 0, &height))
    return std::nullopt;
  POINT origin{0, 0};
  ClientToScreen(list, &origin);
  RECT client;
  GetClientRect(list, &client);
  std::vector<std::string> lines;
  for (int i = 0; i < static_cast<int>(count); ++i) {
    DWORD_PTR length = 0;
    if (!ask(LB_GETTEXTLEN, static_cast<WPARAM>(i), 0, &length)) return std::nullopt;
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!ask(LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()), &copied)) return std::nullopt;
    text.resize(copied > length ? static_cast<std::size_t>(length) : static_cast<std::size_t>(copied));
    const int rowTop = origin.y + (i - static_cast<int>(top)) * static_cast<int>(height);
    const int cx = origin.x + client.right / 2, cy = rowTop + static_cast<int>(height) / 2;
    lines.push_back(std::to_string(i) + "\t" + std::to_string(static_cast<int>(selected) == i ? 1 : 0) + "\t" +
                    std::to_string(cx) + "\t" + std::to_string(cy) + "\t" + OneLine(text));
  }
  return lines;
}

int CmdItems(DWORD pid, const std::wstring& title, int id, DWORD timeoutMs) {
  HWND hwnd = nullptr;
  if (int rc = MainWindow(pid, title, timeoutMs, &hwnd)) return rc;
  HWND list = GetDlgItem(hwnd, id);
  if (!list) return Fail("no control with id " + std::to_string(id), 1);
  return LookUntilAnswered(timeoutMs, [list] { return RowLines(list); });
}

int CmdDropList(DWORD pid, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    HWND found = nullptr;
    for (HWND w = FindWindowExW(nullptr, nullptr, qbe2e::kDropListClass, nullptr); w;
         w = FindWindowExW(nullptr, w, qbe2e::kDropListClass, nullptr))
      if (IsWindowVisible(w) && ProcessOf(w) == pid) found = w;
    if (found) {
      if (Lines lines = RowLines(found)) {
        for (const std::string& line : *lines) Print(line);
        return 0;
      }
    }
    if (GetTickCount() - start >= timeoutMs) return Fail("no open drop-down list that answers", 1);
    Sleep(50);
  }
}

int CmdMsgBox(DWORD pid, const std::wstring& title, DWORD timeoutMs) {
  HWND box = qbe2e::WaitForTopLevel(qbe2e::WindowFilter{title, true, pid}, timeoutMs);
  if (!box) return Fail("no message box \"" + Utf8(title) + "\"", 1);
  Print("text\t" + OneLine(qbe2e::MessageBoxText(box)));
  for (const qbe2e::ButtonInfo& b : qbe2e::ButtonsOf(box))
    Print("button\t" + std::to_string(b.id) + "\t" + Centre(b.screen) + "\t" + OneLine(b.text));
  return 0;
}

int CmdGone(DWORD pid, const std::wstring& title, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (qbe2e::FindTopLevel({title, false, pid}).empty() && qbe2e::FindTopLevel({title, true, pid}).empty()) return 0;
    if (GetTickCount() - start >= timeoutMs) return Fail("a window \"" + Utf8(title) + "\" is still there", 1);
    Sleep(50);
  }
}

// A click at the point reaches the process only if its window is the one there.
int CmdOwner(DWORD pid, int x, int y) {
  HWND at = WindowFromPoint(POINT{x, y});
  HWND root = at ? GetAncestor(at, GA_ROOT) : nullptr;
  if (root && ProcessOf(root) == pid) return 0;
  return Fail("at (" + std::to_string(x) + "," + std::to_string(y) + ") is " +
                  (root ? "\"" + Utf8(qbe2e::HeldText(root)) + "\" (class " + Utf8(qbe2e::ClassOf(root)) +
                              ") of process " + std::to_string(ProcessOf(root))
                        : std::string("no window")),
              1);
}

// The current user's root store, which Wine keeps in the prefix's registry
// (Software\Microsoft\SystemCertificates\Root under HKEY_CURRENT_USER): what
// the program under test trusts, and nothing outside the prefix.
// Wine's CertDeleteCertificateFromStore on this store reports success and
// leaves the certificate's key in the registry, trusted by every later run: the
// key, named by the certificate's SHA-1 hash, is deleted instead.
bool DeleteRootKey(PCCERT_CONTEXT cert) {
  BYTE hash[20];
  DWORD size = sizeof hash;
  if (!CertGetCertificateContextProperty(cert, CERT_HASH_PROP_ID, hash, &size)) return false;
  std::wstring key = L"Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\";
  for (DWORD i = 0; i < size; ++i) {
    wchar_t hex[3];
    std::swprintf(hex, 3, L"%02X", hash[i]);
    key += hex;
  }
  const LSTATUS status = RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

int CmdTrust(const char* derFile, bool trust) {
  std::ifstream in(derFile, std::ios::binary);
  const std::string der((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (der.empty()) return Fail(std::string("cannot read the certificate ") + derFile, 2);
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
  if (!store) return Fail("cannot open the current user's root store", 1);
  PCCERT_CONTEXT cert = CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                     static_cast<DWORD>(der.size()));
  bool done = false;
  if (cert && trust) {
    done = CertAddCertificateContextToStore(store, cert, CERT_STORE_ADD_REPLACE_EXISTING, nullptr) != FALSE;
  } else if (cert) {
    done = DeleteRootKey(cert);
  }
  if (cert) CertFreeCertificateContext(cert);
  CertCloseStore(store, 0);
  return done ? 0 : Fail(std::string(trust ? "cannot trust " : "cannot remove ") + derFile, 1);
}

int Usage() {
  return Fail("usage: run EXE | end PID | trust DER | distrust DER | window PID TITLE MS | control PID TITLE ID [MS] | controls PID TITLE [MS] | "
              "items PID TITLE ID [MS] | "
              "droplist PID MS | msgbox PID TITLE MS | gone PID TITLE MS | owner PID X Y",
              2);
}

}  // namespace

int main(int argc, char** argv) {
  // Lines end in a bare new line, as the shell scripts that read them expect.
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc == 3 && std::string(argv[1]) == "run") return CmdRun(argv[2]);
  if (argc == 3 && std::string(argv[1]) == "trust") return CmdTrust(argv[2], true);
  if (argc == 3 && std::string(argv[1]) == "distrust") return CmdTrust(argv[2], false);

  int wargc = 0;
  LPWSTR* wargv = CommandLineToArgvW(GetCommandLineW(), &wargc);
  if (!wargv || wargc < 3) return Usage();
  const std::wstring command = wargv[1];
  const DWORD pid = Number(wargv[2]);
  if (command == L"end") return CmdEnd(pid);
  if (wargc < 4) return Usage();
  if (command == L"droplist") return CmdDropList(pid, Number(wargv[3]));
  const std::wstring title = wargv[3];
  // The looks wait for a window that is slow to answer, up to an optional last argument.
  auto waitArg = [&](int at) { return wargc > at ? Number(wargv[at]) : kLookTimeoutMs; };
  if (command == L"controls") return CmdControls(pid, title, waitArg(4));
  if (wargc < 5) return Usage();
  if (command == L"window") return CmdWindow(pid, title, Number(wargv[4]));
  if (command == L"control") return CmdControl(pid, title, static_cast<int>(Number(wargv[4])), waitArg(5));
  if (command == L"items") return CmdItems(pid, title, static_cast<int>(Number(wargv[4])), waitArg(5));
  if (command == L"msgbox") return CmdMsgBox(pid, title, Number(wargv[4]));
  if (command == L"gone") return CmdGone(pid, title, Number(wargv[4]));
  if (command == L"owner") return CmdOwner(pid, static_cast<int>(Number(wargv[3])), static_cast<int>(Number(wargv[4])));
  return Usage();
}
