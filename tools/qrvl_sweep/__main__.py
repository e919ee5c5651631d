"""`python3 -m qrvl_sweep`: the same command as tools/qrvl-sweep."""

import sys

from .cli import run_command_line

sys.exit(run_command_line())
