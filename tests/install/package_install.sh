#!/bin/sh
# The release package as a user meets it: unpacked into a fresh Wine prefix,
# installed with `install.cmd /user` under Wine's cmd, tried with nvxcall
# against the sample service, and removed with `uninstall.cmd /user`.
#
#   package_install.sh SERVICE_DIR WORK_DIR 64|32
#
# In a 64-bit prefix the package holds the 64-bit build only, so that the
# 64-bit suite does not need the 32-bit build. In a 32-bit prefix it is the
# whole package (the 32-bit suite runs once both builds exist), and
# install.cmd registers its x86 folder, as on 32-bit Windows.
set -eu
services=$1 work=$2 bitness=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$work" && work=$(cd "$work" && pwd)  # Wine wants absolute paths
. "$root/tests/install/install_checks.sh"

if [ "$bitness" = 64 ]; then
    zip=$("$root/scripts/package" --x64-only --dist "$work/dist" | tail -n 1) folder=x64
else
    zip=$("$root/scripts/package" --dist "$work/dist" | tail -n 1) folder=x86
fi
name=$(basename "$zip" .zip)
fresh_prefix "$work/prefix" "$bitness"
/usr/bin/python3 -m zipfile -e "$zip" "$WINEPREFIX/drive_c/"
home="C:\\$name"
(cd "$WINEPREFIX/drive_c/$name" && sha256sum --quiet -c SHA256SUMS) || fail "the SHA-256 sums do not match the files"
wine cmd /c "$home\\install.cmd" /user </dev/null || fail "install.cmd /user returned $?"
expect_registered_for_user

merge_user_classes_as_windows_does
url="http://127.0.0.1:$(cat "$services/sample.port")/"
nvxcall="$home\\$folder\\nvxcall.exe"
wine "$nvxcall" --wsdl "$url" </dev/null | grep -q "Add(a: int, b: int)" || fail "nvxcall --wsdl"
[ "$(wine "$nvxcall" "$url" Add a=2 b=3 </dev/null | tr -d '\r')" = 5 ] || fail "nvxcall Add"
wine "$nvxcall" "$url" GetTable rows=2 </dev/null | grep -q "^2 *Item 2" || fail "nvxcall GetTable"
code=0
wine "$nvxcall" "$url" Fail message=refused </dev/null 2>/dev/null || code=$?
[ "$code" = 1 ] || fail "a fault exits with 1, not $code"

wine cmd /c "$home\\uninstall.cmd" /user </dev/null || fail "uninstall.cmd /user returned $?"
expect_unregistered_for_user
echo "package install: all checks passed"
