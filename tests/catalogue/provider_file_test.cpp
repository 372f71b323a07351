// Reading providers.lst from the current directory. Every test runs in a fresh
// temporary folder that is made the current directory and removed afterwards.
#include "catalogue/provider_file.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/app_error.h"
#include "tests/support/temp_folder.h"
#include "core/handles.h"

namespace qb {
namespace {

using namespace std::string_literals;

void WriteBytes(const std::string& name, const std::string& bytes) {
  ASSERT_TRUE(qbtest::WriteFileBytes(name, bytes)) << "cannot write " << name;
}

// Runs the test with a fresh, empty current directory and puts the old one back.
class ProviderFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.created()) << "cannot create a temporary folder";
    inFolder_.emplace(folder_.path());
    ASSERT_TRUE(inFolder_->entered());
    current_ = qbtest::CurrentDirectory();  // as the system spells it
  }
  void TearDown() override { inFolder_.reset(); }

  // The AppError that loading raises, or number -1 when it raises nothing.
  static AppError LoadError(const std::string& name = kProviderFileName) {
    try {
      LoadProviderFile(name);
    } catch (const AppError& e) {
      return e;
    }
    return AppError(-1, "no error raised");
  }

  qbtest::TempFolder folder_{"qb-catalogue"};
  std::optional<qbtest::CurrentDirectoryScope> inFolder_;
  std::string current_;
};

TEST_F(ProviderFileTest, ReadsTheEntriesOfTheFile) {
  WriteBytes("providers.lst",
            "# Quillbeck\r\n"
            "Quillbeck Mail;quillbeck.it;mail.quillbeck.it;pop.quillbeck.it;POP3\r\n"
            "Quillbeck IMAP;quillbeck.it;mail.quillbeck.it;imap.quillbeck.it;IMAP\r\n"
            "Altro;;;;POP3\r\n");
  const ProviderCatalogue c = LoadProviderFile();
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c[0], (ProviderEntry{"Quillbeck Mail", "quillbeck.it", "mail.quillbeck.it", "pop.quillbeck.it", "POP3", {}}));
  EXPECT_EQ(c[1].incomingServer, "imap.quillbeck.it");
  EXPECT_EQ(c[2], (ProviderEntry{"Altro", "", "", "", "POP3", {}}));
}

TEST_F(ProviderFileTest, EmptyFileGivesAnEmptyCatalogue) {
  WriteBytes("providers.lst", "");
  EXPECT_TRUE(LoadProviderFile().empty());
  WriteBytes("providers.lst", "# nothing but comments\r\n\r\n");
  EXPECT_TRUE(LoadProviderFile().empty());
}

// The ANSI checks want Windows-1252, which Wine takes from the C and the
// western locales; another code page would turn them into wrong expectations.
void ExpectWindows1252() {
  ASSERT_EQ(GetACP(), 1252u) << "these checks need the ANSI code page 1252 (run under a western or C locale)";
}

TEST_F(ProviderFileTest, AnsiBytesBecomeUtf8) {
  // Not valid UTF-8 (C0 80 is an overlong form), so the whole file is ANSI:
  // Windows-1252 here, where 80 is the euro sign.
  ExpectWindows1252();
  WriteBytes("providers.lst", "Posta \xE8 \xC0\x80\xFF;d\xF9.it;s;i;POP3\r\n"s);
  const ProviderCatalogue c = LoadProviderFile();
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0].name, "Posta \xC3\xA8 \xC3\x80\xE2\x82\xAC\xC3\xBF");
  EXPECT_EQ(c[0].domain, "d\xC3\xB9.it");
}

// The same two presets in every encoding an editor may save: the entries
// always hold UTF-8.
std::string Utf16(const std::string& ascii, bool bigEndian, bool marked = true) {
  std::string out = !marked ? "" : bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char c : ascii) {
    // Latin-1 letters only: each is the UTF-16 unit of the same number.
    out += bigEndian ? '\0' : c;
    out += bigEndian ? c : '\0';
  }
  return out;
}

