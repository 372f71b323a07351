// The line rules of providers.lst. Uses nothing of Win32, so these tests also
// build natively (sanitizers, fuzzing).
#include "catalogue/provider_catalogue.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace qb {
namespace {

using namespace std::string_literals;

ProviderEntry Entry(std::string name, std::string domain, std::string smtp, std::string incoming,
                    std::string protocol) {
  return ProviderEntry{std::move(name), std::move(domain), std::move(smtp), std::move(incoming),
                       std::move(protocol), {}};
}

// An entry whose every field is set, to see that a line that is not data
// leaves the caller's entry as it was.
ProviderEntry Sentinel() { return Entry("old-name", "old-domain", "old-smtp", "old-in", "old-proto"); }

// A catalogue as the program builds one from a file's decoded text.
ProviderCatalogue Parse(std::string_view text) { return ReadProviderText(TextBytes(text.begin(), text.end())); }

// ---------------------------------------------------------------------------
// One line

TEST(ProviderLine, DataLineGivesFiveFieldsInOrder) {
  ProviderEntry entry;
  ASSERT_EQ(ParseProviderLine("Quillbeck;quillbeck.it;mail.quillbeck.it;pop.quillbeck.it;POP3", entry),
            ProviderLineKind::Data);
  EXPECT_EQ(entry, Entry("Quillbeck", "quillbeck.it", "mail.quillbeck.it", "pop.quillbeck.it", "POP3"));
}

TEST(ProviderLine, DataLineReplacesEveryFieldOfTheEntry) {
  ProviderEntry entry = Sentinel();
  ASSERT_EQ(ParseProviderLine(";;;;", entry), ProviderLineKind::Data);
  EXPECT_EQ(entry, ProviderEntry{});
}

TEST(ProviderLineComment, HashFirstIsComment) {
  ProviderEntry entry = Sentinel();
  EXPECT_EQ(ParseProviderLine("#", entry), ProviderLineKind::Comment);
  EXPECT_EQ(ParseProviderLine("# Quillbeck", entry), ProviderLineKind::Comment);
  EXPECT_EQ(ParseProviderLine("#a;b;c;d;e", entry), ProviderLineKind::Comment);
  EXPECT_EQ(entry, Sentinel());
}

TEST(ProviderLineComment, SpacesThenHashIsComment) {
  ProviderEntry entry = Sentinel();
  EXPECT_EQ(ParseProviderLine("   # Quillbeck;quillbeck.it;a;b;POP3", entry), ProviderLineKind::Comment);
  EXPECT_EQ(ParseProviderLine(" #", entry), ProviderLineKind::Comment);
  EXPECT_EQ(entry, Sentinel());
}

TEST(ProviderLineComment, TabThenHashIsNoComment) {
  // Tabs are not stripped, so the "#" is not the first character.
  ProviderEntry entry;
  ASSERT_EQ(ParseProviderLine("\t#a;b;c;d;e", entry), ProviderLineKind::Data);
  EXPECT_EQ(entry.name, "\t#a");
}

TEST(ProviderLineComment, HashElsewhereIsAnOrdinaryCharacter) {
  ProviderEntry entry;
  ASSERT_EQ(ParseProviderLine("Quillbeck;#;mail.quillbeck.it;pop.quillbeck.it;POP3", entry),
            ProviderLineKind::Data);
  EXPECT_EQ(entry.domain, "#");
  ASSERT_EQ(ParseProviderLine("Quill#beck;d;s;i;POP3#", entry), ProviderLineKind::Data);
  EXPECT_EQ(entry.name, "Quill#beck");
  EXPECT_EQ(entry.incomingProtocol, "POP3#");
}

TEST(ProviderLineSpaces, OnlyTheWholeLineLosesItsOuterSpaces) {
  ProviderEntry entry;
  ASSERT_EQ(ParseProviderLine("a ; b ; c ; d ; e", entry), ProviderLineKind::Data);
  EXPECT_EQ(entry, Entry("a ", " b ", " c ", " d ", " e"));
}

TEST(ProviderLineSpaces, LeadingAndTrailingSpacesOfTheLineAreStripped) {
  ProviderEntry entry;
  ASSERT_EQ(ParseProviderLine("    Quillbeck;q.it;s.q.it;p.q.it;IMAP   ", entry), ProviderLineKind::Data);
  EXPECT_EQ(entry, Entry("Quillbeck", "q.it", "s.q.it", "p.q.it", "IMAP"));
}

TEST(ProviderLineSpaces, SpacesInsideFieldsStay) {
  ProviderEntry entry;
  ASSERT_EQ(ParseProviderLine("Quillbeck  Mail;q.it;s;p;POP 3", entry), ProviderLineKind::Data);
  EXPECT_EQ(entry.name, "Quillbeck  Mail");
  EXPECT_EQ(entry.incomingProtocol, "POP 3");
}

TEST(ProviderLineSpaces, TabsAreNotStripped) {
  ProviderEntry entry;
  ASSERT_EQ(ParseProviderLine("\ta;b;c;d;e\t", entry), ProviderLineKind::Data);
  EXPECT_EQ(entry.name, "\ta");
  EXPECT_EQ(entry.incomingProtocol, "e\t");
  ASSERT_EQ(ParseProviderLine(" \t a;b;c;d;e \t ", entry), ProviderLineKind::Data);
  EXPECT_EQ(entry.name, "\t a");
  EXPECT_EQ(entry.incomingProtocol, "e \t");
}

TEST(ProviderLineFields, EmptyDomainAndServers) {
  ProviderEntry entry = Sentinel();
  ASSERT_EQ(ParseProviderLine("Altro dominio;;;;POP3", entry), ProviderLineKind::Data);
  EXPECT_EQ(entry, Entry("Altro dominio", "", "", "", "POP3"));
}

TEST(ProviderLineFields, EmptyProtocolAfterFourthSeparator) {
  ProviderEntry entry;
  ASSERT_EQ(ParseProviderLine("a;b;c;d;", entry), ProviderLineKind::Data);
  EXPECT_EQ(entry, Entry("a", "b", "c", "d", ""));
}

TEST(ProviderLineFields, FieldsBeyondTheFifthAreIgnored) {
  ProviderEntry five;
  ProviderEntry seven = Sentinel();
  ASSERT_EQ(ParseProviderLine("n;d;s;i;IMAP", five), ProviderLineKind::Data);
  ASSERT_EQ(ParseProviderLine("n;d;s;i;IMAP;extra;more", seven), ProviderLineKind::Data);
  EXPECT_EQ(seven, five);
  ProviderEntry six;
  ASSERT_EQ(ParseProviderLine("n;d;s;i;IMAP;", six), ProviderLineKind::Data);
  EXPECT_EQ(six, five);
}

TEST(ProviderLineFields, BytesAreTakenAsTheyStand) {
  // 8-bit text in the ANSI code page: no byte is converted or dropped.
  ProviderEntry entry;
  const std::string line = "Qu\xE8 \xFF\x80;d\xE0;s;i;POP3"s;
  ASSERT_EQ(ParseProviderLine(line, entry), ProviderLineKind::Data);
  EXPECT_EQ(entry.name, "Qu\xE8 \xFF\x80");
  EXPECT_EQ(entry.domain, "d\xE0");
}

TEST(ProviderLineFields, NulByteRejectsADataLine) {
  // NUL bytes come from files in an encoding the loader did not recognise.
  for (const std::string& line : {"a\0b;d;s;i;POP3"s, "a;d;s;i;PO\0P3"s, "a;d;s;i;POP3;ssl\0"s,
                                 "a;d;s;i;POP3;ssl;x\0"s, "\0;;;;"s}) {
    ProviderEntry entry = Sentinel();
    std::vector<ProviderProblem> problems;
    EXPECT_EQ(ParseProviderLine(line, entry, &problems, 7), ProviderLineKind::Rejected) << line;
    EXPECT_EQ(entry, Sentinel()) << line;
    EXPECT_EQ(problems, (std::vector<ProviderProblem>{{ProviderProblem::Kind::NulByte, 7, ""}})) << line;
  }
  // A comment or a line of too few fields was never going to give an entry.
  ProviderEntry entry;
  EXPECT_EQ(ParseProviderLine("# a\0b;d;s;i;POP3"s, entry), ProviderLineKind::Comment);
  EXPECT_EQ(ParseProviderLine("a\0b;d;s"s, entry), ProviderLineKind::Malformed);
}

TEST(ProviderLine, ALineEndsAtItsFirstBreak) {
  // An entry is cut out of the catalogue's text from where its line starts.
  ProviderEntry entry;
  ASSERT_EQ(ParseProviderLine("a;b;c;d;POP3;ssl\r\nx;y;z;w;IMAP;auth", entry), ProviderLineKind::Data);
  EXPECT_EQ(entry, (ProviderEntry{"a", "b", "c", "d", "POP3", ServerSettings{.ssl = true}}));
  ASSERT_EQ(ParseProviderLine("n;d;s;i;IMAP\nin=995", entry), ProviderLineKind::Data);
  EXPECT_EQ(entry, Entry("n", "d", "s", "i", "IMAP"));
  EXPECT_EQ(ParseProviderLine("a;b;c\rd;e;POP3", entry), ProviderLineKind::Malformed);
}

TEST(ProviderLineMalformed, FewerThanFiveFieldsIsMalformed) {
  ProviderEntry entry = Sentinel();
  EXPECT_EQ(ParseProviderLine("a;b;c;d", entry), ProviderLineKind::Malformed);
  EXPECT_EQ(ParseProviderLine(";;;", entry), ProviderLineKind::Malformed);
  EXPECT_EQ(ParseProviderLine("Quillbeck", entry), ProviderLineKind::Malformed);
  EXPECT_EQ(ParseProviderLine("  a;b;c;d  ", entry), ProviderLineKind::Malformed);
  EXPECT_EQ(entry, Sentinel());
}

TEST(ProviderLineMalformed, EmptyAndBlankLinesAreMalformedNotComments) {
  ProviderEntry entry = Sentinel();
  EXPECT_EQ(ParseProviderLine("", entry), ProviderLineKind::Malformed);
  EXPECT_EQ(ParseProviderLine(" ", entry), ProviderLineKind::Malformed);
  EXPECT_EQ(ParseProviderLine("        ", entry), ProviderLineKind::Malformed);
  EXPECT_EQ(ParseProviderLine("\t", entry), ProviderLineKind::Malformed);
  EXPECT_EQ(entry, Sentinel());
}

// ---------------------------------------------------------------------------
// A whole file's text

TEST(ProviderText, EmptyTextGivesNothing) { EXPECT_TRUE(Parse("").empty()); }

TEST(ProviderText, NoDataLineGivesAnEmptyCatalogue) {
  EXPECT_TRUE(Parse("# only\r\n\r\n   \r\n# comments\r\nand;junk\r\n").empty());
  EXPECT_TRUE(Parse("\n").empty());
  EXPECT_TRUE(Parse("\r\n\r\n\r").empty());
}

TEST(ProviderText, LastLineWithoutBreakIsRead) {
  const ProviderCatalogue c = Parse("a;b;c;d;POP3\r\nx;y;z;w;IMAP");
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[1], Entry("x", "y", "z", "w", "IMAP"));
}

