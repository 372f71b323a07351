#!/usr/bin/env python3
"""Prints the top-level X window under the pointer (a child of the root
window) as a decimal id like xdotool's. xdotool itself reports only windows
that a window manager has marked, and there is none on a bare X server."""
import ctypes
import sys

x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
ulong_p, int_p = ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_int)
x11.XQueryPointer.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ulong_p, ulong_p, int_p, int_p, int_p, int_p,
                              ctypes.POINTER(ctypes.c_uint)]
display = x11.XOpenDisplay(None)
if not display:
    sys.exit("x_window_under_pointer.py: cannot open the X display")
root, child = ctypes.c_ulong(), ctypes.c_ulong()
ints = [ctypes.c_int() for _ in range(4)]
mask = ctypes.c_uint()
x11.XQueryPointer(display, x11.XDefaultRootWindow(display), ctypes.byref(root), ctypes.byref(child),
                  *[ctypes.byref(i) for i in ints], ctypes.byref(mask))
print(child.value)
