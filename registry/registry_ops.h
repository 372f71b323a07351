#pragma once
// The program's only road to the Windows registry. Every operation opens what it
// needs and closes every handle it opened before it returns; none keeps state.
// A KeyName may be longer than the 260 characters an ANSI call takes in one
// piece: such a path is opened in steps (registry_ops.cpp says why).
//
// Two widths of names. The std::string forms use the ANSI calls, in which a
// letter the code page lacks becomes "?" or a look-alike; they write, and read
// what this program wrote. The std::wstring forms (reading, enumerating,
// deleting) use the wide calls and reach every key by its real name, the way
// another program may have named it; their texts come back as wide text.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "registry/registry_variant.h"

namespace qb {

inline constexpr long kRegistryErrorNumber = 1001;
inline constexpr char kUnableToCreateKey[] = "Unable to create the registry key";
inline constexpr char kUnsupportedValueType[] = "Unsupported value type";

// Makes sure the key (and every missing key above it) exists. True when it was
// there already, false when this call created it. Raises AppError 1001 on refusal.
bool CreateRegistryKey(HKEY hKey, const std::string& KeyName);

// The stored value decoded by its type; DefaultValue (or empty) when the key cannot
// be opened; the empty text for an absent value or an undecoded type.
RegistryVariant GetRegistryValue(HKEY hKey, const std::string& KeyName, const std::string& ValueName,
                                 const std::optional<RegistryVariant>& DefaultValue = std::nullopt);

// Writes the value, creating the key when needed. True when the write was accepted.
// Raises AppError 1001 "Unsupported value type" for a kind it cannot store.
bool SetRegistryValue(HKEY hKey, const std::string& KeyName, const std::string& ValueName,
                      const RegistryVariant& value);

// One value to write: its name and its content.
struct NamedValue {
  std::string name;
  RegistryVariant value;
};

struct KeyValuesWrite {
  bool existed = false;       // the key was there before the call
  std::vector<bool> written;  // per value, in the order given: the registry took it
};

// Writes the values into one key, creating it when needed, through one handle.
// Unlike the other operations, which each do one thing to one path, this one
// does many: an account's values are written together, and opening the key for
// each would cost three calls a value instead of one. A key that exists (or is
// made) but refuses writing refuses every value; a key that can be neither
// opened nor made raises AppError 1001, as CreateRegistryKey. A kind of value
// it cannot store raises AppError 1001 "Unsupported value type" before any write.
KeyValuesWrite SetRegistryValues(HKEY hKey, const std::string& KeyName, const std::vector<NamedValue>& values);

// The names of the direct sub-keys, in enumeration order; empty KeyName enumerates hKey.
// A name whose ANSI form does not fit 260 bytes (possible in a double-byte code
// page) is left out: no ANSI call could reach that key anyway.
std::vector<std::string> EnumRegistryKeys(HKEY hKey, const std::string& KeyName);

enum class KeyDeletion {
  Deleted,
  Missing,  // there was no such key (or no key above it)
  Refused,  // the key stays: it has sub-keys, or the registry denied the deletion
};

// Deletes the key, which must have no sub-keys: the deletion never recurses.
KeyDeletion DeleteRegistryKey(HKEY hKey, const std::string& KeyName);

// How many key handles the operations above hold open right now. Between two
// calls it is always 0; the tests check that after every path, errors included.
int OpenRegistryHandleCount();

// Whether the key exists and may be read (what GetRegistryValue opens it for).
bool RegistryKeyReadable(HKEY hKey, const std::string& KeyName);

// The wide forms. Each behaves as its ANSI namesake above, with these differences:
//
// GetRegistryValue: a text value (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) reads as
// WideText with all its letters; an absent value or an undecoded type as the
// empty WideText; a key that cannot be opened as empty. The same query loop as
// the ANSI read: one query when the value fits into 1024 bytes, at most
// 1 + kMaxValueRequeries when it keeps growing. Numbers and bytes as there.
RegistryVariant GetRegistryValue(HKEY hKey, const std::wstring& KeyName, const std::wstring& ValueName);
// Several values of one key, read as GetRegistryValue reads each, through one
// open of the key; in the order of the names.
std::vector<RegistryVariant> GetRegistryValues(HKEY hKey, const std::wstring& KeyName,
                                               const std::vector<std::wstring>& ValueNames);

// EnumRegistryKeys: every direct sub-key's name with all its letters (RegEnumKeyExW).
std::vector<std::wstring> EnumRegistryKeys(HKEY hKey, const std::wstring& KeyName);

// DeleteRegistryKey: deletes exactly the key of that name (RegDeleteKeyW).
KeyDeletion DeleteRegistryKey(HKEY hKey, const std::wstring& KeyName);

// RegistryKeyReadable: by the key's wide name.
bool RegistryKeyReadable(HKEY hKey, const std::wstring& KeyName);

// Deletes one value of the key. True when the key holds no such value afterwards:
// deleted now, never there, or no such key; false when the registry refused.
bool DeleteRegistryValue(HKEY hKey, const std::string& KeyName, const std::string& ValueName);

}  // namespace qb
