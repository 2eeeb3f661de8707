#!/usr/bin/python3
"""The check's dialog in a real window under Xvfb against the emulated Triad,
worked with clicks and read through the accessibility bus: Check… opens it,
Start fills the table row by row, Stop ends the check after the cycle under
way and the settings found are set again and verified. With --shot, a check
run to its end against fast wheels, and the dialog alone saved as a PNG.

Usage: check_dialog_real_test.py --console PATH --probe PATH --artifacts DIR [--shot FILE]
"""

import argparse
import os
import sys
import time

# No cache files in the source tree.
sys.dont_write_bytecode = True
import real_window_test as flow  # noqa: E402
from desktop_session import Atspi, Desktop, Failure, find, require_packages, run_main, text_of, wait_until

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


def stop_mid_way(run):
    dialog, table, summary = open_dialog(run)
    press_in(run, dialog, 'Start')
    wait_until(lambda: rows(table) >= 2, 30, 'two steps in the table')
    press_in(run, dialog, 'Stop')
    wait_until(lambda: 'verdict: stopped' in text_of(summary), 30, 'the summary of a stopped check')
    shown = rows(table)
    text = text_of(summary)
    flow.check(shown < 70, 'the check ran all %d steps after Stop' % shown)
    flow.check(RESTORED in text, 'the restore after Stop was not verified:\n' + text)
    return dialog


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
    parser = argparse.ArgumentParser()
    parser.add_argument('--console', required=True)
    parser.add_argument('--probe', required=True)
    parser.add_argument('--artifacts', required=True)
    parser.add_argument('--shot', help='a finished check against fast wheels, saved as a PNG')
    args = parser.parse_args()
    require_packages()
    os.makedirs(args.artifacts, exist_ok=True)
    failed = os.path.join(args.artifacts, 'check_dialog.png')
    # Moves slow enough for Stop to come during one, or fast for the picture.
    flow.MOVE_TIME_MS = 20 if args.shot else 400
    with Desktop() as desktop:
        run = flow.ConsoleRun(desktop, args)
        try:
            run.start()
            flow.search_and_open(run)
            flow.status_query(run)
            dialog = finished_check(run, args.shot) if args.shot else stop_mid_way(run)
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
