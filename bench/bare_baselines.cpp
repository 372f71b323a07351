#include "bench/bare_baselines.h"

#include <commctrl.h>

#include <cstring>

#include "accounts/account_layout.h"

namespace qbbench {

namespace {

// The key paths and value names are the program's (accounts/account_layout.h):
// plain data, so no code of the program runs in the yardsticks.
using qb::kAccountKeyPrefix;
using qb::kAccountsRoot;
using qb::kDefaultMailAccountValue;
using qb::kDefaultMarker;
using qb::kManagerKey;
using qb::kSmtpEmailAddressValue;

// A REG_SZ value as text without its terminating zero; false when absent,
// of another type, or empty.
bool ReadText(HKEY key, const char* value, std::string& out) {
  char buffer[1024];
  DWORD type = 0, size = sizeof buffer;
  LONG status = RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  if (status == ERROR_MORE_DATA) {
    std::string large(size, '\0');
    status = RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(large.data()), &size);
    if (status != ERROR_SUCCESS || type != REG_SZ || size < 2) return false;
    out.assign(large.data(), size - 1);
    return true;
  }
  if (status != ERROR_SUCCESS || type != REG_SZ || size < 2) return false;
  out.assign(buffer, size - 1);
  return true;
}

}  // namespace

BareListing BareReadAccounts(BareOpen how) {
  BareListing out;
  std::string defaultName;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kManagerKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    ReadText(key, kDefaultMailAccountValue, defaultName);
    RegCloseKey(key);
  }

  HKEY root;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kAccountsRoot, 0, KEY_READ, &root) != ERROR_SUCCESS) return out;
  std::vector<std::string> names;
  char name[260];
  for (DWORD i = 0; RegEnumKeyA(root, i, name, sizeof name) == ERROR_SUCCESS; ++i) names.emplace_back(name);

  std::string path = kAccountsRoot;
  const std::size_t rootLength = path.size();
  std::string address;
  for (std::string& k : names) {
    LONG status;
    if (how == BareOpen::FullPath) {
      path.resize(rootLength);
      path += k;
      status = RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key);
    } else {
      status = RegOpenKeyExA(root, k.c_str(), 0, KEY_READ, &key);
    }
    if (status != ERROR_SUCCESS) continue;
    const bool listed = ReadText(key, kSmtpEmailAddressValue, address);
    RegCloseKey(key);
    if (!listed) continue;
    if (!defaultName.empty() && k == defaultName) address += kDefaultMarker;
    out.rows.push_back(address);
    out.keys.push_back(std::move(k));
  }
  RegCloseKey(root);
  return out;
}

void BareFillList(HWND list, const std::vector<std::string>& rows, bool reset, bool initStorage) {
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  if (reset) SendMessageA(list, LB_RESETCONTENT, 0, 0);
  if (initStorage) {
    std::size_t bytes = 0;
    for (const std::string& r : rows) bytes += r.size() + 1;
    SendMessageA(list, LB_INITSTORAGE, rows.size(), static_cast<LPARAM>(bytes));
  }
  for (const std::string& r : rows) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(r.c_str()));
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void BareFillCombo(HWND combo, const std::vector<std::string>& names, bool initStorage) {
  SendMessageA(combo, WM_SETREDRAW, FALSE, 0);
  if (initStorage) {
    std::size_t bytes = 0;
    for (const std::string& n : names) bytes += n.size() + 1;
    SendMessageA(combo, CB_INITSTORAGE, names.size(), static_cast<LPARAM>(bytes));
  }
  for (const std::string& n : names) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(n.c_str()));
  SendMessageA(combo, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(combo, nullptr, TRUE);
}

FileBytes BareReadFile(const char* name) {
  FileBytes out;
  HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return out;
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  out.data.reset(new char[static_cast<std::size_t>(size.QuadPart)]);
  DWORD got = 0;
  if (ReadFile(file, out.data.get(), static_cast<DWORD>(size.QuadPart), &got, nullptr)) out.size = got;
  CloseHandle(file);
  return out;
}

