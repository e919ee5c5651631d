// The one way the simulator reports a failure: write the message to standard error and end the
// process with the given exit status. Nothing is retried and nothing is cleaned up. Also the end
// of the results: standard output is flushed and checked, so that lost output is a failure too.
#pragma once

// Flushes standard output (whatever it holds comes first), writes the message to standard error
// and ends the process with the given status.
[[noreturn]] void Fail(int status, const char *format, ...) __attribute__((format(printf, 2, 3)));

// Ends the process with the given status; every early end (failures, help, the codebook dump)
// goes through here. A status of 0 first finishes and closes standard output.
[[noreturn]] void EndProcess(int status);

// Flushes standard output; when anything could not be written ends the process with status 6 and
// "Error: could not write the results: <reason>". Called once, when the results are complete.
void FinishOutput();
// The same for output the user asked for on standard error (the codebook dump): a failure ends
// the process with status 6 and "Error: could not write the <what>: <reason>".
void FinishDiagnosticOutput(const char *what);
// Closes standard output (after FinishOutput), last of all, so that a reader sees its end when the
// process ends; a file system that reports a failed write only now ends the process with status
// 6 as above, the message on a line of its own (after newline_first).
void CloseOutput(const char *newline_first = "");
// Ends the process with status 6 at once when standard output is not open, before any work.
void CheckOutputOpen();

// Called by EndProcess before the process ends, when a program defines it: a harness that must
// survive the end (a fuzzer) defines one that does not return. Undefined (null) normally.
[[gnu::weak]] void EndProcessHook(int status);
