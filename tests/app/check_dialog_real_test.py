#!/usr/bin/python3
"""The check's dialog in a real window under Xvfb against the emulated Triad,
worked with clicks and key presses and read through the accessibility bus:
Check… opens it naming the port, check boxes leave wheels and shutters out
of the plan, Start fills the table row by row, Stop ends the check after the
cycle under way, the bar says where it stopped, the verdict shows as a
banner and the settings found are set again and verified; Save Report…
asks for a file and the report's command row says what ran. With --shot, a
check run to its end against fast wheels, and the dialog alone saved as a PNG.

Usage: check_dialog_real_test.py --console PATH --probe PATH --artifacts DIR [--shot FILE]
"""

import os
import re
import sys
import time

# No cache files in the source tree.
sys.dont_write_bytecode = True
import real_window_test as flow  # noqa: E402
from desktop_session import Atspi, Desktop, Failure, find, run_main, text_of, wait_until, window_test_arguments

DIALOG = 'Check the Controller'
RESTORED = 'restore: the settings found were set again and verified'


def dialog_of(run):
    app = run.window.get_parent()

    def look():
        for i in range(app.get_child_count()):
            child = app.get_child_at_index(i)
            if child is not None and child.get_name() == DIALOG:
                return child
        return None

    return wait_until(look, 10, 'the check dialog')


def rows(table):
    return Atspi.Table.get_n_rows(table)


def open_dialog(run):
    run.press('Check…')
    dialog = dialog_of(run)
    return dialog, find(dialog, description='check steps'), find(dialog, description='check summary')


def press_in(run, dialog, name):
    run.desktop.click(find(dialog, name=name, role='push button'))


def planned_steps(dialog):
    match = re.search(r'Plan: (\d+) steps, about ', find(dialog, description='check plan').get_name())
    return int(match.group(1)) if match else None


def leave_out(run, dialog, devices):
    """Clicks the check boxes of devices; the plan follows."""
    before = planned_steps(dialog)
    for device in devices:
        run.desktop.click(find(dialog, name=device, role='check box'))
    wait_until(lambda: planned_steps(dialog) != before, 10, 'the plan to follow the check boxes')


def progress_text(dialog):
    bar = find(dialog, description='check progress')
    return bar.get_name() or (text_of(bar) if bar.get_text_iface() is not None else '')


def stop_mid_way(run):
    dialog, table, summary = open_dialog(run)
    named = find(dialog, description='check controller').get_name()
    flow.check(run.device in named and 'triad' in named, 'the dialog does not name the port and controller: %r' % named)
    flow.check(planned_steps(dialog) == 70, 'a whole Triad plans %r steps' % planned_steps(dialog))
    # A wheel and a shutter left out: 18 and 8 steps fewer.
    leave_out(run, dialog, ['wheel C', 'shutter B'])
    flow.check(planned_steps(dialog) == 44, 'without wheel C and shutter B the plan has %r steps'
               % planned_steps(dialog))
    press_in(run, dialog, 'Start')
    wait_until(lambda: rows(table) >= 2, 30, 'two steps in the table')
    press_in(run, dialog, 'Stop')
    wait_until(lambda: 'verdict: stopped' in text_of(summary), 30, 'the summary of a stopped check')
    shown = rows(table)
    text = text_of(summary)
    flow.check(shown < 44, 'the check ran all %d steps after Stop' % shown)
    flow.check(RESTORED in text, 'the restore after Stop was not verified:\n' + text)
    banner = find(dialog, description='check verdict').get_name()
    flow.check(banner == 'verdict: stopped', 'the verdict banner reads %r' % banner)
    # The table and the bar count the devices left out as a row each.
    stopped = 'stopped at step %d of 46' % shown
    wait_until(lambda: progress_text(dialog) == stopped, 5,
               'the bar to say %r (says %r)' % (stopped, progress_text(dialog)))
    return dialog


def save_report(run, dialog):
    """Save Report…, a path typed into the file dialog and Return; the
    report's command row names what ran."""
    path = os.path.join(run.desktop.scratch, 'stopped-check.html')
    press_in(run, dialog, 'Save Report…')
    run.desktop.xdotool('search', '--sync', '--onlyvisible', '--name', '^Save Report$', 'windowfocus', '--sync')
    run.desktop.keys('ctrl+a')
    run.desktop.xdotool('type', '--delay', '20', path)
    run.desktop.keys('Return')
    wait_until(lambda: os.path.exists(path), 10, 'the report in ' + path)
    with open(path, encoding='utf-8') as report:
        html = report.read()
    row = '<th>Command</th><td>Check… in korvel-console: wheels A, B; shutters A</td>'
    flow.check(row in html, 'the report has no command row %r' % row)


def finished_check(run, shot):
    dialog, table, summary = open_dialog(run)
    press_in(run, dialog, 'Start')
    wait_until(lambda: 'verdict: ' in text_of(summary), 120, 'the end of the check')
    text = text_of(summary)
    flow.check('verdict: passed' in text and RESTORED in text, 'the check did not pass:\n' + text)
    # The chart is painted after the summary is set.
    time.sleep(1)
    box = dialog.get_extents(Atspi.CoordType.SCREEN)
    run.desktop.screenshot(shot, crop=(box.x, box.y, box.width, box.height))
    return dialog


def main():
    args = window_test_arguments(('--shot', 'a finished check against fast wheels, saved as a PNG'))
    failed = os.path.join(args.artifacts, 'check_dialog.png')
    # Moves slow enough for Stop to come during one, or fast for the picture.
    flow.MOVE_TIME_MS = 20 if args.shot else 400
    with Desktop() as desktop:
        run = flow.ConsoleRun(desktop, args)
        try:
            run.start()
            flow.search_and_open(run)
            flow.status_query(run)
            if args.shot:
                dialog = finished_check(run, args.shot)
            else:
                dialog = stop_mid_way(run)
                save_report(run, dialog)
            # The dialog may cover the window's Exit.
            press_in(run, dialog, 'Close')
            wait_until(lambda: not dialog.get_state_set().contains(Atspi.StateType.SHOWING), 10,
                       'the dialog to close')
            flow.exit_console(run)
            run.stop_probe()
        except Failure:
            if run.console is not None and run.console.poll() is None:
                desktop.screenshot(failed)
            raise
    return 0


if __name__ == '__main__':
    run_main(main)
