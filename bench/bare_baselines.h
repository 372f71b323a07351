#pragma once
// The yardsticks: the same work as the program's, written as plainly as the
// Win32 API allows, with none of the program's own code in the way.
#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qbbench {

struct BareListing {
  std::vector<std::string> keys;  // key names, row for row
  std::vector<std::string> rows;  // address, with " (Default)" for the default account
};

enum class BareOpen {
  FullPath,      // each account key by its full path below HKEY_CURRENT_USER, as the program does
  RelativeToRoot // each account key relative to the open accounts root
};

// "Default Mail Account", then RegEnumKeyA over the accounts root, then for each
// key RegOpenKeyExA + RegQueryValueExA("SMTP Email Address") + RegCloseKey.
BareListing BareReadAccounts(BareOpen how = BareOpen::FullPath);

// Fills a list box with its drawing suspended (WM_SETREDRAW off), optionally
// emptying it first and announcing the item count (LB_INITSTORAGE) first.
void BareFillList(HWND list, const std::vector<std::string>& rows, bool reset, bool initStorage);

// The same for a combo box (CB_ADDSTRING, CB_INITSTORAGE).
void BareFillCombo(HWND combo, const std::vector<std::string>& names, bool initStorage);

// CreateFileA + GetFileSizeEx + ReadFile + CloseHandle into one buffer.
struct FileBytes {
  std::unique_ptr<char[]> data;
  std::size_t size = 0;
};
FileBytes BareReadFile(const char* name);

// Splits text into lines and each data line into its first five fields, stored
// as strings: what a catalogue needs, written the obvious way.
using BareEntry = std::array<std::string, 5>;
void BareSplit(std::string_view text, std::vector<BareEntry>& out);

// The same cut, but each field a view into the text: no allocation per field.
// What a catalogue that kept the file's bytes once could do.
struct BareViewEntry {
  std::string_view field[5];
};
void BareSplitViews(std::string_view text, std::vector<BareViewEntry>& out);

// Only where each line starts (4 bytes a line): what a catalogue that cut its
// fields on demand would need at load time.
void BareIndexLines(std::string_view text, std::vector<std::uint32_t>& out);

// Creates an account key with the nine values of a POP3 account in one open
// handle: RegCreateKeyExA, nine RegSetValueExA, RegCloseKey.
bool BareAddPop3Account(const std::string& userName, const std::string& domain);

// A plain visible window with a list box and a combo box shaped like the
// program's `lista` and `provider`; and a second pair, otherwise the same, that
// a tooltip control watches by subclassing (TTF_SUBCLASS), as the program's do.
class BareWindow {
 public:
  BareWindow(SIZE listSize, SIZE comboSize, HFONT font);
  ~BareWindow();
  BareWindow(const BareWindow&) = delete;
  BareWindow& operator=(const BareWindow&) = delete;
  HWND list() const { return list_; }
  HWND combo() const { return combo_; }
  HWND tippedList() const { return tippedList_; }
  HWND tippedCombo() const { return tippedCombo_; }

 private:
  HWND window_ = nullptr;
  HWND list_ = nullptr;
  HWND combo_ = nullptr;
  HWND tippedList_ = nullptr;
  HWND tippedCombo_ = nullptr;
  HWND tooltip_ = nullptr;
};

}  // namespace qbbench
