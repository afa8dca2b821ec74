#!/bin/sh
# nvxcall against the sample service, as a script would use it: what it
# prints and the exit code of each kind of outcome.
#
#   end_to_end.sh WINE_RUN SERVICE_DIR WORK_DIR
set -u
run=$1 services=$2 work=$3
url="http://127.0.0.1:$(cat "$services/sample.port")/"
failures=0
mkdir -p "$work"

# check NAME EXPECTED_EXIT PATTERN_IN_OUTPUT nvxcall-arguments...
check() {
    name=$1 expected=$2 pattern=$3
    shift 3
    "$run" nvxcall "$@" >"$work/out" 2>"$work/err" </dev/null
    code=$?
    if [ "$code" != "$expected" ] || ! grep -q -- "$pattern" "$work/out" "$work/err"; then
        echo "FAILED: $name: exit $code (expected $expected), output:"
        cat "$work/out" "$work/err"
        failures=$((failures + 1))
    fi
}

check "list" 0 "Add(a: int, b: int)" --wsdl "$url"
check "plain value" 0 "^5" "$url" Add a=2 b=3
check "table" 0 "^2 *Item 2" "$url" GetTable rows=2
check "table as CSV" 0 "^Id,Name,Price" --csv "$url" GetTable rows=2
check "fault" 1 "nvxcall: " "$url" Fail message=refused
check "no such operation" 4 "no operation \"NoSuch\"" "$url" NoSuch a=1
check "usage" 2 "not of the form name=value" "$url" Add a
check "unreachable service" 1 "nvxcall: " --timeout 3000 --execute http://127.0.0.1:9/ Add a=1

trace="$work/trace.log"
rm -f "$trace"
check "execute, indented, traced" 0 "^ *<" --execute --trace "Z:$trace" "$url" Add a=2 b=3
for entry in "HTTP Header" "HTTP Payload" "Read()"; do
    grep -q "$entry" "$trace" 2>/dev/null || { echo "FAILED: the trace lacks $entry"; failures=$((failures + 1)); }
done

[ "$failures" = 0 ] && echo "nvxcall: all checks passed"
