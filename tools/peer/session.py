"""A running host driven over the peer link: calls, host messages, events, stderr.

    with HostSession.start("build/win/bin/tesso.exe") as session:
        session.wait_event("first_frame")
        reply = session.call("com.vel.halvo/window", "getCloseToTray")

Every wait takes a timeout (DEFAULT_TIMEOUT when omitted) and raises TimeoutError when it
passes, so a caller never hangs.
"""

import itertools
import json
import os
import subprocess
import sys
import threading
from dataclasses import dataclass, field
from typing import Any, List, Optional

from . import codec, link
from .wine import WineEnvironment

DEFAULT_TIMEOUT = 20.0
DEFER = object()  # returned by a host-message handler that will call message.reply() later


@dataclass
class Reply:
    """The host's answer to a call.

    kind: "success" (value), "error" (code, message, details; message None when written as
    null), "not_implemented" (empty response) or "invalid" (an envelope the codec rejects).
    """

    kind: str
    value: Any = None
    code: Optional[str] = None
    message: Optional[str] = None
    details: Any = None
    raw: bytes = b""
    diagnostics: List[str] = field(default_factory=list)

    @classmethod
    def from_bytes(cls, raw):
        if not raw:
            return cls("not_implemented", raw=b"")
        env = codec.decode_envelope(raw)
        return cls(env.kind, env.value, env.code, env.message, env.details, raw,
                   env.diagnostics)


class PendingCall:
    """A CALL whose RESPONSE may still come."""

    def __init__(self, frame_id, channel):
        self.id = frame_id
        self.channel = channel
        self._done = threading.Event()
        self._body = None

    def _resolve(self, body):
        self._body = body
        self._done.set()

    def done(self):
        return self._done.is_set()

    def wait_raw(self, timeout=DEFAULT_TIMEOUT):
        if not self._done.wait(timeout):
            raise TimeoutError("no response to call %d on %s within %s s"
                               % (self.id, self.channel, timeout))
        if self._body is None:
            raise link.LinkClosed("the link closed before call %d was answered" % self.id)
        return self._body

    def wait(self, timeout=DEFAULT_TIMEOUT):
        return Reply.from_bytes(self.wait_raw(timeout))


@dataclass
class Event:
    name: str
    data: Any  # the decoded JSON object
    index: int  # position in the session's event list


class HostMessage:
    """A message the host sent to the user interface (id 0 wants no reply)."""

    def __init__(self, session, frame):
        self.session = session
        self.channel = frame.name
        self.id = frame.id
        self.body = frame.body
        decoded = codec.decode_method_call(frame.body)
        self.call = decoded.call  # None when the body is not a method call
        self.replied = False

    @property
    def method(self):
        return self.call.method if self.call else None

    @property
    def arguments(self):
        return self.call.arguments if self.call else None

    def reply(self, body):
        """Sends HOST_REPLY with these bytes (an envelope, or b"" for not implemented)."""
        if self.id == 0:
            raise ValueError("a message sent with id 0 takes no reply")
        if self.replied:
            raise ValueError("message %d was already answered" % self.id)
        self.replied = True
        self.session.send_frame(link.Frame(link.HOST_REPLY, self.id, self.channel, bytes(body)))

    def __repr__(self):
        return "HostMessage(%r, id=%d, method=%r)" % (self.channel, self.id, self.method)


