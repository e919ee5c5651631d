// The version line of --version and --describe: "qrvl_sim 2.3 (build 234)", followed by the source
// revision when the build knows it.
#pragma once

// The version line, without a line end.
const char *VersionLine();
// Prints the version line and ends the process with status 0.
[[noreturn]] void PrintVersion();
