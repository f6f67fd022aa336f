"""tesso-peer: drive the host from a terminal or a script, as its user interface would."""

import argparse
import json
import sys
import threading

from . import codec, describe
from .desktop import DESKTOP_HELP, DesktopCommands
from .output import human, save_byte_lists, to_json
from .bare_display import start_session
from .screens import parse as parse_screens
from .session import DEFAULT_TIMEOUT, DEFER, HostSession

# In a prefix of the user's own, the setting start_session puts into a fresh clone.
UNMANAGED_SETTING = (r"HKCU\Software\Wine\X11 Driver", "Managed", "REG_SZ", "N")

COMMANDS_HELP = """\
commands (one per line; '#' starts a comment line):
  call CHANNEL METHOD [VALUE]     invoke a method; prints the reply
  callraw CHANNEL HEX             send raw message bytes; prints the response bytes
  reply ID REPLY                  answer host message ID
  autoreply CHANNEL METHOD REPLY  answer every message for METHOD ('*': any) on CHANNEL
  autoreply CHANNEL off           stop answering CHANNEL automatically
  post MSG WPARAM LPARAM          post a window message to the top-level window
  send MSG WPARAM LPARAM          send one (numbers: decimal or 0x hex)
  frame                           make the engine produce a frame
  wait EVENT [SECONDS]            wait for the next EVENT not yet waited for
  waitmsg CHANNEL [METHOD] [SECONDS]  wait for the next host message not yet waited for
  waitexit [SECONDS]              wait for the host to exit; prints its exit code
  events | messages | stderr      list what was seen so far
  sleep SECONDS                   pause (scripts)
  echo TEXT                       print TEXT
  help | quit

REPLY: VALUE (success), 'error CODE [MESSAGE [DETAILS]]' (values), 'notimpl' (empty reply) or
'raw HEX'.

VALUE syntax:
  null true false            5 -3 (int32 if it fits, else int64)   1.5 nan inf (double)
  i32:5 i64:5 f64:1.5 f64:3ff8000000000000 (16 hex digits: the bits)
  "text" or str:"text"       escapes \\" \\\\ \\n \\r \\t \\xNN (one byte) \\uNNNN
  bytes:00ff  i32s:[1,2]  i64s:[1]  f64s:[1.5]  f32s:[0.5] (8 hex digits: bits)
  [1, "a"] or list:[...]     {"key": value} or map:{"key"=value}
The canonical form printed by --describe output is accepted as is.
"""
COMMANDS_HELP += "\n" + DESKTOP_HELP


# ---------------------------------------------------------------------------------------------
# Command arguments


class CommandError(ValueError):
    pass


def parse_reply(text):
    """The bytes of a REPLY (see COMMANDS_HELP)."""
    text = text.strip()
    head, _, rest = text.partition(" ")
    if head == "notimpl" and not rest.strip():
        return b""
    if head == "raw":
        try:
            return bytes.fromhex(rest.strip())
        except ValueError as e:
            raise CommandError("bad hex: %s" % e) from None
    if head == "error":
        args = describe.parse_many(rest)
        if not 1 <= len(args) <= 3 or not isinstance(args[0], str):
            raise CommandError("error needs a string CODE, then MESSAGE and DETAILS")
        message = args[1] if len(args) > 1 else None
        if message is not None and not isinstance(message, str):
            raise CommandError("the error MESSAGE must be a string or null")
        return codec.encode_error(args[0], message or "", args[2] if len(args) > 2 else None)
    if head == "ok":
        text = rest
    return codec.encode_success(describe.parse(text) if text.strip() else None)


def parse_number(text):
    try:
        return int(text, 0)
    except ValueError:
        raise CommandError("not a number: %r" % text) from None


def parse_seconds(text, default):
    if text is None:
        return default
    try:
        return float(text)
    except ValueError:
        raise CommandError("not a number of seconds: %r" % text) from None


# ---------------------------------------------------------------------------------------------
# The console


