#!/usr/bin/env bash
# Installs the tool into a fresh temporary prefix and checks the result: every installed file,
# the desktop entry and AppStream validators, the installed launcher started as the menu starts
# it (under Xvfb, closed like a user closes the window) with its settings landing in the
# installed program folder, and the uninstall that the README describes.
# Usage: tools/test-install.sh [build dir]   (default build/, configured and built when needed)
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
dir=${1:-build}
id=org.atatool.atatool
title="ATA Maintenance Tool"

[[ -f "$dir/CMakeCache.txt" ]] || cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" -j "$(nproc)" | tail -n 3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
passes=0 failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; passes=$((passes + 1)); }

cmake --install "$dir" --prefix "$prefix" >/dev/null

# Every file of the desktop application, in place and as committed.
for f in bin/atatool lib/atatool/atatool; do
    [[ -f $prefix/$f && -x $prefix/$f ]] && pass "$f executable" || fail "$f missing or not executable"
done
[[ $(head -c 4 "$prefix/lib/atatool/atatool" | tr -d '\0') == $'\x7fELF' ]] || fail "lib/atatool/atatool is not a program"
cmp -s packaging/icons/atatool.svg "$prefix/share/icons/hicolor/scalable/apps/$id.svg" &&
    pass "scalable icon" || fail "scalable icon"
for size in 16 32 48 64 128 256; do
    cmp -s "packaging/icons/atatool-$size.png" "$prefix/share/icons/hicolor/${size}x$size/apps/$id.png" &&
        pass "${size}x$size icon" || fail "${size}x$size icon"
done
desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
[[ -f $desktop ]] && pass "desktop entry" || fail "desktop entry missing"
[[ -f $metainfo ]] && pass "metainfo" || fail "metainfo missing"
# The manifest that uninstalling uses names exactly the files installed.
diff <(sort "$dir/install_manifest.txt") <(find "$prefix" -type f -o -type l | sort) >/dev/null &&
    pass "install_manifest.txt lists every installed file" || fail "install_manifest.txt differs from the prefix"

# The entry starts the launcher by its absolute path, so the menu needs no PATH entry.
grep -qx "Exec=\"$prefix/bin/atatool\"" "$desktop" && pass "Exec is the installed launcher" || fail "Exec: $(grep ^Exec= "$desktop")"
grep -qx "Icon=$id" "$desktop" && grep -qx "Terminal=false" "$desktop" && pass "Icon and Terminal" || fail "Icon or Terminal"
desktop-file-validate "$desktop" && pass "desktop-file-validate" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" && pass "appstreamcli validate" || fail "appstreamcli validate"
# The systemd user units of the three timers, with the installed program in them.
units=$prefix/share/systemd/user
for u in save-log backup check; do
    grep -q "^ExecStart=\"$prefix/.*/atatool-cli\" .*--notify" "$units/atatool-$u.service" &&
        pass "atatool-$u.service runs the installed atatool-cli" || fail "atatool-$u.service ExecStart"
done
systemd-analyze verify "$units"/atatool-*.service "$units"/atatool-*.timer &&
    pass "systemd-analyze verify" || fail "systemd-analyze verify"

# Started as the menu starts it, from another folder and with a PATH without the prefix, on its
# own X display; closed by the window's close message once it is up.
home=$work/home
mkdir -p "$home"
if (cd "$home" && HOME=$home PATH=/usr/bin:/bin QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        timeout 60 "$1" & pid=$!
        /usr/bin/python3 "$2" "$3" 30 || kill "$pid"
        wait "$pid"' _ "$prefix/bin/atatool" "$src/tools/close-window.py" "$title"); then
    pass "the installed launcher showed the window and exited when it was closed"
else
    fail "the installed launcher did not run and close cleanly"
fi
if [[ "$(cat "$prefix/lib/atatool/settings.ini" 2>/dev/null)" == \
      "$(printf '[Options]\r\nIP=\r\nUsername=\r\nPassword=\r\nAuto Summarise=0\r')" ]]; then
    pass "settings.ini written in the installed program folder"
else
    fail "no settings.ini in $prefix/lib/atatool"
fi
leftover=$(find "$home" "$prefix/bin" -name settings.ini)
[[ -z $leftover ]] || fail "settings written elsewhere: $leftover"

# The session ends (SIGTERM): the window closes as if by hand, so the settings are written, and
# the program tells how it ended.
rm -f "$prefix/lib/atatool/settings.ini"
status=$(cd "$home" && HOME=$home QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        timeout 60 "$1" & pid=$!
        /usr/bin/python3 "$2" "$3" 30 --wait-only && kill -TERM "$pid"
        wait "$pid"; echo $?' _ "$prefix/bin/atatool" "$src/tools/close-window.py" "$title")
if [[ $status == 143 && -f "$prefix/lib/atatool/settings.ini" ]]; then
    pass "SIGTERM closes the window cleanly, writes the settings and exits 143"
else
    fail "SIGTERM: exit status $status, settings.ini $(ls "$prefix/lib/atatool/settings.ini" 2>&1)"
fi

# Uninstall as the README says: the installed files go, the user's own files stay.
xargs -d '\n' rm -f <"$dir/install_manifest.txt"
remaining=$(cd "$prefix" && find . -type f | sort | tr '\n' ' ')
[[ $remaining == "./lib/atatool/settings.ini ./lib/atatool/settings.ini.lock " ]] &&
    pass "uninstall leaves only the user's settings and their lock file" ||
    fail "after uninstall: $remaining"

echo "install-test: $passes passed, $failures failed"
exit $((failures != 0))
