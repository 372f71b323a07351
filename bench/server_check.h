#pragma once
// The server check's figures: "Verifica" on a POP3+SMTP account whose servers
// run on 127.0.0.1 (started around the run by tests/mailcheck/servers.py, see
// tools/bench.sh), plain and with TLS, against the bare code of
// check_baseline.h; and the longest time the window takes to answer a message
// while checks run.
#include <optional>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace qbbench {

// Needs HKEY_CURRENT_USER redirected (the accounts and the trusted test root go
// there) and no account keys of the run yet; leaves none behind. Returns why
// the figures were skipped, when the servers are not there.
std::optional<std::string> MeasureServerCheck(std::vector<Verdict>& verdicts);

}  // namespace qbbench
