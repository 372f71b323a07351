#pragma once
// HKEY_CURRENT_USER redirected (RegOverridePredefKey) to scratch keys of the
// real per-user registry, so that no test or benchmark reads or changes the
// accounts of whoever runs it. The keys are
//   <parent>\run-<process id>-<tick>[\<leaf>]
// and are deleted, with the parent once it is empty, when the object goes.
#include <windows.h>

#include <string>
#include <vector>

#include "core/handles.h"

namespace qbtest {

class ScratchHkcu {
 public:
  // Makes one scratch key for each leaf ("" names the run's own key) and points
  // HKEY_CURRENT_USER at the first. When that fails nothing is left behind and
  // ok() is false: the caller must then stop before it touches the registry.
  ScratchHkcu(const std::string& parent, const std::vector<std::string>& leaves);
  ~ScratchHkcu() { Remove(); }
  ScratchHkcu(const ScratchHkcu&) = delete;
  ScratchHkcu& operator=(const ScratchHkcu&) = delete;

  bool ok() const { return ok_; }
  // Points HKEY_CURRENT_USER at the scratch key of this leaf.
  bool Use(const std::string& leaf);
  // Lifts the redirection and deletes the scratch keys; safe to call twice.
  void Remove();

 private:
  std::string parent_;
  std::string path_;
  std::vector<std::string> leaves_;
  std::vector<qb::RegistryKeyHandle> keys_;
  bool ok_ = false;
};

// Deletes the scratch keys below `parent` whose process no longer runs: those
// of a run that was killed before it could clean up.
void RemoveLeftoverRuns(const std::string& parent);

}  // namespace qbtest
