#pragma once
// Provider presets: the lines of providers.lst. The parsing here uses no Win32,
// so that it can be built natively for sanitizers and fuzzing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/text_encoding.h"
#include "core/server_settings.h"

namespace qb {

// One preset. Texts are UTF-8, whatever the encoding of the file they came from.
struct ProviderEntry {
  std::string name;
  std::string domain;
  std::string smtpServer;
  std::string incomingServer;
  std::string incomingProtocol;
  ServerSettings settings;  // the optional sixth field: settings words separated by spaces and tabs
  bool operator==(const ProviderEntry&) const = default;
};

// The fields a locked preset fills, seen in place: valid while the catalogue
// lives and is not changed.
struct LockedFieldsView {
  std::string_view domain;
  std::string_view smtpServer;
  std::string_view incomingServer;
  std::string_view incomingProtocol;
};

// Something in a data line that the loader could not use, reported to the user
// once at start-up.
struct ProviderProblem {
  enum class Kind {
    MissingServer,    // a domain but no SMTP or no incoming server: the preset can never make an account
    BadSetting,       // a known settings word with a value it cannot take: the setting is ignored
    UnknownProtocol,  // neither POP3 nor IMAP after upper-casing: accounts get no incoming server
    NulByte,          // the line holds a NUL byte: it is skipped (text is empty)
    UnreadableEncoding,  // NUL bytes all over the file, but not UTF-16: nothing is read (line 0, text empty)
    ConflictingSetting,  // a port given again with another value: the first one holds, this word is ignored
  };
  Kind kind;
  std::size_t line;  // 1-based line number in the file; 0 for the whole file
  std::string text;  // the settings word, or the protocol, as written (UTF-8); empty for NulByte
  bool operator==(const ProviderProblem&) const = default;
};

// A preset's incoming protocol: "POP3" or "IMAP" in any letter case.
enum class PresetProtocol { Pop3, Imap, Other };

// The protocol with its ASCII letters upper-cased, as the incoming server's
// label shows it. Only ASCII letters: no other letter upper-cases to one of
// "POP3" or "IMAP" in every code page ("ımap", with a dotless i, stays
// neither), so the label, the start-up warning and the account agree.
std::string UpperCasedProtocol(std::string_view protocol);

// The one test of which protocol a preset names: its upper-cased text compared
// exactly, so " POP3" is neither.
PresetProtocol ProtocolOf(std::string_view protocol);

// The entry counter is a signed 16-bit number: data lines past this many are ignored.
inline constexpr std::size_t kMaxProviderEntries = 32767;

enum class ProviderLineKind {
  Comment,
  Data,
  Malformed,  // fewer than five fields (empty lines among them)
  Rejected,   // five fields or more, but it holds a NUL byte: no entry, a NulByte problem
};

// Classifies one line and, for a data line, fills `entry` and appends what it
// could not use to `problems` (with line number `lineNumber`). The line ends
// at its first CR or LF, or with `line`. Problems are listed in the order of
// the fields they are in.
ProviderLineKind ParseProviderLine(std::string_view line, ProviderEntry& entry,
                                   std::vector<ProviderProblem>* problems = nullptr, std::size_t lineNumber = 0);

// Reads a settings field: known words set their setting, unknown words are
// ignored, a known word with a bad value is reported and ignored, and so is a
// port given again with another value (the first one holds).
ServerSettings ParseProviderSettings(std::string_view field, std::vector<ProviderProblem>* problems,
                                     std::size_t lineNumber);

// The presets in file order; position i is item i of the provider box.
//
// A catalogue keeps the file's text once and, per data line, where the line
// starts: a preset is cut out of the text, by ParseProviderLine, when it is
// asked for. Loading thus costs little more than reading the file, however
// many presets it holds.
class ProviderCatalogue {
 public:
  ProviderCatalogue() = default;

  std::size_t size() const { return lines_.size(); }
  bool empty() const { return lines_.empty(); }
  // By value: an entry is cut out of the file's text when asked for.
  ProviderEntry operator[](std::size_t i) const;
  // Only the name of preset i, for filling the provider box without cutting
  // the other fields.
  std::string name(std::size_t i) const;
  // Preset i's domain, servers and protocol without a copy, for going through
  // thousands of presets at start-up.
  LockedFieldsView lockedFields(std::size_t i) const;
  // The line of the file preset i comes from, counted as problems count lines.
  std::size_t lineNumber(std::size_t i) const { return lines_[i].lineNumber; }
  const std::vector<ProviderProblem>& problems() const { return problems_; }
  void AddProblem(ProviderProblem problem) { problems_.push_back(std::move(problem)); }

  // The same presets in the same order, and the same problems.
  bool operator==(const ProviderCatalogue& other) const;

 private:
  friend ProviderCatalogue ReadProviderText(TextBytes text);

  struct Line {
    std::size_t start;  // in text_
    std::size_t lineNumber;
  };

  std::string_view TextFrom(const Line& line) const { return ViewOf(text_).substr(line.start); }

  TextBytes text_;
  std::vector<Line> lines_;
  std::vector<ProviderProblem> problems_;
};

// The catalogue of a whole file's text (UTF-8), which it keeps without a copy:
// the entries in file order and the problems of their lines, numbered from 1.
// Lines end at CR LF, LF or a lone CR; comment, malformed and rejected lines
// are skipped; data lines past kMaxProviderEntries are ignored, and so is
// everything after the last entry kept.
ProviderCatalogue ReadProviderText(TextBytes text);

}  // namespace qb
