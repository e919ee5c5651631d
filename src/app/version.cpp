// The version line.
#include "app/version.h"

#include <cstdio>
#include <string>

#include "core/version.h"
#include "qrvl_revision.h"  // QRVL_REVISION: the source revision, "" when unknown
#include "support/fail.h"

const char *VersionLine() {
  static const std::string line = std::string(kProgramName) + " " + kVersion + " (build " +
                                  kBuild + ")" +
                                  (*QRVL_REVISION ? std::string(" revision ") + QRVL_REVISION : "");
  return line.c_str();
}

void PrintVersion() {
  printf("%s\n", VersionLine());
  EndProcess(0);
}
