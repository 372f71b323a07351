// The line rules of providers.lst. Lines are cut out of the file's text as views
// and split in place; the only allocations are those of the entries' strings.
#include "catalogue/provider_catalogue.h"

#include <algorithm>
#include <cstring>

namespace qb {
namespace {

// The five preset fields and the optional settings field.
constexpr std::size_t kFieldCount = 6;
constexpr std::size_t kRequiredFields = 5;

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
    // The sixth field ends at the next ";" as well: whatever follows it is
    // further fields, which are ignored.
    const void* sep = (p == end) ? nullptr : std::memchr(p, ';', static_cast<std::size_t>(end - p));
    const char* fieldEnd = sep ? static_cast<const char*>(sep) : end;
    fields[i] = std::string_view(p, static_cast<std::size_t>(fieldEnd - p));
    if (!sep) {
      // No separator left: this was the last field of the line.
      for (std::size_t j = i + 1; j < kFieldCount; ++j) fields[j] = std::string_view();
      return i + 1 >= kRequiredFields ? ProviderLineKind::Data : ProviderLineKind::Malformed;
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

bool IsKnownProtocol(std::string_view protocol) {
  if (protocol.size() != 4) return false;
  char upper[4];
  for (std::size_t i = 0; i < 4; ++i) {
    const char c = protocol[i];
    upper[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  const std::string_view u(upper, 4);
  return u == "POP3" || u == "IMAP";
}

void Assign(ProviderEntry& entry, const std::string_view (&fields)[kFieldCount],
            std::vector<ProviderProblem>* problems, std::size_t lineNumber) {
  entry.name.assign(fields[0]);
  entry.domain.assign(fields[1]);
  entry.smtpServer.assign(fields[2]);
  entry.incomingServer.assign(fields[3]);
  entry.incomingProtocol.assign(fields[4]);
  entry.settings = ParseProviderSettings(fields[5], problems, lineNumber);
  if (problems && !IsKnownProtocol(fields[4]))
    problems->push_back({ProviderProblem::Kind::UnknownProtocol, lineNumber, std::string(fields[4])});
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char c = a[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != b[i]) return false;
  }
  return true;
}

// "1".."65535" in decimal digits only; 0 for anything else.
std::uint16_t ParsePort(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return 0;
  std::uint32_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return value <= 65535 ? static_cast<std::uint16_t>(value) : 0;
}

}  // namespace

ProviderSettings ParseProviderSettings(std::string_view field, std::vector<ProviderProblem>* problems,
                                       std::size_t lineNumber) {
  ProviderSettings settings;
  std::size_t p = 0;
  while (p < field.size()) {
    if (field[p] == ' ') {
      ++p;
      continue;
    }
    std::size_t end = field.find(' ', p);
    if (end == std::string_view::npos) end = field.size();
    const std::string_view word = field.substr(p, end - p);
    p = end;

    const std::size_t eq = word.find('=');
    const std::string_view key = word.substr(0, eq);
    const std::string_view value = eq == std::string_view::npos ? std::string_view() : word.substr(eq + 1);
    bool bad = false;
    if (EqualsIgnoringCase(key, "ssl") || EqualsIgnoringCase(key, "auth")) {
      bad = eq != std::string_view::npos;  // "ssl=1" is not a word these settings know
      if (!bad) (key.size() == 3 ? settings.ssl : settings.auth) = true;
    } else if (EqualsIgnoringCase(key, "in") || EqualsIgnoringCase(key, "out")) {
      const std::uint16_t port = eq == std::string_view::npos ? 0 : ParsePort(value);
      bad = port == 0;
      if (!bad) (key.size() == 2 ? settings.incomingPort : settings.outgoingPort) = port;
    } else if (EqualsIgnoringCase(key, "login")) {
      bad = !EqualsIgnoringCase(value, "address");
      if (!bad) settings.loginAddress = true;
    } else {
      continue;  // a word these settings do not know: free text
    }
    if (bad && problems) problems->push_back({ProviderProblem::Kind::BadSetting, lineNumber, std::string(word)});
  }
  return settings;
}

ProviderLineKind ParseProviderLine(std::string_view line, ProviderEntry& entry,
                                   std::vector<ProviderProblem>* problems, std::size_t lineNumber) {
  std::string_view fields[kFieldCount];
  const ProviderLineKind kind = SplitLine(line, fields);
  if (kind == ProviderLineKind::Data) Assign(entry, fields, problems, lineNumber);
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
  catalogue.Reserve(catalogue.size() + std::min(lines + 1, kMaxProviderEntries - catalogue.size()));

  std::string_view fields[kFieldCount];
  // A line ends at CR LF, at LF or at a lone CR. Text after the last line
  // break is a line of its own; a break at the very end adds no empty line.
  // The next LF is remembered across lines so that a file broken by lone CRs
  // is not searched to its end once per line.
  const char* nextLf = Find(p, end, '\n');
  std::vector<ProviderProblem> problems;
  std::size_t lineNumber = 0;
  while (p < end && catalogue.size() < kMaxProviderEntries) {
    ++lineNumber;
    if (nextLf < p) nextLf = Find(p, end, '\n');
    const char* lineEnd = Find(p, nextLf, '\r');

    if (SplitLine(std::string_view(p, static_cast<std::size_t>(lineEnd - p)), fields) ==
        ProviderLineKind::Data) {
      ProviderEntry entry;
      Assign(entry, fields, &problems, lineNumber);
      catalogue.Append(std::move(entry));
    }

    p = lineEnd;
    if (p == end) break;
    if (*p == '\r' && p + 1 < end && p[1] == '\n') ++p;
    ++p;
  }
  for (ProviderProblem& problem : problems) catalogue.AddProblem(std::move(problem));
}

}  // namespace qb
