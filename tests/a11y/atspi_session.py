#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The browser as a screen reader and a keyboard-only user meet it.

Starts a headless X server and a D-Bus session with the AT-SPI registry,
runs spellbrowser on a scratch copy of the sample lists with Qt's AT-SPI
bridge on, and drives it with keys alone (xdotool) while reading its
accessible tree and events through the AT-SPI client (python3-gi). Each
step prints PASS or FAIL with what it found; the exit status is 1 when a
step failed, 77 (skip) when the tools are not installed.

usage: atspi_session.py SPELLBROWSER SAMPLES_DIR
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
# Each wait gives up after this many seconds; the whole run takes about 15.
WAIT = 8.0
INNER = "SPELLS_ATSPI_INNER"

# A spell whose range line lacks its tab: the priest build reports it.
FAULTY_SPELL = (
    "\n\nWard of Lanterns\nAbjuration\nSphere: Guardian\nRange: Touch Components: V\n"
    "Duration: 1 turn\tCasting Time: 1\nArea of Effect: One door\tSaving Throw: None\n"
    "Source.\nA ward.\n"
)


def find_bus_launcher():
    for path in ("/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher"):
        if os.access(path, os.X_OK):
            return path
    return None


def missing_tools():
    missing = []
    for tool, package in (("Xvfb", "xvfb"), ("dbus-run-session", "dbus-daemon"), ("xdotool", "xdotool"),
                          ("xclip", "xclip")):
        if not shutil.which(tool):
            missing.append(package)
    if not find_bus_launcher():
        missing.append("at-spi2-core")
    try:
        import gi
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi  # noqa: F401
    except (ImportError, ValueError):
        missing.append("python3-gi gir1.2-atspi-2.0")
    return missing


def outer(argv):
    """Starts Xvfb on a free display and runs this script again inside a
    private D-Bus session."""
    missing = missing_tools()
    if missing:
        print("SKIP: the accessibility session needs " + " ".join(missing) +
              " (make test installs them: apt-get install " + " ".join(missing) + ")")
        return SKIP
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp"], pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        display = pipe.readline().strip()
    if not display:
        print("FAIL: Xvfb did not start")
        return 1
    try:
        env = dict(os.environ, DISPLAY=":" + display, **{INNER: "1"})
        for name in ("AT_SPI_BUS_ADDRESS", "DBUS_SESSION_BUS_ADDRESS", "WAYLAND_DISPLAY"):
            env.pop(name, None)
        try:
            return subprocess.run(["dbus-run-session", "--", sys.executable, os.path.abspath(__file__)] + argv,
                                  env=env, timeout=100).returncode
        except subprocess.TimeoutExpired:
            print("FAIL: the session took longer than 100 s")
            return 1
    finally:
        xvfb.terminate()
        xvfb.wait()


def text_of(node):
    """The text of an object with text, else its name."""
    try:
        return node.get_text(0, node.get_character_count())
    except Exception:  # no text interface
        return node.get_name() or ""