TEST(ProviderText, LineBreakAfterTheLastLineAddsNothing) {
  for (const char* text : {"a;b;c;d;POP3", "a;b;c;d;POP3\r\n", "a;b;c;d;POP3\n", "a;b;c;d;POP3\r"}) {
    const ProviderCatalogue c = Parse(text);
    ASSERT_EQ(c.size(), 1u) << text;
    EXPECT_EQ(c[0], Entry("a", "b", "c", "d", "POP3")) << text;
  }
}

TEST(ProviderText, CrLfLfAndLoneCrAllEndALine) {
  const ProviderCatalogue c = Parse("a;b;c;d;1\r\nb;b;c;d;2\nc;b;c;d;3\rd;b;c;d;4\r\ne;b;c;d;5");
  ASSERT_EQ(c.size(), 5u);
  const char* expected[] = {"1", "2", "3", "4", "5"};
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(c[i].incomingProtocol, expected[i]) << "entry " << i;  // no CR or LF left behind
    EXPECT_EQ(c[i].name.size(), 1u) << "entry " << i;
  }
}

TEST(ProviderText, LfCrIsTwoBreaksWithAnEmptyLineBetween) {
  const ProviderCatalogue c = Parse("a;b;c;d;1\n\rb;b;c;d;2\n\r");
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0].incomingProtocol, "1");
  EXPECT_EQ(c[1].name, "b");
}

