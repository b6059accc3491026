#!/usr/bin/env bash
# Starts and stops real mail servers on loopback for the network tests and the
# mail benchmark. Every server runs from a rig folder of its own, listens on
# 127.0.0.1 (or the address given) at the port given, and is stopped by the
# process id recorded here.
#
#   netrig.sh start dovecot   RIG PORT [ADDR] POP3, user "player" / "secret";
#                                             the preset postboxes
#                                             postbox1@game.test to
#                                             postbox50@game.test / "postbox"
#                                             read the same mailbox
#   netrig.sh start opensmtpd RIG PORT [ADDR] SMTP without login, delivering
#                                             player@game.test into the
#                                             dovecot mailbox of the same RIG,
#                                             turns@game.test (the game's turn
#                                             mailbox) into RIG/turns/Maildir and
#                                             archive@game.test (the archive
#                                             copy) into RIG/archive/Maildir
#   netrig.sh start aiosmtpd  RIG PORT        SMTP with AUTH PLAIN/LOGIN
#                                             (player / secret); each mail is
#                                             written to RIG/aiosmtpd/N.eml
#   netrig.sh start vsftpd RIG PORT [ADDR] DIR
#                                             FTP serving a copy of DIR
#                                             read-only to anonymous (the
#                                             password is asked, any is taken),
#                                             passive ports as the system gives
#   netrig.sh start ngircd    RIG PORT [ADDR] [authping]
#                                             IRC server "irc.game.test" with a
#                                             message of the day, nicknames of
#                                             up to 30 characters, the channel
#                                             #Orvel; "authping" makes every
#                                             client answer a PING first
#   netrig.sh stop RIG                        stops every server of RIG
#   netrig.sh have dovecot|opensmtpd|aiosmtpd|vsftpd
#                                             exit 0 when the server is installed
#
# ADDR is the loopback address to listen on, 127.0.0.1 unless given: a host
# of its own (127.x.y.z) lets SMTP and POP3 both listen on their standard
# ports, as they do on one mail host.
# Exit status 0 when the server answers on its port, 2 when it is not
# installed, 1 on any other failure (the server's log is printed).
set -u

cmd=${1:-}; kind=${2:-}; rig=${3:-}; port=${4:-}; addr=${5:-127.0.0.1}; served=${6:-}
# vsftpd's folder comes last; the address before it may be left out.
if [ "$kind" = vsftpd ] && [ -z "$served" ] && [ -n "${5:-}" ] && [ -d "${5:-}" ]; then
  served=$5; addr=127.0.0.1
fi
# ngircd's "authping" likewise.
if [ "$kind" = ngircd ] && [ "${5:-}" = authping ]; then
  served=authping; addr=127.0.0.1
fi
PY=/usr/bin/python3   # Debian's Python carries the aiosmtpd module

have() {
  case "$1" in
    dovecot) [ -x /usr/sbin/dovecot ] && [ -d /usr/lib/dovecot ] && [ -x /usr/lib/dovecot/pop3-login ] ;;
    opensmtpd) [ -x /usr/sbin/smtpd ] ;;
    aiosmtpd) [ -x "$PY" ] && "$PY" -c 'import aiosmtpd' 2>/dev/null ;;
    vsftpd) [ -x /usr/sbin/vsftpd ] ;;
    ngircd) [ -x /usr/sbin/ngircd ] ;;
    *) return 1 ;;
  esac
}

# A note for the test's own output (descriptor 3 when the caller opened it).
note() {
  if { true >&3; } 2>/dev/null; then echo "$*" >&3; else echo "$*" >&2; fi
}

wait_port() {  # port, pid to watch (or empty), seconds (15 by default)
  local i
  for i in $(seq 1 $(( ${3:-15} * 10 ))); do
    if (exec 3<>"/dev/tcp/$addr/$1") 2>/dev/null; then return 0; fi
    if [ -n "${2:-}" ] && ! kill -0 "$2" 2>/dev/null; then return 1; fi
    sleep 0.1
  done
  return 1
}

stop_pid() {  # pid file; waits up to 10 s for the process to end
  local f=$1 pid i
  [ -f "$f" ] || return 0
  pid=$(cat "$f" 2>/dev/null)
  rm -f "$f"
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || return 0
  for i in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null
  return 0
}

mailbox_setup() {
  mkdir -p "$rig/dovecot/mail/player/Maildir/new" "$rig/dovecot/mail/player/Maildir/cur" \
           "$rig/dovecot/mail/player/Maildir/tmp"
}