TEST_F(ProviderFileTest, EveryEncodingGivesUtf8Entries) {
  const std::string latin1 = "# elenco\r\nPosta Citt\xE0;citt\xE0.it;smtp.citt\xE0.it;pop.citt\xE0.it;POP3;ssl in=995\r\n"
                             "Altro;;;;IMAP\r\n";
  const std::string utf8 =
      "# elenco\r\nPosta Citt\xC3\xA0;citt\xC3\xA0.it;smtp.citt\xC3\xA0.it;pop.citt\xC3\xA0.it;POP3;ssl in=995\r\n"
      "Altro;;;;IMAP\r\n";
  const struct {
    const char* what;
    std::string bytes;
  } files[] = {
      {"UTF-8 with a byte order mark", "\xEF\xBB\xBF" + utf8},
      {"UTF-8 without a mark", utf8},
      {"UTF-16 LE", Utf16(latin1, false)},
      {"UTF-16 BE", Utf16(latin1, true)},
      {"UTF-16 LE without a mark", Utf16(latin1, false, false)},
      {"UTF-16 BE without a mark", Utf16(latin1, true, false)},
      {"ANSI (Windows-1252 under Wine)", latin1},
  };
  ExpectWindows1252();
  ProviderEntry citta{"Posta Citt\xC3\xA0", "citt\xC3\xA0.it", "smtp.citt\xC3\xA0.it", "pop.citt\xC3\xA0.it", "POP3", {}};
  citta.settings.ssl = true;
  citta.settings.incomingPort = 995;
  for (const auto& f : files) {
    WriteBytes("providers.lst", f.bytes);
    const ProviderCatalogue c = LoadProviderFile();
    ASSERT_EQ(c.size(), 2u) << f.what;
    EXPECT_EQ(c[0], citta) << f.what;
    EXPECT_EQ(c[1], (ProviderEntry{"Altro", "", "", "", "IMAP", {}})) << f.what;
    EXPECT_TRUE(c.problems().empty()) << f.what;
  }
}

TEST_F(ProviderFileTest, MarkFirstIsNoPartOfTheFirstLine) {
  // Without the mark dropped, the first line would be no comment and its name
  // would start with three more bytes.
  for (const std::string& mark : {"\xEF\xBB\xBF"s, "\xFF\xFE"s, "\xFE\xFF"s}) {
    const std::string text = "#;a;b;c;POP3\r\nn;d;s;i;POP3\r\n";
    WriteBytes("providers.lst", mark == "\xEF\xBB\xBF" ? mark + text : Utf16(text, mark == "\xFE\xFF"));
    const ProviderCatalogue c = LoadProviderFile();
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].name, "n");
  }
}

TEST_F(ProviderFileTest, InvalidUtf8AfterAMarkIsReplacedNotReadAsAnsi) {
  WriteBytes("providers.lst", "\xEF\xBB\xBFPosta Citt\xE0;citt\xC3\xA0.it;s;i;POP3\r\n");
  const ProviderCatalogue c = LoadProviderFile();
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0].name, "Posta Citt\xEF\xBF\xBD");
  EXPECT_EQ(c[0].domain, "citt\xC3\xA0.it");
}

TEST_F(ProviderFileTest, NulInALineRejectsItWithItsLineNumber) {
  WriteBytes("providers.lst", "# uno\r\nA;a.it;s;i;POP3\r\nB;b.it;s;i;PO\0P3\r\nC;c.it;s;i;IMAP\r\n"s);
  const ProviderCatalogue c = LoadProviderFile();
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0].name, "A");
  EXPECT_EQ(c[1].name, "C");
  EXPECT_EQ(c.problems(), (std::vector<ProviderProblem>{{ProviderProblem::Kind::NulByte, 3, ""}}));
}

TEST_F(ProviderFileTest, Utf16ZeroBytesAreNoNuls) {
  WriteBytes("providers.lst", Utf16("A;a.it;s;i;POP3\r\n", false));
  const ProviderCatalogue c = LoadProviderFile();
  ASSERT_EQ(c.size(), 1u);
  EXPECT_TRUE(c.problems().empty());
}

TEST_F(ProviderFileTest, NulBytesInNoFormOfUtf16AreAnEncodingItCannotRead) {
  // UTF-32 LE: three NUL bytes after every ASCII letter.
  std::string utf32;
  for (char ch : "A;a.it;s;i;POP3\r\nB;b.it;s;i;POP3\r\n"s) utf32 += std::string(1, ch) + "\0\0\0"s;
  WriteBytes("providers.lst", utf32);
  const ProviderCatalogue c = LoadProviderFile();
  EXPECT_TRUE(c.empty());
  EXPECT_EQ(c.problems(), (std::vector<ProviderProblem>{{ProviderProblem::Kind::UnreadableEncoding, 0, ""}}));
}

