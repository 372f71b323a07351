#pragma once
// The yardsticks: the program's work written as plainly as the Win32 API
// allows, with none of the program's code in the way.
#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qbbench {

struct BareListing {
  std::vector<std::string> keys;  // key names, row for row
  std::vector<std::string> rows;  // address, with " (Default)" for the default account
};

// "Default Mail Account", then RegEnumKeyA over the accounts root, then for each
// key RegOpenKeyExA by its full path + RegQueryValueExA("SMTP Email Address") +
// RegCloseKey: the calls the program makes.
BareListing BareReadAccounts();

// Fills a list box or a combo box with its drawing suspended, after
// LB_INITSTORAGE / CB_INITSTORAGE; a list box is emptied first.
void BareFillList(HWND list, const std::vector<std::string>& rows);
void BareFillCombo(HWND combo, const std::vector<std::string>& names);

// CreateFileA + GetFileSizeEx + ReadFile + CloseHandle into one new buffer.
struct FileBytes {
  std::unique_ptr<char[]> data;
  std::size_t size = 0;
};
FileBytes BareReadFile(const char* name);

// Each data line of a providers.lst cut into its first five fields, as strings.
using BareEntry = std::array<std::string, 5>;
void BareSplit(std::string_view text, std::vector<BareEntry>& out);

// A plain visible window with a list box and a combo box of the program's
// styles, sizes and font.
class BareWindow {
 public:
  BareWindow(HWND lista, HWND provider);
  ~BareWindow() { DestroyWindow(window_); }
  BareWindow(const BareWindow&) = delete;
  BareWindow& operator=(const BareWindow&) = delete;
  HWND list() const { return list_; }
  HWND combo() const { return combo_; }

 private:
  HWND window_ = nullptr, list_ = nullptr, combo_ = nullptr;
};

}  // namespace qbbench
