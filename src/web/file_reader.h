// Reading one page over HTTP the way a plain file download does: a GET over
// HTTP/1.0, past every cache, the address's "#" part not sent.
#pragma once

#include <string_view>

#include "text/text.h"

namespace netdisk {

inline constexpr std::string_view file_reader_user_agent =
    "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

// The body of the page at address (http or https, http when it has no scheme).
// When the connection breaks during the body, what arrived so far; empty when
// nothing could be read: no connection, or a status other than 2xx.
Bytes http_read_file(std::string_view address);

}  // namespace netdisk
