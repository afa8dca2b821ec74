#!/usr/bin/python3
"""Sequential calls per second of zeep, the baseline SOAP client in Python.

    zeep_bench.py --wsdl URL_OR_FILE --address URL [--method Add] [--calls N]
                  [--warmup N] [--machine] [ARGUMENT ...]

Loads the WSDL (a URL or a file such as bench/data/sample.wsdl, whose own
address is http://127.0.0.1:8080/), sends every call to --address instead of
the address in the WSDL, makes --warmup untimed calls and then --calls timed
ones, one after the other on one kept-alive connection. ARGUMENTs are the
method's arguments in order, each read as JSON when it parses ("2",
'{"long": [3, 4]}') and as text otherwise; the default is Add(2, 3).

Prints "zeep: N calls of METHOD in S s = R calls/s (first result: X)", or
with --machine only R. Run with /usr/bin/python3 (Debian's, which has zeep).
"""

import argparse
import json
import sys
import time

import requests
import zeep

DEFAULT_ARGUMENTS = ["2", "3"]
OPERATION_TIMEOUT_S = 30


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description="zeep calls per second")
    parser.add_argument("--wsdl", required=True, help="WSDL URL or file")
    parser.add_argument("--address", required=True, help="URL the calls are sent to")
    parser.add_argument("--method", default="Add")
    parser.add_argument("--calls", type=int, default=2000)
    parser.add_argument("--warmup", type=int, default=50)
    parser.add_argument("--machine", action="store_true", help="print only calls per second")
    parser.add_argument("arguments", nargs="*", help="method arguments (JSON or text)")
    options = parser.parse_args(argv)
    if options.calls < 1 or options.warmup < 0:
        parser.error("--calls must be at least 1 and --warmup not negative")
    return options


def decode_argument(text):
    try:
        return json.loads(text)
    except ValueError:
        return text


def bound_operation(wsdl, address, method):
    """The operation of the WSDL's first port, bound to `address`."""
    session = requests.Session()
    session.trust_env = False  # a proxy from the environment must not sit in between
    transport = zeep.Transport(session=session, timeout=OPERATION_TIMEOUT_S,
                               operation_timeout=OPERATION_TIMEOUT_S)
    client = zeep.Client(wsdl, transport=transport)
    service = next(iter(client.wsdl.services.values()))
    port = next(iter(service.ports.values()))
    return getattr(client.create_service(port.binding.name, address), method)


def main(argv):
    options = parse_arguments(argv)
    operation = bound_operation(options.wsdl, options.address, options.method)
    arguments = [decode_argument(text) for text in options.arguments or DEFAULT_ARGUMENTS]
    first_result = operation(*arguments)
    for _ in range(options.warmup):
        operation(*arguments)
    started = time.perf_counter()
    for _ in range(options.calls):
        operation(*arguments)
    elapsed = time.perf_counter() - started
    rate = options.calls / elapsed
    if options.machine:
        print(f"{rate:.1f}")
    else:
        print(f"zeep: {options.calls} calls of {options.method} in {elapsed:.3f} s"
              f" = {rate:.1f} calls/s (first result: {first_result!r})")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