// The line numbers of the warning are those an editor shows, whatever comes
// before the line: a mark, line breaks of every kind, skipped lines.
TEST_F(ProviderFileTest, ProblemsNameTheLinesOfTheFileItself) {
  const std::string text =
      "# presets\r\n"            // 1
      "A;a.it;s;i;POP\n"          // 2
      "\r"                        // 3
      "B;b.it;s;i;PO\0P3\r\n"s     // 4
      "\n"                        // 5
      "too;few\r"                 // 6
      "C;c.it;;i;POP3\n\r"         // 7, and 8 (LF CR is two breaks)
      "D;d.it;s;i;IMAP;in=x\r\n";  // 9
  const std::vector<ProviderProblem> want = {{ProviderProblem::Kind::UnknownProtocol, 2, "POP"},
                                             {ProviderProblem::Kind::NulByte, 4, ""},
                                             {ProviderProblem::Kind::MissingServer, 7, ""},
                                             {ProviderProblem::Kind::BadSetting, 9, "in=x"}};
  const struct {
    const char* what;
    std::string bytes;
  } files[] = {
      {"UTF-8 with a mark", "\xEF\xBB\xBF" + text},
      {"no mark", text},
      {"UTF-16 LE", Utf16(text, false)},
      {"UTF-16 BE without a mark", Utf16(text, true, false)},
  };
  for (const auto& f : files) {
    WriteBytes("providers.lst", f.bytes);
    const ProviderCatalogue c = LoadProviderFile();
    EXPECT_EQ(c.size(), 3u) << f.what;
    EXPECT_EQ(c.problems(), want) << f.what;
  }
}

TEST_F(ProviderFileTest, TheFileIsLookedUpInTheCurrentDirectory) {
  WriteBytes("providers.lst", "here;d;s;i;POP3\r\n");
  const qbtest::TempFolder other("qb-catalogue");
  ASSERT_TRUE(other.created());
  WriteBytes(other.path() + "\\providers.lst", "there;d;s;i;IMAP\r\n");

  EXPECT_EQ(LoadProviderFile()[0].name, "here");
  ASSERT_TRUE(other.MakeCurrent());
  EXPECT_EQ(LoadProviderFile()[0].name, "there");
  ASSERT_TRUE(folder_.MakeCurrent());
}

TEST_F(ProviderFileTest, LargeFileIsReadToTheEnd) {
  // Far larger than one read: about 3 MB; every line is read, the limit applies.
  std::string text;
  for (int i = 0; i < 40000; ++i) {
    const std::string n = std::to_string(i);
    text.append("Provider ").append(n).append(";dominio-").append(n);
    text.append(".quillbeck.it;smtp.quillbeck.it;pop.quillbeck.it;POP3\r\n");
  }
  WriteBytes("providers.lst", text);
  const ProviderCatalogue c = LoadProviderFile();
  ASSERT_EQ(c.size(), kMaxProviderEntries);
  EXPECT_EQ(c[16384].name, "Provider 16384");
  EXPECT_EQ(c[c.size() - 1].name, "Provider 32766");
  EXPECT_EQ(c[c.size() - 1].domain, "dominio-32766.quillbeck.it");
}

