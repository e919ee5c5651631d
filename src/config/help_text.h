// The option help text of -h as kept in src/config/help.txt, before its built-in values are put
// in: "{word}" marks the built-in value of an option (by its word or the help's other spelling).
#pragma once

extern const char *const kHelpText;
