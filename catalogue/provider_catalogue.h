#pragma once
// Provider presets: the lines of providers.lst. The parsing here uses no Win32,
// so that it can be built natively for sanitizers and fuzzing.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace qb {

// The optional sixth field of a preset line: settings words separated by spaces.
struct ProviderSettings {
  bool ssl = false;                // "ssl": SSL/TLS on the incoming and the outgoing server
  std::uint16_t incomingPort = 0;  // "in=N", 1..65535; 0 when not given
  std::uint16_t outgoingPort = 0;  // "out=N", 1..65535; 0 when not given
  bool auth = false;               // "auth": authenticated sending
  bool loginAddress = false;       // "login=address": the whole address is the login name
  bool any() const { return ssl || incomingPort || outgoingPort || auth || loginAddress; }
  bool operator==(const ProviderSettings&) const = default;
};

// One preset. Texts are UTF-8, whatever the encoding of the file they came from.
struct ProviderEntry {
  std::string name;
  std::string domain;
  std::string smtpServer;
  std::string incomingServer;
  std::string incomingProtocol;
  ProviderSettings settings;
  bool operator==(const ProviderEntry&) const = default;
};

// Something in a data line that the loader could not use, reported to the user
// once at start-up.
struct ProviderProblem {
  enum class Kind {
    BadSetting,       // a known settings word with a value it cannot take: the setting is ignored
    UnknownProtocol,  // neither POP3 nor IMAP after upper-casing: accounts get no incoming server
    NulByte,          // the line holds a NUL byte: it is skipped (text is empty)
  };
  Kind kind;
  std::size_t line;  // 1-based line number in the file
  std::string text;  // the settings word, or the protocol, as written (UTF-8); empty for NulByte
  bool operator==(const ProviderProblem&) const = default;
};

// The entry counter is a signed 16-bit number: data lines past this many are ignored.
inline constexpr std::size_t kMaxProviderEntries = 32767;

// The presets in file order; position i is item i of the provider box.
class ProviderCatalogue {
 public:
  ProviderCatalogue() = default;
  ProviderCatalogue(std::initializer_list<ProviderEntry> entries) : entries_(entries) {}

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  // By value: an entry may be cut out of the file's text when asked for.
  ProviderEntry operator[](std::size_t i) const { return entries_[i]; }
  ProviderEntry at(std::size_t i) const { return entries_.at(i); }
  ProviderEntry front() const { return entries_.front(); }
  ProviderEntry back() const { return entries_.back(); }
  const std::vector<ProviderProblem>& problems() const { return problems_; }

  void Append(ProviderEntry entry) { entries_.push_back(std::move(entry)); }
  void Reserve(std::size_t n) { entries_.reserve(n); }
  void AddProblem(ProviderProblem problem) { problems_.push_back(std::move(problem)); }

  bool operator==(const ProviderCatalogue&) const = default;

 private:
  std::vector<ProviderEntry> entries_;
  std::vector<ProviderProblem> problems_;
};

enum class ProviderLineKind { Comment, Data, Malformed };

// Classifies one line (without its line break) and, for a data line, fills `entry`
// and appends what it could not use to `problems` (with line number `lineNumber`).
// Lines with fewer than five fields (empty lines among them) are Malformed.
ProviderLineKind ParseProviderLine(std::string_view line, ProviderEntry& entry,
                                   std::vector<ProviderProblem>* problems = nullptr, std::size_t lineNumber = 0);

// Reads a settings field: known words set their setting, unknown words are
// ignored, a known word with a bad value is reported and ignored.
ProviderSettings ParseProviderSettings(std::string_view field, std::vector<ProviderProblem>* problems,
                                       std::size_t lineNumber);

// Appends the entries of a whole file's text, in file order. Lines end at CR LF,
// LF or a lone CR; comment and malformed lines are skipped; data lines that would
// take the catalogue (entries already in it included) past kMaxProviderEntries
// are ignored.
void ParseProviderText(std::string_view text, ProviderCatalogue& catalogue);

}  // namespace qb