TEST_F(ProviderFileTest, FileOpenForWritingElsewhereCanStillBeRead) {
  WriteBytes("providers.lst", "n;d;s;i;POP3\r\n");
  const qb::FileHandle editor(CreateFileA("providers.lst", GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(editor.valid());
  EXPECT_EQ(LoadProviderFile().size(), 1u);
}

// ---------------------------------------------------------------------------
// Errors

TEST_F(ProviderFileTest, MissingFileIsError53NamingFileAndFolder) {
  const AppError e = LoadError();
  EXPECT_EQ(e.number(), 53);
  EXPECT_NE(e.description().find("\"providers.lst\""), std::string::npos) << e.description();
  EXPECT_NE(e.description().find("\"" + current_ + "\""), std::string::npos) << e.description();
  EXPECT_NE(e.description().find("not found"), std::string::npos) << e.description();
}

TEST_F(ProviderFileTest, MissingFileOfAnotherNameNamesThatFile) {
  WriteBytes("providers.lst", "n;d;s;i;POP3\r\n");
  const AppError e = LoadError("altri.lst");
  EXPECT_EQ(e.number(), 53);
  EXPECT_NE(e.description().find("\"altri.lst\""), std::string::npos) << e.description();
}

TEST_F(ProviderFileTest, FolderNamedLikeTheFileIsError75) {
  ASSERT_TRUE(CreateDirectoryA("providers.lst", nullptr));
  const AppError e = LoadError();
  EXPECT_EQ(e.number(), 75);
  EXPECT_NE(e.description().find("\"providers.lst\""), std::string::npos) << e.description();
  EXPECT_NE(e.description().find("\"" + current_ + "\""), std::string::npos) << e.description();
}

// Named through the wide calls: on a Western system the ANSI ones say "Lódz".
TEST_F(ProviderFileTest, TheFolderIsNamedWithAllItsLetters) {
  const std::wstring name = L"\u0141\u00F3d\u017A";
  ASSERT_TRUE(CreateDirectoryW(name.c_str(), nullptr));
  ASSERT_TRUE(SetCurrentDirectoryW(name.c_str()));
  const AppError missing = LoadError();
  ASSERT_TRUE(CreateDirectoryA("providers.lst", nullptr));
  const AppError unreadable = LoadError();
  std::wstring folder;
  try {
    LoadProviderFile();
  } catch (const ProviderFileError& e) {
    folder = e.folder();
  }
  RemoveDirectoryA("providers.lst");
  SetCurrentDirectoryW(L"..");
  RemoveDirectoryW(name.c_str());
  EXPECT_EQ(missing.number(), 53);
  EXPECT_EQ(unreadable.number(), 75);
  EXPECT_EQ(folder.substr(folder.size() - 5), L"\\" + name);
  for (const AppError* e : {&missing, &unreadable})
    EXPECT_NE(e->description().find("\\\xC5\x81\xC3\xB3\x64\xC5\xBA\""), std::string::npos) << e->description();
}

TEST_F(ProviderFileTest, FileLockedByAnotherHandleIsError75) {
  WriteBytes("providers.lst", "n;d;s;i;POP3\r\n");
  qb::FileHandle locker(
      CreateFileA("providers.lst", GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(locker.valid());
  const AppError e = LoadError();
  locker.reset();
  EXPECT_EQ(e.number(), 75);
  EXPECT_NE(e.description().find("\"providers.lst\""), std::string::npos) << e.description();
  // Once the other handle is gone the file reads again: the loader kept no handle of its own.
  EXPECT_EQ(LoadProviderFile().size(), 1u);
}

TEST_F(ProviderFileTest, LoaderClosesTheFile) {
  WriteBytes("providers.lst", "n;d;s;i;POP3\r\n");
  ASSERT_EQ(LoadProviderFile().size(), 1u);
  // An open handle left behind would keep the file from being deleted.
  EXPECT_TRUE(DeleteFileA("providers.lst"));
}

// ---------------------------------------------------------------------------
// The sample shipped beside the program

TEST(SampleProviders, SampleIsAValidCatalogue) {
  ProviderCatalogue c;
  {
    const qbtest::CurrentDirectoryScope inSamples(QB_SAMPLE_PROVIDERS_DIR);
    ASSERT_TRUE(inSamples.entered()) << QB_SAMPLE_PROVIDERS_DIR;
    try {
      c = LoadProviderFile();
    } catch (const AppError& e) {
      ADD_FAILURE() << e.number() << " " << e.description();
    }
  }

  ASSERT_GE(c.size(), 3u);
  // The first preset makes the default account: it is a complete POP3 preset.
  EXPECT_EQ(c[0].incomingProtocol, "POP3");
  EXPECT_FALSE(c[0].domain.empty());
  bool imap = false;
  bool open = false;
  for (std::size_t i = 0; i < c.size(); ++i) {
    const ProviderEntry e = c[i];
    EXPECT_TRUE(e.incomingProtocol == "POP3" || e.incomingProtocol == "IMAP") << e.name;
    EXPECT_FALSE(e.name.empty());
    EXPECT_NE(e.name.front(), ' ') << e.name;
    EXPECT_NE(e.name.back(), ' ') << e.name;
    for (const std::string* host : {&e.domain, &e.smtpServer, &e.incomingServer}) {
      EXPECT_EQ(host->find_first_of(" \t"), std::string::npos) << "blank in a domain or server: " << *host;
    }
    if (e.incomingProtocol == "IMAP") imap = true;
    if (e.domain.empty()) {
      open = true;
      EXPECT_TRUE(e.smtpServer.empty() && e.incomingServer.empty()) << e.name;
    } else {
      EXPECT_FALSE(e.smtpServer.empty() || e.incomingServer.empty()) << e.name;
    }
  }
  EXPECT_TRUE(imap);
  EXPECT_TRUE(open);
  // The sample shows the settings field, and every word in it is valid.
  EXPECT_TRUE(c.problems().empty());
  bool settings = false;
  for (std::size_t i = 0; i < c.size(); ++i) {
    const ServerSettings s = c[i].settings;
    if (s.ssl && s.incomingPort && s.outgoingPort && s.auth && s.loginAddress) settings = true;
  }
  EXPECT_TRUE(settings);
}

}  // namespace
}  // namespace qb
