"""korvane, the desktop window, as a person meets it: each case starts the
installed program on a simulated camera (camera_sandbox under
umockdev-wrapper), reads and presses it through the accessibility bus as a
screen reader would, and saves a screenshot of each state it reaches.
scripts/test-desktop runs it under Xvfb on a private session bus.

  window_cases.py KORVANE NOT-FOR-CHIP-KORVANE KORVANE-UPDATE CAMERA-SANDBOX SHOTS
"""
import os
import signal
import subprocess
import sys
import time

import dbus
import pyatspi

KORVANE, NOT_FOR_CHIP, CONSOLE, SANDBOX, SHOTS = sys.argv[1:6]

START_S = 30   # the window opens and joins the accessibility bus, under load
STATE_S = 60   # a check, or a 64 KiB write through umockdev's handlers
POLL_S = 0.1
BLANK_PX = 24 + 4  # the content's margin, and a little for rounding
LOCK = "/run/lock/korvane-update.lock"  # the machine's one-update lock, in the cases' own /run/lock
FIT_S = 6      # a resize reaches the window within a few frames

UPDATED = "The camera's firmware was updated."
DUE = "An update is due."
WRITTEN_FLASH = "simulated flash: image 135 patched for type 4, committed"


class Failed(Exception):
    pass


# The desktop's session manager, which a window asks to hold off a logout:
# a mock on the cases' session bus that answers as GNOME's does and keeps
# each call.
SESSION = ("org.gnome.SessionManager", "/org/gnome/SessionManager")
LOGOUT = 1  # Inhibit's flag for a logout


def session_manager():
    mock = subprocess.Popen(["/usr/bin/python3", "-m", "dbusmock", "--session", *SESSION, SESSION[0]],
                            stdout=subprocess.DEVNULL)
    Window.until(None, lambda: dbus.SessionBus().name_has_owner(SESSION[0]), START_S, "the session manager")
    manager = dbus.SessionBus().get_object(*SESSION)
    manager.AddMethods(SESSION[0], [("RegisterClient", "ss", "o", 'ret = "/org/gnome/SessionManager/Client1"'),
                                    ("Inhibit", "susu", "u", "ret = 1"), ("Uninhibit", "u", "", "")],
                       dbus_interface="org.freedesktop.DBus.Mock")
    return mock, manager


def logout_held(manager):
    calls = manager.GetMethodCalls("Inhibit", dbus_interface="org.freedesktop.DBus.Mock")
    return any(int(args[3]) & LOGOUT for _, args in calls)


def walk(node):
    yield node
    for child in node:
        if child is not None:
            yield from walk(child)


