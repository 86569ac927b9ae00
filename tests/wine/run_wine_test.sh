#!/usr/bin/env bash
# The Windows build under Wine: checks what Korvane.asi, ScriptHookV.dll and
# korvane-sim.exe import, runs korvane-sim.exe on the default scenario, checks
# that the plug-in registered and that the hotkey's press and release switched
# it on, and compares its trace with the Linux build's for the same scenario
# and seed (numbers within 1e-4).
#
#   tests/wine/run_wine_test.sh BUILD_LINUX BUILD_WINDOWS
#
# KORVANE_WINE_FRAMES and KORVANE_WINE_SEED change the run (600 frames, seed 7).
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 BUILD_LINUX BUILD_WINDOWS" >&2
    exit 2
fi
linux="$(cd "$1" && pwd)"
windows="$(cd "$2" && pwd)"
root="$(cd "$(dirname "$0")/../.." && pwd)"
scenario="$root/sim/scenarios/town.json"
frames="${KORVANE_WINE_FRAMES:-600}"
seed="${KORVANE_WINE_SEED:-7}"
objdump=x86_64-w64-mingw32-objdump

wine=/usr/lib/wine/wine64
if [ ! -x "$wine" ]; then
    wine="$(command -v wine64 || command -v wine || true)"
fi
if [ -z "$wine" ]; then
    echo "FAIL: no wine64 (Debian's wine64 package puts it at /usr/lib/wine/wine64)" >&2
    exit 1
fi

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
pass() {
    echo "ok: $*"
}

# --- What the binaries import ---------------------------------------------------
# Windows' own DLLs are all a player has; no MinGW runtime may be needed.
system_dlls='^(kernel32|msvcrt|user32|advapi32|ntdll|ws2_32|shell32|ole32|bcrypt)\.dll$'

imported_dlls() {
    "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'
}

check_only_system_dlls() {
    local file="$1" allowed="$2" dll
    for dll in $(imported_dlls "$file"); do
        if ! echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$system_dlls" && [ "$dll" != "$allowed" ]; then
            fail "$(basename "$file") imports $dll"
            return
        fi
    done
    pass "$(basename "$file") imports only Windows' own DLLs${allowed:+ and $allowed}"
}

asi="$windows/Korvane.asi"
for file in "$asi" "$windows/ScriptHookV.dll" "$windows/korvane-sim.exe"; do
    if [ ! -f "$file" ]; then
        echo "FAIL: $file is missing; build the windows preset first" >&2
        exit 1
    fi
done
check_only_system_dlls "$asi" ScriptHookV.dll
check_only_system_dlls "$windows/ScriptHookV.dll" ""
check_only_system_dlls "$windows/korvane-sim.exe" ScriptHookV.dll

decorated=(
    '?scriptRegister@@YAXPEAUHINSTANCE__@@P6AXXZ@Z'
    '?scriptUnregister@@YAXPEAUHINSTANCE__@@@Z'
    '?scriptWait@@YAXK@Z'
    '?nativeInit@@YAX_K@Z'
    '?nativePush64@@YAX_K@Z'
    '?nativeCall@@YAPEA_KXZ'
    '?worldGetAllPeds@@YAHPEAHH@Z'
)
# The import names listed under ScriptHookV.dll in the .asi's import table.
asi_imports="$("$objdump" -p "$asi" | awk '
    /DLL Name:/ { inside = ($3 == "ScriptHookV.dll"); next }
    NF == 0 { inside = 0 }
    inside && NF >= 3 && $1 ~ /^[0-9a-f]+$/ { print $NF }')"
dll_exports="$("$objdump" -p "$windows/ScriptHookV.dll")"
for name in "${decorated[@]}"; do
    grep -qxF -- "$name" <<<"$asi_imports" || fail "Korvane.asi does not import $name from ScriptHookV.dll"
    grep -qF -- "$name" <<<"$dll_exports" || fail "ScriptHookV.dll does not export $name"
