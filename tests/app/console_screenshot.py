#!/usr/bin/python3
"""The README's picture of the console: an emulated Triad, searched, opened
and asked for its status, in a window under Xvfb; the window alone, as a PNG.

Usage: console_screenshot.py --build DIR --output FILE
"""

import argparse
import os
import sys

# No cache files in the source tree.
sys.dont_write_bytecode = True
import real_window_test as flow  # noqa: E402
from desktop_session import Atspi, Desktop, require_packages, run_main


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--build', required=True, help='the build tree with korvel-console and emulator_probe')
    parser.add_argument('--output', required=True)
    args = parser.parse_args()
    require_packages()
    args.console = os.path.join(args.build, 'src', 'app', 'korvel-console')
    args.probe = os.path.join(args.build, 'tests', 'app', 'emulator_probe')
    with Desktop() as desktop:
        run = flow.ConsoleRun(desktop, args)
        run.start()
        flow.search_and_open(run)
        flow.status_query(run)
        box = run.window.get_extents(Atspi.CoordType.SCREEN)
        desktop.screenshot(args.output, crop=(box.x, box.y, box.width, box.height))
        flow.exit_console(run)
    print('saved', args.output)
    return 0


if __name__ == '__main__':
    run_main(main)
