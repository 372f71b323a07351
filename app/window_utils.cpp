#include "app/window_utils.h"

#include <algorithm>

#include "core/handles.h"

namespace qb {

void SetAlwaysOnTopMode(std::int32_t hWndOrForm, bool OnTop) {
  HWND hwnd = reinterpret_cast<HWND>(static_cast<std::intptr_t>(hWndOrForm));
  SetWindowPos(hwnd, OnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
}

namespace {

struct FillMessages {
  UINT clear;
  UINT add;
  UINT initStorage;
};

std::optional<FillMessages> FillMessagesFor(HWND ctrl) {
  wchar_t cls[32] = {};
  if (!ctrl || !GetClassNameW(ctrl, cls, 32)) return std::nullopt;
  if (lstrcmpiW(cls, L"ListBox") == 0) return FillMessages{LB_RESETCONTENT, LB_ADDSTRING, LB_INITSTORAGE};
  if (lstrcmpiW(cls, L"ComboBox") == 0) return FillMessages{CB_RESETCONTENT, CB_ADDSTRING, CB_INITSTORAGE};
  return std::nullopt;
}

// The width of texts in a list box's font, as the list draws its rows.
class RowWidths {
 public:
  explicit RowWidths(HWND list) : font_(reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0))) {
    if (font_) previous_ = SelectObject(dc_.get(), font_);
  }
  ~RowWidths() {
    if (font_) SelectObject(dc_.get(), previous_);
  }
  RowWidths(const RowWidths&) = delete;
  RowWidths& operator=(const RowWidths&) = delete;

  int Of(const std::string& ansi) {
    SIZE size{};
    GetTextExtentPoint32A(dc_.get(), ansi.data(), static_cast<int>(ansi.size()), &size);
    return size.cx;
  }
  int Of(const wchar_t* wide, int length) {
    SIZE size{};
    GetTextExtentPoint32W(dc_.get(), wide, length, &size);
    return size.cx;
  }

 private:
  ScreenDC dc_;
  HFONT font_;
  HGDIOBJ previous_ = nullptr;
};

// A list box scrolls sideways only as far as its horizontal extent says: it
// is set to the widest row after every fill (a fill that keeps the old rows
// only widens it), so that the end of a long row can be brought into view and
// the scroll bar goes again once no row is wider than the list.
void KeepSidewaysReach(HWND list, int widestAdded, bool cleared) {
  // The list draws each row a little in from its edges.
  int extent = widestAdded > 0 ? widestAdded + 2 * GetSystemMetrics(SM_CXEDGE) : 0;
  if (!cleared) extent = std::max(extent, static_cast<int>(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0)));
  SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(extent), 0);
}

// The one road of every fill: rows First..Last, their storage reserved first
// (`bytesOf` a row), drawing suspended, and for a list box the sideways reach
// kept. `add` adds a row and gives its width, measured with `widths` (null
// for a combo box, which scrolls nothing sideways).
template <class Text, class BytesOf, class Add>
void FillRows(HWND ctrl, const std::vector<Text>& rows, bool clearIt, std::optional<long> First,
              std::optional<long> Last, BytesOf bytesOf, Add add) {
  const auto messages = FillMessagesFor(ctrl);
  if (!messages) return;
  const long upper = static_cast<long>(rows.size()) - 1;
  const long first = std::max(First.value_or(0), 0L);
  const long last = std::min(Last.value_or(upper), upper);
  const bool listBox = messages->add == LB_ADDSTRING;
  std::optional<RowWidths> widths;
  if (listBox) widths.emplace(ctrl);

  RedrawSuspension suspended(ctrl);
  if (clearIt) SendMessageW(ctrl, messages->clear, 0, 0);
  if (first <= last) {
    std::size_t bytes = 0;
    for (long i = first; i <= last; ++i) bytes += bytesOf(rows[static_cast<std::size_t>(i)]);
    SendMessageW(ctrl, messages->initStorage, static_cast<WPARAM>(last - first + 1), static_cast<LPARAM>(bytes));
  }
  int widest = 0;
  for (long i = first; i <= last; ++i)
    widest = std::max(widest, add(ctrl, messages->add, rows[static_cast<std::size_t>(i)], widths ? &*widths : nullptr));
  if (listBox) KeepSidewaysReach(ctrl, widest, clearIt);
}

