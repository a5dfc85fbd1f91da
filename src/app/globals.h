// The program's two globals. Both belong to the window's thread: program_main makes
// g_regex before the window loads, program_cleanup frees both at the end.
#pragma once

#include <memory>

#include "regex/regex_object.h"
#include "text/text.h"

namespace netdisk {

// The one regular-expression object; the search command runs its pattern in it.
extern std::unique_ptr<RegexObject> g_regex;
// The update address the start-up notice announced; empty unless a newer version
// was offered.
extern Text g_update_address;

}  // namespace netdisk
