#include "registry/registry_ops.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <type_traits>

#include "core/app_error.h"
#include "core/handles.h"
#include "registry/value_query.h"

namespace qb {

namespace {

constexpr DWORD kSubKeyNameSize = 260;
// A key name has at most 255 characters; the wide enumeration gets them all and the zero.
constexpr DWORD kWideSubKeyNameSize = 256;

int g_openHandles = 0;

// The platform's calls in their ANSI and their wide form, so that one road of
// opening, stepping and deleting serves names of either width.
LONG OpenKey(HKEY parent, const char* path, REGSAM access, HKEY* opened) {
  return RegOpenKeyExA(parent, path, 0, access, opened);
}
LONG OpenKey(HKEY parent, const wchar_t* path, REGSAM access, HKEY* opened) {
  return RegOpenKeyExW(parent, path, 0, access, opened);
}
LONG DeleteKey(HKEY parent, const char* path) { return RegDeleteKeyA(parent, path); }
LONG DeleteKey(HKEY parent, const wchar_t* path) { return RegDeleteKeyW(parent, path); }
LONG QueryValueEx(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
  return RegQueryValueExA(key, name, nullptr, type, data, size);
}
LONG QueryValueEx(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* size) {
  return RegQueryValueExW(key, name, nullptr, type, data, size);
}
// Sub-key `index`'s name and its length in characters. ERROR_MORE_DATA: this
// name only is too long for the buffer; the next ones may not be.
struct AnsiKeyName {
  char text[kSubKeyNameSize];
};
struct WideKeyName {
  wchar_t text[kWideSubKeyNameSize];
};
LONG EnumKey(HKEY key, DWORD index, AnsiKeyName& name, std::size_t& length) {
  name.text[0] = '\0';
  const LONG status = RegEnumKeyA(key, index, name.text, kSubKeyNameSize);
  length = strnlen(name.text, kSubKeyNameSize);
  return status;
}
LONG EnumKey(HKEY key, DWORD index, WideKeyName& name, std::size_t& length) {
  DWORD size = kWideSubKeyNameSize;  // in characters, the closing zero included
  const LONG status = RegEnumKeyExW(key, index, name.text, &size, nullptr, nullptr, nullptr, nullptr);
  length = std::min<DWORD>(size, kWideSubKeyNameSize);
  return status;
}

// One key handle that this module opened, counted while it is open; closed
// once, on every path out of the call.
class KeyHandle {
 public:
  KeyHandle() = default;
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;
  ~KeyHandle() { Close(); }

  template <class Char>
  LONG Open(HKEY parent, const std::basic_string<Char>& path, REGSAM access) {
    Close();
    HKEY opened = nullptr;
    const LONG status = OpenKey(parent, path.c_str(), access, &opened);
    return Adopt(status, opened);
  }

  // Opens the key, creating it and every missing key above it. Access 0: the
  // handle carries no rights and serves only to be closed.
  LONG Create(HKEY parent, const std::string& path, DWORD& disposition, REGSAM access = 0) {
    Close();
    HKEY created = nullptr;
    const LONG status = RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, access, nullptr, &created, &disposition);
    return Adopt(status, created);
  }

  void Close() {
    if (!key_) return;
    key_.reset();
    --g_openHandles;
  }

  HKEY get() const { return key_.get(); }

 private:
  LONG Adopt(LONG status, HKEY key) {
    // Whatever a failed call left in its output is not a handle of ours.
    if (status != ERROR_SUCCESS) return status;
    key_.reset(key);
    ++g_openHandles;
    return status;
  }

