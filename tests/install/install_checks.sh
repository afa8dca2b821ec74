# Sourced by the install tests: a fresh Wine prefix of their own, and what a
# per-user registration must and must not leave in the registry. Needs $root.
. "$root/scripts/wine-session"

fail() { echo "FAILED: $*"; exit 1; }
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
has_key() { wine reg query "$1" </dev/null >/dev/null 2>&1; }

# The caller's class and ProgID, the library's type library, an interface it
# registers, and the toolkit's SOAP client class (registered along with it).
registered_keys='NvxWebSvc.ComWebSvc
CLSID\{ED5AC108-5F33-4B0C-A5F7-D979EAC6BD7D}
TypeLib\{041B07CC-EA06-4FB1-B32C-5A4B1E2E5708}
Interface\{241C5F17-D767-48BE-8F35-B2F0E312E418}
CLSID\{86D54F3D-652D-4AB3-A1A6-14D403F6C813}'

# fresh_prefix DIR [32]: a new prefix with its own wineserver, stopped at exit.
fresh_prefix() {
    rm -rf "$1"
    wine_session_start "$@"
    trap wine_session_stop EXIT
}

# The user's classes hold every key and the machine's none.
expect_registered_for_user() {
    echo "$registered_keys" | while read -r key; do
        has_key "HKCU\\Software\\Classes\\$key" || fail "HKCU lacks $key"
        ! has_key "HKLM\\Software\\Classes\\$key" || fail "HKLM holds $key"
    done
}

expect_unregistered_for_user() {
    echo "$registered_keys" | while read -r key; do
        ! has_key "HKCU\\Software\\Classes\\$key" || fail "HKCU still holds $key"
    done
}

# Windows merges HKCU\Software\Classes into the classes root that COM reads;
# Wine 8 reads the machine's classes only. Once the registry has been checked,
# the user's classes are copied to the machine's so that a client can stand in
# for a Windows one.
merge_user_classes_as_windows_does() {
    wine reg copy 'HKCU\Software\Classes' 'HKLM\Software\Classes' /s /f </dev/null >/dev/null
}
