#!/usr/bin/env python3
"""The game as a screen reader hears it, through AT-SPI: a real client (pyatspi) on a private
session bus, reading inside its own event loop where libatspi keeps what it read and trusts the
game's change events to keep that right. The game (the real program, accessibility always on)
runs under a virtual X server with a window manager, played with synthetic keys and clicks, and
posts its score to a real bloomzap-server on 127.0.0.1.

  dbus-run-session -- python3 screen_reader_test.py GAME SERVER

Checks: the tree (roles, names, the board a 10 x 10 table of cells with a Press action); the
cells' names as held by the client against the board drawn on the screen, after clicks, presses
and dropped lines; name-change events as cells change; cells covered and uncovered by the pause
panel; the keyboard focus following the panels; the menus from F10 and Alt; and a whole game from
the keyboard alone up to SEND SCORE, whose posting the server lists.
"""

import colorsys
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback
import urllib.request

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

import pyatspi  # noqa: E402

# Waits are generous: the machine may be loaded; no check depends on how fast anything is.
# SCREEN_READER_WAIT shortens them where a check is expected to fail.
WAIT = float(os.environ.get("SCREEN_READER_WAIT", "60"))
GAME_OVER_WAIT = 240.0
POLL_MS = 50

PLAYER = "Keys"

# The flowers' colours by hue, in the order of the cell values.
FLOWER_HUES = {"blue": 240, "orange": 30, "green": 120, "red": 0, "purple": 300, "yellow": 60}


class CheckFailed(Exception):
    pass


def check(condition, what):
    if not condition:
        raise CheckFailed(what)
    print("ok:", what, flush=True)


# ---- the programs under test and their surroundings ----------------------------------------


