#pragma once
// Figure 5: adding one POP3 account with qb::WriteAccount, against a bare add
// that writes the same nine values through one handle; and the registry calls
// of each.
#include "bench/bench_support.h"

namespace qbbench {

struct AddFigure {
  Summary product, bare;
  RegistryCallCounts newKey, newKeyDefault, sameKey, bareCalls;
};

// `adds` accounts of each, alternately, on the "full" scratch key.
AddFigure MeasureAdd(int adds);

// Section 5 of the report.
void PrintAddSection(const AddFigure& add);

}  // namespace qbbench
