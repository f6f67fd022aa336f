"""The desktop host channel from the user interface's side: typed calls, frames, and the
console commands that drive every method by hand.

Positions are fractions of the selected display (0 at the left or top edge, 1 at the right or
bottom edge), sent as doubles whatever the user typed; counts and codes go as int32.
"""

import os
import time
from dataclasses import dataclass

from . import describe
from .values import Int64

CHANNEL = "com.vel.halvo/desktop_host"

MODIFIERS = ("control", "shift", "alt", "win")

# Virtual-key codes by name, for the console's "key" command (any number is accepted too).
KEY_NAMES = {
    "backspace": 8, "tab": 9, "enter": 13, "return": 13, "escape": 27, "esc": 27,
    "space": 32, "pageup": 33, "pagedown": 34, "end": 35, "home": 36, "left": 37,
    "up": 38, "right": 39, "down": 40, "insert": 45, "delete": 46,
}
KEY_NAMES.update({chr(c).lower(): c for c in range(ord("A"), ord("Z") + 1)})
KEY_NAMES.update({chr(c): c for c in range(ord("0"), ord("9") + 1)})
KEY_NAMES.update({"f%d" % n: 0x6F + n for n in range(1, 13)})

DESKTOP_HELP = """\
desktop host ("com.vel.halvo/desktop_host"; X Y are fractions 0..1 of the selected display):
  capture on|off [GEN]            setCaptureEnabled (on: GEN default the last + 1)
  shot [FILE] [max=N] [quality=Q] captureScreen in the current generation; saves FILE (.jpg)
  shots COUNT [DIR]               COUNT frames one at a time, saved in DIR; prints frames/s
  diag                            captureDiagnostics
  displays                        listDisplays, one line a display
  display INDEX                   switchDisplay
  click X Y | rclick X Y          performMouse click / rightClick
  drag X Y EX EY                  performMouse drag
  path X,Y X,Y ...                performMouse dragPath
  scroll AMOUNT                   performMouse scroll (notches; positive turns away)
  type TEXT                       typeText ("quoted" for escapes: \\n \\t \\uNNNN)
  key [MOD+...]KEY                performKeyPress, e.g. key control+shift+a, key alt+f4, key 46
  wake                            wakeDisplay
"""


class DesktopError(ValueError):
    pass


@dataclass
class Frame:
    data: bytes
    width: int
    height: int
    sequence: int

    @classmethod
    def from_reply(cls, reply):
        """The frame a successful "captureScreen" reply carries, or None (null reply)."""
        if reply.kind != "success" or reply.value is None:
            return None
        value = reply.value
        return cls(bytes(value["bytes"]), int(value["width"]), int(value["height"]),
                   int(value["sequence"]))

    def save(self, path):
        directory = os.path.dirname(path)
        if directory:
            os.makedirs(directory, exist_ok=True)
        with open(path, "wb") as f:
            f.write(self.data)
        return path


