// The line rules of providers.lst. Lines are cut out of the file's text as views
// and split in place; the only allocations are those of the entries' strings.
#include "catalogue/provider_catalogue.h"

#include <algorithm>
#include <cstring>

namespace qb {
namespace {

constexpr std::size_t kFieldCount = 5;

// Only the space character is stripped; tabs and every other byte stay.
std::string_view StripSpaces(std::string_view line) {
  std::size_t first = 0;
  std::size_t last = line.size();
  while (first < last && line[first] == ' ') ++first;
  while (last > first && line[last - 1] == ' ') --last;
  return line.substr(first, last - first);
}

// Classifies a line and, for a data line, cuts its first five fields out of it.
ProviderLineKind SplitLine(std::string_view line, std::string_view (&fields)[kFieldCount]) {
  const std::string_view stripped = StripSpaces(line);
  if (!stripped.empty() && stripped.front() == '#') return ProviderLineKind::Comment;

  const char* p = stripped.data();
  const char* const end = p + stripped.size();
  for (std::size_t i = 0; i < kFieldCount; ++i) {
    // The fifth field ends at the next ";" as well: whatever follows it is
    // further fields, which are ignored.
    const void* sep = (p == end) ? nullptr : std::memchr(p, ';', static_cast<std::size_t>(end - p));
    const char* fieldEnd = sep ? static_cast<const char*>(sep) : end;
    fields[i] = std::string_view(p, static_cast<std::size_t>(fieldEnd - p));
    if (!sep) {
      // No separator left: this was the last field of the line.
      return i + 1 == kFieldCount ? ProviderLineKind::Data : ProviderLineKind::Malformed;
    }
    p = fieldEnd + 1;
  }
  return ProviderLineKind::Data;
}

// The first `c` in [from, to), or `to` when there is none.
const char* Find(const char* from, const char* to, char c) {
  if (from == to) return to;
  const void* hit = std::memchr(from, c, static_cast<std::size_t>(to - from));
  return hit ? static_cast<const char*>(hit) : to;
}

void Assign(ProviderEntry& entry, const std::string_view (&fields)[kFieldCount]) {
  entry.name.assign(fields[0]);
  entry.domain.assign(fields[1]);
  entry.smtpServer.assign(fields[2]);
  entry.incomingServer.assign(fields[3]);
  entry.incomingProtocol.assign(fields[4]);
}

}  // namespace

ProviderLineKind ParseProviderLine(std::string_view line, ProviderEntry& entry) {
  std::string_view fields[kFieldCount];
  const ProviderLineKind kind = SplitLine(line, fields);
  if (kind == ProviderLineKind::Data) Assign(entry, fields);
  return kind;
}

void ParseProviderText(std::string_view text, ProviderCatalogue& catalogue) {
  const char* p = text.data();
  const char* const end = p + text.size();
  if (p == end || catalogue.size() >= kMaxProviderEntries) return;

  // Room for one entry per line break (and the last line), up to the limit,
  // so that the catalogue does not move its entries while it grows.
  std::size_t lines = static_cast<std::size_t>(std::count(p, end, '\n'));
  if (lines == 0) lines = static_cast<std::size_t>(std::count(p, end, '\r'));
  catalogue.reserve(catalogue.size() + std::min(lines + 1, kMaxProviderEntries - catalogue.size()));

  std::string_view fields[kFieldCount];
  // A line ends at CR LF, at LF or at a lone CR. Text after the last line
  // break is a line of its own; a break at the very end adds no empty line.
  // The next LF is remembered across lines so that a file broken by lone CRs
  // is not searched to its end once per line.
  const char* nextLf = Find(p, end, '\n');
  while (p < end && catalogue.size() < kMaxProviderEntries) {
    if (nextLf < p) nextLf = Find(p, end, '\n');
    const char* lineEnd = Find(p, nextLf, '\r');

    if (SplitLine(std::string_view(p, static_cast<std::size_t>(lineEnd - p)), fields) ==
        ProviderLineKind::Data) {
      Assign(catalogue.emplace_back(), fields);
    }

    p = lineEnd;
    if (p == end) break;
    if (*p == '\r' && p + 1 < end && p[1] == '\n') ++p;
    ++p;
  }
}

}  // namespace qb
