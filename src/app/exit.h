// The exit routines and the end of the process. Routines registered here run once,
// in order of registration, whichever way the program ends; then the process ends
// at once, without static destructors, so a worker thread still inside a blocking
// request cannot meet torn-down library state.
#pragma once

namespace netdisk {

void register_exit_routine(void (*routine)());
// Runs the registered routines the first time it is called; later calls (and a call
// from inside a routine) return at once, and a call from another thread waits until
// the first has finished. A routine's exception is dropped.
void run_exit_routines();
// Runs the exit routines, flushes the standard streams and ends the process with code.
[[noreturn]] void end_program(int code);

}  // namespace netdisk