class DesktopHost:
    """Typed calls of the desktop host channel over a HostSession; each returns the Reply."""

    def __init__(self, session, timeout):
        self.session = session
        self.timeout = timeout
        self.generation = 0  # the last generation sent with "setCaptureEnabled"

    def call(self, method, arguments=None):
        return self.session.call(CHANNEL, method, arguments, timeout=self.timeout)

    def call_async(self, method, arguments=None):
        return self.session.call_async(CHANNEL, method, arguments)

    def set_capture(self, enabled, generation=None):
        if generation is None:
            generation = self.generation + 1 if enabled else self.generation
        self.generation = generation
        return self.call("setCaptureEnabled", {"generation": Int64(generation),
                                               "enabled": bool(enabled)})

    @staticmethod
    def capture_arguments(generation, max_dimension=None, quality=None):
        arguments = {"generation": Int64(generation)}
        if max_dimension is not None:
            arguments["maxDimension"] = int(max_dimension)
        if quality is not None:
            arguments["quality"] = float(quality)
        return arguments

    def capture(self, max_dimension=None, quality=None, generation=None):
        generation = self.generation if generation is None else generation
        return self.call("captureScreen",
                         self.capture_arguments(generation, max_dimension, quality))

    def diagnostics(self):
        return self.call("captureDiagnostics")

    def displays(self):
        return self.call("listDisplays")

    def switch(self, index):
        return self.call("switchDisplay", {"index": int(index)})

    @staticmethod
    def mouse_arguments(kind, *numbers, points=None, amount=None):
        """The "performMouse" map: positions as doubles, the amount as an integer."""
        arguments = {"kind": kind}
        for key, value in zip(("x", "y", "endX", "endY"), numbers):
            arguments[key] = float(value)
        if points is not None:
            arguments["points"] = [[float(x), float(y)] for x, y in points]
        if amount is not None:
            arguments["amount"] = int(amount)
        return arguments

    def click(self, x, y, right=False):
        return self.call("performMouse",
                         self.mouse_arguments("rightClick" if right else "click", x, y))

    def drag(self, x, y, end_x, end_y):
        return self.call("performMouse", self.mouse_arguments("drag", x, y, end_x, end_y))

    def drag_path(self, points):
        return self.call("performMouse", self.mouse_arguments("dragPath", points=points))

    def scroll(self, amount):
        return self.call("performMouse", self.mouse_arguments("scroll", amount=amount))

    def key(self, code, modifiers=()):
        return self.call("performKeyPress", {"keyCode": int(code),
                                             "modifiers": list(modifiers)})

    def type_text(self, text):
        return self.call("typeText", {"text": text})

    def wake(self):
        return self.call("wakeDisplay")


# ---------------------------------------------------------------------------------------------
# Console command arguments


def parse_fraction(text):
    try:
        return float(text)
    except ValueError:
        raise DesktopError("not a number: %r" % text) from None


def parse_key(text):
    """"control+shift+a" -> (65, ["control", "shift"]). Modifier names go out as typed, so
    that a wrong one can be tried by hand; the key is a name of KEY_NAMES or a number."""
    *modifiers, key = text.split("+")
    if not key:
        raise DesktopError("usage: key [MOD+...]KEY")
    code = KEY_NAMES.get(key.lower())
    if code is None:
        try:
            code = int(key, 0)
        except ValueError:
            raise DesktopError("unknown key %r" % key) from None
    return code, modifiers


def parse_text(rest):
    """TEXT as typed, or a "quoted" string with the value syntax's escapes."""
    if rest.startswith('"'):
        value = describe.parse(rest)
        if not isinstance(value, str):
            raise DesktopError("type wants text")
        return value
    return rest


def parse_options(words, names):
    """name=value words -> {name: text}; anything else is positional."""
    options, positional = {}, []
    for word in words:
        name, sep, value = word.partition("=")
        if sep and name in names:
            options[name] = value
        else:
            positional.append(word)
    return options, positional


def display_line(entry):
    mark = "*" if entry.get("selected") else " "
    return "%s %d  %s  %dx%d%s" % (mark, int(entry["index"]), entry["name"], int(entry["width"]),
                                   int(entry["height"]), "  main" if entry.get("isMain") else "")


