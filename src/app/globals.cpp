#include "app/globals.h"

namespace netdisk {

std::unique_ptr<RegexObject> g_regex;
Text g_update_address;

}  // namespace netdisk