class Window:
    """The program's process and its accessible tree."""

    def __init__(self, case, options, program):
        self.case, self.shots = case, 0
        # The last case's window gone from the bus, so that this one's is the only one.
        self.until(lambda: not any(a is not None and a.name == "korvane" for a in pyatspi.Registry.getDesktop(0)),
                   START_S, "the last window gone")
        self.err = open(os.path.join(SHOTS, case + ".log"), "w+")
        self.proc = subprocess.Popen(["umockdev-wrapper", SANDBOX, *options, program],
                                     stdout=self.err, stderr=self.err, start_new_session=True)
        # One case at a time: the only application named korvane is this one.
        self.app = self.until(lambda: next((a for a in pyatspi.Registry.getDesktop(0)
                                             if a is not None and a.name == "korvane" and a.childCount), None),
                              START_S, "the window")

    def until(self, found, bound, what):
        end = time.monotonic() + bound
        while time.monotonic() < end:
            try:
                value = found()
            except Exception:  # a node the program has just let go
                value = None
            if value:
                return value
            time.sleep(POLL_S)
        raise Failed(f"{what} not seen in {bound} s; status: {self and self.status_or_none()}")

    def nodes(self, role, frame=None):
        return [n for n in walk(frame or self.app) if n.getRole() == role]

    def named(self, role, words):
        return next((n for n in self.nodes(role) if words in n.name), None)

    def status_or_none(self):
        try:
            return [n.name for n in self.nodes(pyatspi.ROLE_STATUS_BAR)]
        except Exception:
            return None

    def status(self, words, bound=STATE_S):
        return self.until(lambda: self.named(pyatspi.ROLE_STATUS_BAR, words), bound, repr(words)).name

    def press(self, name):
        button = self.until(lambda: next((n for n in self.nodes(pyatspi.ROLE_PUSH_BUTTON)
                                          if self.says(n, name)), None), STATE_S, name + " button")
        button.queryAction().doAction(0)

    @staticmethod
    def says(button, name):
        # GTK 4.8 names a button with a mnemonic "_Update Update".
        return button.name in (name, "_" + name + " " + name)

    def shot(self, state):
        self.fits(state)
        self.shots += 1
        path = os.path.join(SHOTS, f"{self.case}-{self.shots}-{state}.png")
        subprocess.run(["import", "-window", "root", path], check=True)

    def fits(self, state):
        """Every part inside the window, and no more room below them than the margin."""
        def problem():
            frame = self.app[0]
            _, _, width, height = frame.queryComponent().getExtents(pyatspi.WINDOW_COORDS)
            # The leaves: a container stretches over the room the window leaves.
            parts = [(n.getRoleName(), n.name, *n.queryComponent().getExtents(pyatspi.WINDOW_COORDS))
                     for n in walk(frame) if n.childCount == 0]
            parts = [p for p in parts if p[4] > 0 and p[5] > 0]
            clipped = [p[:2] for p in parts if p[2] + p[4] > width or p[3] + p[5] > height]
            blank = height - max(p[3] + p[5] for p in parts)
            return (clipped and f"cut off by the window's {width}x{height}: {clipped}" or
                    blank > BLANK_PX and f"{blank} px blank below the content")
        # The window takes its new size a frame after its content changes.
        end = time.monotonic() + FIT_S
        while (found := problem()) and time.monotonic() < end:
            time.sleep(POLL_S)
        expect(not found, f"{state}: {found}")

    def end(self, close=True):
        """Closes the window and returns what the sandbox says of the flash."""
        if close:
            self.press("Close")
        if self.proc.wait(timeout=STATE_S) != 0:
            raise Failed(f"exit code {self.proc.returncode}")
        self.err.seek(0)
        return next(line for line in self.err.read().splitlines() if "simulated flash:" in line)


def expect(condition, what):
    if not condition:
        raise Failed(what)


def write(w, verdict):
    """Update, the progress on the way, then the verdict."""
    w.press("Update")
    w.status("Writing the new firmware")
    bar = w.nodes(pyatspi.ROLE_PROGRESS_BAR)[0]
    w.until(lambda: 0 < bar.queryValue().currentValue < bar.queryValue().maximumValue, STATE_S,
            "the bar part-way")
    w.shot("writing")
    return w.status(verdict)


def due_written(w):
    w.status(DUE)
    w.shot("due")
    expect(w.named(pyatspi.ROLE_LABEL, "Camera: Tarvex USB Camera"), "the camera's name")
    refused = subprocess.run([CONSOLE, "--check"], capture_output=True, text=True)
    # The run waits at its question for Update, and its lock says so.
    expect("waiting for an answer at its question" in " ".join(refused.stderr.split()),
           "korvane-update told: " + refused.stderr)
    write(w, UPDATED)
    w.shot("updated")
    expect(w.end().endswith(WRITTEN_FLASH), "the flash written")


def unplugged(w):
    w.status(DUE)
    words = write(w, "The update did not finish.")
    w.shot("failed")
    expect("may not start" in words and "went away" in words and "press Check Again" in words,
           "the risk, the cause and the advice: " + words)
    expect(w.named(pyatspi.ROLE_PUSH_BUTTON, "Check Again"), "Check Again offered")
    expect(not w.end().endswith(WRITTEN_FLASH), "the flash not claimed written")


def close_while_writing(w):
    w.status(DUE)
    w.press("Update")
    w.status("Writing the new firmware")
    w.press("Close")
    w.until(lambda: any("being written" in n.name for n in walk(w.app)), STATE_S, "the refusal")
    w.shot("close-refused")
    inhibitors = subprocess.run(["dbus-send", "--system", "--print-reply", "--dest=org.freedesktop.login1",
                                 "/org/freedesktop/login1", "org.freedesktop.login1.Manager.ListInhibitors"],
                                capture_output=True, text=True).stdout
    expect("sleep:shutdown" in inhibitors and '"block"' in inhibitors, "sleep held off: " + inhibitors)
    expect(logout_held(MANAGER), "the session's logout held off")
    # A logout's or a shut-down's SIGTERM waits for the write's end, then closes.
    subprocess.run(["pkill", "-TERM", "-s", str(w.proc.pid), "-x", "korvane"], check=True)
    expect(w.proc.poll() is None, "the window stays")
    expect(w.end(close=False).endswith(WRITTEN_FLASH), "the write went on to the end")


