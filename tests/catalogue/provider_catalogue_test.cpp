// The line rules of providers.lst. Uses nothing of Win32, so these tests also
// build natively (sanitizers, fuzzing).
#include "catalogue/provider_catalogue.h"

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

ProviderCatalogue Parse(std::string_view text) {
  ProviderCatalogue catalogue;
  ParseProviderText(text, catalogue);
  return catalogue;
}

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
  for (const std::string line : {"a\0b;d;s;i;POP3"s, "a;d;s;i;PO\0P3"s, "a;d;s;i;POP3;ssl\0"s,
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

TEST(ProviderText, EntriesAreAppendedToWhatIsThere) {
  ProviderCatalogue c{Entry("kept", "", "", "", "")};
  ParseProviderText("n;d;s;i;POP3\n", c);
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0].name, "kept");
  EXPECT_EQ(c[1].name, "n");
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
  EXPECT_EQ(c.back().name, "p32766");
}

TEST(ProviderTextLimit, DataLinesPastTheLimitAreIgnored) {
  const ProviderCatalogue c = Parse(DataLines(32768));
  ASSERT_EQ(c.size(), 32767u);
  EXPECT_EQ(c.front().name, "p0");
  EXPECT_EQ(c.back().name, "p32766");  // the 32,768th line, p32767, is not there
  EXPECT_EQ(Parse(DataLines(40000)).size(), 32767u);
}

TEST(ProviderTextLimit, CommentsAndSkippedLinesDoNotCount) {
  const ProviderCatalogue c = Parse(DataLines(32768, 100));
  ASSERT_EQ(c.size(), 32767u);
  EXPECT_EQ(c.back().name, "p32766");
}

TEST(ProviderTextLimit, LimitCountsEntriesAlreadyThere) {
  ProviderCatalogue c;
  for (int i = 0; i < 32765; ++i) c.Append(ProviderEntry{});
  ParseProviderText(DataLines(5), c);
  ASSERT_EQ(c.size(), 32767u);
  EXPECT_EQ(c[32765].name, "p0");
  EXPECT_EQ(c[32766].name, "p1");
}

}  // namespace
}  // namespace qb