class HostSession:
    def __init__(self, process, wine=None, stderr_path=None, listener=None, exe=None,
                 owns_wine=True):
        self.process = process
        self.wine = wine
        self.exe = exe
        self._owns_wine = owns_wine
        self._lock = threading.Condition()  # guards every list and dict below
        self._pending = {}
        self._events = []
        self._messages = []
        self._stderr = []
        self._handlers = {}
        self._unmatched = []  # RESPONSE frames for no waiting call (late or repeated answers)
        self._listeners = [listener] if listener else []
        self._link_error = None
        self._link_closed = False
        self._ids = itertools.count(1)
        self._stderr_file = open(stderr_path, "ab") if stderr_path else None
        self._dispatch = _Dispatcher()
        self._link = link.Link(self._read_stdout, self._write_stdin, self._on_frame,
                               self._on_link_closed)
        self._stderr_thread = threading.Thread(target=self._read_stderr, name="peer-stderr",
                                               daemon=True)
        self._link.start()
        self._stderr_thread.start()

    # -- starting and stopping -----------------------------------------------------------------

    @classmethod
    def start(cls, exe, args=(), env=None, display=None, prefix=None, runs_dir=None,
              screens=("1280x1024x24",), xvfb_args=(), dpi=None, registry=(),
              stderr_path=None, listener=None):
        """Starts EXE under Wine with the peer link on its standard streams.

        A prefix and an X display of its own are created unless given; env adds to the
        program's environment (TESSO_PEER_LINK=stdio is always set). listener (see
        add_listener) sees everything from the very start.
        """
        wine = WineEnvironment(prefix=prefix, display=display, runs_dir=runs_dir,
                               screens=screens, xvfb_args=xvfb_args, dpi=dpi,
                               registry=registry).start()
        return cls.launch(wine, exe, args, env, stderr_path, listener)

    @classmethod
    def launch(cls, wine, exe, args=(), env=None, stderr_path=None, listener=None,
               owns_wine=True):
        """Starts EXE with the peer link in a started Wine environment, which the session then
        owns (closed with it, or at once if the program cannot be started) unless owns_wine
        is false."""
        # Wine runs the program from its own working directory: make the path absolute.
        exe = os.path.abspath(exe)
        try:
            extra = dict(env or {})
            extra["TESSO_PEER_LINK"] = "stdio"
            process = wine.popen(exe, args, env=extra, stdin=subprocess.PIPE,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, bufsize=0)
        except BaseException:
            if owns_wine:
                wine.close()
            raise
        return cls(process, wine, stderr_path, listener, exe=exe, owns_wine=owns_wine)

    def start_second(self, args=(), env=None, exe=None, stderr_path=None, listener=None):
        """Starts another program (this session's own by default) in the same prefix,
        wineserver and display, with the peer link on its standard streams.

        The new session shares this one's Wine: closing it stops only its own program, and
        closing this session ends both.
        """
        if self.wine is None:
            raise ValueError("this session does not run under Wine")
        exe = os.path.abspath(exe or self.exe)
        extra = dict(env or {})
        extra["TESSO_PEER_LINK"] = "stdio"
        process = self.wine.popen(exe, args, env=extra, stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, bufsize=0)
        return HostSession(process, self.wine, stderr_path, listener, exe=exe, owns_wine=False)

    @classmethod
    def spawn(cls, argv, env=None, stderr_path=None, listener=None):
        """Runs argv directly (no Wine) with the peer link on its standard streams; for
        programs that speak the link natively, such as test doubles."""
        full_env = dict(os.environ)
        full_env.update(env or {})
        full_env["TESSO_PEER_LINK"] = "stdio"
        process = subprocess.Popen(list(argv), env=full_env, stdin=subprocess.PIPE,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE, bufsize=0,
                                   start_new_session=True)
        return cls(process, None, stderr_path, listener)

    def wait_exit(self, timeout=DEFAULT_TIMEOUT):
        """The program's exit code, once it has exited."""
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise TimeoutError("the host did not exit within %s s" % timeout) from None

    def close(self):
        """Stops the program (if still running), the prefix's wineserver and the display."""
        self._link.close_writer()
        try:
            self.process.stdin.close()
        except OSError:
            pass
        if self.wine is not None and self._owns_wine:
            self.wine.close()  # wineserver -k ends the program with its prefix
        if self.process.poll() is None:
            self.process.kill()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            pass
        self._link.join(5)
        self._stderr_thread.join(5)
        self._dispatch.stop()
        for stream in (self.process.stdout, self.process.stderr):
            try:
                stream.close()
            except OSError:
                pass
        if self._stderr_file:
            self._stderr_file.close()
            self._stderr_file = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # -- calls ----------------------------------------------------------------------------------

    def send_frame(self, frame):
        self._link.send(frame)

    def call_raw_async(self, channel, body):
        frame_id = next(self._ids)
        pending = PendingCall(frame_id, channel)
        with self._lock:
            if self._link_closed:
                raise link.LinkClosed("the link is closed")
            self._pending[frame_id] = pending
        try:
            self.send_frame(link.Frame(link.CALL, frame_id, channel, bytes(body)))
        except link.LinkClosed:
            with self._lock:
                self._pending.pop(frame_id, None)
            raise
        return pending

    def call_raw(self, channel, body, timeout=DEFAULT_TIMEOUT):
        """Sends message bytes on a channel; returns the response bytes."""
        return self.call_raw_async(channel, body).wait_raw(timeout)

    def call_async(self, channel, method, arguments=None):
        return self.call_raw_async(channel, codec.encode_method_call(method, arguments))

    def call(self, channel, method, arguments=None, timeout=DEFAULT_TIMEOUT):
        """Invokes a method of the host; returns its Reply."""
        return self.call_async(channel, method, arguments).wait(timeout)

    def control(self, operation, **fields):
        """Sends a CONTROL frame: "frame", or "post_message"/"send_message" with msg, wparam,
        lparam."""
        body = json.dumps(fields, separators=(",", ":")).encode("utf-8")
        self.send_frame(link.Frame(link.CONTROL, 0, operation, body))

    # -- host messages --------------------------------------------------------------------------

    def on_host_message(self, channel, handler):
        """handler(message) answers messages on a channel, on the session's dispatch thread.

        It returns the reply bytes (an envelope; b"" means not implemented), None for an
        empty reply, or DEFER when it will call message.reply() itself. Messages with id 0 get
        no reply whatever it returns. handler None removes it.
        """
        with self._lock:
            if handler is None:
                self._handlers.pop(channel, None)
            else:
                self._handlers[channel] = handler

    def host_messages(self):
        with self._lock:
            return list(self._messages)

    def wait_host_message(self, channel=None, method=None, timeout=DEFAULT_TIMEOUT, since=0):
        """The first host message from position since that matches."""
        def match(m):
            return (channel is None or m.channel == channel) and (
                method is None or m.method == method)
        return self._wait_in(self._messages, match, since, timeout,
                             "host message %s %s" % (channel, method))

    def reply(self, message_id, body):
        """Answers a recorded host message by its id."""
        with self._lock:
            found = [m for m in self._messages if m.id == message_id and message_id != 0]
        if not found:
            raise KeyError("no host message with id %d" % message_id)
        found[-1].reply(body)

    # -- events and stderr ----------------------------------------------------------------------

    @property
    def events(self):
        with self._lock:
            return list(self._events)

    def wait_event(self, name, timeout=DEFAULT_TIMEOUT, where=None, since=0):
        """The first event called name (and satisfying where(data)) from position since."""
        def match(e):
            return e.name == name and (where is None or where(e.data))
        return self._wait_in(self._events, match, since, timeout, "event %r" % name)

    def stderr_lines(self):
        with self._lock:
            return list(self._stderr)

    def wait_stderr(self, text, timeout=DEFAULT_TIMEOUT, since=0):
        """The position of the first stderr line equal to text from position since."""
        return self._wait_in(self._stderr, lambda line: line == text, since, timeout,
                             "stderr line %r" % text, position=True)

    def add_listener(self, listener):
        """listener(kind, item) sees "event", "host_message", "stderr" and "closed" as they
        happen (stderr on the stderr thread, the rest on the dispatch thread)."""
        with self._lock:
            self._listeners.append(listener)

    def flush_listeners(self, timeout=5.0):
        """Waits until listeners have seen everything received so far (for ordered output)."""
        self._dispatch.flush(timeout)

    def unmatched_responses(self):
        """RESPONSE frames that answered no waiting call (a second answer, or one that came
        after its call timed out)."""
        with self._lock:
            return list(self._unmatched)

    @property
    def link_error(self):
        with self._lock:
            return self._link_error

    # -- internals ------------------------------------------------------------------------------

    def _wait_in(self, items, match, since, timeout, what, position=False):
        """The first item from index since that matches (or its index, with position)."""
        with self._lock:
            index = since

            def ready():
                nonlocal index
                while index < len(items):
                    if match(items[index]):
                        return True
                    index += 1
                return False

            if not self._lock.wait_for(ready, timeout):
                raise TimeoutError("no %s within %s s" % (what, timeout))
            return index if position else items[index]

    def _read_stdout(self, n):
        return os.read(self.process.stdout.fileno(), n)

    def _write_stdin(self, data):
        view = memoryview(data)
        while view:
            written = self.process.stdin.write(view)
            view = view[written:]

    def _notify(self, kind, item):
        with self._lock:
            listeners = list(self._listeners)
        for listener in listeners:
            listener(kind, item)

    def _on_frame(self, frame):
        if frame.kind == link.RESPONSE:
            with self._lock:
                pending = self._pending.pop(frame.id, None)
                if pending is None:
                    self._unmatched.append(frame)
            if pending is not None:
                pending._resolve(frame.body)
        elif frame.kind == link.EVENT:
            try:
                data = json.loads(frame.body.decode("utf-8")) if frame.body else {}
            except ValueError:
                data = {"undecodable": frame.body.hex()}
            with self._lock:
                event = Event(frame.name, data, len(self._events))
                self._events.append(event)
                self._lock.notify_all()
                # Queued under the lock, so that a waiter's flush_listeners() comes after it.
                self._dispatch.submit(lambda: self._notify("event", event))
        elif frame.kind == link.HOST_MESSAGE:
            message = HostMessage(self, frame)
            with self._lock:
                self._messages.append(message)
                self._lock.notify_all()
                self._dispatch.submit(lambda: self._handle_host_message(message))

    def _handle_host_message(self, message):
        with self._lock:
            handler = self._handlers.get(message.channel)
        if handler is not None:
            result = handler(message)
            if message.id != 0 and result is not DEFER and not message.replied:
                try:
                    message.reply(b"" if result is None else result)
                except link.LinkClosed:
                    pass
        self._notify("host_message", message)

    def _on_link_closed(self, error):
        with self._lock:
            self._link_closed = True
            self._link_error = error
            pending = list(self._pending.values())
            self._pending.clear()
            self._lock.notify_all()
        for call in pending:
            call._resolve(None)
        self._dispatch.submit(lambda: self._notify("closed", error))

    def _read_stderr(self):
        fd = self.process.stderr.fileno()
        partial = b""
        while True:
            try:
                chunk = os.read(fd, 4096)
            except OSError:
                chunk = b""
            if self._stderr_file and chunk:
                self._stderr_file.write(chunk)
                self._stderr_file.flush()
            if not chunk:
                lines = [partial] if partial else []
            else:
                partial += chunk
                *lines, partial = partial.split(b"\n")
            for raw in lines:
                line = raw.rstrip(b"\r").decode("utf-8", "replace")
                with self._lock:
                    self._stderr.append(line)
                    self._lock.notify_all()
                self._notify("stderr", line)
            if not chunk:
                return


class _Dispatcher:
    """Runs callbacks one at a time, in order, off the link's reader thread."""

    def __init__(self):
        self._tasks = []
        self._cv = threading.Condition()  # guards _tasks and _stopped
        self._stopped = False
        self._thread = threading.Thread(target=self._run, name="peer-dispatch", daemon=True)
        self._thread.start()

    def submit(self, task):
        with self._cv:
            if not self._stopped:
                self._tasks.append(task)
                self._cv.notify()

    def flush(self, timeout):
        if threading.current_thread() is self._thread:
            return
        done = threading.Event()
        self.submit(done.set)
        done.wait(timeout)

    def stop(self, timeout=5):
        with self._cv:
            self._stopped = True
            self._cv.notify()
        if threading.current_thread() is not self._thread:
            self._thread.join(timeout)

    def _run(self):
        while True:
            with self._cv:
                self._cv.wait_for(lambda: self._tasks or self._stopped)
                if not self._tasks:
                    return
                task = self._tasks.pop(0)
            try:
                task()
            except Exception as e:  # a failing callback must not stop the others
                print("tesso-peer: callback failed: %r" % (e,), file=sys.stderr)
