#!/usr/bin/python3
"""Runs the end-to-end tests of the veltrane_e2e package beside this file."""

import sys

from veltrane_e2e.main import main

if __name__ == "__main__":
    sys.exit(main())
