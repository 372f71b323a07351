// libFuzzer target: the bytes are the whole text of a providers.lst.
//
// Checked for every input, besides the sanitizers' own checks:
//  - the catalogue never holds more than kMaxProviderEntries entries;
//  - no field holds ';', '\n' or '\r' (fields are cut at the separators and
//    lines at their breaks; fields past the fifth are dropped, not glued on);
//  - parsing the same text twice gives the same catalogue;
//  - the result equals a plain, obviously slow reading of the text: cut into
//    lines at CR LF, LF or a lone CR, each line given to ParseProviderLine,
//    whose result is in turn compared with a plain field split;
//  - parsing into a catalogue that already holds entries keeps them and
//    appends the same entries (up to the limit);
//  - for some short inputs, the text repeated past the limit keeps exactly
//    the first kMaxProviderEntries entries of the repetition.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/provider_catalogue.h"

namespace {

using qb::kMaxProviderEntries;
using qb::ProviderCatalogue;
using qb::ProviderEntry;
using qb::ProviderLineKind;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "provider_text: invariant broken: %s\n", what);
  std::abort();
}

void Require(bool ok, const char* what) {
  if (!ok) Fail(what);
}

bool CleanField(const std::string& s) {
  return s.find_first_of(";\r\n") == std::string::npos;
}

bool CleanEntry(const ProviderEntry& e) {
  return CleanField(e.name) && CleanField(e.domain) && CleanField(e.smtpServer) &&
         CleanField(e.incomingServer) && CleanField(e.incomingProtocol);
}

// The lines of a text, the slow way: a line ends at CR LF, at LF or at a lone
// CR; text after the last break is a line; a break at the very end adds none.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\n' || c == '\r') {
      lines.push_back(text.substr(start, i - start));
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
    ++i;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// One line, the slow way: strip spaces (only ' '), '#' first is a comment,
// otherwise split at every ';' and take fields 0 to 4 when there are five.
ProviderLineKind ReferenceLine(std::string_view line, ProviderEntry& entry) {
  while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
  while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
  if (!line.empty() && line.front() == '#') return ProviderLineKind::Comment;
  std::vector<std::string> fields(1);
  for (char c : line) {
    if (c == ';')
      fields.emplace_back();
    else
      fields.back() += c;
  }
  if (fields.size() < 5) return ProviderLineKind::Malformed;
  entry = ProviderEntry{fields[0], fields[1], fields[2], fields[3], fields[4]};
  return ProviderLineKind::Data;
}

ProviderCatalogue Parse(std::string_view text) {
  ProviderCatalogue c;
  qb::ParseProviderText(text, c);
  return c;
}

void CheckRepetitionPastTheLimit(std::string_view text, const ProviderCatalogue& once) {
  // One copy, ending in a line break so that copies do not run together.
  std::string unit(text);
  if (unit.empty() || (unit.back() != '\n' && unit.back() != '\r')) unit += '\n';
  const ProviderCatalogue perUnit = Parse(unit);
  Require(perUnit.size() == once.size(), "a closing line break changed the entries");
  if (perUnit.empty()) return;
  const std::size_t copies = kMaxProviderEntries / perUnit.size() + 2;
  std::string big;
  big.reserve(unit.size() * copies);
  for (std::size_t i = 0; i < copies; ++i) big += unit;
  const ProviderCatalogue c = Parse(big);
  Require(c.size() == kMaxProviderEntries, "a text past the limit does not give exactly the limit");
  for (std::size_t i = 0; i < c.size(); ++i) {
    if (!(c[i] == perUnit[i % perUnit.size()])) Fail("entries past a repetition differ");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const ProviderCatalogue first = Parse(text);
  Require(first.size() <= kMaxProviderEntries, "more entries than the limit");
  for (const ProviderEntry& e : first) Require(CleanEntry(e), "a field holds ';', CR or LF");

  const ProviderCatalogue second = Parse(text);
  Require(first == second, "two parses of the same text differ");

  // The slow reading, line by line.
  ProviderCatalogue expected;
  for (std::string_view line : Lines(text)) {
    if (expected.size() == kMaxProviderEntries) break;
    const ProviderEntry sentinel{"s0", "s1", "s2", "s3", "s4"};
    ProviderEntry got = sentinel;
    ProviderEntry want = sentinel;
    const ProviderLineKind kind = qb::ParseProviderLine(line, got);
    Require(kind == ReferenceLine(line, want), "ParseProviderLine classifies a line wrongly");
    Require(got == want, "ParseProviderLine gives other fields than a plain split");
    if (kind == ProviderLineKind::Data) expected.push_back(got);
  }
  Require(first == expected, "ParseProviderText differs from reading the lines one by one");

  // Appending to entries that are already there.
  const ProviderEntry old{"old", "d", "s", "i", "p"};
  const std::size_t before = 1 + size % 3;
  ProviderCatalogue appended(before, old);
  qb::ParseProviderText(text, appended);
  Require(appended.size() == std::min(before + first.size(), kMaxProviderEntries),
          "appending gives the wrong number of entries");
  for (std::size_t i = 0; i < appended.size(); ++i) {
    const ProviderEntry& want = i < before ? old : first[i - before];
    if (!(appended[i] == want)) Fail("appending changed or reordered entries");
  }

  // The limit, on a repetition of short texts (one input in 256, to keep the
  // fuzzer fast: each such check parses a text of 32,767 data lines or more).
  if (size <= 48 && !first.empty()) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < size; ++i) sum += data[i];
    if (sum % 256 == 0) CheckRepetitionPastTheLimit(text, first);
  }
  return 0;
}