TEST(ProviderText, LoneCrLinesBeforeAFarLf) {
  // Lone CRs first, a LF only much later: every line still ends at its CR.
  std::string text;
  for (int i = 0; i < 300; ++i) {
    text += 'p';
    text += std::to_string(i);
    text += ";d;s;i;POP3\r";
  }
  text += "last;d;s;i;IMAP\nafter;d;s;i;IMAP\r\n";
  const ProviderCatalogue c = Parse(text);
  ASSERT_EQ(c.size(), 302u);
  EXPECT_EQ(c[0].name, "p0");
  EXPECT_EQ(c[299].name, "p299");
  EXPECT_EQ(c[299].incomingProtocol, "POP3");
  EXPECT_EQ(c[300], Entry("last", "d", "s", "i", "IMAP"));
  EXPECT_EQ(c[301], Entry("after", "d", "s", "i", "IMAP"));
}

TEST(ProviderText, SpacesAroundTheLineBreakBelongToTheLine) {
  const ProviderCatalogue c = Parse("  a;b;c;d;POP3  \r\n  # note  \r\n  e;f;g;h;IMAP  ");
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0], Entry("a", "b", "c", "d", "POP3"));
  EXPECT_EQ(c[1], Entry("e", "f", "g", "h", "IMAP"));
}

