#!/usr/bin/python3
"""Prints a TCP port on 127.0.0.1 that nothing listens on at the moment."""
import socket

with socket.socket() as probe:
    probe.bind(("127.0.0.1", 0))
    print(probe.getsockname()[1])
