// The line rules of providers.lst. A catalogue keeps the text it was read from
// and, per data line, where it starts: loading scans each line once, finds its
// separators eight bytes at a time and reads only the settings field, for its
// problems; an entry asked for is read again from its line by the same scan.
#include "catalogue/provider_catalogue.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>

namespace qb {
namespace {

static_assert(std::endian::native == std::endian::little, "the byte scan takes the first byte as the lowest");

// The five preset fields and the optional settings field.
constexpr std::size_t kFieldCount = 6;
constexpr std::size_t kRequiredFields = 5;

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// The high bit of every byte of `word` that equals `c`. Bits above the lowest
// one may be set for bytes that do not match (a borrow runs on), so only the
// lowest set bit is used.
constexpr std::uint64_t BytesEqualTo(std::uint64_t word, unsigned char c) {
  const std::uint64_t x = word ^ (kOnes * c);
  return (x - kOnes) & ~x & kHighBits;
}

bool IsMark(char c) { return c == ';' || c == '\0' || c == '\r' || c == '\n'; }

// The first ';', NUL, CR or LF in [p, end); `end` when there is none.
const char* NextMark(const char* p, const char* end) {
  while (end - p >= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    const std::uint64_t marks =
        BytesEqualTo(word, ';') | BytesEqualTo(word, 0) | BytesEqualTo(word, '\r') | BytesEqualTo(word, '\n');
    if (marks) return p + std::countr_zero(marks) / 8;
    p += 8;
  }
  while (p < end && !IsMark(*p)) ++p;
  return p;
}

// One line as the rules see it: its kind, where it ends, and its fields.
struct ScannedLine {
  ProviderLineKind kind = ProviderLineKind::Malformed;
  const char* end = nullptr;  // the line break, or the end of the text
  std::string_view fields[kFieldCount];
};

// Reads the line that starts at `p`. Only the whole line loses its outer
// spaces (never a tab): the leading ones before the first field, the trailing
// ones at the end of the last. The sixth field ends at the next ";" as well:
// whatever follows it is further fields, which are ignored.
ScannedLine ScanLine(const char* p, const char* const end) {
  ScannedLine line;
  while (p < end && *p == ' ') ++p;
  std::size_t count = 0;
  bool nul = false;
  const char* fieldStart = p;
  const bool comment = p < end && *p == '#';
  for (;;) {
    const char* mark = NextMark(p, end);
    if (mark == end || *mark == '\r' || *mark == '\n') {
      line.end = mark;
      const char* fieldEnd = mark;
      while (fieldEnd > fieldStart && fieldEnd[-1] == ' ') --fieldEnd;
      if (count < kFieldCount) line.fields[count] = std::string_view(fieldStart, static_cast<std::size_t>(fieldEnd - fieldStart));
      ++count;
      break;
    }
    p = mark + 1;
    if (*mark == '\0') {
      nul = true;
      continue;
    }
    if (count < kFieldCount) line.fields[count] = std::string_view(fieldStart, static_cast<std::size_t>(mark - fieldStart));
    ++count;
    fieldStart = p;
  }
  if (comment) {
    line.kind = ProviderLineKind::Comment;
  } else if (count < kRequiredFields) {
    line.kind = ProviderLineKind::Malformed;
  } else {
    line.kind = nul ? ProviderLineKind::Rejected : ProviderLineKind::Data;
  }
  return line;
}

// What load time needs of a data line: its settings, and its problems in the
// order of the fields they are in.
ServerSettings ReadDataLine(const ScannedLine& line, std::vector<ProviderProblem>* problems,
                              std::size_t lineNumber) {
  // With a domain the fields lock to the preset's servers, so an empty one can
  // never be typed in and the add button never comes on.
  if (problems && !line.fields[1].empty() && (line.fields[2].empty() || line.fields[3].empty()))
    problems->push_back({ProviderProblem::Kind::MissingServer, lineNumber, std::string()});
  if (problems && ProtocolOf(line.fields[4]) == PresetProtocol::Other)
    problems->push_back({ProviderProblem::Kind::UnknownProtocol, lineNumber, std::string(line.fields[4])});
  return ParseProviderSettings(line.fields[5], problems, lineNumber);
}

void AssignFields(ProviderEntry& entry, const ScannedLine& line) {
  entry.name.assign(line.fields[0]);
  entry.domain.assign(line.fields[1]);
  entry.smtpServer.assign(line.fields[2]);
  entry.incomingServer.assign(line.fields[3]);
  entry.incomingProtocol.assign(line.fields[4]);
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

// Settings words are separated by any run of spaces and tabs: an editor may
// put a tab where the author meant a space.
bool IsWordSeparator(char c) { return c == ' ' || c == '\t'; }

// "1".."65535" in at most five decimal digits (no sign); 0 for anything else.
std::uint16_t ParsePort(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return 0;
  std::uint16_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return error == std::errc() && end == digits.data() + digits.size() ? value : 0;
}

}  // namespace

std::string UpperCasedProtocol(std::string_view protocol) {
  std::string upper(protocol);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper;
}

PresetProtocol ProtocolOf(std::string_view protocol) {
  if (protocol.size() != 4) return PresetProtocol::Other;  // no copy for the long texts of a hostile file
  const std::string upper = UpperCasedProtocol(protocol);
  if (upper == "POP3") return PresetProtocol::Pop3;
  if (upper == "IMAP") return PresetProtocol::Imap;
  return PresetProtocol::Other;
}

ServerSettings ParseProviderSettings(std::string_view field, std::vector<ProviderProblem>* problems,
                                       std::size_t lineNumber) {
  ServerSettings settings;
  std::size_t p = 0;
  while (p < field.size()) {
    if (IsWordSeparator(field[p])) {
      ++p;
      continue;
    }
    std::size_t end = p;
    while (end < field.size() && !IsWordSeparator(field[end])) ++end;
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
      std::uint16_t& setting = key.size() == 2 ? settings.incomingPort : settings.outgoingPort;
      if (port != 0 && setting != 0 && port != setting) {
        // "in=995 ... in=110": which one the author meant cannot be told.
        if (problems) problems->push_back({ProviderProblem::Kind::ConflictingSetting, lineNumber, std::string(word)});
        continue;
      }
      bad = port == 0;
      if (!bad) setting = port;
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
  const ScannedLine scanned = ScanLine(line.data(), line.data() + line.size());
  if (scanned.kind == ProviderLineKind::Data) {
    AssignFields(entry, scanned);
    entry.settings = ReadDataLine(scanned, problems, lineNumber);
  } else if (scanned.kind == ProviderLineKind::Rejected && problems) {
    problems->push_back({ProviderProblem::Kind::NulByte, lineNumber, std::string()});
  }
  return scanned.kind;
}

// ---------------------------------------------------------------------------
// The catalogue

ProviderEntry ProviderCatalogue::operator[](std::size_t i) const {
  ProviderEntry entry;
  ParseProviderLine(TextFrom(lines_[i]), entry);
  return entry;
}

LockedFieldsView ProviderCatalogue::lockedFields(std::size_t i) const {
  const std::string_view text = TextFrom(lines_[i]);
  const ScannedLine scanned = ScanLine(text.data(), text.data() + text.size());
  return {scanned.fields[1], scanned.fields[2], scanned.fields[3], scanned.fields[4]};
}

std::string ProviderCatalogue::name(std::size_t i) const {
  const std::string_view text = TextFrom(lines_[i]);
  return std::string(ScanLine(text.data(), text.data() + text.size()).fields[0]);
}

bool ProviderCatalogue::operator==(const ProviderCatalogue& other) const {
  if (size() != other.size() || problems_ != other.problems_) return false;
  for (std::size_t i = 0; i < size(); ++i)
    if (!((*this)[i] == other[i])) return false;
  return true;
}

ProviderCatalogue ReadProviderText(TextBytes text) {
  ProviderCatalogue catalogue;
  catalogue.text_ = std::move(text);
  const TextBytes& kept = catalogue.text_;
  // Room for every line up to the limit; a data line takes at least four bytes
  // (";;;;"). Pages of the room that stay unused are never touched.
  catalogue.lines_.reserve(std::min(kMaxProviderEntries, kept.size() / 4 + 1));

  // A line ends at CR LF, at LF or at a lone CR. Text after the last line
  // break is a line of its own; a break at the very end adds no empty line.
  const char* const base = kept.data();
  const char* const end = base + kept.size();
  const char* p = base;
  std::size_t lineNumber = 0;
  while (p < end && catalogue.size() < kMaxProviderEntries) {
    ++lineNumber;
    const ScannedLine line = ScanLine(p, end);
    if (line.kind == ProviderLineKind::Data) {
      // The settings are read here only for their problems: an entry asked for
      // later reads them again from the text.
      ReadDataLine(line, &catalogue.problems_, lineNumber);
      catalogue.lines_.push_back({static_cast<std::size_t>(p - base), lineNumber});
    } else if (line.kind == ProviderLineKind::Rejected) {
      catalogue.problems_.push_back({ProviderProblem::Kind::NulByte, lineNumber, std::string()});
    }
    p = line.end;
    if (p == end) break;
    if (*p == '\r' && p + 1 < end && p[1] == '\n') ++p;
    ++p;
  }
  return catalogue;
}

}  // namespace qb
