// netdisk-search: the program takes no options; everything happens in program_main.
#include "app/exit.h"
#include "app/program.h"

int main() { netdisk::end_program(netdisk::program_main()); }
