#!/usr/bin/env python3
"""Rebuilds the default world under content/: regions, region list and avatars. Run from anywhere."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from avatars import write_avatars  # noqa: E402
from rooms import write_regions  # noqa: E402

if __name__ == "__main__":
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    write_regions(root)
    write_avatars(root)
    print("default world written to", root)
