#!/bin/sh
# The files in deploy/ are accepted by the tools that read them: HAProxy's
# configuration check, promtool for the scrape configuration, and
# systemd-analyze for the unit (pointed at the nxcommd just built, as the
# unit names the installed one). A warning from systemd-analyze (an unknown
# key, a misspelt option) fails the check as well.
# usage: check_deploy.sh REPOSITORY_ROOT NXCOMMD
set -eu
root=$1 nxcommd=$2
deploy="$root/deploy"
status=0

haproxy -c -f "$deploy/haproxy.cfg" || { echo "haproxy rejects deploy/haproxy.cfg"; status=1; }
promtool check config "$deploy/prometheus.yml" >/dev/null ||
    { echo "promtool rejects deploy/prometheus.yml"; status=1; }

if command -v systemd-analyze >/dev/null 2>&1; then
    units=$(mktemp -d)
    trap 'rm -rf "$units"' EXIT
    sed "s|/usr/local/bin/nxcommd|$nxcommd|" "$deploy/nxcommd@.service" >"$units/nxcommd@.service"
    report=$(systemd-analyze verify "$units/nxcommd@1.service" 2>&1) || status=1
    if [ -n "$report" ]; then
        echo "systemd-analyze verify: $report"
        status=1
    fi
else
    echo "systemd-analyze is not available: the unit was not checked"
fi
exit $status
