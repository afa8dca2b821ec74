#!/usr/bin/python3
"""Three gateways behind HAProxy, four client threads calling the sample
service through it, and the gateways taken away and brought back under load:

1. SIGTERM one gateway: no call fails, and its /healthz says 503 while it
   drains (a slow call sent to it directly keeps it draining long enough to
   see that, and is answered too); it exits 0.
2. SIGKILL another: only the calls in flight on it fail, each as a clean
   close of the connection, and calls go on through the others.
3. Restart both: traffic spreads over all three again, and the answered
   frames in their /metrics add up to the calls made; promtool accepts the
   metrics text.

With --windows-client, instead, the library's own client (a VBScript run
under Wine) calls through HAProxy while the gateway it is connected to is
drained and restarted, and then the one it moved to is killed and
restarted: at most the call in flight at the kill fails, with the socket
fault.

usage: fleet_test.py NXCOMMD [--windows-client WINE_RUN SCRIPT]"""

import os
import signal
import subprocess
import sys
import threading
import time

from fleet import Fleet, admin_get, metric, wait_for
from frame_client import CallFailed, FrameClient

CLIENTS = 4
# Clients come and go (desktops start and stop their programs): a client
# opens a new connection after this many calls, which lets the balancer
# spread connections again.
CALLS_PER_CONNECTION = 20
ANSWERED = 'nxcommd_frames_answered_total{outcome="answered",status="200"}'


class Load:
    """CLIENTS threads calling Add through the front end until stopped."""

    def __init__(self, port, service_port):
        self.port, self.service_port = port, service_port
        self.stopping = threading.Event()
        self.lock = threading.Lock()
        self.succeeded = 0
        self.failures = []  # (time, reason)
        self.wrong = []
        self.last_success = 0.0
        self.threads = [threading.Thread(target=self._run, args=(n,)) for n in range(CLIENTS)]

    def __enter__(self):
        for thread in self.threads:
            thread.start()
        return self

    def __exit__(self, *exc):
        self.stopping.set()
        for thread in self.threads:
            thread.join(30)

    def _run(self, number):
        client = FrameClient(self.port)
        calls = 0
        while not self.stopping.is_set():
            if calls and calls % CALLS_PER_CONNECTION == 0:
                client.close()
            calls += 1
            self._call(client, number, calls)
        client.close()

    def _call(self, client, a, b):
        try:
            response = client.call(self.service_port, "Add", f"<xs:a>{a}</xs:a><xs:b>{b}</xs:b>")
        except (CallFailed, OSError) as error:
            with self.lock:
                self.failures.append((time.monotonic(), str(error)))
            return
        with self.lock:
            if response.startswith(b"HTTP/1.1 200") and f"AddResult>{a + b}<".encode() in response:
                self.succeeded += 1
                self.last_success = time.monotonic()
            else:
                self.wrong.append(response[:300])

    def wait_for_successes(self, n, limit_s=20):
        start = self.succeeded
        wait_for(lambda: self.succeeded >= start + n, limit_s, f"{n} more successful calls")


def check(condition, message):
    if not condition:
        raise AssertionError(message[:2000])


def sigterm_drains_without_failures(fleet):
    gateway = fleet.gateways[0]
    slow_result = {}
    # Sent before the load starts, so that the one request in flight on the
    # gateway is known to be this one.
    slow_client = FrameClient(gateway.port)
    slow_client.send(fleet.service_port, "Sleep", "<xs:ms>3000</xs:ms>")
    wait_for(lambda: metric(gateway.metrics(), "nxcommd_requests_in_flight") >= 1, 10,
             "the slow call in flight")

    def slow_answer():
        try:
            slow_result["reply"] = slow_client.receive()
        except (CallFailed, OSError) as error:
            slow_result["error"] = str(error)

    slow = threading.Thread(target=slow_answer)
    slow.start()
    with Load(fleet.front_port, fleet.service_port) as load:
        load.wait_for_successes(20)
        check(slow.is_alive(), "the slow call was still in flight when SIGTERM came")
        gateway.process.signal(signal.SIGTERM)
        wait_for(lambda: admin_get(gateway.admin_port, "/healthz")[0] == 503, 5,
                 "/healthz 503 while draining")
        check(gateway.process.wait(15) == 0, "the drained gateway exits 0")
        slow.join(15)
        load.wait_for_successes(40)
    check(b"SleepResult>3000<" in slow_result.get("reply", b""),
          f"the call in flight while draining is answered: {slow_result}")
    check(not load.failures, f"no call fails while a gateway drains: {load.failures}")
    check(not load.wrong, f"wrong answers: {load.wrong}")
    print(f"SIGTERM: {load.succeeded} calls, none failed; /healthz was 503 while draining")


