#pragma once
// The words of a mail-server check: what its message box says, or nothing.
#include <optional>
#include <string>
#include <vector>

#include "mailcheck/server_check.h"

namespace qb {

enum class CheckOrigin {
  AfterAdd,  // silent when every server answers or no name resolves
  OnDemand,  // always says something
};

// The message for these results of the account of this address; nullopt when
// the check stays silent. `problems` is set when a server failed.
std::optional<std::wstring> CheckReportText(const std::wstring& address,
                                            const std::vector<mailcheck::ServerResult>& results, CheckOrigin origin,
                                            bool& problems);

}  // namespace qb