class Session:
    """The browser under AT-SPI, with the events it sent."""

    def __init__(self, Atspi, GLib, browser, data_dir, home):
        self.Atspi = Atspi
        self.GLib = GLib
        self.events = []  # (type, role, name, detail1, source)
        self.failures = []
        self.listener = Atspi.EventListener.new(self._record)
        for kind in ("object:state-changed:focused", "object:state-changed:showing",
                     "object:property-change:accessible-name", "object:announcement", "window:activate"):
            self.listener.register(kind)
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb", HOME=home,
                   XDG_CONFIG_HOME=os.path.join(home, ".config"), XDG_DATA_HOME=os.path.join(home, ".local"),
                   XDG_RUNTIME_DIR=os.path.join(home, "run"))
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
        self.process = subprocess.Popen([browser, "--data-dir", data_dir], env=env)
        self.app = None

    def _record(self, event):
        try:
            source = event.source
            self.events.append((event.type, source.get_role_name(), source.get_name() or "", event.detail1, source))
        except Exception:  # the object is gone already
            self.events.append((event.type, "", "", event.detail1, None))

    def pump(self, seconds):
        context = self.GLib.MainContext.default()
        end = time.monotonic() + seconds
        while True:
            while context.iteration(False):
                pass
            if time.monotonic() >= end:
                return
            time.sleep(0.01)

    def wait_for(self, condition, seconds=WAIT):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            self.pump(0.05)
            try:
                result = condition()
            except Exception:  # objects come and go while the window changes
                result = None
            if result:
                return result
        return None

    def key(self, *keys):
        subprocess.run(["xdotool", "key", "--delay", "60"] + list(keys), check=True)
        self.pump(0.15)

    def refocus(self):
        """Gives the main window the keyboard again after a dialog closed, as
        a window manager does; Xvfb runs none."""
        self.pump(0.3)
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(self.process.pid), "--name",
                                "^Spells$"], capture_output=True, text=True)
        windows = found.stdout.split()
        if len(windows) == 1:
            subprocess.run(["xdotool", "windowfocus", "--sync", windows[0]], check=False)
        self.pump(0.3)

    def type(self, text, delay_ms):
        subprocess.run(["xdotool", "type", "--delay", str(delay_ms), text], check=True)

    def check(self, step, ok, detail):
        print(("PASS " if ok else "FAIL ") + step + ": " + detail)
        if not ok:
            self.failures.append(step)
        sys.stdout.flush()
        return ok

    # -- the tree ------------------------------------------------------------

    def find_app(self):
        desktop = self.Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is not None and app.get_process_id() == self.process.pid:
                return app
        return None

    def windows(self):
        return [self.app.get_child_at_index(i) for i in range(self.app.get_child_count())]

    def walk(self, node, visit, depth=0):
        if node is None or depth > 12:
            return
        visit(node)
        role = node.get_role()
        # Cells and the items of closed lists are contents, not controls.
        if role in (self.Atspi.Role.TABLE, self.Atspi.Role.TREE_TABLE, self.Atspi.Role.TREE, self.Atspi.Role.LIST,
                    self.Atspi.Role.COMBO_BOX):
            return
        for i in range(node.get_child_count()):
            self.walk(node.get_child_at_index(i), visit, depth + 1)

    def has_state(self, node, state):
        return node.get_state_set().contains(state)

    def find(self, root, role=None, name=None, showing=True, description=None):
        found = []

        def visit(node):
            if role is not None and node.get_role() != role:
                return
            if name is not None and (node.get_name() or "") != name:
                return
            if description is not None and (node.get_description() or "") != description:
                return
            if showing and not self.has_state(node, self.Atspi.StateType.SHOWING):
                return
            found.append(node)

        self.walk(root, visit)
        return found

    def labels_of(self, node):
        names = []
        for relation in node.get_relation_set():
            if relation.get_relation_type() == self.Atspi.RelationType.LABELLED_BY:
                for i in range(relation.get_n_targets()):
                    names.append(relation.get_target(i).get_name() or "")
        return names

    def unnamed_controls(self, root):
        """Focusable, showing controls a screen reader could not name: no
        name, or a combo box (named by its current item) with no label."""
        unnamed = []
        Atspi = self.Atspi

        def visit(node):
            if not (self.has_state(node, Atspi.StateType.FOCUSABLE) and
                    self.has_state(node, Atspi.StateType.SHOWING)):
                return
            if node.get_role() in (Atspi.Role.TABLE_CELL, Atspi.Role.LIST_ITEM, Atspi.Role.MENU_ITEM):
                return
            if node.get_role() == Atspi.Role.COMBO_BOX:
                named = any(label.strip() for label in self.labels_of(node))
            else:
                named = bool((node.get_name() or "").strip())
            if not named:
                unnamed.append(node.get_role_name())

        self.walk(root, visit)
        return unnamed

    def focused(self):
        """The role and name of the last object that reported the focus."""
        for kind, role, name, detail, _ in reversed(self.events):
            if kind == "object:state-changed:focused" and detail == 1:
                return role, name
        return None

    def tab_to(self, key, role, name, presses=20):
        for _ in range(presses):
            if self.focused() == (role, name):
                return True
            self.key(key)
            self.wait_for(lambda: self.focused() == (role, name), 0.4)
        return self.focused() == (role, name)

    def window_named(self, name):
        return self.wait_for(lambda: next((w for w in self.windows() if (w.get_name() or "") == name and
                                           self.has_state(w, self.Atspi.StateType.SHOWING)), None))


