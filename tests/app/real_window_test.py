#!/usr/bin/python3
"""The console in a real window under Xvfb, against an emulated Triad, worked
with clicks and key presses as a person would: search, open, a status query
from the general command list, a wheel move. Checks the bytes the controller
received, what the window shows, that the window keeps answering while a
transaction waits on the line, that nothing overlaps at the window's smallest
size, that Close and a text too long for the status line are told plainly,
and that Exit ends the console with the port's settings given back.

Usage: real_window_test.py --console PATH --probe PATH --artifacts DIR
"""

import os
import subprocess
import sys
import time

# No cache files in the source tree.
sys.dont_write_bytecode = True
from desktop_session import (Atspi, Desktop, Failure, find, find_application, read_line, run_main, text_of,
                             wait_until, window_test_arguments)

READY = 'Port is ready for communication.'
SEPARATOR = '*' * 40 + '\n'
STATUS_ENTRY = 'Status (CC)'
# The emulated wheel takes this long to move, so that the test can ask the
# window questions while the console waits for the closing byte.
MOVE_TIME_MS = 1500
# An answer slower than this would make a desktop call the window hung.
ANSWER_LIMIT_S = 0.5
TRIAD_STATUS = (
    '********  Triad Controller Current Status  ********\n'
    '- Wheel A :              Filter 0;    Speed 0\n'
    '- Wheel B :              Filter 0;    Speed 0\n'
    '- Wheel C :              Filter 0;    Speed 0\n'
    '- Shutter A status :  Close\n'
    '- Shutter B status :  Close\n'
    '- Shutter A mode :   Fast\n'
    '- Shutter B mode :   Fast\n'
)


def check(condition, message):
    if not condition:
        raise Failure(message)


