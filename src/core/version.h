// The simulator's name, version and build number, as the help banner and --version show them.
#pragma once

inline constexpr const char *kProgramName = "qrvl_sim";
inline constexpr const char *kVersion = "2.3";
inline constexpr const char *kBuild = "234";
