#include "tests/support/registry_helpers.h"

#include <sddl.h>

#include <stdexcept>

namespace qbtest {

namespace {

enum class Listed { SubKeys, Values };

// The names of the sub-keys or of the values of an open key, in enumeration order.
std::vector<std::string> NamesIn(HKEY key, Listed what) {
  std::vector<std::string> out;
  std::string name(16384, '\0');  // the longest value name; key names are shorter
  for (DWORD i = 0;; ++i) {
    DWORD len = static_cast<DWORD>(name.size());
    const LONG status = what == Listed::SubKeys
                            ? RegEnumKeyExA(key, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr)
                            : RegEnumValueA(key, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) break;
    out.emplace_back(name.data(), len);
  }
  return out;
}

std::vector<std::string> NamesBelowHkcu(const std::string& key, Listed what) {
  ScopedKey k;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS) return {};
  return NamesIn(k.get(), what);
}

}  // namespace

void DeleteTree(HKEY root, const std::string& key) {
  ScopedKey k;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS) return;
  // All names first, then one delete each: two calls per leaf key, which
  // matters when a benchmark removes tens of thousands. A key that has
  // sub-keys of its own refuses the delete and is taken apart first.
  const std::vector<std::string> children = NamesIn(k.get(), Listed::SubKeys);
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    if (RegDeleteKeyA(k.get(), it->c_str()) != ERROR_SUCCESS) DeleteTree(k.get(), *it);
  }
  k.reset();  // closed before the key itself goes
  RegDeleteKeyA(root, key.c_str());
}

namespace {

std::vector<std::wstring> WideSubKeysOf(HKEY key) {
  std::vector<std::wstring> names;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD len = 256;
    if (RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, len);
  }
  return names;
}

// DeleteTree by wide names: a key named with letters the code page lacks is
// reached by no ANSI name ("OE-\u03A9mega" lists as "OE-Omega", which names no key).
void DeleteWideTree(HKEY root, const std::wstring& key) {
  ScopedKey k;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS) return;
  const std::vector<std::wstring> children = WideSubKeysOf(k.get());
  for (auto it = children.rbegin(); it != children.rend(); ++it)
    if (RegDeleteKeyW(k.get(), it->c_str()) != ERROR_SUCCESS) DeleteWideTree(k.get(), *it);
  k.reset();
  RegDeleteKeyW(root, key.c_str());
}

}  // namespace

void ClearScratchHkcu() {
  // Deleting sub-keys one by one keeps the scratch key itself, which the
  // predefined HKEY_CURRENT_USER handle points at.
  for (const auto& name : SubKeys(std::wstring())) DeleteWideTree(HKEY_CURRENT_USER, name);
  for (const auto& name : ValueNames("")) RegDeleteValueA(HKEY_CURRENT_USER, name.c_str());
}

RawValue ReadRaw(const std::string& key, const std::string& value) {
  RawValue out;
  ScopedKey k;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS) return out;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(k.get(), value.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return out;
  out.bytes.resize(size);
  if (RegQueryValueExA(k.get(), value.c_str(), nullptr, &type, out.bytes.data(), &size) != ERROR_SUCCESS) return out;
  out.bytes.resize(size);
  out.exists = true;
  out.type = type;
  return out;
}

void WriteRaw(const std::string& key, const std::string& value, DWORD type, const std::vector<std::uint8_t>& bytes) {
  ScopedKey k;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, k.put(), nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot create " + key);
  if (RegSetValueExA(k.get(), value.c_str(), 0, type, bytes.data(), static_cast<DWORD>(bytes.size())) != ERROR_SUCCESS)
    throw std::runtime_error("cannot write " + key + " / " + value);
}

void WriteText(const std::string& key, const std::string& value, const std::string& text) {
  auto bytes = Bytes(text);
  bytes.push_back(0);
  WriteRaw(key, value, REG_SZ, bytes);
}

bool KeyExists(const std::string& key) {
  ScopedKey k;
  return RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS;
}

void CreateKey(const std::string& key) {
  ScopedKey k;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_READ, nullptr, k.put(), nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot create " + key);
}

