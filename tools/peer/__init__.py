"""Tesso peer: the user interface's side of the host's channels, for tests and the console.

Modules: values (typed codec values), codec (the standard message codec), describe (one-line
text form of values), link (the framed peer link), wine (prefix and virtual display), session
(a running host driven over the link), output (how the console shows values), console (the
tesso-peer command line).
"""
