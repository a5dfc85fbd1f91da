// netdisk-search: the program takes no options; everything happens in program_main.
#include "app/exit.h"
#include "app/program.h"
#include "web/request.h"

int main() {
  // libcurl must be set up before any thread exists.
  netdisk::web_global_init();
  netdisk::end_program(netdisk::program_main());
}
