#!/usr/bin/python3
"""The README's picture of the console: an emulated Triad, searched, opened
and asked for its status with the session record kept, in a window under
Xvfb, with the list of ports found open; the window alone, as a PNG. With
--smallest, a second picture of the window at its smallest size. The session
record is left in the record file.

Usage: console_screenshot.py --build DIR --output FILE --record FILE [--smallest FILE]
"""

import argparse
import os
import sys
import time

# No cache files in the source tree.
sys.dont_write_bytecode = True
import real_window_test as flow  # noqa: E402
from desktop_session import Atspi, Desktop, require_packages, run_main


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--build', required=True, help='the build tree with korvel-console and emulator_probe')
    parser.add_argument('--output', required=True)
    parser.add_argument('--record', required=True, help='the session record file (appended to)')
    parser.add_argument('--smallest', help='the picture of the window at its smallest size')
    args = parser.parse_args()
    require_packages()
    args.console = os.path.join(args.build, 'src', 'app', 'korvel-console')
    args.probe = os.path.join(args.build, 'tests', 'app', 'emulator_probe')
    with Desktop() as desktop:
        run = flow.ConsoleRun(desktop, args)
        run.start('--log', os.path.abspath(args.record))
        flow.search_and_open(run)
        flow.status_query(run)
        desktop.click(run.widget('portChoice'))
        # The list's pop-up is drawn after the click returns.
        time.sleep(1)
        box = run.window.get_extents(Atspi.CoordType.SCREEN)
        desktop.screenshot(args.output, crop=(box.x, box.y, box.width, box.height))
        desktop.keys('Escape')
        if args.smallest:
            flow.smallest_size(run, args.smallest)
        flow.exit_console(run)
    print('saved', args.output)
    return 0


if __name__ == '__main__':
    run_main(main)
