// url_host, url_port and url_path with arbitrary addresses, and with addresses
// put together from parts whose host, port and path are known.
//
// Input: the address; or, when the last byte asks for it, a host, a port text and
// a path, each ended by a backslash and one more byte.

#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz_support.h"
#include "web/address.h"

using namespace netdisk;
using namespace netdisk::fuzz;

namespace {

void check_any(std::string_view address, bool domain_only, bool with_port) {
  (void)url_host(address, domain_only, with_port);
  const Text host = url_host(address);
  const Text host_with_port = url_host(address, false, true);
  // The host is the part of host-with-port before its first colon.
  const int colon = reference_find(host_with_port, ":", 1, false);
  FUZZ_CHECK(host == (colon == -1 ? host_with_port : host_with_port.substr(0, static_cast<std::size_t>(colon) - 1)));
  const int port = url_port(address);
  const int last_colon = reference_find_reverse(host_with_port, ":", false);
  if (last_colon == -1) {
    const Text scheme = reference_to_lower(address.substr(0, 5));
    FUZZ_CHECK(port == (scheme == "https" ? 443 : 80));
  } else {
    FUZZ_CHECK(port == reference_to_int(std::string_view(host_with_port).substr(static_cast<std::size_t>(last_colon))));
  }
  // The path is "/" or the address from one of its slashes on.
  const Text path = url_path(address);
  FUZZ_CHECK(!path.empty() && path[0] == '/');
  FUZZ_CHECK(path == "/" || (path.size() <= address.size() && address.ends_with(path)));
  // In an address of ASCII bytes every letter of the host is lower-case.
  if (is_ascii(address)) {
    for (char c : host_with_port) FUZZ_CHECK(!(c >= 'A' && c <= 'Z'));
  }
}

bool plain_host(std::string_view host) {
  if (host.empty()) return false;
  for (char c : host) {
    if (!((c >= 'a' && c <= 'z') || is_digit(c) || c == '.' || c == '-')) return false;
  }
  return true;
}

// scheme "://" host [":" port] "/" path: the parts come back as they went in
// when they are plain, and the host occurs nowhere in the scheme text.
void check_built(std::string_view scheme, std::string_view host, std::string_view port_text,
                 bool with_port_part, std::string_view path) {
  if (!plain_host(host)) return;
  for (char c : port_text)
    if (!is_digit(c)) return;
  if (port_text.size() > 5) return;
  for (char c : path)
    if (c == '\0') return;
  const Text prefix = concat_text(scheme, "://");
  if (reference_find(prefix, host, 1, true) != -1) return;

  const Text address = concat_text(prefix, host, with_port_part ? concat_text(":", port_text) : "",
                                   "/", path);
  FUZZ_CHECK(url_host(address) == host);
  const int expected_port = with_port_part ? reference_to_int(port_text) : (scheme == "https" ? 443 : 80);
  FUZZ_CHECK(url_port(address) == expected_port);
  FUZZ_CHECK(url_path(address) == concat_text("/", path));
  FUZZ_CHECK(url_host(address, false, true) ==
             (with_port_part ? concat_text(host, ":", port_text) : Text(host)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const int mode = input.ConsumeIntegralInRange<int>(0, 3);
  const bool domain_only = input.ConsumeBool();
  const bool with_port = input.ConsumeBool();
  if (mode < 2) {
    check_any(input.ConsumeRemainingBytesAsString(), domain_only, with_port);
    return 0;
  }
  const Text host = input.ConsumeRandomLengthString(24);
  const Text port_text = input.ConsumeRandomLengthString(6);
  const Text path = input.ConsumeRemainingBytesAsString();
  const std::string_view scheme = mode == 2 ? "http" : "https";
  check_built(scheme, host, port_text, with_port, path);
  check_any(concat_text(scheme, "://", host, "/", path), domain_only, with_port);
  return 0;
}