class Surroundings:
    """The X server, window manager, AT-SPI bus, score server and game, stopped in reverse."""

    def __init__(self, server):
        self.processes = []
        self.folder = tempfile.mkdtemp(prefix="bloomzap-atspi-")
        self.display = self.start_x()
        os.environ["DISPLAY"] = self.display
        self.spawn(["openbox", "--sm-disable"], "openbox")
        self.spawn(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], "atspi")
        self.wait_for_accessibility_bus()
        self.port = self.start_server(server)

    def log(self, name):
        return open(os.path.join(self.folder, name + ".log"), "wb")

    def spawn(self, argv, name, env=None):
        process = subprocess.Popen(argv, stdout=self.log(name), stderr=subprocess.STDOUT, env=env)
        self.processes.append(process)
        return process

    def start_x(self):
        # Xvfb picks a free display itself and writes its number to the pipe: a number chosen
        # here could be taken by another test's X server starting at the same moment, and this
        # test would then talk to that one until it went. Without -noreset the server resets
        # when its last client (the readiness probe) leaves, and a busy machine can make the
        # window manager arrive during the reset and find no display.
        reader, writer = os.pipe()
        process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(writer), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
             "-noreset"],
            stdout=self.log("xvfb"), stderr=subprocess.STDOUT, pass_fds=(writer,))
        os.close(writer)
        self.processes.append(process)
        with os.fdopen(reader) as numbers:
            number = numbers.readline().strip()
        if not number.isdigit():
            raise RuntimeError("no virtual X server could be started")
        display = ":" + number
        deadline = time.monotonic() + WAIT
        while time.monotonic() < deadline and process.poll() is None:
            if subprocess.call(["xdpyinfo", "-display", display],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL) == 0:
                return display
            time.sleep(0.1)
        raise RuntimeError("the virtual X server did not answer")

    def wait_for_accessibility_bus(self):
        deadline = time.monotonic() + WAIT
        while time.monotonic() < deadline:
            reply = subprocess.run(
                ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                 "org.a11y.Bus.GetAddress"], capture_output=True, text=True)
            if reply.returncode == 0 and "unix:" in reply.stdout:
                return
            time.sleep(0.1)
        raise RuntimeError("the AT-SPI bus did not come up")

    def start_server(self, server):
        data = os.path.join(self.folder, "server")
        os.mkdir(data)
        # Another version is published, so the game offers its update panel at start.
        process = subprocess.Popen(
            [server, "--listen", "127.0.0.1:0", "--data", data, "--version-text", "0.0.1"],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        self.processes.append(process)
        line = process.stderr.readline()
        match = re.search(r"serving http://127\.0\.0\.1:(\d+)/", line)
        if not match:
            raise RuntimeError("bloomzap-server did not start: " + line)
        # Its request log is not read; let it go nowhere.
        process.stderr.close()
        return int(match.group(1))

    def start_game(self, game):
        # The program keeps its settings beside itself: a copy in a folder of its own.
        folder = os.path.join(self.folder, "game")
        os.mkdir(folder)
        program = os.path.join(folder, "bloomzap")
        shutil.copy2(game, program)
        with open(os.path.join(folder, "bloomzap.ini"), "w", newline="\r\n") as settings:
            settings.write("[bloomzap]\nTop=40\nLeft=40\nWidth=518\nHeight=443\nSounds=no\n"
                           "Update=true\nName=Guest\nSite=http://127.0.0.1:%d/\n" % self.port)
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
                   LC_ALL="C", LANG="C")
        env.pop("QT_STYLE_OVERRIDE", None)
        return self.spawn([program], "game", env)

    def high_score_page(self):
        url = "http://127.0.0.1:%d/counter/bloomzap.shtml" % self.port
        with urllib.request.urlopen(url, timeout=30) as reply:
            return reply.read().decode("latin-1")

    def stop(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(timeout=15)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()

    def logs(self):
        text = []
        for name in ("game", "atspi"):
            path = os.path.join(self.folder, name + ".log")
            if os.path.exists(path):
                with open(path, "rb") as log:
                    text.append("--- %s log:\n%s" % (name, log.read().decode(errors="replace")[-3000:]))
        return "\n".join(text)


def keys(*names):
    """Synthetic key presses through the X server's test extension, as a keyboard makes them."""
    for name in names:
        subprocess.check_call(["xdotool", "key", "--clearmodifiers", name])


def click_at(x, y):
    subprocess.check_call(["xdotool", "mousemove", str(x), str(y), "click", "1"])


def screen():
    """The whole screen as (width, height, RGB bytes)."""
    ppm = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"],
                         capture_output=True, check=True).stdout
    fields = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", ppm)
    width, height = int(fields.group(1)), int(fields.group(2))
    return width, height, ppm[fields.end():]


def drawn_flower(shot, extents):
    """What a cell's square shows: a flower's colour by the hue of its coloured pixels, or
    "empty" when it is black (the keyboard frame is white and counts for nothing)."""
    width, _, pixels = shot
    x0, y0, w, h = extents
    votes = {}
    coloured = 0
    # Every third pixel of every third row is plenty, and keeps the client's loop free.
    for y in range(y0 + 3, y0 + h - 3, 3):
        row = (y * width) * 3
        for x in range(x0 + 3, x0 + w - 3, 3):
            r, g, b = pixels[row + 3 * x: row + 3 * x + 3]
            hue, saturation, value = colorsys.rgb_to_hsv(r / 255, g / 255, b / 255)
            if saturation < 0.35 or value < 0.25:
                continue
            coloured += 1
            degrees = hue * 360
            name = min(FLOWER_HUES, key=lambda n: min(abs(degrees - FLOWER_HUES[n]),
                                                      360 - abs(degrees - FLOWER_HUES[n])))
            votes[name] = votes.get(name, 0) + 1
    if coloured < 5:
        return "empty"
    return max(votes, key=votes.get) + " flower"


# ---- the client ------------------------------------------------------------------------------


