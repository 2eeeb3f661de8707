"""A private desktop for driving the console as a person would: an X server
(Xvfb), a session bus and the accessibility bus, the processes under test,
and helpers that find widgets through AT-SPI and work them with xdotool.

Every process is started here, remembered by its PID and stopped by it.
"""

import argparse
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time

# Debian's own Python has the GObject bindings; a Python of another prefix
# may run this file but not import them.
sys.path.append('/usr/lib/python3/dist-packages')
try:
    import gi
    gi.require_version('Atspi', '2.0')
    from gi.repository import Atspi
except (ImportError, ValueError):
    Atspi = None

TOOLS = {
    'Xvfb': 'xvfb',
    'xdotool': 'xdotool',
    'import': 'imagemagick',
    'dbus-daemon': 'dbus',
    'dbus-send': 'dbus',
}
LAUNCHER = '/usr/libexec/at-spi-bus-launcher'
REGISTRY = '/usr/libexec/at-spi2-registryd'


class Failure(Exception):
    pass


def missing_packages():
    """The Debian packages whose tools or bindings are not installed."""
    missing = {package for tool, package in TOOLS.items() if shutil.which(tool) is None}
    if not (os.access(LAUNCHER, os.X_OK) and os.access(REGISTRY, os.X_OK)):
        missing.add('at-spi2-core')
    if Atspi is None:
        missing.update({'python3-gi', 'gir1.2-atspi-2.0'})
    return sorted(missing)


def require_packages():
    """Fails, naming them, when packages the desktop needs are missing."""
    missing = missing_packages()
    if missing:
        raise Failure('missing packages: %s (scripts/install-deps installs them)' % ' '.join(missing))


def window_test_arguments(*extra):
    """The arguments of a test of the real window: the console, the probe
    that plays the controller and a folder for screenshots, which is made;
    extra: (name, help) of further optional arguments. Fails first when
    packages the desktop needs are missing."""
    parser = argparse.ArgumentParser()
    parser.add_argument('--console', required=True)
    parser.add_argument('--probe', required=True)
    parser.add_argument('--artifacts', required=True)
    for name, text in extra:
        parser.add_argument(name, help=text)
    args = parser.parse_args()
    require_packages()
    os.makedirs(args.artifacts, exist_ok=True)
    return args


def run_cases(desktop, args, cases):
    """Runs each case on the one desktop; a failing case leaves a screenshot
    named after it in the artifacts folder."""
    for case in cases:
        try:
            case(desktop, args)
        except Failure:
            desktop.screenshot(os.path.join(args.artifacts, case.__name__ + '.png'))
            raise
        print('passed:', case.__name__)


def run_main(main):
    """Exits with main's status; a Failure is reported and exits with 1."""
    try:
        sys.exit(main())
    except Failure as failure:
        print('FAILED:', failure)
        sys.exit(1)


