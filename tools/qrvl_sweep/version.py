"""The tool's name as its messages give it, and its version."""

PROG = "qrvl-sweep"
VERSION = "1.3"
