#!/usr/bin/env bash
# The Debian package as a user meets it, as root: builds it (tools/package.sh), lintian finds no
# error or warning, it installs with apt; then two throwaway users with fresh homes each start
# the installed window (Xvfb) without a warning and find their settings in ~/.config/atatool/,
# save the log and back up the configuration of a fake ATA with atatool-cli into
# ~/.local/share/atatool/, and run the save-log service's command line under the restrictions of
# its hardened unit. Removing the package leaves every user's files. Everything runs in a network
# namespace of its own; the fake ATA serves 127.0.0.14 there.
# Usage: tools/test-package.sh [build dir]   (default build-deb/)
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
[[ $(id -u) -eq 0 ]] || { echo "test-package: needs root (dpkg, users, a network namespace)"; exit 1; }
if [[ ${ATA_IN_OWN_NETWORK:-} != 1 ]]; then
    deb=$(tools/package.sh "${1:-build-deb}" | tail -n 1)
    exec env ATA_IN_OWN_NETWORK=1 ATA_DEB="$src/$deb" unshare --net "$0" "$@"
fi
ip link set lo up
# Unprivileged ping sockets for every group, as the system's defaults usually have it.
echo "0 2147483647" >/proc/sys/net/ipv4/ping_group_range
ata=127.0.0.14
deb=$ATA_DEB
id=org.atatool.atatool
passes=0 failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; passes=$((passes + 1)); }

work=$(mktemp -d)
users=()
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for u in "${users[@]}"; do userdel "$u" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
chmod 711 "$work"

# lintian: informational tags are listed, errors and warnings fail.
lintian_out=$(lintian "$deb" 2>&1 | grep -v 'running with root privileges' || true)
echo "$lintian_out"
if grep -qE '^[EW]: ' <<<"$lintian_out"; then fail "lintian reports errors or warnings"; else pass "lintian: no E: or W:"; fi

apt-get install -y --no-install-recommends "$deb" >/dev/null 2>&1 && pass "apt installs the package" ||
    { fail "apt install"; exit 1; }
for f in /usr/bin/atatool /usr/bin/atatool-cli /usr/lib/atatool/atatool /usr/lib/atatool/atatool-cli \
    /usr/share/applications/$id.desktop /usr/share/metainfo/$id.metainfo.xml \
    /usr/share/man/man1/atatool.1.gz /usr/share/man/man1/atatool-cli.1.gz \
    /usr/share/doc/atatool/copyright /usr/share/doc/atatool/changelog.Debian.gz \
    /usr/lib/systemd/user/atatool-save-log.service /usr/lib/systemd/user/atatool-backup.timer; do
    [[ -e $f ]] || fail "$f not installed"
done
file -L /usr/lib/atatool/atatool /usr/lib/atatool/atatool-cli | grep -q 'not stripped' &&
    fail "unstripped binaries" || pass "installed, binaries stripped"
man -l /usr/share/man/man1/atatool-cli.1.gz >/dev/null 2>&1 && pass "man renders atatool-cli(1)" || fail "man atatool-cli"
XDG_RUNTIME_DIR=$work systemd-analyze verify --user /usr/lib/systemd/user/atatool-*.service /usr/lib/systemd/user/atatool-*.timer &&
    pass "systemd-analyze verify" || fail "systemd-analyze verify"
for s in /usr/lib/systemd/user/atatool-*.service; do
    score=$(XDG_RUNTIME_DIR=$work systemd-analyze security --offline=true --user "$s" 2>/dev/null | sed -n 's/.*Overall exposure level for .*: \([0-9.]*\).*/\1/p')
    echo "security ${s##*/}: $score"
    awk -v s="$score" 'BEGIN { exit !(s != "" && s <= 4.0) }' && pass "${s##*/} exposure $score" ||
        fail "${s##*/} exposure $score above 4.0"
done

# The fake ATA: status page and system log over HTTP, the configuration over FTP (admin/secret).
mkdir -p "$work/www/doc" "$work/www/cgi" "$work/ftp/RFA"
printf '%s' '<html><!--SIP Registration Information!--><table><tr><td> Registered </td></tr></table></html>' \
    >"$work/www/doc/m_set.htm"
