"""Runs one function of an exported module against a serial device and
prints what it returned: runexported.py FOLDER FUNCTION DEVICE."""

import sys

import serial

folder, function, device = sys.argv[1:4]
sys.path.insert(0, folder)
import vexel_scripts  # noqa: E402  (found in FOLDER only)

with serial.Serial(device, 115200) as port:
    print(getattr(vexel_scripts, function)(port))
