#pragma once
// What the figures of the benchmark work on: the sizes of the run, its account
// keys and preset files, and a real MainForm whose message boxes, help, fatal
// errors and end are recorded instead of shown.
#include <windows.h>

#include <memory>
#include <string>

#include "app/main_form.h"
#include "tests/support/recording_services.h"

namespace qbbench {

constexpr int kPresetCount = 32767;
constexpr int kStartupAccounts = 10000;
constexpr int kOverflowAccounts = 40000;
constexpr int kDefaultIndex = 500;  // present at every size
constexpr int kAdds = 200;
constexpr int kUserStartupAccounts = 5000;

// ---------------------------------------------------------------- test data

// The address of the i-th account of the run, and the name of its key.
std::string AddressOf(int i);
std::string KeyOf(int i);

// A providers.lst of `count` presets. With `settings`, every second preset has
// a settings field as well.
std::string PresetFile(int count, bool settings = false);

// The account keys of the run, made with the raw API: one RegCreateKeyExA,
// one RegSetValueExA and one RegCloseKey each, below one open accounts root.
// They are volatile: nothing of them reaches the registry files of the prefix,
// whatever happens to the run, and the periodic registry save of the Wine
// server has nothing large to write in the middle of a measurement.
class AccountKeys {
 public:
  AccountKeys();
  ~AccountKeys() { RegCloseKey(root_); }
  AccountKeys(const AccountKeys&) = delete;
  AccountKeys& operator=(const AccountKeys&) = delete;

  // Seconds taken to add the keys up to `count`.
  double GrowTo(int count);
  // A key that the list must skip: no address value, or an empty one.
  void MakeUnlisted(const std::string& key, bool emptyAddress) { Make(key, "", emptyAddress); }
  // One account key, with its address value when withValue.
  void Make(const std::string& key, const std::string& address, bool withValue);

 private:
  HKEY root_ = nullptr;
  int count_ = 0;
};

// ---------------------------------------------------------------- the real window

class BenchForm : public qbtest::RecordingServices {
 public:
  BenchForm();

  // Startup(), failing the run on an error.
  void Start();
  void CheckNoError(const std::string& during) const;

  qb::MainForm& form() { return *form_; }
  HWND lista() const { return form_->control(qb::kLista); }
  int Rows() const;
  std::wstring Row(int i) const;

 private:
  std::unique_ptr<qb::MainForm> form_;
};

}  // namespace qbbench
