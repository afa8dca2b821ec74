"""A fleet on loopback: the sample service, N nxcommd gateways with their
admin listeners, and HAProxy in front configured from deploy/haproxy.cfg.
Processes are started on free ports and stopped (killed if need be) on exit."""

import re
import signal
import socket
import subprocess
import tempfile
import time
import urllib.error
import urllib.request
from pathlib import Path

ROOT = Path(__file__).resolve().parents[3]
LOOPBACK = "127.0.0.1"
# The ports deploy/haproxy.cfg names, replaced by free ones here.
FRONT_PORT = 7575
GATEWAY_PORTS = (7601, 7602, 7603)
ADMIN_PORTS = (9601, 9602, 9603)


def free_port():
    with socket.socket() as probe:
        probe.bind((LOOPBACK, 0))
        return probe.getsockname()[1]


def wait_for(condition, limit_s, what):
    deadline = time.monotonic() + limit_s
    while not condition():
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {limit_s} s waiting for {what}")
        time.sleep(0.02)


def accepts(port):
    try:
        socket.create_connection((LOOPBACK, port), timeout=1).close()
        return True
    except OSError:
        return False


def admin_get(port, path, timeout_s=2.0):
    """(status, body) of GET path on an admin port; (0, "") when nothing listens."""
    try:
        with urllib.request.urlopen(f"http://{LOOPBACK}:{port}{path}", timeout=timeout_s) as reply:
            return reply.status, reply.read().decode()
    except urllib.error.HTTPError as error:
        return error.code, error.read().decode()
    except OSError:
        return 0, ""


def metric(text, series):
    match = re.search(r"^" + re.escape(series) + r" (\S+)$", text, re.MULTILINE)
    return float(match.group(1)) if match else 0.0


def haproxy_config(front, gateways, check_interval_ms):
    """deploy/haproxy.cfg for these ports, without what needs root (chroot,
    user switch, syslog, descriptors for 20,000 connections), health checks
    every check_interval_ms."""
    text = (ROOT / "deploy" / "haproxy.cfg").read_text()
    text = text.replace("maxconn 20000", "maxconn 1000")
    text = re.sub(r"^\s*(chroot|user|group|log /dev/log)\b.*\n", "", text, flags=re.MULTILINE)
    text = re.sub(r"^\s*log global\n", "", text, flags=re.MULTILINE)
    text = text.replace(f"{LOOPBACK}:{FRONT_PORT}", f"{LOOPBACK}:{front}")
    text = text.replace("inter 1s", f"inter {check_interval_ms}ms")
    for gateway, port, admin in zip(gateways, GATEWAY_PORTS, ADMIN_PORTS):
        text = text.replace(f":{port} check port {admin}",
                            f":{gateway.port} check port {gateway.admin_port}")
    return text


class Process:
    def __init__(self, args, log):
        self.popen = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=log,
                                      stderr=subprocess.STDOUT)

    def signal(self, number):
        if self.popen.poll() is None:
            self.popen.send_signal(number)

    def wait(self, limit_s):
        return self.popen.wait(timeout=limit_s)

    def stop(self):
        if self.popen.poll() is None:
            self.popen.send_signal(signal.SIGTERM)
            try:
                self.popen.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.popen.kill()
                self.popen.wait()


class Gateway:
    def __init__(self, nxcommd, log):
        self.nxcommd, self.log = nxcommd, log
        self.port, self.admin_port = free_port(), free_port()
        self.process = None

    def start(self):
        self.process = Process([self.nxcommd, "--listen", f"{LOOPBACK}:{self.port}",
                                "--admin", f"{LOOPBACK}:{self.admin_port}",
                                "--allow", LOOPBACK, "--drain-timeout-ms", "10000"], self.log)
        wait_for(lambda: admin_get(self.admin_port, "/healthz")[0] == 200, 10,
                 f"gateway on port {self.port}")

    def metrics(self):
        status, text = admin_get(self.admin_port, "/metrics")
        assert status == 200, f"/metrics of the gateway on port {self.port}: {status}"
        return text

    def answered(self):
        text = self.metrics()
        return metric(text, 'nxcommd_frames_answered_total{outcome="answered",status="200"}')


class Fleet:
    """The sample service (unless with_service is false), `size` gateways and
    HAProxy, as a context manager."""

    def __init__(self, nxcommd, size=3, check_interval_ms=200, with_service=True):
        self.nxcommd, self.size, self.check_interval_ms = nxcommd, size, check_interval_ms
        self.with_service = with_service
        self.directory = tempfile.TemporaryDirectory(prefix="nxcommd-fleet-")
        self.log = open(Path(self.directory.name) / "fleet.log", "w+b")
        self.processes = []

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def _start(self):
        if self.with_service:
            self._start_sample_service()
        self.gateways = [Gateway(self.nxcommd, self.log) for _ in range(self.size)]
        for gateway in self.gateways:
            gateway.start()
        self.front_port = free_port()
        config = Path(self.directory.name) / "haproxy.cfg"
        config.write_text(haproxy_config(self.front_port, self.gateways, self.check_interval_ms))
        self.haproxy = Process(["haproxy", "-db", "-f", str(config)], self.log)
        self.processes.append(self.haproxy)
        wait_for(lambda: accepts(self.front_port), 10, "HAProxy")

    def _start_sample_service(self):
        port_file = Path(self.directory.name) / "sample.port"
        self.processes.append(Process(
            ["/usr/bin/python3", str(ROOT / "tests" / "servers" / "sample_service.py"),
             "--port", "0", "--port-file", str(port_file)], self.log))
        wait_for(port_file.exists, 20, "the sample service")
        self.service_port = int(port_file.read_text())

    def wait_until_all_up(self, limit_s=20):
        """Until HAProxy has sent a connection to every gateway: each is then in service."""
        def all_used():
            with socket.create_connection((LOOPBACK, self.front_port), timeout=2):
                pass
            return all(metric(g.metrics(), "nxcommd_clients_accepted_total") > 0
                       for g in self.gateways)
        wait_for(all_used, limit_s, "HAProxy using every gateway")

    def __exit__(self, *exc):
        for gateway in getattr(self, "gateways", []):
            if gateway.process:
                gateway.process.stop()
        for process in reversed(self.processes):
            process.stop()
        self.log.close()
        self.directory.cleanup()

    def path(self, name):
        """A file in the fleet's own temporary directory."""
        return Path(self.directory.name) / name

    def log_text(self):
        self.log.flush()
        self.log.seek(0)
        return self.log.read().decode(errors="replace")
