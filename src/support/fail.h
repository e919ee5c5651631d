// The one way the simulator reports a failure: write the message to standard error and end the
// process with the given exit status. Nothing is retried and nothing is cleaned up.
#pragma once

[[noreturn]] void Fail(int status, const char *format, ...) __attribute__((format(printf, 2, 3)));

// Ends the process with the given status; every early end (failures, help, the codebook dump)
// goes through here.
[[noreturn]] void EndProcess(int status);

// Called by EndProcess before the process ends; a harness that must survive the end (a fuzzer)
// installs a hook that does not return. Null normally.
extern void (*EndProcessHook)(int status);

// Called before anything is written to standard error, so that a transient display there (the
// progress line of a long run) can be erased first. Null when there is nothing to erase.
extern void (*BeforeDiagnostic)();
