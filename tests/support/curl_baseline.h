// The yardstick for the request routines' speed: one GET with a bare libcurl
// easy handle that writes the body into a string, nothing else configured.
#pragma once

#include <string>

namespace netdisk::test_support {

// The body of url; empty when the transfer fails.
std::string fetch_with_plain_curl(const std::string& url);

}  // namespace netdisk::test_support