void CreateVolatileKey(const std::string& key) {
  ScopedKey k;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_READ, nullptr, k.put(),
                      nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot create volatile " + key);
}

void CreateVolatileKeysWithText(const std::string& parent, const std::string& value, const KeyTexts& keys) {
  ScopedKey root;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, parent.c_str(), 0, nullptr, 0, KEY_CREATE_SUB_KEY, nullptr, root.put(),
                      nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot create " + parent);
  for (const auto& [name, text] : keys) {
    ScopedKey k;
    if (RegCreateKeyExA(root.get(), name.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr, k.put(),
                        nullptr) != ERROR_SUCCESS)
      throw std::runtime_error("cannot create volatile " + parent + name);
    if (text && RegSetValueExA(k.get(), value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text->c_str()),
                               static_cast<DWORD>(text->size() + 1)) != ERROR_SUCCESS)
      throw std::runtime_error("cannot write " + parent + name + " / " + value);
  }
}

std::vector<std::string> SubKeys(const std::string& key) { return NamesBelowHkcu(key, Listed::SubKeys); }

std::vector<std::string> ValueNames(const std::string& key) { return NamesBelowHkcu(key, Listed::Values); }

KeyValues AllValues(const std::string& key) {
  KeyValues out;
  for (const std::string& name : ValueNames(key)) {
    const RawValue raw = ReadRaw(key, name);
    out[name] = {raw.type, raw.bytes};
  }
  return out;
}

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

void WriteText(const std::wstring& key, const std::wstring& value, const std::wstring& text) {
  ScopedKey k;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, k.put(), nullptr) !=
          ERROR_SUCCESS ||
      RegSetValueExW(k.get(), value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
    throw std::runtime_error("cannot write a text by wide names");
}

std::vector<std::wstring> SubKeys(const std::wstring& key) {
  ScopedKey k;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS) return {};
  return WideSubKeysOf(k.get());
}

namespace {

// One entry of the system's handle table (SystemHandleInformation); the owner
// is the process id, of which Windows fills the low 16 bits and Wine all 32.
struct HandleTableEntry {
  ULONG ownerProcess;
  UCHAR objectType;
  UCHAR flags;
  USHORT handle;
  PVOID object;
  ACCESS_MASK access;
};
struct HandleTable {
  ULONG count;
  HandleTableEntry entries[1];
};
constexpr ULONG kSystemHandleInformation = 16;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);

}  // namespace

// Not GetProcessHandleCount: under Wine 8 it answers 0 whatever is open.
std::size_t ProcessHandleCount() {
  using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  static const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) throw std::runtime_error("no NtQuerySystemInformation");
  std::vector<std::uint8_t> buffer(1 << 16);
  LONG status;
  ULONG needed = 0;
  while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
         kStatusInfoLengthMismatch)
    buffer.resize(buffer.size() * 2);
  if (status != 0) throw std::runtime_error("the handle table cannot be read");
  const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
  const ULONG self = GetCurrentProcessId();
  std::size_t count = 0;
  for (ULONG i = 0; i < table->count; ++i) {
    const ULONG owner = table->entries[i].ownerProcess;
    if (owner == self || (owner & 0xFFFF) == (self & 0xFFFF)) ++count;
  }
  return count;
}

namespace {
void SetKeyAccessList(const std::string& key, const char* sddl) {
  ScopedKey k;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, WRITE_DAC, k.put()) != ERROR_SUCCESS)
    throw std::runtime_error("cannot open for its access list: " + key);
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr))
    throw std::runtime_error("bad access list");
  const LONG status = RegSetKeySecurity(k.get(), DACL_SECURITY_INFORMATION, sd);
  LocalFree(sd);
  if (status != ERROR_SUCCESS) throw std::runtime_error("cannot set the access list of " + key);
}
}  // namespace

void MakeKeyReadOnly(const std::string& key) { SetKeyAccessList(key, "D:P(A;;KR;;;WD)(A;;WD;;;OW)"); }
void MakeKeyWritable(const std::string& key) { SetKeyAccessList(key, "D:P(A;;KA;;;WD)"); }

}  // namespace qbtest