class Console(DesktopCommands):
    """Runs commands on a session and prints what happens.

    With session None, attach() it later; pass console.on_session as the session's listener
    to see its events from the start.
    """

    def __init__(self, session=None, out=sys.stdout, as_json=False, save_dir=None,
                 timeout=DEFAULT_TIMEOUT):
        self.session = session
        self.out = out
        self.as_json = as_json
        self.save_dir = save_dir
        self.timeout = timeout
        self._print_lock = threading.Lock()  # guards out
        self._event_cursor = {}
        self._message_cursor = {}
        self._autoreplies = {}  # channel -> {method or '*': reply bytes}
        self._replies = 0
        if session is not None:
            session.add_listener(self.on_session)

    # -- output ---------------------------------------------------------------------------------

    def emit(self, record, text):
        with self._print_lock:
            if self.as_json:
                self.out.write(json.dumps(record) + "\n")
            else:
                self.out.write(text + "\n")
            self.out.flush()

    def on_session(self, kind, item):
        if kind == "event":
            self.emit({"type": "event", "name": item.name, "data": item.data},
                      "event %s %s" % (item.name, json.dumps(item.data, ensure_ascii=False)))
        elif kind == "host_message":
            self._print_message(item)
        elif kind == "stderr":
            self.emit({"type": "stderr", "line": item}, "stderr: " + item)
        elif kind == "closed":
            error = None if item is None else str(item)
            self.emit({"type": "link_closed", "error": error},
                      "link closed" + ("" if error is None else ": " + error))

    def _print_message(self, m):
        record = {"type": "host_message", "channel": m.channel, "id": m.id,
                  "method": m.method, "raw": m.body.hex() if m.call is None else None}
        if m.call is not None:
            record["arguments"] = to_json(m.arguments)
            record["description"] = describe.describe(m.arguments)
            text = "host message #%d on %s: %s(%s)" % (m.id, m.channel, m.method,
                                                       human(m.arguments))
        else:
            text = "host message #%d on %s: undecodable %s" % (m.id, m.channel, m.body.hex())
        if m.replied:
            record["replied"] = True
            text += " (answered automatically)"
        self.emit(record, text)

    def print_reply(self, reply, label):
        self._replies += 1
        saved = {}
        if self.save_dir and reply.kind in ("success", "error"):
            payload = reply.value if reply.kind == "success" else reply.details
            saved = save_byte_lists(payload, self.save_dir, "reply%d" % self._replies)
        record = {"type": "reply", "call": label, "kind": reply.kind}
        if reply.kind == "success":
            record["value"] = to_json(reply.value, saved)
            record["description"] = describe.describe(reply.value)
            text = "%s -> success %s" % (label, human(reply.value))
        elif reply.kind == "error":
            record.update(code=reply.code, message=reply.message,
                          details=to_json(reply.details, saved),
                          description=describe.describe(reply.details))
            text = "%s -> error %s %s %s" % (label, json.dumps(reply.code),
                                              json.dumps(reply.message), human(reply.details))
        elif reply.kind == "not_implemented":
            text = "%s -> not implemented" % label
        else:
            record["raw"] = reply.raw.hex()
            text = "%s -> undecodable reply %s" % (label, reply.raw.hex())
        if reply.diagnostics:
            record["diagnostics"] = reply.diagnostics
            text += " [%s]" % "; ".join(reply.diagnostics)
        if saved:
            text += " (saved %s)" % ", ".join(sorted(saved.values()))
        self.emit(record, text)

    # -- commands -------------------------------------------------------------------------------

    def execute(self, line):
        """Runs one command line; returns False after quit. Raises on failure."""
        line = line.strip()
        if not line or line.startswith("#"):
            return True
        name, _, rest = line.partition(" ")
        handler = getattr(self, "cmd_" + name, None)
        if handler is None:
            raise CommandError("unknown command %r (try help)" % name)
        return handler(rest.strip()) is not False

    # Commands that wait flush the session's listeners first, so that what arrived before the
    # awaited item is printed before the command's own line.

    def cmd_help(self, rest):
        self.emit({"type": "help", "text": COMMANDS_HELP}, COMMANDS_HELP.rstrip())

    def cmd_quit(self, rest):
        return False

    def cmd_echo(self, rest):
        self.emit({"type": "echo", "text": rest}, rest)

    def cmd_sleep(self, rest):
        threading.Event().wait(parse_seconds(rest, 1.0))

    def cmd_call(self, rest):
        parts = rest.split(None, 2)
        if len(parts) < 2:
            raise CommandError("usage: call CHANNEL METHOD [VALUE]")
        channel, method = parts[:2]
        arguments = describe.parse(parts[2]) if len(parts) > 2 else None
        reply = self.session.call(channel, method, arguments, timeout=self.timeout)
        self.session.flush_listeners()
        self.print_reply(reply, "%s %s" % (channel, method))

    def cmd_callraw(self, rest):
        parts = rest.split(None, 1)
        if len(parts) != 2:
            raise CommandError("usage: callraw CHANNEL HEX")
        try:
            body = bytes.fromhex(parts[1])
        except ValueError as e:
            raise CommandError("bad hex: %s" % e) from None
        raw = self.session.call_raw(parts[0], body, timeout=self.timeout)
        self.emit({"type": "response", "channel": parts[0], "raw": raw.hex()},
                  "%s -> response %s" % (parts[0], raw.hex() or "(empty)"))

    def cmd_reply(self, rest):
        parts = rest.split(None, 1)
        if len(parts) != 2:
            raise CommandError("usage: reply ID REPLY")
        body = parse_reply(parts[1])
        try:
            self.session.reply(parse_number(parts[0]), body)
        except (KeyError, ValueError) as e:
            raise CommandError(str(e)) from None

    def cmd_autoreply(self, rest):
        parts = rest.split(None, 2)
        if len(parts) == 2 and parts[1] == "off":
            self._autoreplies.pop(parts[0], None)
            self.session.on_host_message(parts[0], None)
            return
        if len(parts) != 3:
            raise CommandError("usage: autoreply CHANNEL METHOD REPLY | autoreply CHANNEL off")
        channel, method, reply = parts[0], parts[1], parse_reply(parts[2])
        rules = self._autoreplies.setdefault(channel, {})
        rules[method] = reply

        def handler(message):
            body = rules.get(message.method, rules.get("*"))
            return body if body is not None else _NO_RULE

        self.session.on_host_message(channel, _keep_unanswered(handler))

    def _window_message(self, operation, rest):
        parts = rest.split()
        if len(parts) != 3:
            raise CommandError("usage: %s MSG WPARAM LPARAM" % operation.split("_")[0])
        msg, wparam, lparam = (parse_number(p) for p in parts)
        self.session.control(operation, msg=msg, wparam=wparam, lparam=lparam)

    def cmd_post(self, rest):
        self._window_message("post_message", rest)

    def cmd_send(self, rest):
        self._window_message("send_message", rest)

    def cmd_frame(self, rest):
        self.session.control("frame")

    def cmd_wait(self, rest):
        parts = rest.split()
        if not 1 <= len(parts) <= 2:
            raise CommandError("usage: wait EVENT [SECONDS]")
        name = parts[0]
        event = self.session.wait_event(
            name, timeout=parse_seconds(parts[1] if len(parts) > 1 else None, self.timeout),
            since=self._event_cursor.get(name, 0))
        self._event_cursor[name] = event.index + 1
        self.session.flush_listeners()
        self.emit({"type": "waited", "event": name, "data": event.data},
                  "waited for %s" % name)

    def cmd_waitmsg(self, rest):
        parts = rest.split()
        if not 1 <= len(parts) <= 3:
            raise CommandError("usage: waitmsg CHANNEL [METHOD] [SECONDS]")
        channel = parts[0]
        method = parts[1] if len(parts) > 1 else None
        seconds = parse_seconds(parts[2] if len(parts) > 2 else None, self.timeout)
        key = (channel, method)
        messages = self.session.host_messages
        message = self.session.wait_host_message(channel, method, timeout=seconds,
                                                 since=self._message_cursor.get(key, 0))
        self._message_cursor[key] = messages().index(message) + 1
        self.session.flush_listeners()
        self.emit({"type": "waited", "message": message.id, "method": message.method},
                  "waited for host message #%d %s" % (message.id, message.method))

    def cmd_waitexit(self, rest):
        code = self.session.wait_exit(parse_seconds(rest or None, self.timeout))
        self.session.flush_listeners()
        self.emit({"type": "exit", "code": code}, "host exited with code %d" % code)

    def cmd_events(self, rest):
        for e in self.session.events:
            self.emit({"type": "event", "name": e.name, "data": e.data, "index": e.index},
                      "%3d %s %s" % (e.index, e.name, json.dumps(e.data, ensure_ascii=False)))

    def cmd_messages(self, rest):
        for m in self.session.host_messages():
            self._print_message(m)

    def cmd_stderr(self, rest):
        for line in self.session.stderr_lines():
            self.emit({"type": "stderr", "line": line}, "stderr: " + line)


