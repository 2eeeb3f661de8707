#!/usr/bin/python3
"""korvel-emulator served on the network, through a client of its own that
knows nothing of it: python3-serial's RFC 2217 client (which opens only when
every line setting it asks for is answered with the value it asked for) and
its plain socket client. Usage: independent_client_test.py KORVEL_EMULATOR"""
import subprocess
import sys

import serial

# The status reply of each variant as it starts: echo, layout, closing byte.
STATUS = {
    "triad": "cc00800000acbcdc01dc020d",
    "duo-ws": "cc00acdc0d",
    "duo-ss": "ccacbcdc01dc020d",
    "mono": "ccacdc00a0b0" + "00" * 10 + "f000000d",
}
# A Mono set to repeat without end: the repeat number FF FF in its status.
MONO_CONTINUOUS = "ccacdc00a0b0" + "00" * 10 + "f0ffff0d"
# Bounded waits, far above a reply's line time at 300 baud.
READ_TIMEOUT_S = 5
START_TIMEOUT_S = 10


class Emulator:
    def __init__(self, *options):
        self.process = subprocess.Popen([sys.argv[1], *options], stdout=subprocess.PIPE, text=True)
        self.address = self.process.stdout.readline().strip()

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.process.terminate()
        code = self.process.wait(START_TIMEOUT_S)
        assert code == 0, f"the emulator ended with {code}"


def url_of(address):
    # python3-serial calls plain TCP "socket://".
    return address.replace("tcp://", "socket://", 1)


def exchange(port, command, length):
    port.write(bytes.fromhex(command))
    return port.read(length).hex()


def check(failures, what, got, expected):
    if got != expected:
        failures.append(f"{what}: got {got}, expected {expected}")


def main():
    failures = []
    for variant, status in STATUS.items():
        for option in ("--listen", "--listen-raw"):
            with Emulator("--variant", variant, option, "0") as emulator:
                with serial.serial_for_url(url_of(emulator.address), baudrate=300, timeout=READ_TIMEOUT_S) as port:
                    check(failures, f"{variant} {option} on-line byte", exchange(port, "ee", 2), "ee0d")
                    check(failures, f"{variant} {option} status", exchange(port, "cc", len(status) // 2), status)

    with Emulator("--variant", "mono", "--listen", "0") as emulator:
        with serial.serial_for_url(emulator.address, baudrate=300, timeout=READ_TIMEOUT_S) as port:
            check(failures, "mono repeat", exchange(port, "faf0ffff", 5), "faf0ffff0d")
            check(failures, "mono status with FF FF", exchange(port, "cc", len(MONO_CONTINUOUS) // 2), MONO_CONTINUOUS)
            # The client waits for the server's answer with the rate it asked
            # for; the controller answers whatever the rate, as on a pty.
            port.baudrate = 9600
            check(failures, "after a rate of 9600", exchange(port, "ee", 2), "ee0d")
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