TEST(ProviderText, FileOrderIsKeptAcrossCommentsAndSkippedLines) {
  const ProviderCatalogue c = Parse(
      "# presets\r\n"
      "First;q.it;s;p;POP3\r\n"
      "\r\n"
      "# second\r\n"
      "Second;q.it;s;p;IMAP\r\n"
      "too;few;fields\r\n"
      "   \r\n"
      "   # third\r\n"
      "Third;;;;POP3\r\n"
      "Fourth;q.it;s;p;IMAP\r\n");
  ASSERT_EQ(c.size(), 4u);
  EXPECT_EQ(c[0].name, "First");
  EXPECT_EQ(c[1].name, "Second");
  EXPECT_EQ(c[2], Entry("Third", "", "", "", "POP3"));  // the third data line is item 2
  EXPECT_EQ(c[3].name, "Fourth");
}

TEST(ProviderText, MalformedLinesDoNotStopTheParsing) {
  const ProviderCatalogue c = Parse("a;b\r\n;\r\nx\r\nn;d;s;i;POP3\r\n");
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0].name, "n");
}

TEST(ProviderText, AnEntryOfANameAloneTakesItsPlace) {
  const ProviderCatalogue c = Parse("kept;;;;\nn;d;s;i;POP3\n");
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0].name, "kept");
  EXPECT_EQ(c[1].name, "n");
}

// ---------------------------------------------------------------------------
// The settings field

ServerSettings Settings(bool ssl, std::uint16_t in, std::uint16_t out, bool auth, bool login) {
  ServerSettings s;
  s.ssl = ssl;
  s.incomingPort = in;
  s.outgoingPort = out;
  s.auth = auth;
  s.loginAddress = login;
  return s;
}

struct SettingsCase {
  const char* field;
  ServerSettings want;
  std::vector<std::string> badWords;  // reported, in this order
};

TEST(ProviderSettingsField, WordsValuesAndProblems) {
  const ServerSettings none;
  const SettingsCase cases[] = {
      {"", none, {}},
      {"   ", none, {}},
      {"ssl", Settings(true, 0, 0, false, false), {}},
      {"auth", Settings(false, 0, 0, true, false), {}},
      {"login=address", Settings(false, 0, 0, false, true), {}},
      {"in=995", Settings(false, 995, 0, false, false), {}},
      {"out=465", Settings(false, 0, 465, false, false), {}},
      {"ssl in=995 out=465 auth login=address", Settings(true, 995, 465, true, true), {}},
      {"login=address auth out=465 in=995 ssl", Settings(true, 995, 465, true, true), {}},
      {"  ssl    auth  ", Settings(true, 0, 0, true, false), {}},
      // Tabs separate words as spaces do, alone or in runs with them.
      {"ssl\tauth", Settings(true, 0, 0, true, false), {}},
      {"\tssl \t\tin=995\t \tauth\t", Settings(true, 995, 0, true, false), {}},
      {"out=25\tlogin=address", Settings(false, 0, 25, false, true), {}},
      {"in=99\t5", Settings(false, 99, 0, false, false), {}},
      {"in=abc\tssl", Settings(true, 0, 0, false, false), {"in=abc"}},
      {"SSL In=1 OUT=65535 Auth LOGIN=Address", Settings(true, 1, 65535, true, true), {}},
      // Unknown words are free text.
      {"tls starttls port=25 ssl", Settings(true, 0, 0, false, false), {}},
      {"ssl,auth", none, {}},
      // Known words with values they cannot take.
      {"in=0", none, {"in=0"}},
      {"in=65536", none, {"in=65536"}},
      {"in=99999", none, {"in=99999"}},
      {"in=123456", none, {"in=123456"}},
      {"in=000995", none, {"in=000995"}},  // five digits at most, leading zeros too
      {"in=abc", none, {"in=abc"}},
      {"in=", none, {"in="}},
      {"in", none, {"in"}},
      {"out=-1", none, {"out=-1"}},
      {"out=+25", none, {"out=+25"}},
      {"out=4 65", Settings(false, 0, 4, false, false), {}},  // a space ends the word
      {"login=foo", none, {"login=foo"}},
      {"login", none, {"login"}},
      {"login=addresses", none, {"login=addresses"}},
      {"ssl=1", none, {"ssl=1"}},
      {"auth=yes", none, {"auth=yes"}},
      {"ssl=", none, {"ssl="}},
      // A bad word is skipped; the others still count.
      {"ssl in=abc out=465 login=foo auth", Settings(true, 0, 465, true, false), {"in=abc", "login=foo"}},
      {"in=995 in=x", Settings(false, 995, 0, false, false), {"in=x"}},
  };
  for (const SettingsCase& c : cases) {
    std::vector<ProviderProblem> problems;
    EXPECT_EQ(ParseProviderSettings(c.field, &problems, 12), c.want) << "[" << c.field << "]";
    std::vector<ProviderProblem> want;
    for (const std::string& word : c.badWords) want.push_back({ProviderProblem::Kind::BadSetting, 12, word});
    EXPECT_EQ(problems, want) << "[" << c.field << "]";
    EXPECT_EQ(ParseProviderSettings(c.field, nullptr, 12), c.want) << "without a problem list: [" << c.field << "]";
  }
}