  RegistryKeyHandle key_;
};

// Wine's ANSI registry calls (RegOpenKeyExA, RegCreateKeyExA, RegDeleteKeyA)
// convert the key path in the thread's static Unicode buffer of 260
// characters and refuse a longer path with ERROR_MORE_DATA (seen with Wine 8:
// 260 characters open, 261 do not), although the registry takes far longer
// ones (255 characters per name). Below the accounts root (53 characters) that
// left out every key name longer than 207 characters. A longer path is
// therefore reached in steps: its leading keys, as many as fit, then the rest
// relative to them. Counted in bytes, which in ANSI are never fewer than the
// characters. Wide paths take the same steps: one road for both widths costs a
// long wide path one more open, and no path has to be told apart by its width.
constexpr std::size_t kMaxAnsiPathLength = 260;

// Where a path longer than the ANSI calls take is cut: at the last backslash
// that leaves a leading part they take, or else at the first one (a single
// name longer than the limit in bytes, possible in a double-byte code page, is
// then handed over whole: in characters it may still fit). npos: no cut.
template <class Char>
std::size_t CutPoint(std::basic_string_view<Char> path) {
  if (path.size() <= kMaxAnsiPathLength) return std::basic_string_view<Char>::npos;
  std::size_t cut = path.rfind(Char('\\'), kMaxAnsiPathLength);
  if (cut == 0 || cut == std::basic_string_view<Char>::npos) cut = path.find(Char('\\'), 1);
  return cut;
}

// A trailing backslash names the same key; a long path drops it so that its
// last step has a name.
template <class Char>
std::basic_string_view<Char> WithoutTrailingBackslash(std::basic_string_view<Char> path) {
  if (path.size() > kMaxAnsiPathLength && path.back() == Char('\\')) path.remove_suffix(1);
  return path;
}

// Opens `path` below `parent` with `access`, in steps when it is long. The
// keys on the way are opened with no rights, as a whole path asks none of them.
template <class Char>
LONG OpenPath(KeyHandle& key, HKEY parent, std::basic_string_view<Char> path, REGSAM access) {
  path = WithoutTrailingBackslash(path);
  const std::size_t cut = CutPoint(path);
  if (cut == std::basic_string_view<Char>::npos) return key.Open(parent, std::basic_string<Char>(path), access);
  KeyHandle above;
  const LONG status = OpenPath(above, parent, path.substr(0, cut), 0);
  if (status != ERROR_SUCCESS) return status;
  return OpenPath(key, above.get(), path.substr(cut + 1), access);
}

template <class Char>
LONG OpenPath(KeyHandle& key, HKEY parent, const std::basic_string<Char>& path, REGSAM access) {
  return OpenPath(key, parent, std::basic_string_view<Char>(path), access);
}

// The names of the sub-keys of `KeyName` below `hKey`, through the ANSI or the
// wide calls as the name's width asks.
template <class Char>
std::vector<std::basic_string<Char>> SubKeyNames(HKEY hKey, const std::basic_string<Char>& KeyName) {
  std::vector<std::basic_string<Char>> names;
  KeyHandle opened;
  HKEY key = hKey;  // an empty KeyName lists hKey itself, which stays the caller's to close
  if (!KeyName.empty()) {
    if (OpenPath(opened, hKey, KeyName, KEY_READ) != ERROR_SUCCESS) return names;
    key = opened.get();
  }
  std::conditional_t<sizeof(Char) == 1, AnsiKeyName, WideKeyName> name;
  for (DWORD index = 0;; ++index) {
    std::size_t length = 0;
    const LONG status = EnumKey(key, index, name, length);
    if (status == ERROR_MORE_DATA) continue;  // skipped: the next names are read all the same
    if (status != ERROR_SUCCESS) break;        // the end of the list, or a real failure
    names.emplace_back(name.text, length);
  }
  return names;
}

// Opens `path` below `parent`, creating every missing key of it, in steps when
// it is long; `disposition` is that of the last key. The keys on the way are
// asked only for the right to create below them.
LONG CreatePath(KeyHandle& key, HKEY parent, std::string_view path, DWORD& disposition,
                REGSAM access = 0) {
  path = WithoutTrailingBackslash(path);
  const std::size_t cut = CutPoint(path);
  if (cut == std::string_view::npos) return key.Create(parent, std::string(path), disposition, access);
  KeyHandle above;
  DWORD aboveDisposition = 0;
  const LONG status = CreatePath(above, parent, path.substr(0, cut), aboveDisposition, KEY_CREATE_SUB_KEY);
  if (status != ERROR_SUCCESS) return status;
  return CreatePath(key, above.get(), path.substr(cut + 1), disposition, access);
}

// Deletes `path` below `parent`; a long one through the key above it.
template <class Char>
LONG DeletePath(HKEY parent, std::basic_string_view<Char> path) {
  path = WithoutTrailingBackslash(path);
  const std::size_t slash = path.rfind(Char('\\'));
  if (path.size() <= kMaxAnsiPathLength || slash == std::basic_string_view<Char>::npos)
    return DeleteKey(parent, std::basic_string<Char>(path).c_str());
  KeyHandle above;
  const LONG status = OpenPath(above, parent, path.substr(0, slash), 0);
  if (status != ERROR_SUCCESS) return status;
  return DeleteKey(above.get(), std::basic_string<Char>(path.substr(slash + 1)).c_str());
}

KeyDeletion DeletionOf(LONG status) {
  switch (status) {
    case ERROR_SUCCESS: return KeyDeletion::Deleted;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return KeyDeletion::Missing;
    default: return KeyDeletion::Refused;
  }
}

// RegQueryValueEx in the shape the query loop takes.
template <class Char>
LONG QueryValue(HKEY key, const Char* name, std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) {
  DWORD t = type, s = size;
  const LONG status = QueryValueEx(key, name, &t, data, &s);
  type = t;
  size = s;
  return status;
}

}  // namespace