namespace {

const char* Find(const char* from, const char* to, char c) {
  const void* hit = from < to ? std::memchr(from, c, static_cast<std::size_t>(to - from)) : nullptr;
  return hit ? static_cast<const char*>(hit) : to;
}

std::size_t CountLines(std::string_view text) {
  const char* const end = text.data() + text.size();
  std::size_t lines = 1;
  for (const char* q = Find(text.data(), end, '\n'); q < end; q = Find(q + 1, end, '\n')) ++lines;
  return lines;
}

// Calls take(fields) for every data line: stripped of spaces, not a comment,
// at least five fields (the fifth ends at the line's end or at a ';').
template <typename Take>
void ForEachDataLine(std::string_view text, Take&& take) {
  const char* p = text.data();
  const char* const end = p + text.size();
  std::string_view fields[5];
  while (p < end) {
    const char* eol = Find(p, end, '\n');
    const char* a = p;
    const char* b = (eol > p && eol[-1] == '\r') ? eol - 1 : eol;
    while (a < b && *a == ' ') ++a;
    while (b > a && b[-1] == ' ') --b;
    if (a < b && *a != '#') {
      const char* f = a;
      int field = 0;
      for (; field < 5; ++field) {
        const char* sep = Find(f, b, ';');
        fields[field] = std::string_view(f, static_cast<std::size_t>(sep - f));
        if (sep == b) break;
        f = sep + 1;
      }
      if (field >= 4) take(fields);
    }
    p = eol + 1;
  }
}

}  // namespace

void BareSplit(std::string_view text, std::vector<BareEntry>& out) {
  out.reserve(out.size() + CountLines(text));
  ForEachDataLine(text, [&](const std::string_view (&f)[5]) {
    BareEntry& e = out.emplace_back();
    for (int i = 0; i < 5; ++i) e[static_cast<std::size_t>(i)].assign(f[i]);
  });
}

void BareSplitViews(std::string_view text, std::vector<BareViewEntry>& out) {
  out.reserve(out.size() + CountLines(text));
  ForEachDataLine(text, [&](const std::string_view (&f)[5]) {
    BareViewEntry& e = out.emplace_back();
    for (int i = 0; i < 5; ++i) e.field[i] = f[i];
  });
}

void BareIndexLines(std::string_view text, std::vector<std::uint32_t>& out) {
  out.reserve(out.size() + CountLines(text));
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  for (const char* p = begin; p < end; p = Find(p, end, '\n') + 1) out.push_back(static_cast<std::uint32_t>(p - begin));
}

bool BareAddPop3Account(const std::string& userName, const std::string& domain) {
  const std::string address = userName + "@" + domain;
  const std::string path = std::string(kAccountsRoot) + kAccountKeyPrefix + address;
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  auto text = [&](const char* name, const std::string& value) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
  };
  auto dword = [&](const char* name, DWORD value) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  };
  text("Account Name", address);
  dword("Connection type", 3);
  text("SMTP Display Name", "Utente di prova");
  text("SMTP Email Address", address);
  text("SMTP Server", "smtp.example.it");
  dword("POP3 Prompt for Password", 0);
  text("POP3 Server", "pop.example.it");
  dword("POP3 Use Sicily", 0);
  text("POP3 User Name", userName);
  RegCloseKey(key);
  return true;
}

BareWindow::BareWindow(SIZE listSize, SIZE comboSize, HFONT font) {
  static const wchar_t kClass[] = L"QuillbeckBenchBare";
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClass;
  RegisterClassExW(&wc);
  window_ = CreateWindowExW(0, kClass, L"bare", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 10, 10,
                            2 * listSize.cx + comboSize.cx + 80, listSize.cy + 100, nullptr, nullptr, instance, nullptr);
  // Styles as the program's own list and combo box.
  auto makeList = [&](int x, int id) {
    return CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                           WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, x, 10,
                           listSize.cx, listSize.cy, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                           nullptr);
  };
  auto makeCombo = [&](int y, int id) {
    return CreateWindowExW(0, L"COMBOBOX", L"",
                           WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                           2 * listSize.cx + 40, y, comboSize.cx, comboSize.cy * 10, window_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  };
  list_ = makeList(10, 1);
  tippedList_ = makeList(listSize.cx + 20, 2);
  combo_ = makeCombo(10, 3);
  tippedCombo_ = makeCombo(comboSize.cy + 20, 4);
  for (HWND h : {list_, tippedList_, combo_, tippedCombo_})
    if (font) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance,
                             nullptr);
  for (HWND h : {tippedList_, tippedCombo_}) {
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = window_;
    ti.uId = reinterpret_cast<UINT_PTR>(h);
    ti.lpszText = const_cast<wchar_t*>(L"suggerimento");
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  }
  UpdateWindow(window_);
}

BareWindow::~BareWindow() {
  if (tooltip_) DestroyWindow(tooltip_);
  if (window_) DestroyWindow(window_);
}

}  // namespace qbbench