start_dovecot() {
  local d=$rig/dovecot
  mkdir -p "$d/run/state"
  mailbox_setup
  printf 'player:{PLAIN}secret\n' > "$d/users"
  local n
  for n in $(seq 1 50); do
    printf 'postbox%d@game.test:{PLAIN}postbox\n' "$n" >> "$d/users"
    ln -sfn player "$d/mail/postbox$n@game.test"
  done
  cat > "$d/dovecot.conf" <<EOF
protocols = pop3
listen = $addr
base_dir = $d/run
state_dir = $d/run/state
log_path = $d/dovecot.log
ssl = no
disable_plaintext_auth = no
auth_mechanisms = plain login
default_internal_user = dovecot
default_internal_group = dovecot
default_login_user = dovenull
first_valid_uid = 1
first_valid_gid = 1
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%u $d/users
}
userdb {
  driver = static
  args = uid=dovecot gid=dovecot home=$d/mail/%u
}
mail_location = maildir:$d/mail/%u/Maildir
pop3_uidl_format = %08Xu%08Xv
service pop3-login {
  inet_listener pop3 {
    address = $addr
    port = $port
  }
  chroot =
}
service anvil {
  chroot =
}
service imap-login {
  chroot =
}
EOF
  chmod 755 "$rig" "$d"
  chown -R dovecot:dovecot "$d/mail"
  /usr/sbin/dovecot -c "$d/dovecot.conf" || { cat "$d/dovecot.log" 2>/dev/null; return 1; }
  local i
  for i in $(seq 1 50); do [ -s "$d/run/master.pid" ] && break; sleep 0.1; done
  cp "$d/run/master.pid" "$rig/dovecot.pid" 2>/dev/null
  wait_port "$port" "$(cat "$rig/dovecot.pid" 2>/dev/null)" || { cat "$d/dovecot.log" 2>/dev/null; return 1; }
}

start_opensmtpd() {
  local d=$rig/smtpd
  mkdir -p "$d"
  mailbox_setup
  chmod 755 "$rig"
  [ -d "$rig/dovecot" ] && chmod 755 "$rig/dovecot"
  local box
  for box in turns archive; do
    mkdir -p "$rig/$box/Maildir/new" "$rig/$box/Maildir/cur" "$rig/$box/Maildir/tmp"
    chmod 755 "$rig/$box"
    chown -R dovecot:dovecot "$rig/$box"
  done
  printf 'player@game.test dovecot\nturns@game.test dovecot\narchive@game.test dovecot\n' > "$d/vusers"
  cat > "$d/smtpd.conf" <<EOF
table vusers file:$d/vusers
table turnbox { "turns@game.test" }
table archivebox { "archive@game.test" }
listen on $addr port $port
action "deliver" maildir "$rig/dovecot/mail/player/Maildir" virtual <vusers>
action "turns" maildir "$rig/turns/Maildir" virtual <vusers>
action "archive" maildir "$rig/archive/Maildir" virtual <vusers>
match from any for domain "game.test" rcpt-to <turnbox> action "turns"
match from any for domain "game.test" rcpt-to <archivebox> action "archive"
match from any for domain "game.test" action "deliver"
EOF
  chown -R dovecot:dovecot "$rig/dovecot/mail"
  /usr/sbin/smtpd -n -f "$d/smtpd.conf" > "$d/check.log" 2>&1 || { cat "$d/check.log"; return 1; }
  # One opensmtpd per machine: it keeps a fixed control socket and spool. The
  # server inherits the lock and holds it until it ends; others wait their
  # turn. Within one ctest run the tests that start it never meet here (they
  # hold ctest's resource lock "opensmtpd"); two runs on one machine do, and
  # then the wait has no limit of its own: the test's time limit bounds it.
  # A server whose test process (VEK_RIG_OWNER) is gone, killed at its time
  # limit, is ended by a watcher, so that it does not keep the lock.
  local lock=/tmp/vek-opensmtpd.lock holder=/tmp/vek-opensmtpd.holder owner=${VEK_RIG_OWNER:-}
  rm -f "$d/locked" "$d/waiting"
  ( exec 9>>"$lock"
    if ! flock -n 9; then
      : > "$d/waiting"
      flock 9
    fi
    echo "pid $BASHPID, rig $rig" > "$holder"
    : > "$d/locked"
    if [ -n "$owner" ]; then
      server=$BASHPID
      ( exec 9>&- >/dev/null 2>&1
        while kill -0 "$owner" && kill -0 "$server"; do sleep 1; done
        kill "$server" ) &
    fi
    exec setsid /usr/sbin/smtpd -d -f "$d/smtpd.conf" ) > "$d/smtpd.log" 2>&1 < /dev/null &
  local pid=$! said=
  echo "$pid" > "$rig/opensmtpd.pid"
  until [ -e "$d/locked" ]; do
    kill -0 "$pid" 2>/dev/null || { cat "$d/smtpd.log"; return 1; }
    if [ -z "$said" ] && [ -e "$d/waiting" ]; then
      note "netrig: opensmtpd waits for the machine-wide lock $lock, held by $(cat "$holder" 2>/dev/null)"
      said=1
    fi
    sleep 0.1
  done
  [ -z "$said" ] || note "netrig: opensmtpd got the lock"
  wait_port "$port" "$pid" 60 || { cat "$d/smtpd.log"; return 1; }
}

