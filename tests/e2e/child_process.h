#pragma once
// The real program, started by a program-level test in a folder of its
// choosing, and ended when the test is done with it.
#include <windows.h>

#include <string>

namespace qbe2e {

class ChildProcess {
 public:
  ChildProcess(const std::wstring& program, const std::wstring& folder) {
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    started_ = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              folder.c_str(), &si, &pi_) != 0;
  }
  ~ChildProcess() {
    if (!started_) return;
    if (running()) {
      TerminateProcess(pi_.hProcess, 1);
      WaitForSingleObject(pi_.hProcess, 5000);  // its files can go only once it has let them go
    }
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
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
};

}  // namespace qbe2e