done
[ "$(grep -c . <<<"$asi_imports")" -eq 7 ] || fail "Korvane.asi imports other than the seven from ScriptHookV.dll"
pass "the seven decorated host functions: imported by Korvane.asi, exported by ScriptHookV.dll"

# --- The same run on both platforms ----------------------------------------------
work="$windows/wine-test"
rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX="$windows/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

"$linux/korvane-sim" --scenario "$scenario" --frames "$frames" --seed "$seed" \
    --trace "$work/linux.jsonl" >"$work/linux.txt"
pass "Linux run: $(wc -l <"$work/linux.jsonl") trace entries"

if [ ! -d "$WINEPREFIX" ]; then
    echo "Creating the Wine prefix $WINEPREFIX (first run only)"
fi
status=0
"$wine" "$windows/korvane-sim.exe" --scenario "Z:$scenario" --frames "$frames" --seed "$seed" \
    --trace "Z:$work/windows.jsonl" >"$work/windows.txt" 2>"$work/windows.err" || status=$?
if [ "$status" -ne 0 ]; then
    cat "$work/windows.txt" "$work/windows.err" >&2
    fail "korvane-sim.exe exited with status $status"
fi
if [ ! -s "$work/windows.jsonl" ]; then
    fail "korvane-sim.exe wrote no trace"
else
    pass "Windows run under Wine: $(wc -l <"$work/windows.jsonl") trace entries"
    grep -q '"op":"scriptRegister"' "$work/windows.jsonl" &&
        pass "the plug-in registered its script" ||
        fail "the plug-in did not register its script"
    grep -Eq '"op":"GetAsyncKeyState","args":\[[0-9]+\],"ret":32768' "$work/windows.jsonl" &&
        pass "the scripted keys reached the plug-in" ||
        fail "the plug-in never saw a key down"
    grep -q '"op":"SetAllLowPriorityVehicleGeneratorsActive"' "$work/windows.jsonl" &&
        pass "the hotkey's press and release switched the plug-in on" ||
        fail "the plug-in was not switched on"
    if "$linux/korvane-trace-diff" "$work/linux.jsonl" "$work/windows.jsonl"; then
        pass "the Windows trace equals the Linux trace"
    else
        fail "the Windows trace differs from the Linux trace"
    fi
fi