def run_session(browser, samples):
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi, GLib

    scratch = tempfile.mkdtemp(prefix="spells-atspi-")
    try:
        data_dir = os.path.join(scratch, "data")
        os.makedirs(data_dir)
        shutil.copy(os.path.join(samples, "wizard.txt"), data_dir)
        with open(os.path.join(samples, "priest.txt"), "rb") as src:
            text = src.read()
        with open(os.path.join(data_dir, "priest.txt"), "wb") as dst:
            dst.write(text.rstrip(b"\n") + FAULTY_SPELL.encode())
        s = Session(Atspi, GLib, browser, data_dir + "/", os.path.join(scratch, "home"))
        try:
            steps(s, Atspi, data_dir)
        finally:
            if s.process.poll() is None:
                s.process.kill()
                s.process.wait()
        if s.failures:
            print("FAILED STEPS: " + ", ".join(s.failures))
            return 1
        print("all steps passed")
        return 0
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def steps(s, Atspi, data_dir):
    R = Atspi.Role
    s.app = s.wait_for(s.find_app, 20)
    if not s.check("start", s.app is not None, "the browser is on the AT-SPI bus"):
        return
    main = s.window_named("Spells")
    s.wait_for(lambda: s.focused() is not None)
    s.check("start", main is not None and s.focused() == ("table", "Spell list"),
            "the main window is up, the focus in the spell list: %r" % (s.focused(),))
    if main is None:
        return

    # No index yet: the notice says how to build one.
    alerts = s.find(main, R.ALERT)
    s.check("notice alert", len(alerts) == 1 and (alerts[0].get_name() or "").startswith("No index yet"),
            "the notice is an alert named by its text: %r" % ([a.get_name() for a in alerts],))
    unnamed = s.unnamed_controls(main)
    s.check("names: main window", not unnamed, "focusable controls without a name: %r" % (unnamed,))

    # Create Index (Alt+I) for priests (No, Alt+N): the faulty spell makes a
    # problems notice, announced as an alert.
    del s.events[:]
    s.key("alt+i")
    question = s.wait_for(lambda: next((w for w in s.windows() if s.find(w, R.PUSH_BUTTON, "No")), None))
    s.check("create index", question is not None, "Alt+I asks which class to index")
    s.key("alt+n")
    s.refocus()
    shown = s.wait_for(lambda: [e for e in s.events if e[1] == "alert" and "lines look wrong" in e[2] or
                                e[1] == "alert" and "line looks wrong" in e[2]])
    s.check("notice alert", bool(shown), "the problems notice reached the reader: %r" %
            ([(e[0], e[2]) for e in s.events if e[1] == "alert"],))

    # Tab to Show Problems..., Enter: the problems dialog; Tab leaves its
    # table for Close in one step.
    ok = s.tab_to("Tab", "push button", "Show Problems...")
    s.check("problems", ok, "Tab reaches Show Problems...: %r" % (s.focused(),))
    s.key("Return")
    problems = s.window_named("Problems in priest.txt")
    if s.check("problems", problems is not None, "Enter opens the problems dialog"):
        s.wait_for(lambda: s.focused() == ("tree", "Problems"))
        s.check("problems", s.focused() == ("tree", "Problems"), "the table has the focus: %r" % (s.focused(),))
        unnamed = s.unnamed_controls(problems)
        s.check("names: problems dialog", not unnamed, "focusable controls without a name: %r" % (unnamed,))
        s.key("Tab")
        s.wait_for(lambda: s.focused() == ("push button", "Close"), 2)
        s.check("problems", s.focused() == ("push button", "Close"), "one Tab reaches Close: %r" % (s.focused(),))
        s.key("Escape")
        s.wait_for(lambda: not any((w.get_name() or "").startswith("Problems") for w in s.windows()))
        s.refocus()

    # Create Index, Yes: the wizard index. Its text saved later makes the
    # next load tell of a stale index, as an alert.
    s.key("alt+i")
    s.wait_for(lambda: next((w for w in s.windows() if s.find(w, R.PUSH_BUTTON, "Yes")), None))
    s.key("alt+y")
    s.refocus()
    s.wait_for(lambda: os.path.exists(os.path.join(data_dir, "wizard.idx")))
    later = time.time() + 60
    os.utime(os.path.join(data_dir, "wizard.txt"), (later, later))

    # Wizard by Alt+W.
    del s.events[:]
    s.key("alt+w")
    tree = s.wait_for(lambda: next(iter(s.find(main, R.TABLE, "Spell list")), None))
    rows = s.wait_for(lambda: tree.get_n_rows() == 29 and tree)
    s.check("wizard", rows is not None, "Alt+W shows the 29 wizard spells")
    stale = s.wait_for(lambda: [e for e in s.events if e[1] == "alert" and "changed after its index" in e[2]])
    s.check("notice alert", bool(stale), "the stale-index notice reached the reader as an alert: %r" %
            ([(e[0], e[2]) for e in s.events if e[1] == "alert"],))
    if rows is None:
        return
    cell = tree.get_accessible_at(0, 0)
    s.check("school as text", (cell.get_description() or "") != "",
            "the first row's school icon reads as %r" % (cell.get_description(),))

    # Sort by Level from the keyboard: the list, its menu (the Menu key),
    # Sort by, Level.
    s.tab_to("shift+Tab", "table", "Spell list")
    s.key("Menu")
    ok = s.tab_to("Down", "menu item", "Sort by", 8) or s.tab_to("Down", "menu", "Sort by", 8)
    s.key("Right")
    ok = s.tab_to("Down", "menu item", "Level", 10)
    s.key("Return")
    header = s.wait_for(lambda: tree.get_column_header(0).get_name() == "Level" and tree.get_column_header(0))
    s.check("sort by level", ok and header is not None, "the menu key's Sort by > Level puts Level first: %r" %
            (tree.get_column_header(0).get_name(),))

    # Tab leaves the list in one step, Shift+Tab comes back.
    s.key("Tab")
    s.wait_for(lambda: s.focused() == ("push button", "Wizard"), 2)
    s.check("tab", s.focused() == ("push button", "Wizard"), "one Tab leaves the list: %r" % (s.focused(),))
    s.key("shift+Tab")
    s.wait_for(lambda: (s.focused() or ("",))[0] in ("table", "table cell"), 2)
    s.check("tab", (s.focused() or ("",))[0] in ("table", "table cell"), "Shift+Tab is back in the list: %r" % (s.focused(),))

    # F1: the help, then Escape.
    s.key("F1")
    about = s.window_named("About Spells")
    if s.check("help", about is not None, "F1 opens About Spells"):
        text = s.find(about, name="Help")
        body = text_of(text[0]) if text else ""
        s.check("help", data_dir in body and "Shift+F10" in body,
                "it tells the data folder and the keys (%d characters)" % len(body))
        s.key("Escape")
        s.wait_for(lambda: not any((w.get_name() or "") == "About Spells" for w in s.windows()))
        s.refocus()

    # Ctrl+F, type: the field keeps the only focus, and the count is
    # announced once, after typing stops.
    s.key("ctrl+f")
    s.wait_for(lambda: s.focused() == ("text", "Find"))
    s.check("find", s.focused() == ("text", "Find"), "Ctrl+F puts the focus in the find field: %r" % (s.focused(),))
    unnamed = s.unnamed_controls(main)
    s.check("names: find bar", not unnamed, "focusable controls without a name or label: %r" % (unnamed,))
    level = s.find(main, R.COMBO_BOX, "All levels")
    s.check("names: find bar", len(level) == 1 and s.labels_of(level[0]) == ["Level"],
            "the level box is labelled by %r" % ([s.labels_of(x) for x in level],))
    status = s.find(main, R.STATUS_BAR)
    s.check("find count", len(status) == 1, "the count is a status bar: %r" % ([x.get_name() for x in status],))
    s.pump(0.8)
    del s.events[:]
    s.type("lant", 120)
    s.pump(1.2)
    focus = [(e[1], e[2]) for e in s.events if e[0] == "object:state-changed:focused" and e[3] == 1]
    s.check("find focus", not focus, "no other object claims the focus while typing: %r" % (focus,))
    names = [e[2] for e in s.events if e[0] == "object:property-change:accessible-name" and e[1] == "status bar"]
    s.check("find count", names == ["2 of 29"], "the count is announced once, when typing stops: %r" % (names,))

    # Enter: the details of the first spell found, by level.
    s.key("Return")
    # The name's value is named "Name" and gives the spell's name as its
    # description.
    details = s.wait_for(lambda: next((w for w in s.windows() if w.get_role() == R.DIALOG and
                                       s.find(w, description="Lantern of False Dawn")), None))
    s.check("details", details is not None, "Enter opens the details of Lantern of False Dawn")
    if details is not None:
        labelled = {}

        def visit(node):
            for label in s.labels_of(node):
                labelled[label.rstrip(":")] = node

        s.walk(details, visit)
        value = labelled.get("Duration")
        value_text = text_of(value) if value is not None else ""
        s.check("details labels", value is not None and value_text == "2 rds./level",
                "the Duration value is labelled by its label (each value of the details needs a labelled-by "
                "relation to its label): %r (labelled values: %r)" % (value_text, sorted(labelled)))

        # Ctrl+C copies the spell; Escape closes the details.
        s.key("ctrl+c")
        copied = s.wait_for(lambda: "Lantern of False Dawn" in subprocess.run(
            ["xclip", "-o", "-selection", "clipboard"], capture_output=True, text=True, timeout=5).stdout, 3)
        s.check("copy", bool(copied), "Ctrl+C puts the spell on the clipboard")
        s.key("Escape")
        gone = s.wait_for(lambda: not any(w.get_role() == R.DIALOG and
                                          s.find(w, description="Lantern of False Dawn") for w in s.windows()))
        s.check("details", bool(gone), "Escape closes the details")
        s.refocus()

    # Escape closes the find bar, Ctrl+Q quits.
    s.key("Escape")
    s.wait_for(lambda: s.focused() is not None and s.focused()[0] in ("table", "table cell"))
    s.check("find", not s.find(main, R.ENTRY, "Find") and not s.find(main, R.TEXT, "Find"),
            "Escape closes the find bar")
    s.key("ctrl+q")
    try:
        code = s.process.wait(WAIT)
    except subprocess.TimeoutExpired:
        code = None
    s.check("quit", code == 0, "Ctrl+Q ends the program (exit status %r)" % (code,))


def main(argv):
    if len(argv) != 2:
        print(__doc__)
        return 2
    if not os.environ.get(INNER):
        return outer(argv)
    launcher = subprocess.Popen([find_bus_launcher(), "--launch-immediately"], stderr=subprocess.DEVNULL)
    try:
        return run_session(os.path.abspath(argv[0]), os.path.abspath(argv[1]))
    finally:
        launcher.terminate()
        launcher.wait()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