std::size_t WideBytes(std::size_t units) { return (units + 1) * sizeof(wchar_t); }

}  // namespace

void ArrayToListBox(HWND ctrl, const std::vector<std::string>& arr, bool clearIt, std::optional<long> First,
                    std::optional<long> Last) {
  ArrayToListBox(ctrl, arr, TextCoding::Ansi, clearIt, First, Last);
}

void ArrayToListBox(HWND ctrl, const std::vector<std::string>& arr, TextCoding coding, bool clearIt,
                    std::optional<long> First, std::optional<long> Last) {
  if (coding == TextCoding::Ansi) {
    FillRows(
        ctrl, arr, clearIt, First, Last, [](const std::string& text) { return text.size() + 1; },
        [](HWND list, UINT add, const std::string& text, RowWidths* widths) {
          SendMessageA(list, add, 0, reinterpret_cast<LPARAM>(text.c_str()));
          return widths ? widths->Of(text) : 0;
        });
    return;
  }
  // One buffer for every row: the presets can be tens of thousands. A UTF-8
  // text never has more UTF-16 units than bytes.
  std::wstring wide;
  FillRows(
      ctrl, arr, clearIt, First, Last, [](const std::string& text) { return WideBytes(text.size()); },
      [&wide](HWND list, UINT add, const std::string& text, RowWidths* widths) {
        wide.resize(text.size() + 1);
        const int n = text.empty() ? 0
                                   : MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                         wide.data(), static_cast<int>(text.size()));
        wide[static_cast<std::size_t>(n)] = L'\0';
        SendMessageW(list, add, 0, reinterpret_cast<LPARAM>(wide.c_str()));
        return widths ? widths->Of(wide.c_str(), n) : 0;
      });
}

void ArrayToListBox(HWND ctrl, const std::vector<std::wstring>& arr, bool clearIt, std::optional<long> First,
                    std::optional<long> Last) {
  FillRows(
      ctrl, arr, clearIt, First, Last, [](const std::wstring& text) { return WideBytes(text.size()); },
      [](HWND list, UINT add, const std::wstring& text, RowWidths* widths) {
        SendMessageW(list, add, 0, reinterpret_cast<LPARAM>(text.c_str()));
        return widths ? widths->Of(text.c_str(), static_cast<int>(text.size())) : 0;
      });
}

std::wstring FolderOfModulePath(const std::wstring& modulePath) {
  const auto slash = modulePath.find_last_of(L'\\');
  if (slash == std::wstring::npos) return {};
  // At a drive's root the folder is the root itself ("C:\"), as the system
  // names it; HTML Help opens the path with two backslashes that follows.
  const bool driveRoot = slash == 2 && modulePath[1] == L':';
  return modulePath.substr(0, driveRoot ? slash + 1 : slash);
}

std::wstring ExecutableFolder() {
  // The wide form: a folder whose name the ANSI code page cannot hold ("Łukasz"
  // on a Western system) would come back with "?" or a look-alike in its place.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return FolderOfModulePath(path);
}

std::wstring HelpFilePathFor(const std::wstring& exeFolder) { return exeFolder + kHelpFileName; }

void CallHtmlHelp(HWND owner, const std::wstring& file, UINT command, DWORD_PTR data, const wchar_t* component) {
  try {
    // Never unloaded: the help window lives in the component for the rest of the run.
    HMODULE module = LoadLibraryW(component);
    if (!module) return;
    auto htmlHelp = reinterpret_cast<decltype(&HtmlHelpW)>(reinterpret_cast<void*>(GetProcAddress(module, "HtmlHelpW")));
    if (htmlHelp) htmlHelp(owner, file.c_str(), command, data);
  } catch (...) {
    // Help is a convenience; nothing about it is worth stopping the program for.
  }
}

}  // namespace qb
