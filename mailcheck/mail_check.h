#pragma once
// One check of an account's mail servers, run on the window's own thread:
// non-blocking sockets report to the window (WSAAsyncSelect), a timer per
// server holds the time limits, and the TLS handshake is driven by the same
// read events. Only what blocks runs on short-lived helper threads, which
// post their result back: name resolution (getaddrinfo) and the building of
// the certificate chain. The servers of one check are checked at once.
#include <winsock2.h>

#include <memory>
#include <string>
#include <vector>

#include "mailcheck/server_check.h"

namespace qb::mailcheck {

// The window messages and timer ids a check uses; the window hands every one
// of them to its check (or to DiscardCheckMessage when it has none).
bool IsCheckMessage(UINT msg, WPARAM wParam);
// Frees what a helper thread posted for a check that is gone.
void DiscardCheckMessage(UINT msg, LPARAM lParam);

class MailCheck {
 public:
  // Starts checking at once; the window must route the check's messages.
  MailCheck(HWND window, std::vector<ServerTarget> targets, Limits limits, NameResolver resolver);
  // Abandons what is still running: sockets closed, timers stopped; what a
  // helper thread posts later is discarded.
  ~MailCheck();
  MailCheck(const MailCheck&) = delete;
  MailCheck& operator=(const MailCheck&) = delete;

  void OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  bool Finished() const;
  // One result per target, in the targets' order; final once Finished().
  const std::vector<ServerResult>& results() const { return results_; }

  struct Server;  // one server's progress (mail_check.cpp)

 private:
  HWND window_;
  unsigned id_;
  Limits limits_;
  std::vector<ServerResult> results_;
  std::vector<std::unique_ptr<Server>> servers_;
};

}  // namespace qb::mailcheck
