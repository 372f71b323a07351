#pragma once
// A real MainForm on the scratch registry, started in a temporary folder that
// holds the providers.lst a test chose. Message boxes, help calls, fatal errors
// and the end of the program are recorded instead of shown.
#include <windows.h>

#include <memory>
#include <source_location>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/main_form.h"
#include "tests/support/recording_services.h"
#include "tests/support/temp_folder.h"

namespace qbtest {

class FormTest : public ::testing::Test, protected RecordingServices {
 protected:
  // Three presets: a POP3 one with a domain, an IMAP one (lower case) with a
  // domain, and one with an empty domain and servers.
  static const char kDefaultPresets[];

  void SetUp() override;
  void TearDown() override;

  // Starts the window with these presets (nullptr: no providers.lst at all).
  void Start(const char* presets = kDefaultPresets);
  void Start(const std::string& presetBytes);  // bytes that may hold a NUL

  qb::MainForm& form() { return *form_; }
  HWND Ctl(qb::ControlId id) { return form_->control(id); }
  std::wstring Text(qb::ControlId id);
  bool Enabled(qb::ControlId id) { return IsWindowEnabled(Ctl(id)) != FALSE; }
  void Type(qb::ControlId id, const std::wstring& text);   // sets the text (raises Change)
  void Focus(qb::ControlId id);                            // gives the control the focus
  void ChooseProvider(int index);                          // as the user picks an item
  void ClickRow(int index);                                // as the user clicks a row
  void Press(qb::ControlId id);                            // BN_CLICKED
  int Selected(qb::ControlId id);                          // selected index of provider or lista
  // Runs the queued messages through the program's event loop until the queue
  // stays empty; a queue that never empties fails the test after 30 seconds.
  void Pump();
  // Real keyboard input (SendInput) to the focused control, each chord pressed
  // and released in turn and its messages pumped: {{VK_MENU, VK_DOWN}} is Alt+Down.
  // A key that leaves the window in a modal loop (Alt alone enters the menu
  // bar, which waits for more keys) would hang the test: after 10 seconds the
  // test fails and Esc is pressed until the loop ends.
  void Keys(const std::vector<std::vector<WORD>>& strokes);
  std::vector<std::wstring> Rows();                        // the rows of lista
  // The state every refresh leaves: no provider, the entry fields empty and
  // locked, both action buttons off; the display name and the label kept.
  void ExpectRefreshed(const std::wstring& nome, const std::wstring& inboundLabel,
                       std::source_location where = std::source_location::current());

  // Message boxes shown after Start() returned (RecordingServices::messages);
  // those of the start-up itself are moved to startupMessages.
  std::vector<ShownMessage> startupMessages;

 private:
  std::unique_ptr<TempFolder> folder_;
  std::unique_ptr<CurrentDirectoryScope> inFolder_;  // the folder is current while a test runs
  std::unique_ptr<qb::MainForm> form_;
};

// One key going down or up, as SendInput takes it (a real key for the window).
INPUT KeyInput(WORD vk, bool up);

}  // namespace qbtest