int OpenRegistryHandleCount() { return g_openHandles; }

bool CreateRegistryKey(HKEY hKey, const std::string& KeyName) {
  KeyHandle key;
  DWORD disposition = 0;
  if (CreatePath(key, hKey, KeyName, disposition) != ERROR_SUCCESS)
    throw AppError(kRegistryErrorNumber, kUnableToCreateKey);
  return disposition == REG_OPENED_EXISTING_KEY;
}

RegistryVariant GetRegistryValue(HKEY hKey, const std::string& KeyName, const std::string& ValueName,
                                 const std::optional<RegistryVariant>& DefaultValue) {
  KeyHandle key;
  if (OpenPath(key, hKey, KeyName, KEY_READ) != ERROR_SUCCESS) return DefaultValue.value_or(RegistryVariant());
  return QueryRegistryValue([&](std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) -> long {
    return QueryValue(key.get(), ValueName.c_str(), type, data, size);
  });
}

namespace {

RegistryVariant ReadWideValue(const KeyHandle& key, const std::wstring& ValueName) {
  return QueryRegistryValue(
      [&](std::uint32_t& type, std::uint8_t* data, std::uint32_t& size) -> long {
        return QueryValue(key.get(), ValueName.c_str(), type, data, size);
      },
      TextUnits::Utf16);
}

}  // namespace

RegistryVariant GetRegistryValue(HKEY hKey, const std::wstring& KeyName, const std::wstring& ValueName) {
  return GetRegistryValues(hKey, KeyName, {ValueName}).front();
}

std::vector<RegistryVariant> GetRegistryValues(HKEY hKey, const std::wstring& KeyName,
                                               const std::vector<std::wstring>& ValueNames) {
  std::vector<RegistryVariant> values(ValueNames.size());
  KeyHandle key;
  if (OpenPath(key, hKey, KeyName, KEY_READ) != ERROR_SUCCESS) return values;
  for (std::size_t i = 0; i < ValueNames.size(); ++i) values[i] = ReadWideValue(key, ValueNames[i]);
  return values;
}