class ConsoleRun:
    def __init__(self, desktop, arguments):
        self.desktop = desktop
        self.args = arguments
        self.probe = None
        self.console = None
        self.window = None
        self._widgets = {}

    def start(self, *options):
        self.probe = self.desktop.start([self.args.probe, '--variant', 'triad', '--move-time', str(MOVE_TIME_MS)],
                                        stdout=subprocess.PIPE, text=True)
        self.device = read_line(self.probe.stdout.fileno(), 10, 'device path from the emulator')
        env = dict(self.desktop.env, QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1', QT_QPA_PLATFORM='xcb')
        self.console = self.desktop.start([self.args.console, *options], env=env)
        app = find_application(os.path.basename(self.args.console))
        self.window = wait_until(lambda: app.get_child_count() and app.get_child_at_index(0), 10, 'the window')
        self.desktop.xdotool('search', '--sync', '--onlyvisible', '--name', '^Korvel Console$')

    def widget(self, description=None, name=None, role=None):
        """Found once: a walk of the whole window takes a few hundred calls,
        each of which waits for the console's event loop."""
        key = (description, name, role)
        if key not in self._widgets:
            self._widgets[key] = find(self.window, description=description, name=name, role=role)
        return self._widgets[key]

    def text(self, description):
        return text_of(self.widget(description))

    def press(self, button):
        self.desktop.click(self.widget(name=button, role='push button'))

    def choose(self, list_name, steps, expected):
        """Opens a list with a click, moves steps items down from the one
        shown and picks that item with Return."""
        combo = self.widget(list_name)
        self.desktop.click(combo)
        self.desktop.keys(*['Down'] * steps, 'Return')
        wait_until(lambda: combo.get_name() == expected, 5, '%s to show %r (shows %r)' % (list_name, expected,
                                                                                          combo.get_name()))

    def log_cycles(self):
        return self.text('receivedView').count(SEPARATOR)

    def stop_probe(self):
        """Stops the emulator; returns its report lines."""
        self.probe.terminate()
        output, _ = self.probe.communicate(timeout=10)
        self.desktop.stop(self.probe)
        return dict(line.split(': ', 1) for line in output.splitlines() if ': ' in line)


def search_and_open(run):
    run.press('Search')
    wait_until(lambda: run.text('searchField') == run.device, 10,
               'the search to show the emulator %s' % run.device)
    run.press('Open')
    wait_until(lambda: run.text('openField') == READY, 10, 'the port to open')


def status_query(run):
    run.choose('otherCommand', 1, STATUS_ENTRY)
    run.press('Send')
    wait_until(lambda: run.log_cycles() == 1, 10, 'the status query to end')
    log = run.text('receivedView')
    check('204       0xCC\n' in log, 'the log shows no echo of the status query:\n' + log)
    status = wait_until(lambda: run.text('statusView'), 5, 'a status report')
    check(status == TRIAD_STATUS, 'the status view shows\n%s\ninstead of\n%s' % (status, TRIAD_STATUS))
    title = run.widget('controllerTitle').get_name()
    check(title == 'Korvel Triad Controller:', 'the controller title reads %r' % title)


def wheel_move(run):
    run.choose('filterA', 3, 'Filter 3')
    run.press('Send')
    started = time.monotonic()
    slowest = 0.0
    answers = 0
    while True:
        asked = time.monotonic()
        cycles = run.log_cycles()
        slowest = max(slowest, time.monotonic() - asked)
        if cycles == 2:
            break
        answers += 1
        check(time.monotonic() - started < 15, 'the wheel move did not end')
    took = time.monotonic() - started
    check(took > MOVE_TIME_MS / 1000 * 0.8, 'the wheel move took only %.2f s; nothing was measured' % took)
    check(answers >= 5 and slowest < ANSWER_LIMIT_S,
          'during the transaction the window answered %d times, the slowest after %.2f s' % (answers, slowest))
    log = run.text('receivedView')
    check(log.endswith('3           0x3\n13         0xD\n' + SEPARATOR), 'the wheel move ends the log with:\n' + log)


def close_then_long_message(run):
    """Close: the field beside Open agrees with the status line. Then an Open
    of a path too long for the status line: the whole text is one hover away."""
    run.press('Close')
    wait_until(lambda: run.text('openField') == 'The port is closed.', 5,
               'the field beside Open to say the port is closed (says %r)' % run.text('openField'))
    state = run.widget('portState')
    check(state.get_name().endswith(' is closed; other programs may use it. Open uses it again.'),
          'the status line says %r after Close' % state.get_name())
    path = '/nosuchdir/' + 'x' * 90 + '/tty'
    run.desktop.click(run.widget('searchField'))
    run.desktop.keys('ctrl+a', 'BackSpace')
    run.desktop.xdotool('type', '--delay', '5', path)
    run.press('Open')
    wait_until(lambda: path in state.get_name(), 5, 'the status line to name the long path')
    whole = state.get_name()
    box = state.get_extents(Atspi.CoordType.SCREEN)
    run.desktop.xdotool('mousemove', '--sync', str(box.x + 10), str(box.y + box.height // 2))

    def tooltip():
        app = run.window.get_parent()
        for i in range(app.get_child_count()):
            child = app.get_child_at_index(i)
            if child is not None and child.get_role_name() == 'tool tip':
                return child.get_name()
        return None

    shown = wait_until(tooltip, 5, 'a tooltip over the status line')
    check(shown == whole, 'the tooltip reads %r, not the whole text %r' % (shown, whole))


# The widgets of a Triad's window whose places a squeeze would spoil first:
# the buttons under the views, the views, the action row and the lists
# beside each other. Every shape's every widget is walked offscreen.
SMALLEST_SIZE_WIDGETS = [
    dict(description='saveLogButton'), dict(description='recordButton'), dict(description='clearButton'),
    dict(name='Exit', role='push button'), dict(description='receivedView'), dict(description='statusView'),
    dict(name='Send', role='push button'), dict(description='otherCommand'), dict(description='searchField'),
    dict(description='portChoice'), dict(description='openField'), dict(description='filterA'),
    dict(description='speedA'), dict(description='shutterAstatus'), dict(description='shutterAmode'),
]


def smallest_size(run, shot):
    """Resizes the window to the smallest size it asks the window manager
    for (Xvfb has none to enforce it), checks that the widgets that matter
    do not overlap there, and takes a screenshot."""
    window_id = subprocess.run(['xdotool', 'search', '--onlyvisible', '--name', '^Korvel Console$'],
                               env=run.desktop.env, check=True, capture_output=True, text=True).stdout.split()[0]
    hints = subprocess.run(['xprop', '-id', window_id, 'WM_NORMAL_HINTS'], env=run.desktop.env, check=True,
                           capture_output=True, text=True).stdout
    sizes = [line.split(':')[1].split(' by ') for line in hints.splitlines() if 'minimum size' in line]
    check(len(sizes) == 1, 'the window names no smallest size:\n' + hints)
    width, height = int(sizes[0][0]), int(sizes[0][1])
    run.desktop.xdotool('windowsize', '--sync', window_id, str(width), str(height))
    wait_until(lambda: (run.window.get_extents(Atspi.CoordType.WINDOW).width,
                        run.window.get_extents(Atspi.CoordType.WINDOW).height) == (width, height),
               5, 'the window to take its smallest size %dx%d' % (width, height))
    time.sleep(0.5)
    boxes = []
    for where in SMALLEST_SIZE_WIDGETS:
        box = run.widget(**where).get_extents(Atspi.CoordType.WINDOW)
        check(box.width > 0 and box.height > 0, '%s is not shown at the smallest size' % where)
        check(box.x >= 0 and box.y >= 0 and box.x + box.width <= width and box.y + box.height <= height,
              '%s lies outside the window at the smallest size' % where)
        boxes.append((where, box))
    for i, (first, a) in enumerate(boxes):
        for second, b in boxes[i + 1:]:
            apart = (a.x + a.width <= b.x or b.x + b.width <= a.x or a.y + a.height <= b.y or
                     b.y + b.height <= a.y)
            check(apart, '%s overlaps %s at the smallest size %dx%d' % (first, second, width, height))
    box = run.window.get_extents(Atspi.CoordType.SCREEN)
    run.desktop.screenshot(shot, crop=(box.x, box.y, box.width, box.height))
    return width, height


def exit_console(run):
    run.press('Exit')
    try:
        code = run.console.wait(10)
    except Exception:
        raise Failure('the console did not end after Exit')
    check(code == 0, 'the console ended with %d' % code)


def main():
    args = window_test_arguments()
    shot = os.path.join(args.artifacts, 'real_window.png')
    with Desktop() as desktop:
        run = ConsoleRun(desktop, args)
        try:
            run.start()
            search_and_open(run)
            status_query(run)
            wheel_move(run)
            desktop.screenshot(shot)
            smallest = smallest_size(run, os.path.join(args.artifacts, 'smallest_size.png'))
            close_then_long_message(run)
            exit_console(run)
            report = run.stop_probe()
            check(report.get('received') == 'EE CC 03',
                  'the controller received %r, not EE CC 03' % report.get('received'))
            check(report.get('line settings') == 'restored',
                  "the port's line settings were %r after Exit" % report.get('line settings'))
        except Failure:
            if run.console is not None and run.console.poll() is None:
                desktop.screenshot(shot)
            raise
    print('screenshot:', shot)
    print('smallest size: %dx%d' % smallest)
    return 0


if __name__ == '__main__':
    run_main(main)
