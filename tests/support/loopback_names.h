#pragma once
// Name resolution for tests of the mail-server check: only the names a test
// maps, and only to loopback addresses, so that no check started by a test can
// ever reach a server beyond this machine.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "mailcheck/server_check.h"

namespace qbtest {

// Host name -> the addresses it resolves to, as numeric text ("127.0.0.1", "::1"), in order.
using LoopbackNames = std::map<std::wstring, std::vector<std::string>>;

// A resolver over the names the map holds when it runs (the map is shared, so
// a test may fill it after the resolver was handed out). A name not in the
// map does not resolve; an address that is not loopback is left out.
qb::mailcheck::NameResolver LoopbackResolver(std::shared_ptr<const LoopbackNames> names);

}  // namespace qbtest
