#include "tests/support/list_rows.h"

namespace qbtest {

std::wstring ListRow(HWND list, int index) {
  const auto at = static_cast<WPARAM>(index);
  std::wstring row(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, at, 0)) + 1, L'\0');
  row.resize(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXT, at, reinterpret_cast<LPARAM>(row.data()))));
  return row;
}

int ListRowCount(HWND list) { return static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)); }

std::vector<std::wstring> ListRows(HWND list) {
  std::vector<std::wstring> rows;
  const int count = ListRowCount(list);
  for (int i = 0; i < count; ++i) rows.push_back(ListRow(list, i));
  return rows;
}

}  // namespace qbtest