class Client:
    """What the client holds and what it heard."""

    def __init__(self):
        self.events = []
        self.focused = None
        # A loaded machine may keep the game from answering within libatspi's 0.8 s; that is
        # slowness, not a hung game.
        Atspi.set_timeout(20000, 60000)
        pyatspi.Registry.registerEventListener(
            self.heard, "object:property-change:accessible-name", "object:state-changed:focused",
            "focus:")

    def heard(self, event):
        if event.type.startswith("object:state-changed:focused") and not event.detail1:
            return
        try:
            name = event.source.name
            role = event.source.getRole()
        except Exception:  # an object gone by now tells nothing
            return
        self.events.append((event.type, role, name))
        if event.type.startswith("object:state-changed:focused") or event.type.startswith("focus"):
            self.focused = (role, name)

    def heard_since(self, mark, kind, role=None):
        return [e for e in self.events[mark:]
                if e[0].startswith(kind) and (role is None or e[1] == role)]


def find(root, role, name=None, showing_only=False):
    def matches(accessible):
        try:
            if accessible.getRole() != role or (name is not None and accessible.name != name):
                return False
            return not showing_only or accessible.getState().contains(pyatspi.STATE_SHOWING)
        except Exception:
            return False
    return pyatspi.findDescendant(root, matches, breadth_first=True)


def game_application():
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        application = desktop.getChildAtIndex(index)
        if application is not None and application.name.lower() == "bloomzap":
            return application
    return None


# ---- the checks, run inside the client's event loop ------------------------------------------


