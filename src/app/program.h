// The program's frame: program_main starts the toolkit, makes g_regex, registers
// program_cleanup as the exit routine, loads the main window (its created handler
// runs before it shows) and runs the loop until the window closes. main() hands
// its result to end_program, so both ways out end the same way:
//
//   int main() { netdisk::end_program(netdisk::program_main()); }
#pragma once

#include "ui/toolkit.h"

namespace netdisk {

// Always returns 0, once the main window has been closed.
int program_main();
// program_main with other event bindings, for test programs that drive the frame.
int run_program(ui::EventBindings bindings);
// The one exit routine: destroys and frees g_regex, then frees g_update_address.
void program_cleanup();

}  // namespace netdisk
