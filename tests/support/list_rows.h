#pragma once
// The rows of a list box of this process, as it shows them.
#include <windows.h>

#include <string>
#include <vector>

namespace qbtest {

std::wstring ListRow(HWND list, int index);
std::vector<std::wstring> ListRows(HWND list);
int ListRowCount(HWND list);

}  // namespace qbtest