# --- The settings checker on Windows ------------------------------------------------
checker="$windows/korvane-ini-check.exe"
check_only_system_dlls "$checker" ""
fixtures="$root/tests/config/ini_check"
for file in "$root/dist/Korvane.ini" "$fixtures"/*.ini; do
    name="$(basename "$file")"
    for mode in plain json; do
        flag=""
        [ "$mode" = json ] && flag="--json"
        want=0
        "$linux/korvane-ini-check" $flag "$file" >"$work/linux-$name.$mode" || want=$?
        got=0
        "$wine" "$checker" $flag "Z:$file" </dev/null | tr -d '\r' >"$work/windows-$name.$mode" ||
            got=${PIPESTATUS[0]}
        if ! cmp -s "$work/linux-$name.$mode" "$work/windows-$name.$mode"; then
            fail "korvane-ini-check.exe $flag $name differs from the Linux output"
            diff "$work/linux-$name.$mode" "$work/windows-$name.$mode" | head -5 >&2
        elif [ "$got" -ne "$want" ]; then
            fail "korvane-ini-check.exe $flag $name exits $got, the Linux build $want"
        fi
    done
    golden="$fixtures/${name%.ini}.txt"
    if [ -f "$golden" ] && ! cmp -s "$golden" "$work/windows-$name.plain"; then
        fail "korvane-ini-check.exe $name differs from its golden file"
    fi
done
pass "korvane-ini-check.exe reads the shipped file and the golden files as the Linux build does"

# Both Windows files carry the version in their version resource.
version="$(sed -n 's/^#define KORVANE_VERSION "\(.*\)"$/\1/p' "$windows/generated/korvane_version.h")"
for file in "$asi" "$checker"; do
    if x86_64-w64-mingw32-strings -el "$file" | grep -qx "ProductVersion" &&
        x86_64-w64-mingw32-strings -el "$file" | grep -qx "$version"; then
        pass "$(basename "$file") carries version $version"
    else
        fail "$(basename "$file") has no version resource with $version"
    fi
done
"$wine" "$checker" --version </dev/null | tr -d '\r' | grep -qx "korvane-ini-check $version" &&
    pass "korvane-ini-check.exe --version prints $version" ||
    fail "korvane-ini-check.exe --version does not print $version"

# --- The players' package ------------------------------------------------------------
zip="$windows/Korvane-$version-win64.zip"
if [ ! -f "$zip" ]; then
    fail "no package $zip (build the korvane_package target)"
else
    unpacked="$work/unpacked"
    rm -rf "$unpacked"
    mkdir -p "$unpacked"
    (cd "$unpacked" && cmake -E tar xf "$zip")
    game="$unpacked/Korvane-$version-win64"
    listed="$(cd "$game" && ls | sort | tr '\n' ' ')"
    [ "$listed" = "Korvane.asi Korvane.ini README.txt korvane-ini-check.exe " ] &&
        pass "the package holds Korvane.asi, Korvane.ini, korvane-ini-check.exe, README.txt" ||
        fail "the package holds: $listed"
    [ ! -e "$game/ScriptHookV.dll" ] || fail "the package holds the substitute ScriptHookV.dll"
    check_only_system_dlls "$game/Korvane.asi" ScriptHookV.dll
    check_only_system_dlls "$game/korvane-ini-check.exe" ""
    status=0
    (cd "$unpacked" && "$wine" "$game/korvane-ini-check.exe" </dev/null) | tr -d '\r' \
        >"$work/package-check.txt" || status=${PIPESTATUS[0]}
    if [ "$status" -eq 0 ] && grep -q "^Result: OK" "$work/package-check.txt"; then
        pass "the unpacked checker, run with no argument, finds the shipped file whole"
    else
        fail "the unpacked checker exits $status: $(tail -1 "$work/package-check.txt")"
    fi
fi

# --- The replay page and the progress bar on Windows ------------------------------
# Both platforms write the same page for the same run (positions are rounded
# to whole metres, so the maths libraries' last bits could in principle move
# one; the sizes are compared, not the bytes). Standard error is a file here,
# so neither run may show a progress bar.
"$linux/korvane-sim" --scenario "$scenario" --frames "$frames" --seed "$seed" --quiet \
    --html "$work/linux.html"
status=0
KORVANE_PROGRESS_AFTER=0 "$wine" "$windows/korvane-sim.exe" --scenario "Z:$scenario" \
    --frames "$frames" --seed "$seed" --html "Z:$work/windows.html" \
    >"$work/windows-page.txt" 2>"$work/windows-page.err" || status=$?
if [ "$status" -ne 0 ] || [ ! -s "$work/windows.html" ]; then
    cat "$work/windows-page.err" >&2
    fail "korvane-sim.exe wrote no replay page (status $status)"
elif ! grep -q '"framesRun":'"$frames" "$work/windows.html"; then
    fail "the Windows replay page holds no data of the run"
else
    linux_size="$(wc -c <"$work/linux.html")"
    windows_size="$(wc -c <"$work/windows.html")"
    if [ "$((linux_size > windows_size ? linux_size - windows_size : windows_size - linux_size))" -gt "$((linux_size / 100))" ]; then
        fail "the replay pages differ in size: Linux $linux_size, Windows $windows_size bytes"
    else
        pass "korvane-sim.exe writes the replay page ($windows_size bytes; Linux $linux_size)"
    fi
fi
if grep -q 'frames/s' "$work/windows-page.err"; then
    fail "korvane-sim.exe showed a progress bar on a file"
else
    pass "no progress bar when standard error is a file"
fi

if [ "$failures" -ne 0 ]; then
    echo "Wine test: $failures check(s) failed" >&2
    exit 1
fi
echo "Wine test passed"
