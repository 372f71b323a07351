#pragma once
// Tens of thousands of account keys in one registry call. One key at a time
// they cost three calls each to make and two to delete, and every call is a
// round trip to Wine's registry server: with 33,000 keys those 165,000 trips
// were half of the longest app test, and their time followed whatever else the
// machine was running. Here the keys are written to a file in Wine's registry
// text format and loaded as a hive below HKEY_USERS (RegLoadKeyW, one call);
// HKEY_CURRENT_USER points at that hive while the object lives, and the hive
// goes with RegUnLoadKeyW, one call again.
//
// Where the load is refused (Windows reads only its binary hives), the keys
// are made one at a time in the scratch HKEY_CURRENT_USER instead, which the
// fixtures clear as usual.
#include <windows.h>

#include <string>

#include "tests/support/registry_helpers.h"
#include "tests/support/temp_folder.h"

namespace qbtest {

class BulkHkcu {
 public:
  // Keys below `parent` (a path under HKEY_CURRENT_USER), each with the REG_SZ
  // `value` set to its text, or without it for nullopt; names and texts in
  // printable ASCII.
  BulkHkcu(const std::string& parent, const std::string& value, const KeyTexts& keys);
  ~BulkHkcu();  // HKEY_CURRENT_USER back to the key it was, the hive unloaded
  BulkHkcu(const BulkHkcu&) = delete;
  BulkHkcu& operator=(const BulkHkcu&) = delete;

  // True when the keys came as one hive, false when they were made one by one.
  bool loaded() const { return loaded_; }

 private:
  bool Load(const std::string& parent, const std::string& value, const KeyTexts& keys);

  TempFolder folder_{"hive"};
  std::wstring hiveName_;
  ScopedKey previous_;  // what HKEY_CURRENT_USER pointed at before
  bool loaded_ = false;
};

}  // namespace qbtest
