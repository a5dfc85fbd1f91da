// Taking a web address apart into what a request needs: the host for the
// connection, the port and the request path. Nothing is validated and every
// input gives a defined result, odd ones included (see address.cpp).
#pragma once

#include <string_view>

#include "text/text.h"

namespace netdisk {

// The host, lower-case. domain_only keeps the last two dot-separated labels;
// with_port keeps a ":port" part.
Text url_host(std::string_view address, bool domain_only = false, bool with_port = false);

// The number after the host's last ":", else 443 for an address starting with
// "https" (in any case), else 80. An empty port part gives 0.
int url_port(std::string_view address);

// The address from the first "/" at or after the first place its host occurs,
// in the address's own letter case, query included; "/" when there is none.
Text url_path(std::string_view address);

}  // namespace netdisk
