#pragma once
// The services of a MainForm that reach the user or the system (message boxes,
// help, fatal errors, the end of the program), recorded instead of carried out,
// so that a test or a benchmark can drive a real window and see what it asked.
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "tests/support/loopback_names.h"

namespace qbtest {

struct ShownMessage {
  std::wstring text;
  std::wstring title;
  UINT type;
};

struct HelpCall {
  HWND owner;
  std::wstring file;
  UINT command;
  std::wstring topic;  // for HH_DISPLAY_TOPIC
  DWORD_PTR data;
};

class RecordingServices {
 public:
  // Services that record into this object, which must outlive the form.
  qb::MainForm::Services services();

  // Answers for the next message boxes (IDNO when none is queued).
  std::deque<int> answers;
  std::vector<ShownMessage> messages;
  // Runs as each message box is shown (the window state can be looked at then).
  std::function<void()> whenMessageShown;
  // Runs as a fatal error is reported, before it is recorded.
  std::function<void()> whenFatal;
  std::vector<HelpCall> helpCalls;
  std::vector<qb::AppError> fatalErrors;
  int endedCount = 0;
  // The mail server names the window's checks may resolve, to loopback only;
  // none by default, so a check started by an add finds no server at all.
  std::shared_ptr<LoopbackNames> serverNames = std::make_shared<LoopbackNames>();
};

}  // namespace qbtest
