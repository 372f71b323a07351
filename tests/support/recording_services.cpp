#include "tests/support/recording_services.h"

namespace qbtest {

qb::MainForm::Services RecordingServices::services() {
  qb::MainForm::Services services;
  services.messageBox = [this](HWND, const std::wstring& text, const std::wstring& title, UINT type) {
    messages.push_back({text, title, type});
    if (whenMessageShown) whenMessageShown();
    if (answers.empty()) return IDNO;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  };
  services.help = [this](HWND owner, const std::wstring& file, UINT command, DWORD_PTR data) {
    helpCalls.push_back({owner, file, command,
                         command == 0 ? std::wstring(reinterpret_cast<const wchar_t*>(data)) : std::wstring(), data});
  };
  services.fatal = [this](HWND, const qb::AppError& error) {
    if (whenFatal) whenFatal();
    fatalErrors.push_back(error);
  };
  services.ended = [this] { ++endedCount; };
  services.resolveName = LoopbackResolver(serverNames);
  return services;
}

}  // namespace qbtest