def offered(w, name):
    return any(w.says(n, name) for n in w.nodes(pyatspi.ROLE_PUSH_BUTTON))


def shown(words, last_line, again=True, then=None):
    def case(w):
        w.status(words)
        w.shot("verdict")
        expect(not offered(w, "Update"), "no Update offered")
        expect(offered(w, "Check Again") == again, f"Check Again offered: {not again}")
        if then:
            then(w)
        expect(w.end().endswith(last_line), "the flash untouched")
    return case


def check_ours(w):
    """The other camera named, and checked instead."""
    w.press("Check Tarvex USB Camera")
    w.status("The camera's firmware is up to date.")
    w.shot("ours-checked")
    expect(w.named(pyatspi.ROLE_LABEL, "Also attached:"), "the first camera named")


def another_run(w):
    """The other run gone, a second look finds the camera due."""
    os.killpg(w.holder.pid, signal.SIGKILL)  # flock and the sleep that inherits the lock
    w.holder.wait()
    for look in ("first", "second"):  # the second while the window holds the lock itself
        w.press("Check Again")
        w.until(lambda: not offered(w, "Update"), STATE_S, f"the {look} look begun")
        w.status(DUE)
    w.shot("due")


def not_for_chip(button, verdict, last_line):
    def case(w):
        w.status(DUE)
        w.press("Update")
        dialog = w.until(lambda: next((f for a in [w.app] for f in a if f.name == "Warning"), None),
                         STATE_S, "the question")
        expect(any("NOT for the IC" in n.name for n in walk(dialog)), "the question's words")
        w.shot("question")
        w.press(button)
        w.status(verdict)
        w.shot("verdict")
        expect(w.end().endswith(last_line), "the flash: " + last_line)
    return case


CASES = [  # name, camera_sandbox's options, program, what a person does and sees
    ("due", ["--slow"], KORVANE, due_written),
    ("unplugged", ["--unplugged", "--slow"], KORVANE, unplugged),
    ("close-while-writing", ["--slow"], KORVANE, close_while_writing),
    ("current", ["--current"], KORVANE, shown("The camera's firmware is up to date.", "not updated", again=False)),
    ("no-camera", ["--no-camera"], KORVANE, shown("Plug the camera in, then press Check Again.", "not updated")),
    ("battery", ["--battery"], KORVANE, shown("Plug the computer in", "not updated")),
    ("another-run", ["--slow"], KORVANE, shown("Another camera update is running", "not updated", then=another_run)),
    ("another-makers-first", ["--another-makers-first"], KORVANE,
     shown("nothing shows it is ours", "not updated", then=check_ours)),
    ("not-for-chip-no", [], NOT_FOR_CHIP, not_for_chip("Don't write", "Nothing was written.", "not updated")),
    ("not-for-chip-yes", [], NOT_FOR_CHIP, not_for_chip("Write anyway", UPDATED, "committed")),
]


def main():
    global MANAGER
    mock, MANAGER = session_manager()
    failures = 0
    for name, options, program, steps in CASES:
        if len(sys.argv) > 6 and name not in sys.argv[6:]:
            continue
        started = time.monotonic()
        w = holder = None
        try:
            if name == "another-run":  # the one-update lock held by another process
                # The last case's program may still be letting it go.
                holder = subprocess.Popen(["flock", "-w", str(START_S), LOCK, "sleep", "60"], start_new_session=True)
                while subprocess.run(["flock", "-n", LOCK, "true"]).returncode == 0:
                    expect(holder.poll() is None, "the lock taken by the stand-in run")
                    time.sleep(POLL_S)
            w = Window(name, options, program)
            w.holder = holder
            steps(w)
            print(f"ok    {name} ({time.monotonic() - started:.1f} s)")
        except Exception as error:  # every case runs; each failure is said
            failures += 1
            print(f"FAIL  {name}: {error}")
        finally:
            if holder and holder.poll() is None:
                os.killpg(holder.pid, signal.SIGKILL)
            if w:  # the sandbox, its program and the program's own children
                try:
                    os.killpg(w.proc.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                w.proc.wait()
    mock.kill()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
