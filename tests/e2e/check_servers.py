#!/usr/bin/python3
"""Mail servers for the end-to-end check, on 127.0.0.1 only.

Makes a test root and a certificate for "localhost" with it, starts Dovecot
(POP3 over TLS) and aiosmtpd (SMTP with STARTTLS) with the mail-server suite's
own functions, and prints one "name value" line each: pop3s PORT, smtp PORT,
root DER-FILE, then "ready". Runs until it is terminated or the process OWNER
(the scenario) ends; then stops both servers and removes its folder.
Usage: check_servers.py FOLDER OWNER   (an empty folder of its own, a process id)
"""
import logging
import os
import signal
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "mailcheck"))
import servers  # noqa: E402

NAME = "localhost"  # /etc/hosts maps it to 127.0.0.1 and ::1 on every machine


def owner_runs(pid):
    try:
        os.kill(pid, 0)
        return True
    except ProcessLookupError:
        return False


def main():
    if len(sys.argv) != 3:
        servers.fail("arguments", "(give an empty folder and the scenario's process id)")
    folder, owner = sys.argv[1], int(sys.argv[2])
    os.chmod(folder, 0o755)  # Dovecot's own users reach its run folder below
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    dovecot = controllers = None
    # aiosmtpd logs each connection and its end: the scenario reads when a check is over.
    logging.basicConfig(filename=f"{folder}/smtp.log", level=logging.INFO)
    try:
        servers.make_server_key(folder)
        servers.make_root(folder, "root", "Quillbeck Test Root")
        servers.make_signed(folder, "good", NAME, "root", 30)
        ports = {name: servers.free_port() for name in ("pop3", "pop3s", "imap", "imaps",
                                                         "smtp", "smtp_starttls", "smtps")}
        dovecot = servers.start_dovecot(folder, ports)
        controllers = servers.start_smtp(folder, ports)
        print(f"pop3s {ports['pop3s']}\nsmtp {ports['smtp_starttls']}\nroot {folder}/root.der\n"
              f"pop3log {folder}/dovecot.log\nsmtplog {folder}/smtp.log\nready", flush=True)
        while owner_runs(owner):
            time.sleep(0.2)
    finally:
        servers.stop_servers(folder, dovecot, controllers)


if __name__ == "__main__":
    main()