def sigkill_fails_only_calls_in_flight(fleet):
    gateway = fleet.gateways[1]
    with Load(fleet.front_port, fleet.service_port) as load:
        load.wait_for_successes(40)
        killed_at = time.monotonic()
        gateway.process.signal(signal.SIGKILL)
        gateway.process.wait(5)
        load.wait_for_successes(60)
    late = [f for f in load.failures if f[0] < killed_at or f[0] > killed_at + 2]
    check(len(load.failures) <= CLIENTS,
          f"at most one call in flight per client fails: {load.failures}")
    check(not late, f"calls failed away from the kill: {late}")
    check(not load.wrong, f"wrong answers: {load.wrong}")
    print(f"SIGKILL: {load.succeeded} calls, {len(load.failures)} in flight failed cleanly")


def restarted_gateways_share_the_load(fleet):
    for gateway in fleet.gateways[:2]:
        gateway.start()
    before = [gateway.answered() for gateway in fleet.gateways]
    with Load(fleet.front_port, fleet.service_port) as load:
        wait_for(lambda: all(g.answered() - b >= 10 for g, b in zip(fleet.gateways, before)), 30,
                 "each gateway answering calls again")
    # A call answered by a gateway is counted there before the client sees it.
    after = [gateway.answered() for gateway in fleet.gateways]
    shares = [a - b for a, b in zip(after, before)]
    check(not load.failures, f"no call fails once all are back: {load.failures}")
    check(sum(shares) == load.succeeded,
          f"the gateways answered {shares} = {sum(shares)} calls, clients made {load.succeeded}")
    for gateway in fleet.gateways:
        checked = subprocess.run(["promtool", "check", "metrics"], input=gateway.metrics(),
                                 capture_output=True, text=True)
        check(checked.returncode == 0, f"promtool: {checked.stdout}{checked.stderr}")
    print(f"restart: {load.succeeded} calls spread as {shares}; metrics add up; promtool passes")


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def gateway_of_the_client(fleet):
    """The gateway holding the (only) client connection."""
    found = []

    def connected():
        found[:] = [g for g in fleet.gateways if metric(g.metrics(), "nxcommd_clients") >= 1]
        return bool(found)

    wait_for(connected, 30, "the client connected to a gateway")
    return found[0]


def calls_received(fleet):
    return sum(metric(g.metrics(), "nxcommd_frames_received_total") for g in fleet.gateways)


def windows_client_rides_out_a_rolling_restart(fleet, wine_run, script):
    stop = fleet.path("stop")
    client = subprocess.Popen(
        [wine_run, "cscript", "//nologo", script, str(fleet.service_port), windows_path(stop)],
        env=dict(os.environ, NXCOMM_GATEWAY=f"127.0.0.1:{fleet.front_port}"),
        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    try:
        wait_for(lambda: calls_received(fleet) >= 20, 120, "the Windows client calling")
        drained = gateway_of_the_client(fleet)
        drained.process.signal(signal.SIGTERM)
        check(drained.process.wait(15) == 0, "the drained gateway exits 0")
        drained.start()
        killed = gateway_of_the_client(fleet)
        before_kill = calls_received(fleet) - metric(killed.metrics(),
                                                     "nxcommd_frames_received_total")
        killed.process.signal(signal.SIGKILL)
        killed.process.wait(5)
        killed.start()
        wait_for(lambda: calls_received(fleet) >= before_kill + 20, 60,
                 "the Windows client calling on after the restarts")
    finally:
        stop.touch()
        output, _ = client.communicate(timeout=120)
    failures = [line for line in output.splitlines() if " failed: " in line or "wrong" in line]
    check("calls " in output, f"the Windows client did not finish:\n{output}")
    check(len(failures) <= 1 and all("Socket Exception" in line for line in failures),
          f"only the call in flight at the kill may fail, with the socket fault:\n{output}")
    print(f"Windows client: {output.strip().splitlines()[-1]}")


def main():
    nxcommd = sys.argv[1]
    with Fleet(nxcommd) as fleet:
        try:
            if len(sys.argv) == 5 and sys.argv[2] == "--windows-client":
                windows_client_rides_out_a_rolling_restart(fleet, sys.argv[3], sys.argv[4])
            else:
                sigterm_drains_without_failures(fleet)
                sigkill_fails_only_calls_in_flight(fleet)
                restarted_gateways_share_the_load(fleet)
        except AssertionError:
            sys.stderr.write(fleet.log_text()[-4000:])
            raise
    print("fleet: passed")


if __name__ == "__main__":
    main()