TEST(ProviderSettingsField, OnlyTheSixthFieldHoldsSettings) {
  const ServerSettings full = Settings(true, 995, 465, true, true);
  struct Case {
    const char* line;
    ServerSettings want;
  } cases[] = {
      {"n;d;s;i;POP3", {}},
      {"n;d;s;i;POP3;", {}},
      {"n;d;s;i;POP3;;", {}},
      {"n;d;s;i;POP3;free text;more", {}},
      {"n;d;s;i;POP3;;ssl auth", {}},              // a seventh field is ignored, settings or not
      {"n;d;s;i;POP3;x;ssl in=995", {}},
      {"ssl;auth;s;i;POP3", {}},                   // settings words elsewhere are plain text
      {"n;d;s;i;POP3;ssl in=995 out=465 auth login=address", full},
      {"n;d;s;i;POP3;ssl in=995 out=465 auth login=address;in=110", full},
      {"   n;d;s;i;POP3;ssl in=995 out=465 auth login=address   ", full},
      {"n;d;s;i;POP3; ssl in=995 out=465 auth login=address ;", full},
  };
  for (const Case& c : cases) {
    ProviderEntry entry = Sentinel();
    std::vector<ProviderProblem> problems;
    ASSERT_EQ(ParseProviderLine(c.line, entry, &problems, 1), ProviderLineKind::Data) << c.line;
    EXPECT_EQ(entry.settings, c.want) << c.line;
    EXPECT_EQ(entry.name, "ssl" == std::string_view(c.line).substr(0, 3) ? "ssl" : "n") << c.line;
    EXPECT_EQ(entry.incomingProtocol, "POP3") << c.line;
    EXPECT_TRUE(problems.empty()) << c.line;
  }
}

TEST(ProviderSettingsField, AnEntryWithoutSettingsIsTheFiveFieldEntry) {
  for (const char* line : {"n;d;s;i;IMAP;", "n;d;s;i;IMAP;commento", "n;d;s;i;IMAP;;ssl", "n;d;s;i;IMAP;tls"}) {
    ProviderEntry entry;
    ASSERT_EQ(ParseProviderLine(line, entry), ProviderLineKind::Data);
    EXPECT_EQ(entry, Entry("n", "d", "s", "i", "IMAP")) << line;
  }
}

TEST(ProviderSettingsField, SettingsSurviveEveryLineEnd) {
  for (const char* text : {"a;b;c;d;POP3;ssl in=995\r\nx;y;z;w;IMAP;auth out=587\r\n",
                           "a;b;c;d;POP3;ssl in=995\nx;y;z;w;IMAP;auth out=587\n",
                           "a;b;c;d;POP3;ssl in=995\rx;y;z;w;IMAP;auth out=587\r",
                           "  a;b;c;d;POP3;ssl in=995  \r\n  x;y;z;w;IMAP;auth out=587  ",
                           "a;b;c;d;POP3;ssl in=995\r\nx;y;z;w;IMAP;auth out=587"}) {
    const ProviderCatalogue c = Parse(text);
    ASSERT_EQ(c.size(), 2u) << text;
    EXPECT_EQ(c[0].settings, Settings(true, 995, 0, false, false)) << text;
    EXPECT_EQ(c[1].settings, Settings(false, 0, 587, true, false)) << text;
    EXPECT_EQ(c[1], (ProviderEntry{"x", "y", "z", "w", "IMAP", Settings(false, 0, 587, true, false)})) << text;
    EXPECT_TRUE(c.problems().empty()) << text;
  }
}