start_aiosmtpd() {
  local d=$rig/aiosmtpd
  mkdir -p "$d"
  cat > "$d/server.py" <<'EOF'
import os, signal, sys, threading
from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult

out, port = sys.argv[1], int(sys.argv[2])
count = [0]

class Handler:
    async def handle_DATA(self, server, session, envelope):
        count[0] += 1
        name = os.path.join(out, "%d.eml" % count[0])
        with open(name + ".tmp", "wb") as f:
            f.write(envelope.original_content or envelope.content)
        with open(name + ".env", "w") as f:
            f.write("%s\n%s\n" % (envelope.mail_from, "\n".join(envelope.rcpt_tos)))
        os.rename(name + ".tmp", name)
        return "250 OK"

def auth(server, session, envelope, mechanism, data):
    ok = data.login == b"player" and data.password == b"secret"
    if ok:
        with open(os.path.join(out, "auth.log"), "a") as f:
            f.write(mechanism + "\n")
    return AuthResult(success=ok, handled=False)

c = Controller(Handler(), hostname="127.0.0.1", port=port, authenticator=auth,
               auth_require_tls=False, auth_required=True)
c.start()
done = threading.Event()
signal.signal(signal.SIGTERM, lambda *a: done.set())
done.wait()
c.stop()
EOF
  setsid "$PY" "$d/server.py" "$d" "$port" > "$d/server.log" 2>&1 < /dev/null &
  echo $! > "$rig/aiosmtpd.pid"
  wait_port "$port" "$!" || { cat "$d/server.log"; return 1; }
}

start_vsftpd() {
  local d=$rig/ftp
  [ -n "$served" ] && [ -d "$served" ] || { echo "netrig: vsftpd needs the folder to serve" >&2; return 1; }
  rm -rf "$d/root"
  mkdir -p "$d/root" /var/run/vsftpd/empty
  cp -R "$served/." "$d/root/"
  # vsftpd refuses an anonymous root that its user could write to.
  chown -R root:root "$d/root"
  find "$d/root" -type f -exec chmod 0644 {} +
  find "$d/root" -type d -exec chmod 0555 {} +
  cat > "$d/vsftpd.conf" <<EOF
listen=YES
listen_address=$addr
listen_port=$port
background=NO
anonymous_enable=YES
anon_root=$d/root
local_enable=NO
write_enable=NO
pasv_enable=YES
pasv_address=$addr
seccomp_sandbox=NO
secure_chroot_dir=/var/run/vsftpd/empty
xferlog_enable=NO
vsftpd_log_file=$d/vsftpd.log
EOF
  setsid /usr/sbin/vsftpd "$d/vsftpd.conf" > "$d/server.log" 2>&1 < /dev/null &
  echo $! > "$rig/vsftpd.pid"
  wait_port "$port" "$!" || { cat "$d/server.log"; return 1; }
}

start_ngircd() {
  local d=$rig/ngircd authping=no
  [ "$served" = authping ] && authping=yes
  mkdir -p "$d"
  printf 'Welcome to the game test server.\nBe nice.\n' > "$d/motd"
  cat > "$d/ngircd.conf" <<EOF
[Global]
Name = irc.game.test
Info = game test server
AdminInfo1 = tests
AdminInfo2 = loopback
AdminEMail = nobody@game.test
Listen = $addr
Ports = $port
MotdFile = $d/motd
[Limits]
MaxNickLength = 30
PingTimeout = 120
[Options]
PAM = no
Ident = no
DNS = no
RequireAuthPing = $authping
[Channel]
Name = #Orvel
EOF
  chmod 755 "$rig" "$d"
  chmod 644 "$d/motd" "$d/ngircd.conf"
  setsid /usr/sbin/ngircd -n -f "$d/ngircd.conf" > "$d/server.log" 2>&1 < /dev/null &
  echo $! > "$rig/ngircd.pid"
  wait_port "$port" "$!" || { cat "$d/server.log"; return 1; }
}

case "$cmd" in
  have) have "$kind"; exit $? ;;
  start)
    [ -n "$rig" ] && [ -n "$port" ] || { echo "usage: $0 start KIND RIG PORT" >&2; exit 1; }
    have "$kind" || { echo "netrig: $kind is not installed" >&2; exit 2; }
    mkdir -p "$rig"
    rig=$(cd "$rig" && pwd)
    "start_$kind" || exit 1
    exit 0 ;;
  stop)
    rig=$kind
    [ -n "$rig" ] && [ -d "$rig" ] || exit 0
    for s in opensmtpd aiosmtpd dovecot vsftpd ngircd; do stop_pid "$rig/$s.pid"; done
    exit 0 ;;
  *) echo "usage: $0 start|stop|have ..." >&2; exit 1 ;;
esac
