#!/usr/bin/python3
"""Runs the mail-server check's tests against real servers on 127.0.0.1.

Makes the certificates with openssl, starts Dovecot (POP3 and IMAP, plain and
TLS), aiosmtpd (plain, STARTTLS, TLS from the first byte) and the misbehaving
servers below, all on free ports of 127.0.0.1 only; runs the test program
given as arguments with QB_CHECK_SERVERS naming a file of "name port" lines
and QB_CHECK_ROOT the test root to trust; then stops every server and removes
its files, whatever happened. Exits with the test program's status.
"""
import asyncio
import os
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time

GOOD_NAME = "mail.prova.test"
OTHER_NAME = "altro.prova.test"


def fail(step, detail=""):
    sys.exit(f"error: servers.py: {step} failed {detail}".rstrip())


def run(step, *command):
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        fail(step, f"with status {result.returncode}: {result.stderr.strip()[:400]}")


def make_root(folder, name, subject):
    run(f"root {name}", "openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
        f"{folder}/{name}.key", "-out", f"{folder}/{name}.pem", "-subj", f"/CN={subject}", "-days", "30")
    run(f"{name} in DER", "openssl", "x509", "-in", f"{folder}/{name}.pem", "-outform", "DER", "-out",
        f"{folder}/{name}.der")


def make_server_key(folder):
    """The servers' certificates share one key: making RSA keys is most of the time here."""
    run("server key", "openssl", "genrsa", "-out", f"{folder}/server.key", "2048")


def make_signed(folder, name, subject, issuer, days):
    """A server certificate for `subject`, signed by the root `issuer` (None: by itself)."""
    shutil.copy(f"{folder}/server.key", f"{folder}/{name}.key")
    run(f"request {name}", "openssl", "req", "-new", "-key", f"{folder}/{name}.key", "-out",
        f"{folder}/{name}.csr", "-subj", f"/CN={subject}")
    with open(f"{folder}/{name}.ext", "w") as ext:
        ext.write(f"subjectAltName=DNS:{subject}\nextendedKeyUsage=serverAuth\n")
    signer = ["-CA", f"{folder}/{issuer}.pem", "-CAkey", f"{folder}/{issuer}.key"] if issuer else \
             ["-signkey", f"{folder}/{name}.key"]
    run(f"certificate {name}", "openssl", "x509", "-req", "-in", f"{folder}/{name}.csr", *signer,
        "-days", str(days), "-extfile", f"{folder}/{name}.ext", "-out", f"{folder}/{name}.pem")


def make_certificates(folder):
    """The test root, a second root nobody trusts, and the servers' certificates."""
    make_server_key(folder)
    make_root(folder, "root", "Quillbeck Test Root")
    make_root(folder, "stranger", "Untrusted Test Root")
    make_signed(folder, "good", GOOD_NAME, "root", 30)
    make_signed(folder, "other", OTHER_NAME, "root", 30)
    make_signed(folder, "expired", GOOD_NAME, "root", -1)
    make_signed(folder, "selfsigned", GOOD_NAME, None, 30)
    make_signed(folder, "strangers", GOOD_NAME, "stranger", 30)


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def tls_context(folder, name):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(f"{folder}/{name}.pem", f"{folder}/{name}.key")
    return context


def only_cipher(context):
    """TLS 1.2 with one cipher (ARIA) that the client does not offer: the server ends the handshake."""
    context.maximum_version = ssl.TLSVersion.TLSv1_2
    context.set_ciphers("ECDHE-ARIA256-GCM-SHA384")
    return context


DOVECOT_CONF = """
base_dir = {folder}/dovecot-run
state_dir = {folder}/dovecot-state
log_path = {folder}/dovecot.log
protocols = pop3 imap
listen = 127.0.0.1
ssl = yes
ssl_cert = <{folder}/good.pem
ssl_key = <{folder}/good.key
mail_location = maildir:{folder}/mail/%u
default_internal_user = dovecot
default_login_user = dovenull
passdb {{
  driver = static
  args = password=unused
}}
userdb {{
  driver = static
  args = uid=dovecot gid=dovecot home={folder}/mail/%u
}}
service pop3-login {{
  inet_listener pop3 {{
    port = {pop3}
  }}
  inet_listener pop3s {{
    port = {pop3s}
    ssl = yes
  }}
}}
service imap-login {{
  inet_listener imap {{
    port = {imap}
  }}
  inet_listener imaps {{
    port = {imaps}
    ssl = yes
  }}
}}
"""


def wait_for_port(port, step, seconds=15):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1) as s:
                s.recv(64)  # Dovecot greets once it is ready
                return
        except OSError:
            time.sleep(0.1)
    fail(step, f"(nothing answers on port {port})")


def start_dovecot(folder, ports):
    conf = f"{folder}/dovecot.conf"
    with open(conf, "w") as f:
        f.write(DOVECOT_CONF.format(folder=folder, **ports))
    process = subprocess.Popen(["/usr/sbin/dovecot", "-F", "-c", conf], stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE, start_new_session=True)
    for name in ("pop3", "imap"):
        wait_for_port(ports[name], f"starting Dovecot ({folder}/dovecot.log)")
    return process