// ---------------------------------------------------------------------------
// The problems a text reports

using Kind = ProviderProblem::Kind;

// A port given twice with two values: which one the author meant cannot be
// told, so the first holds and the other is named.
TEST(ProviderSettingsField, APortGivenAgainWithAnotherValueIsNamed) {
  const struct {
    const char* field;
    ServerSettings want;
    std::vector<ProviderProblem> problems;
  } cases[] = {
      {"in=995 ssl in=110", Settings(true, 995, 0, false, false), {{Kind::ConflictingSetting, 3, "in=110"}}},
      {"in=110 in=995", Settings(false, 110, 0, false, false), {{Kind::ConflictingSetting, 3, "in=995"}}},
      {"IN=995 in=0995", Settings(false, 995, 0, false, false), {}},  // the same port
      {"out=25 out=587 OUT=465", Settings(false, 0, 25, false, false),
       {{Kind::ConflictingSetting, 3, "out=587"}, {Kind::ConflictingSetting, 3, "OUT=465"}}},
      {"in=995 out=110", Settings(false, 995, 110, false, false), {}},
      {"in=x in=110", Settings(false, 110, 0, false, false), {{Kind::BadSetting, 3, "in=x"}}},
      {"in=110 in=0", Settings(false, 110, 0, false, false), {{Kind::BadSetting, 3, "in=0"}}},
      {"ssl ssl auth auth login=address login=ADDRESS", Settings(true, 0, 0, true, true), {}},
  };
  for (const auto& c : cases) {
    std::vector<ProviderProblem> problems;
    EXPECT_EQ(ParseProviderSettings(c.field, &problems, 3), c.want) << c.field;
    EXPECT_EQ(problems, c.problems) << c.field;
  }
}

// The one rule of which protocol a preset names, which the incoming server's
// label, the start-up warning and the account written all follow.
TEST(PresetProtocolRule, OnlyAsciiLetterCaseIsForgiven) {
  const struct {
    const char* protocol;
    PresetProtocol want;
    const char* upper;
  } cases[] = {
      {"POP3", PresetProtocol::Pop3, "POP3"},  {"pOp3", PresetProtocol::Pop3, "POP3"},
      {"imap", PresetProtocol::Imap, "IMAP"},  {"iMaP", PresetProtocol::Imap, "IMAP"},
      {"", PresetProtocol::Other, ""},         {" POP3", PresetProtocol::Other, " POP3"},
      {"IMAP4", PresetProtocol::Other, "IMAP4"}, {"x400", PresetProtocol::Other, "X400"},
      // A dotless i upper-cases to "I" in Unicode, but not here.
      {"\xC4\xB1map", PresetProtocol::Other, "\xC4\xB1MAP"},
      {"p\xC3\xB6p3", PresetProtocol::Other, "P\xC3\xB6P3"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProtocolOf(c.protocol), c.want) << c.protocol;
    EXPECT_EQ(UpperCasedProtocol(c.protocol), c.upper) << c.protocol;
  }
}

TEST(ProviderProblems, ProtocolsOtherThanPop3AndImap) {
  struct Case {
    const char* line;
    const char* reported;  // nullptr: none
  } cases[] = {
      {"n;d;s;i;POP3", nullptr},     {"n;d;s;i;pop3", nullptr},   {"n;d;s;i;Imap", nullptr},
      {"n;d;s;i;IMAP  ", nullptr},   {"n;d;s;i; POP3", " POP3"},  {"n;d;s;i;POP3 ;ssl", "POP3 "},
      {"n;d;s;i;POP", "POP"},        {"n;d;s;i;POP33", "POP33"},  {"n;d;s;i;IMAP4", "IMAP4"},
      {"n;d;s;i;", ""},              {"n;d;s;i;SMTP;ssl", "SMTP"}, {"n;d;s;i;\xC3\x8CMAP", "\xC3\x8CMAP"},
  };
  for (const Case& c : cases) {
    ProviderEntry entry;
    std::vector<ProviderProblem> problems;
    ASSERT_EQ(ParseProviderLine(c.line, entry, &problems, 4), ProviderLineKind::Data) << c.line;
    if (c.reported) {
      // The entry stays as written: the window decides what to do with it.
      EXPECT_EQ(entry.incomingProtocol, c.reported) << c.line;
      EXPECT_EQ(problems, (std::vector<ProviderProblem>{{Kind::UnknownProtocol, 4, c.reported}})) << c.line;
    } else {
      EXPECT_TRUE(problems.empty()) << c.line;
    }
  }
}

