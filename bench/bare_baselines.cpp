// The bare yardsticks: the same Win32 calls as the program makes, written as
// plainly as they can be, handles closed by hand and no owner classes, so
// that what the program adds around them is what the ratios show.
#include "bench/figures.h"

#include <cstring>

#include "accounts/account_layout.h"

namespace qbbench {

namespace {

// A REG_SZ value as text without its terminating zero; false when absent,
// of another type, or empty.
bool ReadText(HKEY key, const char* value, std::string& out) {
  char buffer[1024];
  DWORD type = 0, size = sizeof buffer;
  if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
      type != REG_SZ || size < 2)
    return false;
  out.assign(buffer, size - 1);
  return true;
}

}  // namespace

BareListing BareReadAccounts() {
  BareListing out;
  std::string defaultName;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, qb::kManagerKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    ReadText(key, qb::kDefaultMailAccountValue, defaultName);
    RegCloseKey(key);
  }
  HKEY root;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, qb::kAccountsRoot, 0, KEY_READ, &root) != ERROR_SUCCESS) return out;
  std::vector<std::string> names;
  char name[260];
  for (DWORD i = 0; RegEnumKeyA(root, i, name, sizeof name) == ERROR_SUCCESS; ++i) names.emplace_back(name);
  RegCloseKey(root);

  std::string path = qb::kAccountsRoot, address;
  const std::size_t rootLength = path.size();
  for (std::string& k : names) {
    path.resize(rootLength);
    path += k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
    const bool listed = ReadText(key, qb::kSmtpEmailAddressValue, address);
    RegCloseKey(key);
    if (!listed) continue;
    if (k == defaultName) address += qb::kDefaultMarker;
    out.push_back(address);
  }
  return out;
}

namespace {

void BareFill(HWND box, const std::vector<std::string>& items, UINT reset, UINT initStorage, UINT add) {
  SendMessageA(box, WM_SETREDRAW, FALSE, 0);
  if (reset) SendMessageA(box, reset, 0, 0);
  std::size_t bytes = 0;
  for (const std::string& item : items) bytes += item.size() + 1;
  SendMessageA(box, initStorage, items.size(), static_cast<LPARAM>(bytes));
  for (const std::string& item : items) SendMessageA(box, add, 0, reinterpret_cast<LPARAM>(item.c_str()));
  SendMessageA(box, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(box, nullptr, TRUE);
}

}  // namespace

void BareFillList(HWND list, const std::vector<std::string>& rows) {
  BareFill(list, rows, LB_RESETCONTENT, LB_INITSTORAGE, LB_ADDSTRING);
}

void BareFillCombo(HWND combo, const std::vector<std::string>& names) {
  BareFill(combo, names, 0, CB_INITSTORAGE, CB_ADDSTRING);
}

FileBytes BareReadFile(const char* name) {
  FileBytes out;
  HANDLE file =
      CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return out;
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  out.data.reset(new char[static_cast<std::size_t>(size.QuadPart)]);
  DWORD got = 0;
  if (ReadFile(file, out.data.get(), static_cast<DWORD>(size.QuadPart), &got, nullptr)) out.size = got;
  CloseHandle(file);
  return out;
}

void BareSplit(std::string_view text, std::vector<BareEntry>& out) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t eol = text.find('\n', start);
    if (eol == std::string_view::npos) eol = text.size();
    std::string_view line = text.substr(start, eol - start);
    start = eol + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == '#') continue;
    BareEntry& e = out.emplace_back();
    for (std::string& field : e) {
      const std::size_t sep = line.find(';');
      field.assign(line.substr(0, sep));
      line = sep == std::string_view::npos ? std::string_view() : line.substr(sep + 1);
    }
  }
}

namespace {

void SetText(HKEY key, const char* name, const std::string& text) {
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
}

void SetNumber(HKEY key, const char* name, DWORD number) {
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

}  // namespace

void BareWriteAccount(const BareAccount& account) {
  const std::string address = account.user + "@" + account.domain;
  const std::string keyName = "(KX) " + address;
  const std::string path = std::string(qb::kAccountsRoot) + keyName;
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  SetText(key, "Account Name", address);
  SetNumber(key, "Connection type", 3);
  SetText(key, "SMTP Display Name", account.displayName);
  SetText(key, "SMTP Email Address", address);
  SetText(key, "SMTP Server", account.smtpServer);
  SetNumber(key, "POP3 Prompt for Password", 0);
  SetText(key, "POP3 Server", account.pop3Server);
  SetNumber(key, "POP3 Use Sicily", 0);
  SetText(key, "POP3 User Name", account.user);
  RegCloseKey(key);
  if (RegCreateKeyExA(HKEY_CURRENT_USER, qb::kManagerKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  SetText(key, "Default Mail Account", keyName);
  RegCloseKey(key);
}

BareWindow MakeBareWindow(HWND lista, HWND provider) {
  static const wchar_t kClass[] = L"QuillbeckBenchBare";
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClass;
  RegisterClassExW(&wc);
  RECT l, c;
  GetWindowRect(lista, &l);
  GetWindowRect(provider, &c);
  const int lw = l.right - l.left, lh = l.bottom - l.top, cw = c.right - c.left, ch = c.bottom - c.top;
  HWND window = CreateWindowExW(0, kClass, L"bare", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 10, 10, lw + cw + 60,
                                lh + 80, nullptr, nullptr, instance, nullptr);
  const HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                                    WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                                    10, 10, lw, lh, window, nullptr, instance, nullptr);
  const HWND combo = CreateWindowExW(0, L"COMBOBOX", L"",
                                     WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                                     lw + 30, 10, cw, ch * 10, window, nullptr, instance, nullptr);
  for (HWND h : {list, combo}) SendMessageW(h, WM_SETFONT, SendMessageW(lista, WM_GETFONT, 0, 0), FALSE);
  UpdateWindow(window);
  return {list, combo};
}

}  // namespace qbbench
