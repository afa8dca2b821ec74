#!/bin/sh
# Per-user registration in a fresh Wine prefix: `regsvr32 /n /i:user` puts the
# library's and the toolkit's classes and type libraries under
# HKCU\Software\Classes and nothing under HKLM; a script then creates and calls
# the object; `/u /n /i:user` takes all of it away again.
#
#   per_user_registration.sh BIN_DIR WORK_DIR [32|64]
set -eu
bin=$1 work=$2 bitness=${3:-64}
root=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$work" && work=$(cd "$work" && pwd)  # Wine wants absolute paths
. "$root/tests/install/install_checks.sh"

fresh_prefix "$work/prefix" "$bitness"
mkdir -p "$work/app"
cp "$bin/NvxWebSvc.dll" "$bin/mssoap1.dll" "$bin/NXLoader.dll" "$bin/nxapi.dll" "$work/app/"
dll=$(windows_path "$work/app/NvxWebSvc.dll")

wine regsvr32 /s /n /i:user "$dll" </dev/null || fail "regsvr32 /n /i:user returned $?"
expect_registered_for_user

merge_user_classes_as_windows_does
wine cscript //nologo "$(windows_path "$root/tests/install/per_user_call.vbs")" </dev/null | tee "$work/call.log"
grep -q "all checks passed" "$work/call.log" || fail "the script could not create and call the object"

wine regsvr32 /s /u /n /i:user "$dll" </dev/null || fail "regsvr32 /u /n /i:user returned $?"
expect_unregistered_for_user
echo "per-user registration: all checks passed"