TEST(ProviderProblems, ADomainWithoutBothServersCanNeverMakeAnAccount) {
  struct Case {
    const char* line;
    bool reported;
  } cases[] = {
      {"n;d;s;i;POP3", false},  {"n;;;;POP3", false},       {"n;;s;;POP3", false},  // no domain: the user types them
      {"n;d;;i;POP3", true},    {"n;d;s;;IMAP", true},      {"n;d;;;POP3", true},
      {"n;d; ;i;POP3", false},  {"n;d;s;;POP3;ssl", true},  {"n;d;s;i;POP3;;", false},
  };
  for (const Case& c : cases) {
    ProviderEntry entry;
    std::vector<ProviderProblem> problems;
    ASSERT_EQ(ParseProviderLine(c.line, entry, &problems, 7), ProviderLineKind::Data) << c.line;
    const std::vector<ProviderProblem> want =
        c.reported ? std::vector<ProviderProblem>{{Kind::MissingServer, 7, ""}} : std::vector<ProviderProblem>{};
    EXPECT_EQ(problems, want) << c.line;
  }
  // It comes in the order of its fields: before the protocol and the settings.
  const ProviderCatalogue c = Parse("a;d;s;i;POP3\r\nb;d;;i;FTP;in=x\r\n");
  ASSERT_EQ(c.size(), 2u);  // the preset stays: the window shows what the file says
  EXPECT_EQ(c.problems(), (std::vector<ProviderProblem>{
                              {Kind::MissingServer, 2, ""}, {Kind::UnknownProtocol, 2, "FTP"}, {Kind::BadSetting, 2, "in=x"}}));
}

TEST(ProviderProblems, LineNumbersCountEveryLineOfTheFile) {
  const ProviderCatalogue c = Parse(
      "# presets\r\n"                       // 1
      "\r\n"                                // 2
      "a;d;s;i;POP3;in=abc\r\n"             // 3
      "too;few\n"                           // 4
      "b;d;s;i;POP\n"                       // 5
      "c;d;s;i;IMAP;ssl\r"                  // 6
      "   \r"                               // 7
      "d;d;\0;i;IMAP\r\n"                   // 8
      "e;d;s;i;FTP;out=0 login=x auth\n"    // 9
      "# c\0mment\n"                        // 10
      "f;d;s;i;POP3"s);                     // 11
  ASSERT_EQ(c.size(), 5u);
  EXPECT_EQ(c[3].name, "e");
  EXPECT_TRUE(c[3].settings.auth);
  EXPECT_EQ(c.problems(), (std::vector<ProviderProblem>{{Kind::BadSetting, 3, "in=abc"},
                                                       {Kind::UnknownProtocol, 5, "POP"},
                                                       {Kind::NulByte, 8, ""},
                                                       {Kind::UnknownProtocol, 9, "FTP"},
                                                       {Kind::BadSetting, 9, "out=0"},
                                                       {Kind::BadSetting, 9, "login=x"}}));
}

TEST(ProviderProblems, RejectedLinesTakeNoPlace) {
  std::string text = "a\0;d;s;i;POP3\r\n"s;
  for (int i = 0; i < 3; ++i) {
    text += 'p';
    text += std::to_string(i);
    text += ";d;s;i;POP3\r\n";
  }
  const ProviderCatalogue c = Parse(text);
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c[0].name, "p0");  // the first data line that is kept is item 0
  EXPECT_EQ(c.problems(), (std::vector<ProviderProblem>{{Kind::NulByte, 1, ""}}));
}

// ---------------------------------------------------------------------------
// The catalogue, cut on demand