_NO_RULE = object()


def _keep_unanswered(handler):
    """Messages no rule covers stay open, for a manual reply."""

    def wrapped(message):
        body = handler(message)
        return DEFER if body is _NO_RULE else body

    return wrapped


# ---------------------------------------------------------------------------------------------
# Entry point


def _environment(pairs):
    env = {}
    for pair in pairs:
        key, sep, value = pair.partition("=")
        if not sep:
            raise SystemExit("--env wants KEY=VALUE, got %r" % pair)
        env[key] = value
    return env


def build_parser():
    parser = argparse.ArgumentParser(
        prog="tesso-peer",
        description="Drive the Tesso host over its peer link, as its user interface would.",
        formatter_class=argparse.RawDescriptionHelpFormatter, epilog=COMMANDS_HELP)
    sub = parser.add_subparsers(dest="command", required=True)

    run = sub.add_parser("run", help="start a host under Wine and run commands",
                         formatter_class=argparse.RawDescriptionHelpFormatter,
                         epilog=COMMANDS_HELP)
    run.add_argument("exe", help="the host program (e.g. build/win/bin/tesso.exe)")
    run.add_argument("args", nargs=argparse.REMAINDER, help="its command-line arguments")
    run.add_argument("--script", help="read commands from FILE ('-': standard input)")
    run.add_argument("--json", action="store_true", help="one JSON object per output line")
    run.add_argument("--save-bytes", metavar="DIR", help="save byte lists of replies to DIR")
    run.add_argument("--display", help="use this X display instead of a new Xvfb")
    run.add_argument("--prefix", help="use this Wine prefix instead of a fresh clone")
    run.add_argument("--screen", action="append", metavar="WxHxD",
                     help="Xvfb screen (repeatable; default 1280x1024x24)")
    run.add_argument("--screens", metavar="WxH,WxH,...",
                     help="several monitors side by side, the first one primary")
    run.add_argument("--dpi", type=int, help="Wine's LogPixels (96 = 100 %%)")
    run.add_argument("--env", action="append", default=[], metavar="KEY=VALUE",
                     help="add to the host's environment (repeatable)")
    run.add_argument("--timeout", type=float, default=DEFAULT_TIMEOUT,
                     help="seconds a call or wait may take (default %(default)s)")
    run.add_argument("--stderr-file", help="also append the host's stderr to FILE")
    run.add_argument("--runs-dir", help="where to clone Wine prefixes (default "
                     "$TESSO_WINE_RUNS, else $TESSO_WINE_ROOT/runs)")
    run.add_argument("--keep-going", action="store_true",
                     help="in a script, go on after a failed command")

    enc = sub.add_parser("encode", help="print the hex of a VALUE (or a method call)")
    enc.add_argument("value", help="VALUE, or METHOD when --call is given")
    enc.add_argument("arguments", nargs="?", help="with --call: the arguments VALUE")
    enc.add_argument("--call", action="store_true", help="encode a method call")

    dec = sub.add_parser("decode", help="describe the value (or call, envelope) in HEX")
    dec.add_argument("hex")
    dec.add_argument("--as", dest="kind", choices=("value", "call", "envelope"),
                     default="value")
    examples = sub.add_parser("examples", help="run a channel reference's examples "
                              "(docs/channels.md) against a host; prints what differs")
    examples.add_argument("doc")
    examples.add_argument("exe")
    return parser


