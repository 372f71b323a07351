#include "app/preset_problems.h"

#include <algorithm>

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
  }
  return texts::FormatText(texts::kPresetOtherProblem, {line});
}

}  // namespace

std::wstring PresetProblemsMessage(const std::vector<ProviderProblem>& problems) {
  if (problems.empty()) return {};
  std::wstring text = texts::kPresetProblems;
  const std::size_t listed = std::min(problems.size(), kMaxListedPresetProblems);
  for (std::size_t i = 0; i < listed; ++i)
    text += texts::FormatText(texts::kListItem, {PresetProblemText(problems[i])});
  if (problems.size() > listed)
    text += texts::FormatText(texts::kPresetMoreProblems, {std::to_wstring(problems.size() - listed)});
  return text;
}

}  // namespace qb