class DesktopCommands:
    """The console's desktop host commands (mixed into Console, which provides session,
    timeout, save_dir, emit and print_reply)."""

    @property
    def desktop(self):
        host = getattr(self, "_desktop", None)
        if host is None or host.session is not self.session:
            host = self._desktop = DesktopHost(self.session, self.timeout)
        return host

    def _numbers(self, rest, count, usage):
        words = rest.split()
        if len(words) != count:
            raise DesktopError("usage: " + usage)
        return [parse_fraction(w) for w in words]

    def cmd_capture(self, rest):
        words = rest.split()
        if not 1 <= len(words) <= 2 or words[0] not in ("on", "off"):
            raise DesktopError("usage: capture on|off [GEN]")
        generation = None
        if len(words) == 2:
            try:
                generation = int(words[1], 0)
            except ValueError:
                raise DesktopError("not a generation: %r" % words[1]) from None
        reply = self.desktop.set_capture(words[0] == "on", generation)
        self.print_reply(reply, "setCaptureEnabled generation %d %s"
                         % (self.desktop.generation, words[0]))

    def _shot(self, path, max_dimension=None, quality=None):
        started = time.monotonic()
        reply = self.desktop.capture(max_dimension, quality)
        elapsed = time.monotonic() - started
        frame = Frame.from_reply(reply)
        if frame is None:
            self.print_reply(reply, "captureScreen")
            return None
        if path is None:
            path = os.path.join(self.save_dir or ".", "frame-%d.jpg" % frame.sequence)
        frame.save(path)
        self.emit({"type": "frame", "file": path, "width": frame.width, "height": frame.height,
                   "sequence": frame.sequence, "bytes": len(frame.data),
                   "seconds": round(elapsed, 4)},
                  "frame %dx%d sequence %d, %d bytes in %.1f ms -> %s" % (
                      frame.width, frame.height, frame.sequence, len(frame.data),
                      elapsed * 1000, path))
        return frame

    def cmd_shot(self, rest):
        options, positional = parse_options(rest.split(), ("max", "quality"))
        if len(positional) > 1:
            raise DesktopError("usage: shot [FILE] [max=N] [quality=Q]")
        try:
            max_dimension = int(options["max"]) if "max" in options else None
            quality = float(options["quality"]) if "quality" in options else None
        except ValueError as e:
            raise DesktopError(str(e)) from None
        self._shot(positional[0] if positional else None, max_dimension, quality)

    def cmd_shots(self, rest):
        words = rest.split()
        if not 1 <= len(words) <= 2 or not words[0].isdigit():
            raise DesktopError("usage: shots COUNT [DIR]")
        directory = words[1] if len(words) > 1 else (self.save_dir or ".")
        started = time.monotonic()
        frames = 0
        for i in range(int(words[0])):
            if self._shot(os.path.join(directory, "frame-%03d.jpg" % i)) is not None:
                frames += 1
        elapsed = time.monotonic() - started
        rate = frames / elapsed if elapsed > 0 else 0.0
        self.emit({"type": "frames", "count": frames, "seconds": round(elapsed, 3),
                   "per_second": round(rate, 2)},
                  "%d frames in %.2f s: %.2f frames/s" % (frames, elapsed, rate))

    def cmd_diag(self, rest):
        self.print_reply(self.desktop.diagnostics(), "captureDiagnostics")

    def cmd_displays(self, rest):
        reply = self.desktop.displays()
        self.print_reply(reply, "listDisplays")
        if reply.kind == "success" and isinstance(reply.value, list):
            for entry in reply.value:
                self.emit({"type": "display", "index": int(entry["index"]),
                           "name": entry["name"]}, display_line(entry))

    def cmd_display(self, rest):
        try:
            index = int(rest, 0)
        except ValueError:
            raise DesktopError("usage: display INDEX") from None
        self.print_reply(self.desktop.switch(index), "switchDisplay %d" % index)

    def cmd_click(self, rest):
        x, y = self._numbers(rest, 2, "click X Y")
        self.print_reply(self.desktop.click(x, y), "click %g %g" % (x, y))

    def cmd_rclick(self, rest):
        x, y = self._numbers(rest, 2, "rclick X Y")
        self.print_reply(self.desktop.click(x, y, right=True), "rightClick %g %g" % (x, y))

    def cmd_drag(self, rest):
        numbers = self._numbers(rest, 4, "drag X Y EX EY")
        self.print_reply(self.desktop.drag(*numbers), "drag %g %g %g %g" % tuple(numbers))

    def cmd_path(self, rest):
        points = []
        for word in rest.split():
            x, sep, y = word.partition(",")
            if not sep:
                raise DesktopError("usage: path X,Y X,Y ...")
            points.append((parse_fraction(x), parse_fraction(y)))
        self.print_reply(self.desktop.drag_path(points), "dragPath of %d points" % len(points))

    def cmd_scroll(self, rest):
        try:
            amount = int(rest, 0)
        except ValueError:
            raise DesktopError("usage: scroll AMOUNT") from None
        self.print_reply(self.desktop.scroll(amount), "scroll %d" % amount)

    def cmd_type(self, rest):
        text = parse_text(rest)
        self.print_reply(self.desktop.type_text(text), "typeText of %d characters" % len(text))

    def cmd_key(self, rest):
        code, modifiers = parse_key(rest.strip())
        self.print_reply(self.desktop.key(code, modifiers),
                         "performKeyPress %d %s" % (code, "+".join(modifiers) or "-"))

    def cmd_wake(self, rest):
        self.print_reply(self.desktop.wake(), "wakeDisplay")
