#include "registry/registry_ops.h"

#include <cstring>

#include "core/app_error.h"
#include "registry/value_query.h"

namespace qb {

namespace {

constexpr REGSAM kKeyRead = 0x20019;   // KEY_READ: values and sub-keys
constexpr REGSAM kKeyWrite = 0x20006;  // KEY_WRITE: values
constexpr DWORD kSubKeyNameSize = 260;

int g_openHandles = 0;

// One key handle that this module opened; closed once, on every path out of the call.
class KeyHandle {
 public:
  KeyHandle() = default;
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;
  ~KeyHandle() { Close(); }

  LONG Open(HKEY parent, const std::string& path, REGSAM access) {
    Close();
    return Adopt(RegOpenKeyExA(parent, path.c_str(), 0, access, &h_));
  }

  // Opens the key, creating it and every missing key above it. Access 0: the
  // handle carries no rights and serves only to be closed.
  LONG Create(HKEY parent, const std::string& path, DWORD& disposition) {
    Close();
    return Adopt(RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, 0, nullptr, &h_, &disposition));
  }

  void Close() {
    if (h_ == nullptr) return;
    RegCloseKey(h_);
    h_ = nullptr;
    --g_openHandles;
  }

  HKEY get() const { return h_; }

 private:
  LONG Adopt(LONG status) {
    if (status == ERROR_SUCCESS)
      ++g_openHandles;
    else
      h_ = nullptr;  // whatever a failed call left there is not a handle of ours
    return status;
  }

  HKEY h_ = nullptr;
};

}  // namespace

int OpenRegistryHandleCount() { return g_openHandles; }

bool CreateRegistryKey(HKEY hKey, const std::string& KeyName) {
  KeyHandle key;
  DWORD disposition = 0;
  if (key.Create(hKey, KeyName, disposition) != ERROR_SUCCESS)
    throw AppError(kRegistryErrorNumber, kUnableToCreateKey);
  return disposition == REG_OPENED_EXISTING_KEY;
}

RegistryVariant GetRegistryValue(HKEY hKey, const std::string& KeyName, const std::string& ValueName,
                                 const std::optional<RegistryVariant>& DefaultValue) {
  KeyHandle key;
  if (key.Open(hKey, KeyName, kKeyRead) != ERROR_SUCCESS) return DefaultValue.value_or(RegistryVariant());
  return QueryRegistryValue([&](std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) -> long {
    DWORD t = type, s = size;
    const LONG status = RegQueryValueExA(key.get(), ValueName.c_str(), nullptr, &t, data, &s);
    type = t;
    size = s;
    return status;
  });
}

bool SetRegistryValue(HKEY hKey, const std::string& KeyName, const std::string& ValueName,
                      const RegistryVariant& value) {
  KeyHandle key;
  if (key.Open(hKey, KeyName, kKeyWrite) != ERROR_SUCCESS) {
    DWORD disposition = 0;
    if (key.Create(hKey, KeyName, disposition) != ERROR_SUCCESS) return false;
    key.Close();
    if (key.Open(hKey, KeyName, kKeyWrite) != ERROR_SUCCESS) return false;
  }
  const std::optional<EncodedValue> encoded = EncodeRegistryValue(value);
  if (!encoded) {
    key.Close();
    throw AppError(kRegistryErrorNumber, kUnsupportedValueType);
  }
  return RegSetValueExA(key.get(), ValueName.c_str(), 0, encoded->type, encoded->bytes.data(),
                        static_cast<DWORD>(encoded->bytes.size())) == ERROR_SUCCESS;
}

std::vector<std::string> EnumRegistryKeys(HKEY hKey, const std::string& KeyName) {
  std::vector<std::string> names;
  KeyHandle opened;
  HKEY key = hKey;  // an empty KeyName lists hKey itself, which stays the caller's to close
  if (!KeyName.empty()) {
    if (opened.Open(hKey, KeyName, kKeyRead) != ERROR_SUCCESS) return names;
    key = opened.get();
  }
  char name[kSubKeyNameSize];
  for (DWORD index = 0;; ++index) {
    name[0] = '\0';
    const LONG status = RegEnumKeyA(key, index, name, kSubKeyNameSize);
    if (status == ERROR_MORE_DATA) continue;  // this name only is too long; the next ones are not
    if (status != ERROR_SUCCESS) break;        // the end of the list, or a real failure
    names.emplace_back(name, strnlen(name, kSubKeyNameSize));
  }
  return names;
}

KeyDeletion DeleteRegistryKey(HKEY hKey, const std::string& KeyName) {
  switch (RegDeleteKeyA(hKey, KeyName.c_str())) {
    case ERROR_SUCCESS: return KeyDeletion::Deleted;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return KeyDeletion::Missing;
    default: return KeyDeletion::Refused;
  }
}

bool DeleteRegistryValue(HKEY hKey, const std::string& KeyName, const std::string& ValueName) {
  KeyHandle key;
  const LONG opened = key.Open(hKey, KeyName, kKeyWrite);
  if (opened == ERROR_FILE_NOT_FOUND || opened == ERROR_PATH_NOT_FOUND) return true;
  if (opened == ERROR_ACCESS_DENIED) {
    // A key that may be read but not changed: the value is gone only if it never was there.
    if (key.Open(hKey, KeyName, KEY_QUERY_VALUE) != ERROR_SUCCESS) return false;
    return RegQueryValueExA(key.get(), ValueName.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_FILE_NOT_FOUND;
  }
  if (opened != ERROR_SUCCESS) return false;
  const LONG status = RegDeleteValueA(key.get(), ValueName.c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace qb
