#!/usr/bin/env bash
# The import tables of Windows programs, read with the mingw objdump. None may name a user32 call
# newer than the first Windows 10, nor a Media Foundation library (the N editions of Windows have
# none without their media pack): the system loader refuses a program whose import it cannot
# resolve before the program starts, with no box or log line of its own. Such calls are looked up
# at run time instead.
#
#   import_table_check.sh OBJDUMP PROGRAM...
#       fails, naming each such import, when any program has one;
#   import_table_check.sh --control OBJDUMP PROBE
#       the check's own control: passes only when the check refuses PROBE, a program that imports
#       the calls and libraries that the launcher looks up at run time, and names each of them.
set -euo pipefail

# Windows 10 1607 and later (1703 for SetProcessDpiAwarenessContext and the dialog calls, 1803
# for the hosting and process calls).
newer_user32_calls=(
    AdjustWindowRectExForDpi AreDpiAwarenessContextsEqual EnableNonClientDpiScaling
    GetAwarenessFromDpiAwarenessContext GetDialogControlDpiChangeBehavior
    GetDialogDpiChangeBehavior GetDpiAwarenessContextForProcess GetDpiForSystem GetDpiForWindow
    GetDpiFromDpiAwarenessContext GetSystemDpiForProcess GetSystemMetricsForDpi
    GetThreadDpiAwarenessContext GetThreadDpiHostingBehavior GetWindowDpiAwarenessContext
    GetWindowDpiHostingBehavior IsValidDpiAwarenessContext SetDialogControlDpiChangeBehavior
    SetDialogDpiChangeBehavior SetProcessDpiAwarenessContext SetThreadDpiAwarenessContext
    SetThreadDpiHostingBehavior SystemParametersInfoForDpi
)

# Every import of a program, one a line: "dll NAME" for a library, "call LIBRARY NAME" for a call
# by name.
imports_of() {
    "$objdump" -p "$1" | awk '
        /^\tDLL Name: / { dll = $3; print "dll " dll; next }
        /^[ \t]*$/ { dll = ""; next }
        dll != "" && /^\t[0-9a-f]+\t/ { print "call " dll " " $NF }'
}

# The refused imports of one program, one a line; the status is 2 when no import table was read.
refused_imports() {
    local program=$1 listing
    listing=$(imports_of "$program")
    if ! grep -q '^dll ' <<<"$listing"; then
        echo "$program: no import table read" >&2
        return 2
    fi
    local kind library name
    while read -r kind library name; do
        local lower=${library,,}
        # mf*.dll is Media Foundation's; mfc<version>.dll is another library.
        if [[ $kind == dll && $lower == mf*.dll && $lower != mfc[0-9]* ]]; then
            echo "$program: imports $library (Media Foundation)"
        elif [[ $kind == call && $lower == user32.dll ]]; then
            local call
            for call in "${newer_user32_calls[@]}"; do
                if [[ $name == "$call" ]]; then
                    echo "$program: imports $library!$name (newer than the first Windows 10)"
                fi
            done
        fi
    done <<<"$listing"
}

control=false
if [[ ${1:-} == --control ]]; then
    control=true
    shift
fi
if [[ $# -lt 2 ]]; then
    echo "usage: $0 [--control] OBJDUMP PROGRAM..." >&2
    exit 2
fi
objdump=$1
shift

if $control; then
    found=$(refused_imports "$1")
    echo "$found"
    for expected in SetProcessDpiAwarenessContext GetDpiForWindow GetSystemMetricsForDpi \
        AdjustWindowRectExForDpi MFPlat.DLL MFReadWrite.dll; do
        if ! grep -qiF "$expected" <<<"$found"; then
            echo "the check missed $expected in $1" >&2
            exit 1
        fi
    done
    echo "the check refuses every import of the probe"
    exit 0
fi

status=0
for program in "$@"; do
    found=$(refused_imports "$program") || exit 2
    if [[ -n $found ]]; then
        echo "$found"
        status=1
    else
        echo "$program: no import that an older Windows 10 or an N edition lacks"
    fi
done
exit $status
