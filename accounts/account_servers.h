#pragma once
// The mail servers an account key names, as the mail client reads them: the
// servers, their ports and their security, for the mail-server check.
#include <string>
#include <vector>

#include "mailcheck/server_check.h"

namespace qb {

// Every incoming server the key names ("POP3 Server", "IMAP Server"), then
// "SMTP Server"; empty when the key is gone or names none.
std::vector<mailcheck::ServerTarget> ReadAccountServers(const std::wstring& keyName);

}  // namespace qb
