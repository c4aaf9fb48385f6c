// The crash report: on a fatal signal the runner writes "MidiDump.dmp" in the current folder with the
// signal and a backtrace, says so on standard error, and ends with the signal's default action.
#pragma once

void CrashDump_Install();