namespace {

// Opens the key for writing its values, creating it (and every missing key
// above it) when needed: one call where the registry allows it. Wine's
// RegCreateKeyEx makes a missing path one key at a time and asks every key on
// the way for the rights asked of the last one (seen with Wine 8 under
// WINEDEBUG=+reg: each step asks 0x20006), so below a key that may only be
// read the call fails although the new key could be made and written. Such a
// key is then made with no rights and opened for writing. `disposition` is 0
// when the key could not be made at all.
LONG OpenForWriting(KeyHandle& key, HKEY hKey, const std::string& KeyName, DWORD& disposition) {
  if (CreatePath(key, hKey, KeyName, disposition, KEY_WRITE) == ERROR_SUCCESS) return ERROR_SUCCESS;
  disposition = 0;
  const LONG created = CreatePath(key, hKey, KeyName, disposition);
  if (created != ERROR_SUCCESS) {
    disposition = 0;
    return created;
  }
  key.Close();
  return OpenPath(key, hKey, KeyName, KEY_WRITE);
}

bool SetValue(HKEY key, const std::string& name, const EncodedValue& encoded) {
  return RegSetValueExA(key, name.c_str(), 0, encoded.type, encoded.bytes.data(),
                        static_cast<DWORD>(encoded.bytes.size())) == ERROR_SUCCESS;
}

EncodedValue Encoded(const RegistryVariant& value) {
  std::optional<EncodedValue> encoded = EncodeRegistryValue(value);
  if (!encoded) throw AppError(kRegistryErrorNumber, kUnsupportedValueType);
  return std::move(*encoded);
}

}  // namespace

bool SetRegistryValue(HKEY hKey, const std::string& KeyName, const std::string& ValueName,
                      const RegistryVariant& value) {
  KeyHandle key;
  DWORD disposition = 0;
  if (OpenForWriting(key, hKey, KeyName, disposition) != ERROR_SUCCESS) return false;
  return SetValue(key.get(), ValueName, Encoded(value));
}

KeyValuesWrite SetRegistryValues(HKEY hKey, const std::string& KeyName, const std::vector<NamedValue>& values) {
  std::vector<EncodedValue> encoded;
  encoded.reserve(values.size());
  for (const NamedValue& value : values) encoded.push_back(Encoded(value.value));

  KeyValuesWrite result;
  result.written.assign(values.size(), false);
  KeyHandle key;
  DWORD disposition = 0;
  const LONG opened = OpenForWriting(key, hKey, KeyName, disposition);
  if (disposition == 0) throw AppError(kRegistryErrorNumber, kUnableToCreateKey);
  result.existed = disposition == REG_OPENED_EXISTING_KEY;
  if (opened != ERROR_SUCCESS) return result;  // a key that refuses writing refuses every value
  for (std::size_t i = 0; i < values.size(); ++i) result.written[i] = SetValue(key.get(), values[i].name, encoded[i]);
  return result;
}

std::vector<std::string> EnumRegistryKeys(HKEY hKey, const std::string& KeyName) {
  return SubKeyNames(hKey, KeyName);
}

std::vector<std::wstring> EnumRegistryKeys(HKEY hKey, const std::wstring& KeyName) {
  return SubKeyNames(hKey, KeyName);
}

KeyDeletion DeleteRegistryKey(HKEY hKey, const std::string& KeyName) {
  return DeletionOf(DeletePath(hKey, std::string_view(KeyName)));
}

KeyDeletion DeleteRegistryKey(HKEY hKey, const std::wstring& KeyName) {
  return DeletionOf(DeletePath(hKey, std::wstring_view(KeyName)));
}

bool RegistryKeyReadable(HKEY hKey, const std::string& KeyName) {
  KeyHandle key;
  return OpenPath(key, hKey, KeyName, KEY_READ) == ERROR_SUCCESS;
}

bool RegistryKeyReadable(HKEY hKey, const std::wstring& KeyName) {
  KeyHandle key;
  return OpenPath(key, hKey, KeyName, KEY_READ) == ERROR_SUCCESS;
}

bool DeleteRegistryValue(HKEY hKey, const std::string& KeyName, const std::string& ValueName) {
  KeyHandle key;
  const LONG opened = OpenPath(key, hKey, KeyName, KEY_WRITE);
  if (opened == ERROR_FILE_NOT_FOUND || opened == ERROR_PATH_NOT_FOUND) return true;
  if (opened == ERROR_ACCESS_DENIED) {
    // A key that may be read but not changed: the value is gone only if it never was there.
    if (OpenPath(key, hKey, KeyName, KEY_QUERY_VALUE) != ERROR_SUCCESS) return false;
    return RegQueryValueExA(key.get(), ValueName.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_FILE_NOT_FOUND;
  }
  if (opened != ERROR_SUCCESS) return false;
  const LONG status = RegDeleteValueA(key.get(), ValueName.c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace qb