def start_smtp(folder, ports):
    from aiosmtpd.controller import Controller
    from aiosmtpd.handlers import Sink
    controllers = [
        Controller(Sink(), hostname="127.0.0.1", port=ports["smtp"]),  # offers no STARTTLS
        Controller(Sink(), hostname="127.0.0.1", port=ports["smtp_starttls"],
                   tls_context=tls_context(folder, "good")),
        Controller(Sink(), hostname="127.0.0.1", port=ports["smtps"], ssl_context=tls_context(folder, "good")),
    ]
    for controller in controllers:
        controller.start()
    return controllers


async def greet_and_wait(reader, writer, greeting):
    """Says `greeting` (None: nothing), then waits until the client leaves."""
    try:
        if greeting is not None:
            writer.write(greeting)
            await writer.drain()
        while await reader.read(1024):
            pass
    except (OSError, ssl.SSLError):
        pass
    finally:
        writer.close()


async def close_at_once(reader, writer):
    writer.close()


def start_misbehaving(folder, ports):
    """Servers that greet with another protocol, never greet, close at once, and
    POP3 over TLS with certificates that must fail."""
    loop = asyncio.new_event_loop()
    started = threading.Event()

    def handler(greeting):
        return lambda r, w: greet_and_wait(r, w, greeting)

    async def serve():
        pop3 = b"+OK test server ready\r\n"
        servers = [
            (ports["silent"], handler(None), None),
            (ports["closes"], close_at_once, None),
            (ports["http"], handler(b"HTTP/1.1 400 Bad Request\r\nContent-Type: text/html\r\n\r\n<html>"), None),
            (ports["tls_other"], handler(pop3), tls_context(folder, "other")),
            (ports["tls_expired"], handler(pop3), tls_context(folder, "expired")),
            (ports["tls_selfsigned"], handler(pop3), tls_context(folder, "selfsigned")),
            (ports["tls_strangers"], handler(pop3), tls_context(folder, "strangers")),
        ]
        for port, callback, context in servers:
            await asyncio.start_server(callback, "127.0.0.1", port, ssl=context)
        started.set()

    thread = threading.Thread(target=lambda: (loop.run_until_complete(serve()), loop.run_forever()), daemon=True)
    # asyncio drops the connection without the alert when a handshake fails; a
    # plain TLS socket sends it, as mail servers do.
    refusing = socket.create_server(("127.0.0.1", ports["tls_cipher"]))
    context = only_cipher(tls_context(folder, "good"))

    def refuse_handshakes():
        while True:
            try:
                client, _ = refusing.accept()
            except OSError:
                return  # closed: the run is over
            try:
                context.wrap_socket(client, server_side=True).close()
            except (OSError, ssl.SSLError):
                client.close()

    threading.Thread(target=refuse_handshakes, daemon=True).start()
    thread.start()
    if not started.wait(15):
        fail("starting the misbehaving servers")
    return loop, thread


def stop_servers(folder, dovecot, controllers):
    """Stops Dovecot and the SMTP servers (either may be None) and removes the folder."""
    for controller in controllers or []:
        controller.stop()
    if dovecot:
        dovecot.terminate()
        try:
            dovecot.wait(10)
        except subprocess.TimeoutExpired:
            os.killpg(dovecot.pid, 9)
            dovecot.wait()
    shutil.rmtree(folder, ignore_errors=True)


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def main():
    if len(sys.argv) < 2:
        fail("arguments", "(give the test program to run)")
    folder = tempfile.mkdtemp(prefix="qb-mailcheck-")
    os.chmod(folder, 0o755)  # Dovecot's own users reach its run folder below
    dovecot = controllers = loop = None
    try:
        make_certificates(folder)
        names = ["pop3", "pop3s", "imap", "imaps", "smtp", "smtp_starttls", "smtps", "silent", "closes", "http",
                 "tls_other", "tls_expired", "tls_selfsigned", "tls_strangers", "tls_cipher", "refused"]
        ports = {name: free_port() for name in names}  # "refused": nothing listens there
        dovecot = start_dovecot(folder, ports)
        controllers = start_smtp(folder, ports)
        loop, _ = start_misbehaving(folder, ports)
        with open(f"{folder}/servers.txt", "w") as f:
            for name, port in ports.items():
                f.write(f"{name} {port}\n")
        env = dict(os.environ, QB_CHECK_SERVERS=windows_path(f"{folder}/servers.txt"),
                   QB_CHECK_ROOT=windows_path(f"{folder}/root.der"))
        return subprocess.run(sys.argv[1:], env=env).returncode
    finally:
        if loop:
            loop.call_soon_threadsafe(loop.stop)
        stop_servers(folder, dovecot, controllers)


if __name__ == "__main__":
    sys.exit(main())
