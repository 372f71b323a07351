#include "app/preset_problems.h"

#include <algorithm>

#include "app/field_checks.h"
#include "app/text_convert.h"
#include "app/texts.h"

namespace qb {

namespace {

std::wstring PresetProblemText(const ProviderProblem& problem) {
  const std::wstring line = std::to_wstring(problem.line);
  const std::wstring word = texts::ShownInMessage(WideFromUtf8(problem.text));
  switch (problem.kind) {
    case ProviderProblem::Kind::BadSetting:
      return texts::FormatText(texts::kPresetBadSetting, {line, word});
    case ProviderProblem::Kind::UnknownProtocol:
      return texts::FormatText(texts::kPresetUnknownProtocol, {line, word});
    case ProviderProblem::Kind::NulByte:
      return texts::FormatText(texts::kPresetNulByte, {line});
    case ProviderProblem::Kind::MissingServer:
      return texts::FormatText(texts::kPresetMissingServer, {line});
    case ProviderProblem::Kind::UnreadableEncoding:
      return texts::kPresetUnreadableEncoding;
    case ProviderProblem::Kind::ConflictingSetting:
      return texts::FormatText(texts::kPresetConflictingSetting, {line, word});
  }
  return texts::FormatText(texts::kPresetOtherProblem, {line});
}

}  // namespace

std::vector<PresetNotice> UnusablePresets(const ProviderCatalogue& catalogue) {
  std::vector<PresetNotice> notices;
  for (std::size_t i = 0; i < catalogue.size(); ++i) {
    const std::size_t line = catalogue.lineNumber(i);
    for (const std::wstring& fault : PresetFaults(catalogue.lockedFields(i)))
      notices.push_back({line, texts::FormatText(texts::kPresetCannotWork, {std::to_wstring(line), fault})});
  }
  return notices;
}

std::wstring PresetProblemsMessage(const std::vector<ProviderProblem>& problems,
                                   const std::vector<PresetNotice>& notices) {
  if (problems.empty() && notices.empty()) return {};
  std::vector<PresetNotice> all;
  all.reserve(problems.size() + notices.size());
  for (const ProviderProblem& problem : problems) all.push_back({problem.line, PresetProblemText(problem)});
  all.insert(all.end(), notices.begin(), notices.end());
  // Both come in line order; on one line the loader's come first.
  std::stable_sort(all.begin(), all.end(),
                   [](const PresetNotice& a, const PresetNotice& b) { return a.line < b.line; });
  std::wstring text = texts::kPresetProblems;
  const std::size_t listed = std::min(all.size(), kMaxListedPresetProblems);
  for (std::size_t i = 0; i < listed; ++i) text += texts::FormatText(texts::kListItem, {all[i].text});
  if (all.size() > listed)
    text += texts::FormatText(texts::kPresetMoreProblems, {std::to_wstring(all.size() - listed)});
  return text;
}

}  // namespace qb
