#!/usr/bin/env python3
"""Exits 0 once a tray host owns the system-tray selection of screen 0."""
import ctypes
import ctypes.util
import sys

xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
xlib.XInternAtom.restype = ctypes.c_ulong
xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
xlib.XGetSelectionOwner.restype = ctypes.c_ulong
xlib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

display = xlib.XOpenDisplay(None)
if not display:
    sys.exit(2)
atom = xlib.XInternAtom(display, b"_NET_SYSTEM_TRAY_S0", 0)
owner = xlib.XGetSelectionOwner(display, atom)
xlib.XCloseDisplay(display)
sys.exit(0 if owner else 1)