TEST(ProviderCatalogueShape, EntriesCutAgainDoNotRunTogether) {
  // Each entry is cut out of the kept text again when asked for, and must stop
  // at its own line break, whichever it is, where loading stopped.
  const ProviderCatalogue c = Parse("a;b;c;d;POP3\nx;y;z;w;IMAP;ssl\nk;l;m;n;IMAP\rq;r;s;t;POP3;");
  ASSERT_EQ(c.size(), 4u);
  EXPECT_EQ(c[0], Entry("a", "b", "c", "d", "POP3"));
  EXPECT_EQ(c[1], (ProviderEntry{"x", "y", "z", "w", "IMAP", Settings(true, 0, 0, false, false)}));
  EXPECT_EQ(c[2], Entry("k", "l", "m", "n", "IMAP"));
  EXPECT_EQ(c[3], Entry("q", "r", "s", "t", "POP3"));
}

TEST(ProviderCatalogueShape, EntriesKeepTheirOrderAndNames) {
  const ProviderCatalogue c = Parse("one;;;;POP3\ntwo;d;s;i;IMAP;auth\nthree;d;s;i;POP3;ssl");
  ProviderEntry third = Entry("three", "d", "s", "i", "POP3");
  third.settings.ssl = true;
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c[0].name, "one");
  EXPECT_TRUE(c[1].settings.auth);
  EXPECT_EQ(c[2], third);
  for (std::size_t i = 0; i < c.size(); ++i) EXPECT_EQ(c.name(i), c[i].name) << i;
}

TEST(ProviderCatalogueShape, EqualityComparesEntriesNotHowTheyAreKept) {
  const ProviderCatalogue read = Parse("# x\r\n  a;b;c;d;POP3;ssl  \r\n");
  ProviderCatalogue given = Parse("a;b;c;d;POP3;ssl");
  EXPECT_EQ(read, given);
  given.AddProblem({Kind::NulByte, 1, ""});
  EXPECT_FALSE(read == given);
  EXPECT_FALSE(read == Parse("a;b;c;d;POP3\r\n"));
  EXPECT_FALSE(read == Parse("a;b;c;d;POP3;ssl\r\na;b;c;d;POP3;ssl\r\n"));
}

TEST(ProviderCatalogueShape, ACopyOwnsItsText) {
  ProviderCatalogue copy;
  {
    std::string text = "a;b;c;d;POP3;in=995\r\n";
    ProviderCatalogue original = Parse(text);
    copy = original;
    text.assign(text.size(), 'x');
  }
  ASSERT_EQ(copy.size(), 1u);
  EXPECT_EQ(copy[0], (ProviderEntry{"a", "b", "c", "d", "POP3", Settings(false, 995, 0, false, false)}));
}

// ---------------------------------------------------------------------------
// The 32,767-entry limit

std::string DataLines(std::size_t count, std::size_t commentEvery = 0) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    if (commentEvery && i % commentEvery == 0) text += "# comment\r\n\r\n";
    text += 'p';
    text += std::to_string(i);
    text += ";q.it;s;i;POP3\r\n";
  }
  return text;
}

TEST(ProviderTextLimit, ExactlyTheLimitIsKept) {
  static_assert(kMaxProviderEntries == 32767);
  const ProviderCatalogue c = Parse(DataLines(32767));
  ASSERT_EQ(c.size(), 32767u);
  EXPECT_EQ(c[c.size() - 1].name, "p32766");
}

TEST(ProviderTextLimit, DataLinesPastTheLimitAreIgnored) {
  const ProviderCatalogue c = Parse(DataLines(32768));
  ASSERT_EQ(c.size(), 32767u);
  EXPECT_EQ(c[0].name, "p0");
  EXPECT_EQ(c[c.size() - 1].name, "p32766");  // the 32,768th line, p32767, is not there
  EXPECT_EQ(Parse(DataLines(40000)).size(), 32767u);
}

TEST(ProviderTextLimit, CommentsAndSkippedLinesDoNotCount) {
  const ProviderCatalogue c = Parse(DataLines(32768, 100));
  ASSERT_EQ(c.size(), 32767u);
  EXPECT_EQ(c[c.size() - 1].name, "p32766");
}

TEST(ProviderTextLimit, LimitCountsEntriesAlreadyThere) {
  std::string text;
  for (int i = 0; i < 32765; ++i) text += ";;;;\r\n";
  const ProviderCatalogue c = Parse(text + DataLines(5));
  ASSERT_EQ(c.size(), 32767u);
  EXPECT_EQ(c[32765].name, "p0");
  EXPECT_EQ(c[32766].name, "p1");
}

}  // namespace
}  // namespace qb
