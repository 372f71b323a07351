// libFuzzer target: the bytes are the whole text of a providers.lst.
//
// Checked for every input, besides the sanitizers' own checks:
//  - the catalogue never holds more than kMaxProviderEntries entries;
//  - no field holds ';', '\n' or '\r' (fields are cut at the separators and
//    lines at their breaks; fields past the sixth are dropped, not glued on);
//  - parsing the same text twice gives the same catalogue;
//  - the result equals a plain, obviously slow reading of the text: cut into
//    lines at CR LF, LF or a lone CR, each line given to ParseProviderLine,
//    whose result is in turn compared with a plain field split, a plain
//    reading of the settings words and the problems both give;
//  - for some short inputs, the text repeated past the limit keeps exactly
//    the first kMaxProviderEntries entries of the repetition;
//  - the bytes decoded as a file's (DecodeText, ISO 8859-1 standing in for the
//    ANSI code page) are valid UTF-8 and equal a plain decoding: byte order
//    mark first, else valid UTF-8 as it is, else ANSI.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/provider_catalogue.h"
#include "catalogue/text_encoding.h"
#include "tests/support/latin1_code_page.h"

namespace {

using qb::kMaxProviderEntries;
using qb::ProviderCatalogue;
using qb::ProviderEntry;
using qb::ProviderLineKind;
using qb::ProviderProblem;
using qb::ServerSettings;

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

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// The settings words, the slow way: split at every space and tab, compare in lower case.
ServerSettings ReferenceSettings(const std::string& field, std::size_t lineNumber,
                                   std::vector<ProviderProblem>& problems) {
  ServerSettings settings;
  std::vector<std::string> words(1);
  for (char c : field) {
    if (c == ' ' || c == '\t')
      words.emplace_back();
    else
      words.back() += c;
  }
  for (const std::string& word : words) {
    if (word.empty()) continue;
    const std::size_t eq = word.find('=');
    const bool hasValue = eq != std::string::npos;
    const std::string key = Lower(word.substr(0, eq));
    const std::string value = hasValue ? word.substr(eq + 1) : std::string();
    bool bad = false;
    if (key == "ssl" || key == "auth") {
      bad = hasValue;
      if (!bad) (key == "ssl" ? settings.ssl : settings.auth) = true;
    } else if (key == "in" || key == "out") {
      unsigned long port = 0;
      bad = !hasValue || value.empty() || value.size() > 5 ||
            value.find_first_not_of("0123456789") != std::string::npos;
      if (!bad) port = std::stoul(value);
      bad = bad || port < 1 || port > 65535;
      std::uint16_t& setting = key == "in" ? settings.incomingPort : settings.outgoingPort;
      if (!bad && setting != 0 && setting != port) {  // given before with another value: the first holds
        problems.push_back({ProviderProblem::Kind::ConflictingSetting, lineNumber, word});
        continue;
      }
      if (!bad) setting = static_cast<std::uint16_t>(port);
    } else if (key == "login") {
      bad = !hasValue || Lower(value) != "address";
      if (!bad) settings.loginAddress = true;
    } else {
      continue;
    }
    if (bad) problems.push_back({ProviderProblem::Kind::BadSetting, lineNumber, word});
  }
  return settings;
}

// One line, the slow way: strip spaces (only ' '), '#' first is a comment,
// otherwise split at every ';' and take fields 0 to 5 when there are five;
// a NUL anywhere rejects such a line.
ProviderLineKind ReferenceLine(std::string_view line, std::size_t lineNumber, ProviderEntry& entry,
                               std::vector<ProviderProblem>& problems) {
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
  if (line.find('\0') != std::string_view::npos) {
    problems.push_back({ProviderProblem::Kind::NulByte, lineNumber, ""});
    return ProviderLineKind::Rejected;
  }
  if (!fields[1].empty() && (fields[2].empty() || fields[3].empty()))
    problems.push_back({ProviderProblem::Kind::MissingServer, lineNumber, ""});
  std::string protocol = fields[4];
  for (char& c : protocol)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (protocol != "POP3" && protocol != "IMAP")
    problems.push_back({ProviderProblem::Kind::UnknownProtocol, lineNumber, fields[4]});
  const ServerSettings settings =
      fields.size() > 5 ? ReferenceSettings(fields[5], lineNumber, problems) : ServerSettings{};
  entry = ProviderEntry{fields[0], fields[1], fields[2], fields[3], fields[4], settings};
  return ProviderLineKind::Data;
}

// ---------------------------------------------------------------- decoding

using qbtest::Latin1ToUtf8;  // ISO 8859-1 standing in for the ANSI code page

void EncodeUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
    return;
  }
  const int n = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
  const unsigned char lead[] = {0, 0, 0xC0, 0xE0, 0xF0};
  out += static_cast<char>(lead[n] | (c >> (6 * (n - 1))));
  for (int k = n - 2; k >= 0; --k) out += static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
}

