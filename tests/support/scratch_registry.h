#pragma once
// Test access to the scratch registry that stands in for HKEY_CURRENT_USER.
// These helpers call the registry API directly, independently of the code under test.
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qbtest {

// An open key handle, closed when it goes.
struct ScopedKey {
  HKEY h = nullptr;
  ScopedKey() = default;
  ~ScopedKey() {
    if (h) RegCloseKey(h);
  }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;
};

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
std::vector<std::string> SubKeys(const std::string& key);
std::vector<std::string> ValueNames(const std::string& key);  // in enumeration order
// Every value of a key, name -> (registry type, stored bytes): the whole key at once.
using KeyValues = std::map<std::string, std::pair<DWORD, std::vector<std::uint8_t>>>;
KeyValues AllValues(const std::string& key);
std::vector<std::uint8_t> Bytes(const std::string& s);         // the characters of s as bytes

// Sets a key's access list: only reading (and changing the list) allowed, or
// everything again. The registry then refuses writes and new sub-keys there.
void MakeKeyReadOnly(const std::string& key);
void MakeKeyWritable(const std::string& key);

}  // namespace qbtest
