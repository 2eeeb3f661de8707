#!/usr/bin/python3
"""What the window tells the operator, in a real window under Xvfb against
emulated controllers, worked with clicks and key presses: the port's state on
the status line through open, a port held by another console, Close, and an
unplugged controller (told within a second, without a Send); a click made
during a long wheel move that must not act afterwards; lists that take no
typing; Enter that sends; and a second
controller of another variant identified afresh after Open; a port picked
from the list of ports found and the session record of its cycles, kept when
the console is killed.

Usage: window_state_real_test.py --console PATH --probe PATH --artifacts DIR
"""

import os
import re
import signal
import subprocess
import sys
import time

# No cache files in the source tree.
sys.dont_write_bytecode = True
from desktop_session import (Atspi, Desktop, Failure, find, find_application, read_line, run_cases, run_main,
                             text_of, wait_until, window_test_arguments)

SEPARATOR = '*' * 40 + '\n'
# Long enough to click twice while the console waits for the closing byte.
LONG_MOVE_MS = 3000


def check(condition, message):
    if not condition:
        raise Failure(message)


class Probe:
    """An emulated controller; ending it unplugs it."""

    def __init__(self, desktop, path, variant, move_ms=0):
        self.desktop = desktop
        self.process = desktop.start([path, '--variant', variant, '--move-time', str(move_ms)],
                                     stdout=subprocess.PIPE, text=True)
        self.device = read_line(self.process.stdout.fileno(), 10, 'device path from the emulator')

    def unplug(self):
        self.process.terminate()
        self.process.communicate(timeout=10)
        self.desktop.stop(self.process)