def run_examples(args):
    from . import reference

    with open(args.doc, encoding="utf-8") as f:
        differences = reference.check(f.read(), args.exe)
    for commands, expected, printed in differences:
        print("> %s\nexpected:\n%s\nprinted:\n%s" % ("\n> ".join(commands), "\n".join(expected),
                                                     "\n".join(printed)))
    print("%d example blocks differ" % len(differences))
    return 1 if differences else 0


def _command_lines(args, interactive):
    if args.script and args.script != "-":
        with open(args.script, encoding="utf-8") as f:
            yield from f
        return
    while True:
        try:
            line = input("tesso> ") if interactive else sys.stdin.readline()
        except EOFError:
            return
        if not interactive and not line:
            return
        yield line


def run_console(args):
    interactive = not args.script and sys.stdin.isatty()
    screens = tuple(args.screen) if args.screen else ("1280x1024x24",)
    if args.screens:
        screens = parse_screens(args.screens)
    console = Console(as_json=args.json, save_dir=args.save_bytes, timeout=args.timeout)
    options = dict(display=args.display, screens=screens, dpi=args.dpi,
                   runs_dir=args.runs_dir)
    if args.prefix is None:
        # The session scripts/run and the tests use: Wine manages no window, so hiding a
        # window or removing the last tray icon does not wait 2 s for a window manager.
        session = start_session(args.exe, args.args, env=_environment(args.env),
                                stderr_path=args.stderr_file, listener=console.on_session,
                                **options)
    else:
        session = HostSession.start(args.exe, args.args, env=_environment(args.env),
                                    prefix=args.prefix, stderr_path=args.stderr_file,
                                    registry=[UNMANAGED_SETTING],
                                    listener=console.on_session, **options)
    console.session = session
    status = 0
    try:
        for line in _command_lines(args, interactive):
            try:
                if not console.execute(line):
                    break
            except (CommandError, describe.ParseError, TimeoutError, ConnectionError,
                    TypeError, ValueError) as e:
                console.emit({"type": "failure", "command": line.strip(), "error": str(e)},
                             "failed: %s: %s" % (line.strip(), e))
                if not interactive:
                    status = 1
                    if not args.keep_going:
                        break
    except KeyboardInterrupt:
        status = 130
    finally:
        session.close()
    return status


