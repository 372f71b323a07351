#include "tests/support/bulk_hkcu.h"

#include <stdexcept>

namespace qbtest {

namespace {

// RegLoadKeyW and RegUnLoadKeyW need the restore privilege, which an
// administrator holds but has not enabled.
bool EnableRestorePrivilege() {
  qb::ObjectHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.put())) return false;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!LookupPrivilegeValueW(nullptr, L"SeRestorePrivilege", &privileges.Privileges[0].Luid)) return false;
  return AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr) &&
         GetLastError() == ERROR_SUCCESS;
}

// A key path or a text as Wine's registry files quote them.
std::string Quoted(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c < 0x20 || c > 0x7e) throw std::invalid_argument("BulkHkcu takes printable ASCII only: " + text);
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

void AppendKey(std::string& text, const std::string& path) {
  text += '[';
  text += Quoted(path);
  text += "] 0\n";
}

std::string HiveText(const std::string& parent, const std::string& value, const KeyTexts& keys) {
  std::string text = "WINE REGISTRY Version 2\n\n";
  AppendKey(text, parent);
  for (const auto& [name, content] : keys) {
    AppendKey(text, parent + "\\" + name);
    if (!content) continue;
    text += '"';
    text += Quoted(value);
    text += "\"=\"";
    text += Quoted(*content);
    text += "\"\n";
  }
  return text;
}

}  // namespace

BulkHkcu::BulkHkcu(const std::string& parent, const std::string& value, const KeyTexts& keys) {
  loaded_ = Load(parent, value, keys);
  if (!loaded_) CreateVolatileKeysWithText(parent, value, keys);
}

bool BulkHkcu::Load(const std::string& parent, const std::string& value, const KeyTexts& keys) {
  const std::string file = folder_.path() + "\\keys.reg";
  if (!folder_.created() || !WriteFileBytes(file, HiveText(parent, value, keys)) || !EnableRestorePrivilege())
    return false;
  hiveName_ = L"QuillbeckTests-bulk-" + std::to_wstring(GetCurrentProcessId());
  const std::wstring widePath(file.begin(), file.end());  // %TEMP% below the prefix: ASCII
  if (RegLoadKeyW(HKEY_USERS, hiveName_.c_str(), widePath.c_str()) != ERROR_SUCCESS) return false;
  ScopedKey hive;
  // Opening HKEY_CURRENT_USER itself gives back the predefined handle, which
  // would follow the override; creating its empty sub-path gives a handle of
  // the key it points at now.
  if (RegOpenKeyExW(HKEY_USERS, hiveName_.c_str(), 0, KEY_ALL_ACCESS, hive.put()) == ERROR_SUCCESS &&
      RegCreateKeyExW(HKEY_CURRENT_USER, L"", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, previous_.put(), nullptr) ==
          ERROR_SUCCESS &&
      RegOverridePredefKey(HKEY_CURRENT_USER, hive.get()) == ERROR_SUCCESS)
    return true;
  RegUnLoadKeyW(HKEY_USERS, hiveName_.c_str());
  return false;
}

BulkHkcu::~BulkHkcu() {
  if (!loaded_) return;
  // The override holds a copy of the handle it is given, so previous_ may close after.
  RegOverridePredefKey(HKEY_CURRENT_USER, previous_.get());
  RegUnLoadKeyW(HKEY_USERS, hiveName_.c_str());
}

}  // namespace qbtest
