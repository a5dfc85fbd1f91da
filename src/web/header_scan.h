// The scan that web_request runs over a response's raw header block once the
// request is closed: the redirect target and the cookies the server set. Inside
// the web folder only; kept apart so the scan can be exercised without a server.
#pragma once

#include "text/text.h"

namespace netdisk {

// received_cookies is emptied first and gets the pair of every "Set-Cookie" line,
// trimmed and joined by "; "; location takes the trimmed value of the last line
// containing "Location:" and keeps what it held when no line does. raw_headers
// may be the very text given as location or received_cookies.
void scan_response_headers(const Text& raw_headers, Text& location, Text& received_cookies);

}  // namespace netdisk