def main(argv=None):
    args = build_parser().parse_args(argv)
    if args.command == "encode":
        if args.call:
            arguments = describe.parse(args.arguments) if args.arguments else None
            print(codec.encode_method_call(args.value, arguments).hex())
        else:
            print(codec.encode_value(describe.parse(args.value)).hex())
        return 0
    if args.command == "decode":
        try:
            data = bytes.fromhex(args.hex)
        except ValueError:
            print("tesso-peer: decode: not an even number of hex digits: %s" % args.hex,
                  file=sys.stderr)
            return 2
        if args.kind == "value":
            decoded = codec.decode_value(data)
            print(describe.describe(decoded.value))
        elif args.kind == "call":
            decoded = codec.decode_method_call(data)
            print("-" if decoded.call is None else
                  describe.describe([decoded.call.method, decoded.call.arguments]))
        else:
            decoded = codec.decode_envelope(data)
            if decoded.kind == "success":
                print("success " + describe.describe(decoded.value))
            elif decoded.kind == "error":
                print("error " + describe.describe([decoded.code, decoded.message,
                                                    decoded.details]))
            else:
                print("invalid")
        for line in decoded.diagnostics:
            print("stderr: " + line)
        return 0
    if args.command == "examples":
        return run_examples(args)
    return run_console(args)