def wait_until(condition, timeout, what):
    """Polls condition until it returns a true value, which is returned."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure('gave up waiting for ' + what)
        time.sleep(0.02)


def read_line(fd, timeout, what):
    """One line from a pipe, within the timeout."""
    data = b''
    deadline = time.monotonic() + timeout
    while not data.endswith(b'\n'):
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([fd], [], [], left)[0]:
            raise Failure('no ' + what + ' within %g s' % timeout)
        chunk = os.read(fd, 4096)
        if not chunk:
            raise Failure('no ' + what + ': the process ended')
        data += chunk
    return data.decode().strip()


class Desktop:
    """Xvfb with a session bus and an accessibility bus. Use with `with`."""

    def __init__(self):
        self._processes = []
        self.env = None
        self.scratch = None

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def _start(self):
        self.scratch = tempfile.mkdtemp(prefix='korvel-window-')
        display = self._start_reporting(['Xvfb', '-displayfd', '{fd}', '-nolisten', 'tcp',
                                         '-screen', '0', '1280x1024x24'], 'display number')
        env = dict(os.environ, DISPLAY=':' + display, XDG_RUNTIME_DIR=self.scratch,
                   KORVEL_EMULATOR_DIR=os.path.join(self.scratch, 'emulators'))
        env.pop('AT_SPI_BUS_ADDRESS', None)
        self.env = env
        env['DBUS_SESSION_BUS_ADDRESS'] = self._start_reporting(
            ['dbus-daemon', '--session', '--nofork', '--print-address={fd}'], 'session bus address')
        self.start([LAUNCHER, '--launch-immediately'])
        a11y = wait_until(self._accessibility_bus, 10, 'the accessibility bus')
        self._bus_call('org.freedesktop.DBus.Properties.Set', 'string:org.a11y.Status',
                       'string:IsEnabled', 'variant:boolean:true')
        self.start([REGISTRY], env=dict(env, AT_SPI_BUS_ADDRESS=a11y))
        # For this process's own AT-SPI client, which reads them at first use.
        os.environ.update(DISPLAY=env['DISPLAY'], DBUS_SESSION_BUS_ADDRESS=env['DBUS_SESSION_BUS_ADDRESS'],
                          AT_SPI_BUS_ADDRESS=a11y)

    def _bus_call(self, method, *args):
        return subprocess.run(['dbus-send', '--session', '--print-reply=literal', '--dest=org.a11y.Bus',
                               '/org/a11y/bus', method, *args],
                              env=self.env, capture_output=True, text=True, timeout=10)

    def _accessibility_bus(self):
        reply = self._bus_call('org.a11y.Bus.GetAddress')
        return reply.stdout.strip() if reply.returncode == 0 else None

    def _start_reporting(self, command, what):
        """Starts a process that writes one line to the file descriptor
        substituted for {fd}; returns that line."""
        read_end, write_end = os.pipe()
        try:
            self.start([part.replace('{fd}', str(write_end)) for part in command], pass_fds=(write_end,),
                       env=self.env or os.environ)
        finally:
            os.close(write_end)
        try:
            return read_line(read_end, 10, what)
        finally:
            os.close(read_end)

    def start(self, command, env=None, **options):
        process = subprocess.Popen(command, env=env or self.env, **options)
        self._processes.append(process)
        return process

    def stop(self, process, timeout=5):
        """Ends one process started here: SIGTERM, then SIGKILL."""
        if process.poll() is None:
            process.terminate()
            try:
                process.wait(timeout)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        if process in self._processes:
            self._processes.remove(process)

    def close(self):
        for process in reversed(list(self._processes)):
            self.stop(process)
        if self.scratch:
            shutil.rmtree(self.scratch, ignore_errors=True)
            self.scratch = None

    # ---- Working the window ----------------------------------------------------

    def xdotool(self, *args):
        subprocess.run(['xdotool', *args], env=self.env, check=True, timeout=10,
                       stdout=subprocess.DEVNULL)

    def click(self, node):
        """A left click in the middle of the widget."""
        box = node.get_extents(Atspi.CoordType.SCREEN)
        if box.width <= 0 or box.height <= 0:
            raise Failure('%s is not on the screen' % describe(node))
        x, y = box.x + box.width // 2, box.y + box.height // 2
        # A synchronous move to where the pointer already rests waits for a
        # motion that never comes.
        if self.pointer() == (x, y):
            self.xdotool('click', '1')
        else:
            self.xdotool('mousemove', '--sync', str(x), str(y), 'click', '1')

    def pointer(self):
        where = subprocess.run(['xdotool', 'getmouselocation', '--shell'], env=self.env, check=True, timeout=10,
                               capture_output=True, text=True).stdout
        values = dict(line.split('=', 1) for line in where.splitlines() if '=' in line)
        return int(values.get('X', -1)), int(values.get('Y', -1))

    def keys(self, *keys):
        self.xdotool('key', '--delay', '30', *keys)

    def screenshot(self, path, crop=None):
        """The whole screen, or the crop (x, y, width, height), as a PNG."""
        command = ['import', '-window', 'root']
        if crop:
            command += ['-crop', '%dx%d+%d+%d' % (crop[2], crop[3], crop[0], crop[1]), '+repage']
        # Without the time stamps, the same window gives the same file.
        subprocess.run(command + ['-strip', path], env=self.env, check=True, timeout=30)


# ---- Reading the window through AT-SPI --------------------------------------------


def describe(node):
    return '%s %r (%s)' % (node.get_role_name(), node.get_name(), node.get_description())


def find_application(name, timeout=15, pid=None):
    """The application of that name on the bus; of that process when pid is
    given, for programs that run more than once."""
    def look():
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            child = desktop.get_child_at_index(i)
            if child is not None and child.get_name() == name and (pid is None or child.get_process_id() == pid):
                return child
        return None

    return wait_until(look, timeout, name + ' on the accessibility bus')


def find(root, description=None, name=None, role=None):
    """The first widget below root with the given accessible description
    (the outlet's name), name and role."""
    stack = [root]
    while stack:
        node = stack.pop()
        if ((description is None or node.get_description() == description) and
                (name is None or node.get_name() == name) and (role is None or node.get_role_name() == role)):
            return node
        stack.extend(node.get_child_at_index(i) for i in reversed(range(node.get_child_count())))
    raise Failure('no widget with description %r, name %r, role %r' % (description, name, role))


def text_of(node):
    """A widget's text; the views break the lines of each piece they are
    given with line separators (U+2028), read here as line ends."""
    text = node.get_text_iface()
    if text is None:
        raise Failure(describe(node) + ' has no text')
    return text.get_text(0, text.get_character_count()).replace('\u2028', '\n')


def text_child(combo):
    """The editable field of a combo box."""
    for i in range(combo.get_child_count()):
        child = combo.get_child_at_index(i)
        if child.get_role_name() == 'text':
            return child
    raise Failure(describe(combo) + ' has no text field')