// The code points of UTF-8 text, computed, then checked against the ranges
// each length may hold; false at the first sequence that is not valid.
bool ReferenceValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    int n = 0;
    std::uint32_t c = 0;
    if (b < 0x80) {
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      n = 2, c = b & 0x1Fu;
    } else if ((b & 0xF0) == 0xE0) {
      n = 3, c = b & 0x0Fu;
    } else if ((b & 0xF8) == 0xF0) {
      n = 4, c = b & 0x07u;
    } else {
      return false;
    }
    if (i + static_cast<std::size_t>(n) > text.size()) return false;
    for (int k = 1; k < n; ++k) {
      const unsigned char t = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      if ((t & 0xC0) != 0x80) return false;
      c = c << 6 | (t & 0x3Fu);
    }
    const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < least[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    i += static_cast<std::size_t>(n);
  }
  return true;
}

std::string ReferenceUtf16(std::string_view bytes, bool bigEndian) {
  std::vector<std::uint32_t> units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const std::uint32_t a = static_cast<unsigned char>(bytes[i]);
    const std::uint32_t b = static_cast<unsigned char>(bytes[i + 1]);
    units.push_back(bigEndian ? a * 256 + b : b * 256 + a);
  }
  std::string out;
  for (std::size_t k = 0; k < units.size(); ++k) {
    const std::uint32_t u = units[k];
    const bool high = u >= 0xD800 && u < 0xDC00;
    const bool nextLow = k + 1 < units.size() && units[k + 1] >= 0xDC00 && units[k + 1] < 0xE000;
    if (high && nextLow) {
      EncodeUtf8(out, 0x10000 + (u - 0xD800) * 0x400 + (units[k + 1] - 0xDC00));
      ++k;
    } else {
      EncodeUtf8(out, (u >= 0xD800 && u < 0xE000) ? 0xFFFD : u);
    }
  }
  if (bytes.size() % 2) EncodeUtf8(out, 0xFFFD);
  return out;
}

// Where the NUL bytes of a file without a mark put it: too few (one byte in
// eight or fewer) say nothing; else the side of the two-byte units that holds
// them at least four times as often as the other side and whole NUL units.
constexpr int kNoNulSide = 0, kNulFirst = 1, kNulSecond = 2, kNulUnreadable = 3;
int ReferenceNulSide(std::string_view bytes) {
  std::size_t nul = 0;
  for (char c : bytes) nul += c == '\0';
  if (nul * 8 <= bytes.size()) return kNoNulSide;
  std::size_t onlyFirst = 0, onlySecond = 0, both = 0;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const bool a = bytes[i] == '\0', b = bytes[i + 1] == '\0';
    if (a && b) ++both;
    else if (a) ++onlyFirst;
    else if (b) ++onlySecond;
  }
  if (onlySecond > 0 && onlySecond >= 4 * (onlyFirst + both)) return kNulSecond;
  if (onlyFirst > 0 && onlyFirst >= 4 * (onlySecond + both)) return kNulFirst;
  return kNulUnreadable;
}