def scenario(surroundings, client):
    """A generator: each `yield until(...)` waits, inside the event loop, until predicate()
    holds, and fails the run when it does not in time; a soft wait gives back whether it held."""
    state = {}

    def until(predicate, what, timeout=WAIT, soft=False):
        # What the board checks saw last, told when a wait fails.
        return (predicate, what, timeout, soft,
                lambda: disagreement() if "last" in state else "")

    yield until(lambda: game_application() is not None, "the game is on the AT-SPI bus")
    application = game_application()
    yield until(lambda: find(application, pyatspi.ROLE_FRAME, "Bloomzap") is not None,
                "the game window is in the tree")
    frame = find(application, pyatspi.ROLE_FRAME, "Bloomzap")
    # The player's keys go to the game window: the window manager is asked to make it active.
    subprocess.call(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^Bloomzap$",
                     "windowactivate", "--sync"], stdout=subprocess.DEVNULL,
                    stderr=subprocess.DEVNULL, timeout=WAIT)

    # The update offer came over the name panel: its first control has the keyboard. Its focus
    # event may have gone out before this client listened (the game starts first); a screen
    # reader that comes late asks the window which control is focused, and so does this one.
    def update_focused():
        if client.focused == (pyatspi.ROLE_PUSH_BUTTON, "UPDATE"):
            return True
        button = find(application, pyatspi.ROLE_PUSH_BUTTON, "UPDATE", showing_only=True)
        try:
            if button is not None and button.getState().contains(pyatspi.STATE_FOCUSED):
                client.focused = (pyatspi.ROLE_PUSH_BUTTON, "UPDATE")
                return True
        except Exception:  # gone again: not focused
            pass
        return False

    yield until(update_focused,
                "the update panel's UPDATE button has the focus when the panel appears")
    print("ok: the update panel's UPDATE button has the focus when the panel appears")
    keys("Tab")
    yield until(lambda: client.focused == (pyatspi.ROLE_PUSH_BUTTON, "CANCEL"),
                "Tab goes from UPDATE to CANCEL")
    print("ok: Tab goes from UPDATE to CANCEL")
    keys("space")
    # The offer gone, the name panel under it has the keyboard again.
    yield until(lambda: client.focused is not None and client.focused[0] == pyatspi.ROLE_TEXT,
                "the name box has the focus once the update panel is gone")
    print("ok: the name box has the focus once the update panel is gone")

    # The tree.
    table = find(frame, pyatspi.ROLE_TABLE, "Board")
    check(table is not None, "the board is a table named Board")
    grid = table.queryTable()
    check((grid.nRows, grid.nColumns) == (10, 10), "the board has 10 rows and 10 columns")
    cells = [[grid.getAccessibleAt(r, c) for c in range(10)] for r in range(10)]
    check(all(cells[r][c].getRole() == pyatspi.ROLE_TABLE_CELL for r in range(10) for c in range(10)),
          "every cell of the board is a table cell")
    check(cells[2][4].name.startswith("Row 3, column 5: "), "a cell is named by its row and column")
    check("Press" in [cells[0][0].queryAction().getName(i)
                      for i in range(cells[0][0].queryAction().nActions)],
          "a cell can be pressed")
    for caption in ("START GAME", "PAUSE GAME", "DONE", "CANCEL"):
        check(find(frame, pyatspi.ROLE_PUSH_BUTTON, caption) is not None,
              "the button %s is in the tree" % caption)
    score = find(frame, pyatspi.ROLE_LABEL, "Score: 0")
    check(score is not None, "the score display is named by its caption and number")
    # What the client holds of every cell now: read once, kept from here on.
    held = lambda: [[cells[r][c].name.split(": ", 1)[1] for c in range(10)] for r in range(10)]
    check(all(name == "covered" for name in held()[3][1:9]),
          "cells under the name panel read covered")

    def extents(r, c):
        """A cell's square on the screen, from the board's, asked anew: the window manager may
        move the window."""
        x, y, _, _ = table.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return (x + 32 * c, y + 32 * r, 32, 32)

    def drawn():
        places = [[extents(r, c) for c in range(10)] for r in range(10)]
        shot = screen()
        return [[drawn_flower(shot, places[r][c]) for c in range(10)] for r in range(10)]

    def board_agrees():
        """The names the client holds against the board on the screen, where no panel lies.
        Looked at every half second at most, so the client goes on taking its events."""
        if time.monotonic() < state.get("next look", 0):
            return False
        state["next look"] = time.monotonic() + 0.5
        names = held()
        picture = drawn()
        state["last"] = (names, picture)
        return all(names[r][c] == picture[r][c] for r in range(10) for c in range(10)
                   if names[r][c] != "covered")

    def disagreement():
        names, picture = state.get("last", ([], []))
        return "; ".join("row %d column %d held %s, drawn %s" % (r + 1, c + 1, names[r][c],
                                                               picture[r][c])
                         for r in range(len(names)) for c in range(10)
                         if names[r][c] != "covered" and names[r][c] != picture[r][c])

    # The player types a name and keeps it with Return.
    keys("ctrl+a")
    subprocess.check_call(["xdotool", "type", "--delay", "50", PLAYER])
    mark = len(client.events)
    keys("Return")
    yield until(lambda: client.focused is not None and client.focused[0] == pyatspi.ROLE_TABLE,
                "the board has the focus once the name panel is gone")
    print("ok: the board has the focus once the name panel is gone")
    yield until(lambda: all(n != "covered" for row in held() for n in row),
                "the cells the name panel left read their content again (uncovered)")
    print("ok: the cells the name panel left read their content again (uncovered)")
    check(len(client.heard_since(mark, "object:property-change:accessible-name",
                                 pyatspi.ROLE_TABLE_CELL)) > 0,
          "uncovered cells told their new names")

    # The menus from the keyboard: F10, and Alt with a menu's letter; the focus shows where the
    # keys are.
    on_board = lambda: client.focused is not None and client.focused[0] in (
        pyatspi.ROLE_TABLE, pyatspi.ROLE_TABLE_CELL)
    keys("F10")
    in_menu = lambda *names: client.focused in [(pyatspi.ROLE_MENU_ITEM, n) for n in names]
    yield until(lambda: in_menu("File", "Start Game"), "F10 opens the File menu")
    print("ok: F10 opens the File menu")
    keys("Escape", "Escape")
    yield until(on_board, "Escape closes the menu and the board has the keys again")
    keys("alt")
    yield until(lambda: in_menu("File"), "Alt alone takes the keys to the menu bar")
    print("ok: Alt alone takes the keys to the menu bar")
    keys("Escape")
    yield until(on_board, "Escape leaves the menu bar and the board has the keys again")
    keys("alt+o")
    yield until(lambda: in_menu("Options", "Play Sounds"), "Alt+O opens the Options menu")
    print("ok: Alt+O opens the Options menu")
    keys("Escape", "Escape")
    yield until(on_board, "Escape closes the menu and the board has the keys again")

    def start_game_from_the_board(via_logo=False):
        """Tab from the board to START GAME (PAUSE GAME is off while no game runs), Space;
        via_logo: on to the logo's link and back first."""
        keys("Tab")
        yield until(lambda: client.focused == (pyatspi.ROLE_PUSH_BUTTON, "START GAME"),
                    "Tab goes from the board to START GAME")
        print("ok: Tab goes from the board to START GAME")
        if via_logo:
            keys("Tab")
            yield until(lambda: client.focused == (pyatspi.ROLE_LINK, "Bloomzap logo"),
                        "Tab goes from START GAME to the logo's link")
            print("ok: Tab goes from START GAME to the logo's link")
            keys("shift+Tab")
            yield until(lambda: client.focused == (pyatspi.ROLE_PUSH_BUTTON, "START GAME"),
                        "Shift+Tab goes back to START GAME")
        before = score_value()
        keys("space")
        yield until(lambda: find(frame, pyatspi.ROLE_LABEL, "Level: 1") is not None and
                    find(frame, pyatspi.ROLE_LABEL, "Good Luck " + PLAYER) is not None and
                    score_value() == 0, "Space on START GAME starts a game")
        print("ok: Space on START GAME starts a game")
        del before
        yield until(lambda: client.focused is not None and client.focused[0] in
                    (pyatspi.ROLE_TABLE, pyatspi.ROLE_TABLE_CELL),
                    "the board has the focus when the game starts")
        print("ok: the board has the focus when the game starts")

    def game_over():
        yield until(lambda: find(frame, pyatspi.ROLE_LABEL, "YOUR CLEARED THE BOARD!", True)
                    is not None, "the game ends", timeout=GAME_OVER_WAIT)
        print("ok: the game ends")
        yield until(lambda: client.focused is not None and
                    client.focused[0] == pyatspi.ROLE_TEXT,
                    "the name box of the game-over panel has the focus")
        print("ok: the name box of the game-over panel has the focus")

    def groups(names):
        """A cell of each group of two or more of one colour, biggest first."""
        seen = set()
        found = []
        for r in range(10):
            for c in range(10):
                if (r, c) in seen or not names[r][c].endswith("flower"):
                    continue
                stack, size = [(r, c)], 0
                seen.add((r, c))
                while stack:
                    y, x = stack.pop()
                    size += 1
                    for ny, nx in ((y + 1, x), (y - 1, x), (y, x + 1), (y, x - 1)):
                        if 0 <= ny < 10 and 0 <= nx < 10 and (ny, nx) not in seen and \
                                names[ny][nx] == names[r][c]:
                            seen.add((ny, nx))
                            stack.append((ny, nx))
                if size >= 2:
                    found.append((size, r, c))
        return sorted(found, reverse=True)

    def score_value():
        for accessible in pyatspi.findAllDescendants(
                frame, lambda a: a.getRole() == pyatspi.ROLE_LABEL):
            match = re.fullmatch(r"Score: (\d+)", accessible.name)
            if match:
                return int(match.group(1))
        return None

    def clear_group(act, what):
        """Acts on the biggest group until the score changes: an act during a falling line is
        ignored by the game, as a click is."""
        for _ in range(10):
            yield until(lambda: board_agrees() and groups(held()),
                        "a group on the board, the cells held matching it")
            size, r, c = groups(held())[0]
            before = score_value()
            yield from act(r, c)
            cleared = yield until(lambda: score_value() != before, what, 3.0, True)
            if cleared:
                print("ok: %s (a group of %d)" % (what, size))
                return
        raise CheckFailed(what)

    # The first game: started from the keyboard, the board followed as it changes.
    mark = len(client.events)
    yield from start_game_from_the_board(via_logo=True)
    yield until(board_agrees, "the cells held by the client show the new game's board")
    print("ok: the cells held by the client show the new game's board")
    check(len(client.heard_since(mark, "object:property-change:accessible-name",
                                 pyatspi.ROLE_TABLE_CELL)) >= 20,
          "the two filled rows told their new names")

    # The pause panel covers the board; RESUME has the keyboard; resuming uncovers it.
    keys("p")
    yield until(lambda: client.focused == (pyatspi.ROLE_PUSH_BUTTON, "RESUME"),
                "RESUME has the focus when the pause panel appears")
    print("ok: RESUME has the focus when the pause panel appears")
    yield until(lambda: all(n == "covered" for row in held() for n in row),
                "the cells held read covered while the pause panel lies over them")
    print("ok: the cells held read covered while the pause panel lies over them")
    keys("Return")
    yield until(lambda: client.focused is not None and client.focused[0] in
                (pyatspi.ROLE_TABLE, pyatspi.ROLE_TABLE_CELL),
                "the board has the focus again after RESUME")
    print("ok: the board has the focus again after RESUME")
    yield until(lambda: all(n != "covered" for row in held() for n in row) and board_agrees(),
                "the cells held read their flowers again after RESUME")
    print("ok: the cells held read their flowers again after RESUME")

    # A group cleared by a click of the mouse: the cells the client holds follow.
    def click_cell(r, c):
        x, y, w, h = extents(r, c)
        click_at(x + w // 2, y + h // 2)
        return
        yield

    mark = len(client.events)
    yield from clear_group(click_cell, "a click on a group clears it")
    yield until(board_agrees, "after the click the cells held by the client match the board")
    print("ok: after the click the cells held by the client match the board")
    renamed = client.heard_since(mark, "object:property-change:accessible-name",
                                 pyatspi.ROLE_TABLE_CELL)
    check(len(renamed) >= 2, "the cleared cells told their new names (%d events)" % len(renamed))

    # A group cleared by the Press action, as a screen reader presses a cell.
    def press_cell(r, c):
        cells[r][c].queryAction().doAction(0)
        return
        yield

    yield from clear_group(press_cell, "pressing a cell through AT-SPI clears its group")
    yield until(board_agrees, "after the press the cells held by the client match the board")
    print("ok: after the press the cells held by the client match the board")

    # A line dropped in: the cells held follow without anyone asking.
    flowers = lambda: sum(1 for row in held() for n in row if n.endswith("flower"))
    count = flowers()
    yield until(lambda: flowers() >= count + 10, "a dropped line shows in the cells held")
    yield until(board_agrees, "after a dropped line the cells held by the client match the board")
    print("ok: after a dropped line the cells held by the client match the board")

    # The end of the first game; DONE from the keyboard gives the board the keys again.
    yield from game_over()
    keys("Tab", "Tab", "Tab")
    yield until(lambda: client.focused == (pyatspi.ROLE_PUSH_BUTTON, "DONE"),
                "Tab goes on through SEND SCORE and VIEW HIGH SCORES to DONE")
    print("ok: Tab goes on through SEND SCORE and VIEW HIGH SCORES to DONE")
    keys("Return")
    yield until(lambda: client.focused is not None and client.focused[0] in
                (pyatspi.ROLE_TABLE, pyatspi.ROLE_TABLE_CELL),
                "the board has the focus once the game-over panel is gone")
    print("ok: the board has the focus once the game-over panel is gone")

    # The second game, from the keyboard alone: the cursor onto groups with the arrow keys,
    # Space clears them; at its end Tab to SEND SCORE, Space posts.
    yield from start_game_from_the_board()
    keys("Up")  # shows the cursor where it was left, or on the bottom left cell
    yield until(lambda: client.focused is not None and
                client.focused[0] == pyatspi.ROLE_TABLE_CELL, "the keyboard cursor shows")
    where = re.match(r"Row (\d+), column (\d+):", client.focused[1])
    cursor = [int(where.group(1)) - 1, int(where.group(2)) - 1]

    def cursor_to(r, c):
        moves = ["Up"] * max(0, cursor[0] - r) + ["Down"] * max(0, r - cursor[0])
        moves += ["Left"] * max(0, cursor[1] - c) + ["Right"] * max(0, c - cursor[1])
        if moves:
            keys(*moves)
        cursor[:] = [r, c]
        yield until(lambda: client.focused is not None and
                    client.focused[0] == pyatspi.ROLE_TABLE_CELL and
                    client.focused[1].startswith("Row %d, column %d:" % (r + 1, c + 1)),
                    "the focus follows the keyboard cursor")
        keys("space")

    for _ in range(2):
        yield from clear_group(cursor_to, "Space clears the group under the keyboard cursor")

    yield from game_over()
    final = score_value()
    keys("Tab")
    yield until(lambda: client.focused == (pyatspi.ROLE_PUSH_BUTTON, "SEND SCORE"),
                "Tab goes from the name box to SEND SCORE")
    print("ok: Tab goes from the name box to SEND SCORE")
    keys("space")
    yield until(lambda: PLAYER in surroundings.high_score_page(),
                "the score posted from the keyboard is on the server's list")
    print("ok: the score posted from the keyboard is on the server's list")
    # The row of the list: rank, name, date, score, each in a cell of its own.
    cells_of = lambda row: [re.sub(r"<[^>]*>", "", "<td" + cell).strip()
                            for cell in row.split("<td")[1:]]
    rows = [cells_of(row) for row in surroundings.high_score_page().split("<tr")[1:]]
    check(any(PLAYER in row and str(final) in row for row in rows),
          "the server lists %s with the score %d" % (PLAYER, final))


def run(surroundings, client, game):
    steps = scenario(surroundings, client)
    outcome = {"failure": None}
    waiting = {"pending": None, "deadline": 0.0}

    def advance(result=None):
        try:
            pending = steps.send(result) if waiting["pending"] is not None else next(steps)
        except StopIteration:
            waiting["pending"] = None
            pyatspi.Registry.stop()
            return
        waiting["pending"] = pending
        waiting["deadline"] = time.monotonic() + pending[2]

    def tick():
        try:
            if game.poll() is not None:
                raise CheckFailed("the game ended by itself with status %d" % game.returncode)
            pending = waiting["pending"]
            if pending is None:
                advance()
            elif pending[0]():
                advance(True)
            elif time.monotonic() > waiting["deadline"]:
                if not pending[3]:
                    raise CheckFailed("timed out: %s %s" % (pending[1], pending[4]()))
                advance(False)
        except Exception as failure:  # every failure ends the run and is reported
            outcome["failure"] = failure
            heard = ["  %s %s %r" % (kind, role.value_nick, name)
                     for kind, role, name in client.events]
            with open(os.path.join(surroundings.folder, "heard.log"), "w") as log:
                log.write("\n".join(heard))
            outcome["trace"] = traceback.format_exc() + "\nlast events heard (all in %s):\n%s" % (
                os.path.join(surroundings.folder, "heard.log"), "\n".join(heard[-25:]))
            pyatspi.Registry.stop()
            return False
        return waiting["pending"] is not None

    GLib.timeout_add(POLL_MS, tick)
    # The client's own event loop: libatspi answers from what it read and trusts the events.
    pyatspi.Registry.start()
    return outcome


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    surroundings = Surroundings(sys.argv[2])
    try:
        # The client listens before the game starts, so the game tells it everything.
        client = Client()
        game = surroundings.start_game(sys.argv[1])
        outcome = run(surroundings, client, game)
    finally:
        surroundings.stop()
    if outcome["failure"] is not None:
        print("FAILED:", outcome["failure"], flush=True)
        print(outcome.get("trace", ""))
        print(surroundings.logs())
        return 1
    shutil.rmtree(surroundings.folder, ignore_errors=True)
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
