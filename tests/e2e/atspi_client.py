#!/usr/bin/python3
"""A screen reader's view of the running program: finds it over AT-SPI, compares its tree
with the layout and works it through actions and text, as an automation client does.

Run by atspi_e2e_test.sh, which starts the display, the session bus and the program.
Arguments: the layout file of the main window."""

import json
import sys
import time

import pyatspi
from gi.repository import GLib

failures = []
events = []  # (type, source name, detail1) as they arrive


def on_event(e):
    try:
        events.append((e.type, e.source.name, e.detail1))
    except Exception:  # a source that went away meanwhile
        events.append((e.type, None, e.detail1))


def pump():
    while GLib.MainContext.default().iteration(False):
        pass


def saw(kind, name, detail1=None):
    return any(t == kind and n == name and (detail1 is None or d == detail1)
               for t, n, d in events)


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what, flush=True)


def wait_for(predicate, what, timeout=10.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        pump()
        try:
            value = predicate()
        except Exception:  # the tree changes under us while a window comes or goes
            value = None
        if value:
            return value
        time.sleep(0.05)
    failures.append("timed out: " + what)
    print("FAIL: timed out:", what, flush=True)
    return None


def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def by_id(root, ident):
    for n in walk(root):
        if n.accessibleId == ident:
            return n
    return None


def by_role(root, role):
    return [n for n in walk(root) if n.getRoleName() == role]


def state(node, s):
    return node.getState().contains(s)


def act(node, name):
    """Runs the node's one action; the call must come back at once, whatever it opens."""
    label = node.accessibleId or node.name  # the node may be gone once the action ran
    action = node.queryAction()
    check(action.nActions == 1 and action.getName(0) == name,
          "%s has the one action %s" % (label, name))
    began = time.monotonic()
    done = action.doAction(0)
    took = time.monotonic() - began
    check(done, "%s accepts %s" % (label, name))
    check(took < 0.5, "%s answered in %.3f s" % (label, took))


def text_of(node):
    t = node.queryText()
    return t.getText(0, t.characterCount)


def find_app():
    def look():
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == "tolvane":
                return app
        return None
    return wait_for(look, "the application tolvane on the accessibility bus", 20.0)


def windows(app, role):
    return [app.getChildAtIndex(i) for i in range(app.childCount)
            if app.getChildAtIndex(i).getRoleName() == role]


def main():
    layout = json.load(open(sys.argv[1], encoding="utf-8"))
    pyatspi.Registry.registerEventListener(
        on_event, "object:state-changed:checked", "object:state-changed:focused",
        "window:activate", "object:text-changed:insert", "object:text-caret-moved",
        "object:text-selection-changed")
    app = find_app()
    if app is None:
        return 1
    frames = windows(app, "frame")
    check(len(frames) == 1, "one frame")
    frame = frames[0]

    # The sidebar's headers and items and the pages' buttons, as the layout makes them.
    clickable = [w for w in layout["widgets"] if w["Kind"] in ("TPanel", "TSpeedButton")
                 and (w["Kind"] == "TSpeedButton" or "OnClick" in w.get("Events", {}))]
    headers = [w for w in clickable if w["Parent"] == "Panel1"]
    items = [w for w in clickable if w["Parent"] in ("Panel3", "Panel5", "Panel7")]
    check(len(headers) == 3 and len(items) == 9, "the layout has 3 headers and 9 items")
    for w in clickable:
        node = by_id(frame, w["Name"])
        if node is None:
            check(False, "%s is in the tree" % w["Name"])
            continue
        check(node.getRoleName() == "push button", "%s is a push button" % w["Name"])
        check(node.name == w["Caption"].strip(" "), "%s is named %r, not %r"
              % (w["Name"], w["Caption"].strip(" "), node.name))
    for ident, name in (("ImageMin", "最小化"), ("ImageClose", "关闭")):
        node = by_id(frame, ident)
        check(node is not None and node.name == name, "%s is named %s" % (ident, name))
    logo = by_id(frame, "Image12")
    check(logo is not None and logo.getRoleName() == "link" and logo.name == "托尔万(Tolvane)"
          and logo.description == "http://tolvane.example/",
          "the logo is a link named by the product, leading to the home page")
    for node in by_role(frame, "push button") + by_role(frame, "link"):
        check(node.name != "", "%s has a name" % node.accessibleId)
    check(state(by_id(frame, "Panel21"), pyatspi.STATE_SHOWING)
          and not state(by_id(frame, "Panel20"), pyatspi.STATE_SHOWING),
          "only the seen page is showing")

    # Scanning with nothing checked: an alert with the notice and one button.
    scan = by_id(frame, "SpeedButton4")
    check(scan.name == "扫  描", "the scan button's name keeps its inner spaces")
    act(scan, "click")
    alert = wait_for(lambda: (windows(app, "alert") or [None])[0], "the alert")
    if alert is not None:
        check(text_of(alert) == "请选择要扫描的内容！", "the alert's text")
        check(alert.description == "请选择要扫描的内容！", "the alert's description")
        buttons = by_role(alert, "push button")
        check(len(buttons) == 1 and buttons[0].name == "确定", "the alert's one button")
        act(buttons[0], "click")
        wait_for(lambda: not windows(app, "alert"), "the alert closes")

    # Toggling System(C:) and scanning: the memo reports the scan.
    drives = by_id(frame, "CheckListBox2")
    check(drives.getRoleName() == "list", "the drives are a list")
    system = [drives.getChildAtIndex(i) for i in range(drives.childCount)
              if drives.getChildAtIndex(i).name == "System(C:)"]
    check(len(system) == 1, "System(C:) is an item of the list")
    if system:
        check(system[0].getRoleName() == "check box", "a list item is a check box")
        act(system[0], "toggle")
        wait_for(lambda: state(system[0], pyatspi.STATE_CHECKED), "System(C:) checked")
        wait_for(lambda: saw("object:state-changed:checked", "System(C:)", 1),
                 "the checked event of System(C:)")
        # The list's one selected item, and another one taken without toggling it.
        sel = drives.querySelection()
        check(sel.nSelectedChildren == 1 and sel.getSelectedChild(0).name == "System(C:)",
              "System(C:) is the list's selection")
        at = system[0].getIndexInParent()
        check(sel.selectChild(at + 1), "the list takes another item")
        wait_for(lambda: sel.isChildSelected(at + 1) and not sel.isChildSelected(at),
                 "the next item selected")
        check(not state(drives.getChildAtIndex(at + 1), pyatspi.STATE_CHECKED),
              "selecting does not check")
        act(scan, "click")
        memo = by_id(frame, "Memo1")
        wait_for(lambda: "正在扫描：" in text_of(memo), "the memo shows the scan")
        wait_for(lambda: any(t == "object:text-changed:insert" for t, _, _ in events),
                 "the memo's text event")

    # The personalisation page: Edit1 read, then set.
    act(by_id(frame, "Panel4"), "click")
    act(wait_for(lambda: state(by_id(frame, "Panel13"), pyatspi.STATE_SHOWING)
                 and by_id(frame, "Panel13"), "the optimisation group"), "click")
    edit = by_id(frame, "Edit1")
    wait_for(lambda: state(edit, pyatspi.STATE_SHOWING), "Edit1 showing")
    check(edit.getRoleName() == "entry" and state(edit, pyatspi.STATE_EDITABLE), "Edit1 an entry")
    check(text_of(edit) == "托尔万(Tolvane)", "Edit1's text")
    edit.queryEditableText().setTextContents("新的标题。Next one")
    wait_for(lambda: text_of(edit) == "新的标题。Next one", "Edit1 takes the new text")

    # Read by words and sentences (each ideograph a word); the caret and selection set.
    t = edit.queryText()
    for offset, unit, expected in ((1, pyatspi.TEXT_GRANULARITY_WORD, ("的", 1, 2)),
                                   (7, pyatspi.TEXT_GRANULARITY_WORD, ("Next", 5, 9)),
                                   (2, pyatspi.TEXT_GRANULARITY_SENTENCE, ("新的标题。", 0, 5)),
                                   (9, pyatspi.TEXT_GRANULARITY_SENTENCE, ("Next one", 5, 13))):
        got = tuple(t.getStringAtOffset(offset, unit))
        check(got == expected, "Edit1 at %d by %s gives %r, not %r" % (offset, unit, expected, got))
    got = tuple(t.getTextAtOffset(4, pyatspi.TEXT_BOUNDARY_WORD_END))
    check(got == ("。Next", 4, 9), "Edit1 between word ends at 4: %r" % (got,))
    check(t.setCaretOffset(2), "Edit1 takes the caret")
    wait_for(lambda: edit.queryText().caretOffset == 2, "the caret moves to 2")
    wait_for(lambda: saw("object:text-caret-moved", edit.name, 2), "the caret's move is told")
    check(t.addSelection(1, 3), "Edit1 takes a selection")
    wait_for(lambda: tuple(edit.queryText().getSelection(0)) == (1, 3), "the selection is 1..3")
    wait_for(lambda: saw("object:text-selection-changed", edit.name), "the selection is told")
    check(not t.addSelection(0, 1), "Edit1 has one selection only")
    check(t.removeSelection(0), "Edit1's selection goes")
    wait_for(lambda: edit.queryText().getNSelections() == 0, "no selection left")
    check(not state(edit, pyatspi.STATE_FOCUSED), "Edit1 not focused yet")
    check(edit.queryComponent().grabFocus(), "Edit1 takes the focus")
    wait_for(lambda: state(edit, pyatspi.STATE_FOCUSED)
             and saw("object:state-changed:focused", edit.name, 1), "Edit1 focused, and told")

    # The About dialog through its sidebar item: its modal loop holds no client.
    act(by_id(frame, "Panel6"), "click")
    about_item = wait_for(lambda: state(by_id(frame, "Panel19"), pyatspi.STATE_SHOWING)
                          and by_id(frame, "Panel19"), "关于软件 showing")
    if about_item is not None:
        check(about_item.name == "关于软件", "the About item's name")
        act(about_item, "click")
        dialog = wait_for(lambda: (windows(app, "dialog") or [None])[0], "the About dialog")
        if dialog is not None:
            check(dialog.name == "关于…", "the dialog's name")
            wait_for(lambda: saw("window:activate", "关于…"), "the dialog's activation event")
            texts = [text_of(n) for n in by_role(dialog, "label")]
            for t in ("托尔万(Tolvane)V2.1（增强版）", "版本：V2.1（增强版）",
                      "http://tolvane.example/", "保留所有权利。"):
                check(t in texts, "the dialog shows %s" % t)
            ok = [n for n in by_role(dialog, "push button") if n.name == "确 定"]
            check(len(ok) == 1, "the dialog's button")
            if ok:
                act(ok[0], "click")
                wait_for(lambda: not windows(app, "dialog"), "the dialog closes")

    print("%d failures" % len(failures), flush=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
