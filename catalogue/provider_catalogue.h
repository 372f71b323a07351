#pragma once
// Provider presets: the lines of providers.lst. The parsing here uses no Win32,
// so that it can be built natively for sanitizers and fuzzing.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qb {

struct ProviderEntry {
  std::string name;
  std::string domain;
  std::string smtpServer;
  std::string incomingServer;
  std::string incomingProtocol;
  bool operator==(const ProviderEntry&) const = default;
};

using ProviderCatalogue = std::vector<ProviderEntry>;

// The entry counter is a signed 16-bit number: data lines past this many are ignored.
inline constexpr std::size_t kMaxProviderEntries = 32767;

enum class ProviderLineKind { Comment, Data, Malformed };

// Classifies one line (without its line break) and, for a data line, fills `entry`.
// Lines with fewer than five fields (empty lines among them) are Malformed.
ProviderLineKind ParseProviderLine(std::string_view line, ProviderEntry& entry);

// Appends the entries of a whole file's text, in file order. Lines end at CR LF,
// LF or a lone CR; comment and malformed lines are skipped; data lines that would
// take the catalogue (entries already in it included) past kMaxProviderEntries
// are ignored.
void ParseProviderText(std::string_view text, ProviderCatalogue& catalogue);

}  // namespace qb
