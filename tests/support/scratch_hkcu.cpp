#include "tests/support/scratch_hkcu.h"

#include <cstdio>
#include <utility>

#include "tests/support/registry_helpers.h"

namespace qbtest {

namespace {

bool ProcessRuns(unsigned long id) {
  return qb::ObjectHandle(OpenProcess(SYNCHRONIZE, FALSE, id)).valid();
}

void DeleteIfEmpty(const std::string& key) {
  DWORD subkeys = 0;
  {
    ScopedKey k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS) return;
    RegQueryInfoKeyA(k.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
  }  // closed before the delete
  if (subkeys == 0) RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
}

}  // namespace

ScratchHkcu::ScratchHkcu(const std::string& parent, const std::vector<std::string>& leaves)
    : parent_(parent),
      path_(parent + "\\run-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount())),
      leaves_(leaves) {
  // Lasting keys: the code under test creates lasting account keys, which a
  // volatile parent would refuse.
  for (const std::string& leaf : leaves_) {
    const std::string key = leaf.empty() ? path_ : path_ + "\\" + leaf;
    qb::RegistryKeyHandle h;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, h.put(), nullptr) !=
        ERROR_SUCCESS)
      break;
    keys_.push_back(std::move(h));
  }
  ok_ = !leaves_.empty() && keys_.size() == leaves_.size() && Use(leaves_.front());
  if (!ok_) Remove();
}

bool ScratchHkcu::Use(const std::string& leaf) {
  for (std::size_t i = 0; i < keys_.size(); ++i)
    if (leaves_[i] == leaf) return RegOverridePredefKey(HKEY_CURRENT_USER, keys_[i].get()) == ERROR_SUCCESS;
  return false;
}

void ScratchHkcu::Remove() {
  if (path_.empty()) return;
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  keys_.clear();  // closed before the keys go
  DeleteTree(HKEY_CURRENT_USER, path_);
  DeleteIfEmpty(parent_);
  path_.clear();
}

void RemoveLeftoverRuns(const std::string& parent) {
  for (const std::string& name : SubKeys(parent)) {
    unsigned long id = 0;
    if (std::sscanf(name.c_str(), "run-%lu-", &id) == 1 && !ProcessRuns(id))
      DeleteTree(HKEY_CURRENT_USER, parent + "\\" + name);
  }
}

}  // namespace qbtest
