#!/usr/bin/python3
"""Manual check of what a screen reader gets from the running program.

Run it through scripts/check-screen-reader, which starts a virtual X server,
a session bus and the accessibility bus, then the program. Through AT-SPI it
finds the dialog "resistenze", presses giallo, viola, rosso and oro with the
standard press action and reports:
- the dialog's name, the press action of every button;
- the result lines and the band strip's description afterwards;
- how many name changes the clock bar announced and how many focus changes
  were reported while the clock ticked and the buttons were pressed.
Exit status 0 when everything is as it should be.

needs: python3-pyatspi (Debian), run by the system's python3.
"""
import re
import sys

import pyatspi
from gi.repository import GLib

DEBUG = False
CLOCK = re.compile(r"^\d\d:\d\d:\d\d$")
events = {"clock names": 0, "field names": 0, "focus": 0}
state = {"app": None, "failures": [], "step": 0}


def walk(node, out):
    out.append(node)
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            walk(child, out)
    return out


def on_event(event):
    if event.type.startswith("object:property-change:accessible-name"):
        name = event.source.name or ""
        if event.source.getRole() == pyatspi.ROLE_LABEL or CLOCK.match(name):
            events["clock names" if CLOCK.match(name) else "field names"] += 1
    elif DEBUG:
        print("        event", event.type, event.source.getRoleName(), repr(event.source.name))
    if event.type.startswith("focus") or (event.type.startswith("object:state-changed:focused")
                                             and event.detail1 == 1):
        events["focus"] += 1


def clock_text(nodes):
    """The clock bar's words as its text interface gives them now (a name
    read once is kept by the client until a name change is announced)."""
    for n in nodes:
        if n.getRole() == pyatspi.ROLE_LABEL and CLOCK.match(n.name or ""):
            return n.queryText().getText(0, -1)
    return None


def find_app():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == "resistenze":
            return app
    return None


def check(ok, what):
    print(("ok      " if ok else "FAILED  ") + what)
    if not ok:
        state["failures"].append(what)


def step():
    """Runs the check in steps from the main loop, so events keep arriving."""
    s = state["step"]
    state["step"] += 1
    if s == 0:
        state["app"] = find_app()
        if state["app"] is None:
            if state["step"] > 40:
                check(False, "the program appears on the accessibility bus")
                pyatspi.Registry.stop()
                return False
            state["step"] = 0
            return True
        return True
    nodes = walk(state["app"], [])
    if s == 1:
        dialogs = [n for n in nodes if n.name == "resistenze" and n.getRole() in
                   (pyatspi.ROLE_DIALOG, pyatspi.ROLE_WINDOW, pyatspi.ROLE_FRAME)]
        check(bool(dialogs), "a window named 'resistenze'")
        buttons = [n for n in nodes if n.getRole() == pyatspi.ROLE_PUSH_BUTTON]
        names = [b.name for b in buttons]
        print("        buttons:", ", ".join(names))
        print("        roles:", sorted({n.getRoleName() for n in nodes}))
        pressable = 0
        for b in buttons:
            action = b.queryAction()
            pressable += any(action.getName(i).lower() == "press" for i in range(action.nActions))
        check(len(buttons) == 16 and pressable == len(buttons),
              "%d of %d buttons offer the press action" % (pressable, len(buttons)))
        # Several clock ticks pass with no one touching anything; what came
        # while the window appeared (its first focus) does not count.
        for k in events:
            events[k] = 0
        state["clock"] = clock_text(nodes)
        return True
    if s <= 6:
        return True  # about 2.5 s of ticks
    if s == 7:
        now = clock_text(nodes)
        check(now is not None and now != state["clock"],
              "the clock bar reads the current time (%s, then %s)" % (state["clock"], now))
        check(events["clock names"] == 0,
              "the clock bar announced %d name changes in 2.5 s" % events["clock names"])
        check(events["focus"] == 0, "%d focus changes while the clock ticked" % events["focus"])
        by_name = {n.name: n for n in nodes if n.getRole() == pyatspi.ROLE_PUSH_BUTTON}
        for colour in ("giallo", "viola", "rosso", "oro"):
            action = by_name[colour].queryAction()
            for i in range(action.nActions):
                if action.getName(i).lower() == "press":
                    action.doAction(i)
        return True
    if s <= 10:
        return True  # the presses, each with its flash
    fields = [n for n in nodes if n.getRole() == pyatspi.ROLE_LABEL]
    texts = [f.name for f in fields]
    print("        static texts:", texts)
    check("4.7 kOhm tolleranza  5%" in texts, "a result line reads '4.7 kOhm tolleranza  5%'")
    check(any(CLOCK.match(t or "") for t in texts), "the clock bar can be read")
    strip = [n for n in nodes if n.name.startswith("RESISTENZA")]
    description = strip[0].description if strip else None
    check(description == "giallo, viola, rosso, oro",
          "the band strip describes %r" % description)
    check(events["field names"] > 0, "%d result-line changes announced" % events["field names"])
    check(events["clock names"] == 0, "%d clock name changes in all" % events["clock names"])
    check(events["focus"] == 0, "%d focus changes in all" % events["focus"])
    pyatspi.Registry.stop()
    return False


def main():
    pyatspi.Registry.registerEventListener(on_event, "object:property-change:accessible-name",
                                           "object:state-changed:focused", "focus:")
    GLib.timeout_add(500, step)
    GLib.timeout_add(60000, lambda: (check(False, "finished within a minute"),
                                     pyatspi.Registry.stop()))
    pyatspi.Registry.start()
    sys.exit(1 if state["failures"] else 0)


if __name__ == "__main__":
    main()
