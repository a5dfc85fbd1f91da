// Folding the cookies a server set into the cookie text a caller holds.
// Cookie texts are entries separated by ";" on input and "; " on output; an
// entry is name=value, or a bare name. Names and values compare byte for byte.
#pragma once

#include <string_view>

#include "text/text.h"

namespace netdisk {

// Removes every space from both texts (written back), puts the new entries
// first, then the old ones whose names the new text lacks, drops entries ending
// in "=deleted" and, with drop_repeats, exact repeats. The merged text is left
// in old_cookies and returned as well.
Text merge_cookies(Text& old_cookies, Text& new_cookies, bool drop_repeats = true);

// The entry's text before its first "=" (all of it without one), trimmed.
Text cookie_name(std::string_view entry);

bool cookie_list_has_name(const TextArray& list, std::string_view name);

// The parts of text between separators, each kept once, joined by separator.
Text split_unique(std::string_view text, std::string_view separator);

// The 1-based position of the first element equal to item; -1 when none is.
int list_index_of(const TextArray& list, std::string_view item);

}  // namespace netdisk
