#!/usr/bin/python3
"""A controller behind ser2net, in a real window under Xvfb: the console
started with an rfc2217:// address opens it, a status query goes through the
real window, and when the server ends while no command runs the status line
and the field beside Open say that the port went away.

Usage: network_window_real_test.py --console PATH --probe PATH --artifacts DIR
"""

import os
import socket
import subprocess
import sys
import time

sys.dont_write_bytecode = True
from desktop_session import Desktop, run_cases, run_main, wait_until, window_test_arguments
from window_state_real_test import SEPARATOR, Console, Probe, check, on_line


def free_port():
    with socket.socket() as probe:
        probe.bind(('127.0.0.1', 0))
        return probe.getsockname()[1]


def listening(port):
    """Whether something listens on 127.0.0.1:port, as the kernel lists it."""
    wanted = '0100007F:%04X' % port
    with open('/proc/net/tcp') as table:
        return any(line.split()[1] == wanted and line.split()[3] == '0A' for line in table.readlines()[1:])


def start_ser2net(desktop, device, artifacts):
    port = free_port()
    config = os.path.join(artifacts, 'ser2net.yaml')
    with open(config, 'w') as f:
        f.write('connection: &korvel\n    accepter: telnet(rfc2217),tcp,127.0.0.1,%d\n'
                '    connector: serialdev,%s,300n81,local\n' % (port, device))
    server = desktop.start(['ser2net', '-n', '-c', config, '-P', os.path.join(artifacts, 'ser2net.pid')],
                           stderr=subprocess.DEVNULL)
    wait_until(lambda: listening(port), 15, 'ser2net to listen on port %d' % port)
    return server, 'rfc2217://127.0.0.1:%d' % port


def network_port(desktop, args):
    probe = Probe(desktop, args.probe, 'triad')
    server, address = start_ser2net(desktop, probe.device, args.artifacts)
    console = Console(desktop, args.console, '--port', address)
    check(console.text('searchField') == address, 'the path field does not show the address')
    console.press('Open')
    console.wait_port_state(on_line(address))
    check(console.text('openField') == 'Port is ready for communication.', 'the open field says otherwise')
    console.status_query()
    check(console.text('statusView') != '', 'the status view shows no report')
    check(console.text('receivedView').endswith(SEPARATOR), 'the log does not end the cycle')

    desktop.stop(server)
    console.wait_port_state(address + ' went away (the server closed the connection or it was lost). Open again.')
    check(console.text('openField') == 'The port went away.', 'the open field contradicts the status line')
    console.exit()
    probe.unplug()


def main():
    args = window_test_arguments()
    with Desktop() as desktop:
        run_cases(desktop, args, (network_port,))
    return 0


if __name__ == '__main__':
    run_main(main)