void CheckDecoding(std::string_view bytes) {
  const std::string decoded(qb::ViewOf(qb::DecodeText(qb::TextBytes(bytes.begin(), bytes.end()), &Latin1ToUtf8)));
  Require(ReferenceValidUtf8(decoded), "decoded text is not valid UTF-8");
  Require(qb::IsValidUtf8(bytes) == ReferenceValidUtf8(bytes), "IsValidUtf8 disagrees with a plain decoding");
  Require(qb::IsAscii(bytes) == (Latin1ToUtf8(bytes).size() == bytes.size()), "IsAscii is wrong");
  std::string want;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    const std::string_view rest = bytes.substr(3);
    if (ReferenceValidUtf8(rest)) {
      want = std::string(rest);
    } else {
      // Every byte that starts no valid sequence becomes U+FFFD.
      for (std::size_t i = 0; i < rest.size();) {
        std::size_t n = 1;
        while (n <= 4 && i + n <= rest.size() && !ReferenceValidUtf8(rest.substr(i, n))) ++n;
        if (n <= 4 && i + n <= rest.size()) {
          want.append(rest.substr(i, n));
          i += n;
        } else {
          EncodeUtf8(want, 0xFFFD);
          ++i;
        }
      }
    }
  } else if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
    want = ReferenceUtf16(bytes.substr(2), bytes[0] == '\xFE');
  } else if (const int side = ReferenceNulSide(bytes); side != kNoNulSide) {
    want = side == kNulUnreadable ? std::string() : ReferenceUtf16(bytes, side == kNulFirst);
  } else if (ReferenceValidUtf8(bytes)) {
    want = std::string(bytes);
  } else {
    want = Latin1ToUtf8(bytes);
  }
  Require(decoded == want, "DecodeText differs from a plain decoding");
}

ProviderCatalogue Parse(std::string_view text) { return qb::ReadProviderText(qb::TextBytes(text.begin(), text.end())); }

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
  for (std::size_t i = 0; i < first.size(); ++i) {
    const ProviderEntry e = first[i];
    Require(CleanEntry(e), "a field holds ';', CR or LF");
    Require(first.name(i) == e.name, "name(i) differs from the entry's name");
  }

  const ProviderCatalogue second = Parse(text);
  Require(first == second, "two parses of the same text differ");

  // The slow reading, line by line.
  std::vector<ProviderEntry> expected;
  std::vector<ProviderProblem> expectedProblems;
  std::size_t lineNumber = 0;
  for (std::string_view line : Lines(text)) {
    if (expected.size() == kMaxProviderEntries) break;
    ++lineNumber;
    const ProviderEntry sentinel{"s0", "s1", "s2", "s3", "s4", {}};
    ProviderEntry got = sentinel;
    ProviderEntry want = sentinel;
    std::vector<ProviderProblem> gotProblems;
    std::vector<ProviderProblem> wantProblems;
    const ProviderLineKind kind = qb::ParseProviderLine(line, got, &gotProblems, lineNumber);
    Require(kind == ReferenceLine(line, lineNumber, want, wantProblems), "ParseProviderLine classifies a line wrongly");
    Require(got == want, "ParseProviderLine gives other fields or settings than a plain split");
    Require(gotProblems == wantProblems, "ParseProviderLine reports other problems than a plain reading");
    expectedProblems.insert(expectedProblems.end(), wantProblems.begin(), wantProblems.end());
    if (kind == ProviderLineKind::Data) expected.push_back(got);
  }
  Require(first.size() == expected.size(), "ReadProviderText keeps another number of entries than the lines give");
  for (std::size_t i = 0; i < first.size(); ++i)
    Require(first[i] == expected[i], "ReadProviderText differs from reading the lines one by one");
  Require(first.problems() == expectedProblems, "ReadProviderText reports other problems than the lines one by one");

  // The limit, on a repetition of short texts (one input in 256, to keep the
  // fuzzer fast: each such check parses a text of 32,767 data lines or more).
  if (size <= 48 && !first.empty()) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < size; ++i) sum += data[i];
    if (sum % 256 == 0) CheckRepetitionPastTheLimit(text, first);
  }

  CheckDecoding(text);
  return 0;
}
