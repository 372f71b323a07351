#pragma once
// Plain registry helpers for the tests and the benchmark: they set up and look
// at keys below HKEY_CURRENT_USER (the scratch key of the run, see
// scratch_hkcu.h) by calling the registry API directly, independently of the
// code under test.
#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/handles.h"

namespace qbtest {

// An open key handle, closed when it goes.
using ScopedKey = qb::RegistryKeyHandle;

// Removes every key and value below the scratch HKEY_CURRENT_USER.
void ClearScratchHkcu();

// Deletes a key with all its sub-keys (below any root, not only the scratch one).
void DeleteTree(HKEY root, const std::string& key);

struct RawValue {
  bool exists = false;
  DWORD type = 0;
  std::vector<std::uint8_t> bytes;
};

RawValue ReadRaw(const std::string& key, const std::string& value);
void WriteRaw(const std::string& key, const std::string& value, DWORD type, const std::vector<std::uint8_t>& bytes);
void WriteText(const std::string& key, const std::string& value, const std::string& text);  // REG_SZ, zero added
bool KeyExists(const std::string& key);
void CreateKey(const std::string& key);
void CreateVolatileKey(const std::string& key);  // lives until the registry is unloaded
// Tens of thousands of volatile sub-keys of `parent` (made if missing, not
// volatile itself), each with the REG_SZ `value` set to its text, or without
// the value for nullopt: three calls a key below one open parent, where the
// helpers above open and close the key for every call.
using KeyTexts = std::vector<std::pair<std::string, std::optional<std::string>>>;
void CreateVolatileKeysWithText(const std::string& parent, const std::string& value, const KeyTexts& keys);
std::vector<std::string> SubKeys(const std::string& key);
std::vector<std::string> ValueNames(const std::string& key);  // in enumeration order
// Every value of a key, name -> (registry type, stored bytes): the whole key at once.
using KeyValues = std::map<std::string, std::pair<DWORD, std::vector<std::uint8_t>>>;
KeyValues AllValues(const std::string& key);
std::vector<std::uint8_t> Bytes(const std::string& s);         // the characters of s as bytes

// By wide names, for keys whose names the ANSI code page cannot hold (another
// program made them): a REG_SZ text written in UTF-16, the sub-keys' names.
void WriteText(const std::wstring& key, const std::wstring& value, const std::wstring& text);
std::vector<std::wstring> SubKeys(const std::wstring& key);

// How many handles of any kind this process holds open, as the system's
// handle table lists them: a key handle that code under test forgot to close
// counts here, whatever that code's own bookkeeping says.
std::size_t ProcessHandleCount();

// Sets a key's access list: only reading (and changing the list) allowed, or
// everything again. The registry then refuses writes and new sub-keys there.
void MakeKeyReadOnly(const std::string& key);
void MakeKeyWritable(const std::string& key);

}  // namespace qbtest
