#pragma once
// The real program, started by a program-level test in a folder of its
// choosing, and ended when the test is done with it.
#include <windows.h>

#include <string>

#include "core/handles.h"

namespace qbe2e {

class ChildProcess {
 public:
  ChildProcess(const std::wstring& program, const std::wstring& folder) {
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    started_ = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              folder.c_str(), &si, &pi_) != 0;
    if (!started_) return;
    thread_.reset(pi_.hThread);
    process_.reset(pi_.hProcess);
  }
  ~ChildProcess() {
    if (!started_ || !running()) return;
    TerminateProcess(pi_.hProcess, 1);
    WaitForSingleObject(pi_.hProcess, 5000);  // its files can go only once it has let them go
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return started_; }
  DWORD id() const { return pi_.dwProcessId; }
  HANDLE handle() const { return pi_.hProcess; }
  bool running() const { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }

 private:
  PROCESS_INFORMATION pi_{};
  bool started_ = false;
  // Declared after pi_: closed when the object goes, after the destructor's body.
  qb::ObjectHandle thread_;
  qb::ObjectHandle process_;
};

}  // namespace qbe2e