class Console:
    """One korvel-console window, found on the accessibility bus by its
    process; widgets are looked up once."""

    def __init__(self, desktop, path, *options):
        self.desktop = desktop
        env = dict(desktop.env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1', QT_QPA_PLATFORM='xcb')
        self.process = desktop.start([path, *options], env=env)
        app = find_application(os.path.basename(path), pid=self.process.pid)
        self.window = wait_until(lambda: app.get_child_count() and app.get_child_at_index(0), 10, 'the window')
        found = subprocess.run(['xdotool', 'search', '--sync', '--onlyvisible', '--pid', str(self.process.pid)],
                               env=desktop.env, capture_output=True, text=True, timeout=20)
        self.x_window = found.stdout.split()[0]
        self._widgets = {}

    def click(self, node):
        """Without a window manager the consoles' windows lie on each other:
        this one comes to the top first."""
        self.desktop.xdotool('windowraise', self.x_window)
        self.desktop.click(node)

    def widget(self, description=None, name=None, role=None):
        key = (description, name, role)
        if key not in self._widgets:
            self._widgets[key] = find(self.window, description=description, name=name, role=role)
        return self._widgets[key]

    def text(self, description):
        return text_of(self.widget(description))

    def port_state(self):
        return self.widget('portState').get_name()

    def wait_port_state(self, expected, timeout=10):
        wait_until(lambda: self.port_state() == expected, timeout,
                   'the status line to say %r (says %r)' % (expected, self.port_state()))

    def press(self, button):
        self.click(self.widget(name=button, role='push button'))

    def choose(self, list_name, steps, expected):
        combo = self.widget(list_name)
        self.click(combo)
        self.desktop.keys(*['Down'] * steps, 'Return')
        wait_until(lambda: combo.get_name() == expected, 5,
                   '%s to show %r (shows %r)' % (list_name, expected, combo.get_name()))

    def cycles(self):
        return self.text('receivedView').count(SEPARATOR)

    def open_port(self, device):
        self.press('Search')
        wait_until(lambda: self.text('searchField') == device, 10, 'the search to show %s' % device)
        self.press('Open')

    def status_query(self, by_enter=False):
        before = self.cycles()
        self.choose('otherCommand', 1, 'Status (CC)')
        if by_enter:
            self.desktop.keys('Return')
        else:
            self.press('Send')
        wait_until(lambda: self.cycles() == before + 1, 10, 'the status query to end')

    def pick_port(self, device):
        """Picks the device from the list of ports found, which offers it
        without a search; the path field then shows it."""
        entry = device + '  —  emulated controller'
        combo = self.widget('portChoice')
        # The list is refilled while ports come and go: the place of the entry
        # is taken from one read that a second read agreed with.
        entries = wait_until(lambda: settled_entries(combo, entry), 5, 'the list of ports to offer %s' % device)
        self.click(combo)
        self.desktop.keys('Home', *['Down'] * entries.index(entry), 'Return')
        wait_until(lambda: self.text('searchField') == device, 5, 'the path field to show %s' % device)

    def exit(self):
        self.press('Exit')
        try:
            code = self.process.wait(10)
        except subprocess.TimeoutExpired:
            raise Failure('the console did not end after Exit')
        check(code == 0, 'the console ended with %d' % code)
        self.desktop.stop(self.process)


def port_entries(combo):
    """The entries of a list, read through its pop-up's items; None when an
    item went away during the read (the list was refilled meanwhile)."""
    from gi.repository import GLib  # present wherever Atspi is
    entries = []
    stack = [combo]
    while stack:
        node = stack.pop()
        try:
            role = node.get_role_name() if node is not None else None
            if role is None:
                return None
            if role in ('list item', 'menu item'):
                entries.append(node.get_name())
            stack.extend(node.get_child_at_index(i) for i in reversed(range(node.get_child_count())))
        except GLib.Error:
            return None
    return entries


def settled_entries(combo, entry):
    """The list's entries when two reads in a row agree and hold entry."""
    first = port_entries(combo)
    if first is None or entry not in first:
        return None
    return first if port_entries(combo) == first else None


TIME = r'\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d'


def on_line(device):
    return device + ' is open and the controller is on line.'


def port_states_and_close(desktop, args):
    """Open; a second console finds the port held; Close lets it have it;
    the controller is unplugged under the second console."""
    probe = Probe(desktop, args.probe, 'triad')
    first = Console(desktop, args.console)
    first.wait_port_state('No port open. Search, then Open.')
    first.open_port(probe.device)
    first.wait_port_state(on_line(probe.device))

    second = Console(desktop, args.console)
    second.open_port(probe.device)
    second.wait_port_state('Could not open %s: another program holds the port. End it there, then Open again.'
                           % probe.device)
    check(second.text('openField') == 'Failed to open the communication port.', 'the open field changed its text')

    first.press('Close')
    first.wait_port_state(probe.device + ' is closed; other programs may use it. Open uses it again.')
    check(first.process.poll() is None, 'Close ended the console')
    second.press('Open')
    second.wait_port_state(on_line(probe.device))

    probe.unplug()
    # Told without a Send, within a second; a Send then finds it gone too.
    gone = probe.device + ' went away (unplugged or switched off). Search, then Open.'
    second.wait_port_state(gone, timeout=1)
    check(second.text('openField') == 'The port went away.', 'the open field contradicts the status line')
    second.status_query()
    second.wait_port_state(gone)
    check(second.text('receivedView').endswith('not sent: the port went away\n' + SEPARATOR),
          'the log does not say why nothing went out')
    second.exit()
    first.exit()


def visible_windows(desktop, console):
    found = subprocess.run(['xdotool', 'search', '--onlyvisible', '--pid', str(console.process.pid)],
                           env=desktop.env, capture_output=True, text=True, timeout=10)
    return len(found.stdout.split())


def input_during_a_long_move(desktop, args):
    """A click on a list while the wheel moves does nothing, now or after the
    move; the buttons are unavailable meanwhile. Typing into a list changes
    nothing but the selection."""
    probe = Probe(desktop, args.probe, 'triad', LONG_MOVE_MS)
    console = Console(desktop, args.console)
    console.open_port(probe.device)
    console.wait_port_state(on_line(probe.device))
    windows = visible_windows(desktop, console)

    # Found beforehand: during the move each call waits for the window's next
    # repaint slice, and a walk of the whole window takes seconds.
    message = console.widget('statusMessage')
    filter_b = console.widget('filterB')
    close = console.widget(name='Close', role='push button')
    console.choose('filterA', 3, 'Filter 3')
    console.press('Send')
    busy = 'Waiting for the controller\'s reply to 03…'
    wait_until(lambda: message.get_name() == busy, 3, 'the window to show it waits (shows %r)' % message.get_name())
    check(not close.get_state_set().contains(Atspi.StateType.ENABLED), 'Close is available during the move')
    console.click(filter_b)
    wait_until(lambda: console.cycles() == 1, LONG_MOVE_MS / 1000 + 10, 'the wheel move to end')
    time.sleep(0.5)
    check(visible_windows(desktop, console) == windows, 'a list opened after the move')
    check(filter_b.get_name() == 'Filter 0', 'wheel B shows %r' % filter_b.get_name())

    # A list takes no text: it has no field to type into, and letters only
    # select items by their first letter.
    filter_c = console.widget('filterC')
    check(all(filter_c.get_child_at_index(i).get_role_name() != 'text' for i in range(filter_c.get_child_count())),
          'the list has a text field')
    console.click(filter_c)
    desktop.keys('Escape', 'a', 'b', 'c', 'x')
    time.sleep(0.3)
    check(filter_c.get_name() == 'Filter 0', 'typing made the list show %r' % filter_c.get_name())
    console.exit()
    probe.unplug()


def two_variants_in_turn(desktop, args):
    """A Triad identified, unplugged; a Mono plugged in, opened and asked by
    Enter: it is identified as a Mono and decoded as one."""
    console = Console(desktop, args.console)
    triad = Probe(desktop, args.probe, 'triad')
    console.open_port(triad.device)
    console.wait_port_state(on_line(triad.device))
    console.status_query()
    check(console.widget('controllerTitle').get_name() == 'Korvel Triad Controller:', 'no Triad identified')
    triad.unplug()

    mono = Probe(desktop, args.probe, 'mono')
    console.open_port(mono.device)
    console.wait_port_state(on_line(mono.device))
    check(console.widget('otherCommand').get_name() == 'Select a general command',
          'the command list did not return to its opening items')
    console.status_query(by_enter=True)
    title = console.widget('controllerTitle').get_name()
    check(title == 'Korvel Mono Controller:', 'the second controller was taken for %r' % title)
    status = console.text('statusView')
    check('********  Mono Controller Current Status  ********\n' in status, 'no Mono report:\n' + status)
    console.exit()
    mono.unplug()


def session_record_and_kill(desktop, args):
    """A console started with --log: the operator picks the emulator from
    the list of ports, opens it and asks for the status with Enter three
    times; the record holds the open and each cycle exactly as the window
    showed it, and keeps them when the console is killed."""
    record = os.path.join(desktop.scratch, 'session.txt')
    console = Console(desktop, args.console, '--log', record)
    probe = Probe(desktop, args.probe, 'triad')
    console.pick_port(probe.device)
    console.press('Open')
    console.wait_port_state(on_line(probe.device))
    expected = 'open %s: Port is ready for communication.\n' % probe.device
    for _ in range(3):
        log, status = console.text('receivedView'), console.text('statusView')
        console.status_query(by_enter=True)
        new_log = console.text('receivedView')[len(log):]
        new_status = console.text('statusView')[len(status):]
        expected += 'cycle\nsent: CC\nlog:\n%sstatus:\n%stime: <measured>\n' % (new_log, new_status)
    console.process.send_signal(signal.SIGKILL)
    console.process.wait(10)
    desktop.stop(console.process)
    with open(record, encoding='utf-8') as f:
        kept = f.read()
    check(kept.count(' cycle\n') == 3, 'the killed console left %d cycles:\n%s' % (kept.count(' cycle\n'), kept))
    untimed = re.sub('^' + TIME + ' ', '', kept, flags=re.M)
    # Each cycle's measured times differ from run to run.
    untimed = re.sub(r'^time: echo \d+\.\d{3} s, reply \d+\.\d{3} s$', 'time: <measured>', untimed, flags=re.M)
    check(untimed == expected, 'the record differs from the window:\n%s\nexpected:\n%s' % (kept, expected))
    check(re.fullmatch('(?:%s [^\n]*\n(?:(?!%s)[^\n]*\n)*)+' % (TIME, TIME), kept) is not None,
          'an entry does not start with the local date and time:\n' + kept)
    probe.unplug()


def main():
    args = window_test_arguments()
    # One desktop for all: this process's accessibility client stays with the
    # bus it first met.
    with Desktop() as desktop:
        run_cases(desktop, args,
                  (port_states_and_close, input_during_a_long_move, two_variants_in_turn, session_record_and_kill))
    return 0


if __name__ == '__main__':
    run_main(main)