printf '12/01/2026 08:00:00.100 SIP Registration succeeded for 100@pbx\r\n12/01/2026 08:03:00.200 Power on\r\n' \
    >"$work/www/cgi/syslog.txt"
head -c 20000 /dev/urandom >"$work/ftp/RFA/CONFIG.REG"
/usr/bin/python3 -m http.server 80 --bind $ata --directory "$work/www" >/dev/null 2>&1 &
pids+=($!)
/usr/bin/python3 "$src/testing/fixtures/pyftpd_rfa.py" "$work/ftp" admin secret /RFA/ $ata 21 >"$work/ftp.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do
    (exec 3<>/dev/tcp/$ata/80 && exec 3<>/dev/tcp/$ata/21) 2>/dev/null && break
    sleep 0.1
done
history_1=$(printf '01/12/2026 08:03:00 Power on\r\n01/12/2026 08:00:00 SIP Registration succeeded for 100@pbx\r\n')

# Runs a command as the user $1 with a home of their own and nothing of root's environment.
as_user() {
    local user=$1; shift
    setpriv --reuid="$user" --regid="$user" --init-groups \
        env -i HOME="/home/$user" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"
}
mode() { stat -c %a "$1" 2>/dev/null; }

for n in 1 2; do
    user=atapkg$n-$$
    useradd --create-home --home-dir "/home/$user" --user-group --shell /usr/sbin/nologin "$user"
    users+=("$user")
    home=/home/$user

    # The window on its own X display: shown without a message box, then ended as a session
    # ends it (it closes as by hand and writes the settings).
    shown=$(cd "$home" && as_user "$user" QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        /usr/bin/atatool & pid=$!
        /usr/bin/python3 "$1" "ATA Maintenance Tool" 30 --wait-only || { kill $pid; exit 1; }
        /usr/bin/python3 -c "
from Xlib import X, display
root = display.Display().screen().root
print(sum(1 for w in root.query_tree().children
          if w.get_attributes().map_state == X.IsViewable and w.get_wm_name()))"
        kill -TERM $pid; wait $pid; echo "exit $?"' _ "$src/tools/close-window.py" 2>/dev/null) || true
    [[ $shown == $'1\nexit 143' ]] && pass "user $n: the window started without a warning and closed" ||
        fail "user $n: window: $shown"
    settings=$home/.config/atatool/settings.ini
    [[ $(mode "$settings") == 600 && $(mode "$home/.config/atatool") == 700 &&
        $(mode "$home/.local/share/atatool") == 700 ]] &&
        pass "user $n: ~/.config/atatool/settings.ini (0600) in private folders" ||
        fail "user $n: settings $(mode "$settings"), folders $(mode "$home/.config/atatool") $(mode "$home/.local/share/atatool")"

    # What the user types into the window next time: the adapter and its FTP account.
    as_user "$user" sh -c 'printf "[Options]\r\nIP=$1\r\nUsername=admin\r\nPassword=secret\r\nAuto Summarise=0\r\n" >"$2"' _ $ata "$settings"
    as_user "$user" /usr/bin/atatool-cli --save-log >/dev/null 2>&1 && pass "user $n: --save-log" || fail "user $n: --save-log"
    [[ $(cat "$home/.local/share/atatool/sys-log.txt" 2>/dev/null) == "$history_1" ]] &&
        pass "user $n: ~/.local/share/atatool/sys-log.txt holds the sorted log" || fail "user $n: sys-log.txt"
    as_user "$user" /usr/bin/atatool-cli --backup >/dev/null 2>&1 && pass "user $n: --backup" || fail "user $n: --backup"
    backups=("$home"/.local/share/atatool/Config*.reg)
    [[ ${#backups[@]} == 1 && -f ${backups[0]} ]] && cmp -s "${backups[0]}" "$work/ftp/RFA/CONFIG.REG" &&
        [[ $(mode "${backups[0]}") == 600 ]] &&
        pass "user $n: the backup, private, in ~/.local/share/atatool/" || fail "user $n: backup ${backups[*]}"
    paths=$(as_user "$user" /usr/bin/atatool-cli --paths 2>&1)
    grep -qx "settings: $settings" <<<"$paths" && grep -qx "backups: $home/.local/share/atatool/" <<<"$paths" &&
        pass "user $n: --paths names the user's folders" || fail "user $n: --paths: $paths"
done
[[ ! -e /usr/lib/atatool/settings.ini && ! -e /usr/lib/atatool/sys-log.txt ]] &&
    pass "nothing written into the program folder" || fail "files in /usr/lib/atatool"

# The save-log service's command line under its unit's restrictions (no user manager runs here):
# every file system read-only, a private /tmp, the tool's own folders writable (the unit's
# ConfigurationDirectory, StateDirectory and the folder its ExecStartPre makes), no new
# privileges, no capabilities, umask 0077.
user=${users[0]} home=/home/${users[0]}
unit=/usr/lib/systemd/user/atatool-save-log.service
exec_start=$(sed -n 's/^ExecStart=//p' "$unit" | tr -d '"')
grep -q '^UMask=0077' "$unit" && grep -q '^ProtectSystem=strict' "$unit" && grep -q '^ProtectHome=read-only' "$unit" &&
    grep -q '^RestrictAddressFamilies=AF_INET AF_UNIX' "$unit" && grep -q '^NoNewPrivileges=yes' "$unit" &&
    grep -q '^PrivateTmp=yes' "$unit" || fail "the unit lacks a restriction this run emulates"
printf '12/01/2026 09:00:00.000 Timer line\r\n' >>"$work/www/cgi/syslog.txt"
as_user "$user" mkdir -p -m 0700 "$home/.local/state/atatool"
unshare --mount --propagation private bash -c '
    for mp in $(awk "{ print \$2 }" /proc/self/mounts | sort -u); do
        mount -o remount,bind,ro "$mp" 2>/dev/null || true
    done
    mount -t tmpfs -o mode=1777 tmpfs /tmp
    for d in "$1/.config/atatool" "$1/.local/share/atatool" "$1/.local/state/atatool"; do
        mount --bind "$d" "$d" && mount -o remount,bind,rw "$d"
    done
    touch /usr/lib/atatool/probe 2>/dev/null && exit 90
    umask 0077
    shift
    exec setpriv --reuid="$1" --regid="$1" --init-groups --no-new-privs --bounding-set=-all \
        --inh-caps=-all env -i HOME="/home/$1" PATH=/usr/bin:/bin $2' _ "$home" "$user" "$exec_start" \
    >"$work/unit.out" 2>&1 && pass "the hardened save-log run succeeded" || fail "hardened run: $(cat "$work/unit.out")"
head -c 37 "$home/.local/share/atatool/sys-log.txt" | grep -q '^01/12/2026 09:00:00 Timer line' &&
    pass "the hardened run saved the new line" || fail "the hardened run did not save the log"

# The second user has files of their own, out of the first one's reach.
[[ $(cat "/home/${users[1]}/.local/share/atatool/sys-log.txt") == "$history_1" ]] &&
    ! as_user "${users[1]}" cat "$home/.config/atatool/settings.ini" >/dev/null 2>&1 &&
    pass "each user has their own files, private to them" || fail "users' files mixed or readable"

apt-get remove -y atatool >/dev/null 2>&1 && [[ ! -e /usr/bin/atatool ]] && pass "apt remove" || fail "apt remove"
for u in "${users[@]}"; do
    [[ -f /home/$u/.config/atatool/settings.ini && -f /home/$u/.local/share/atatool/sys-log.txt ]] ||
        fail "$u's files went with the package"
done
pass "removing the package leaves the users' files"
for u in "${users[@]}"; do rm -rf "/home/$u"; done

echo "package-test: $passes passed, $failures failed"
exit $((failures != 0))
