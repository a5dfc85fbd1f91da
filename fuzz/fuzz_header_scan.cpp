// The scan of a response's raw header block that web_request runs, with arbitrary
// header bytes, followed by the cookie merge the request makes when the caller
// holds cookies. For ASCII blocks the redirect target and the received cookies
// are compared with a plain reading of the lines.
//
// Input: the caller's cookie text (ended by a backslash and one more byte), then
// the raw header block.

#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz_support.h"
#include "web/cookies.h"
#include "web/header_scan.h"

using namespace netdisk;
using namespace netdisk::fuzz;

namespace {

// ASCII only: the position of needle in line with letters of either case.
std::size_t find_folded(std::string_view line, std::string_view needle, std::size_t from) {
  if (needle.size() > line.size()) return std::string_view::npos;
  for (std::size_t at = from; at + needle.size() <= line.size(); ++at) {
    if (matches_at(line, at, needle, true)) return at;
  }
  return std::string_view::npos;
}

struct Scanned {
  std::string location;
  std::string received_cookies;
};

Scanned scan_ascii(std::string_view raw, std::string_view location) {
  Scanned out{std::string(location), {}};
  std::string cookies;
  for (const std::string& line : reference_split(raw, "\r\n")) {
    if (line.find("Location:") != std::string::npos)
      out.location = reference_trim(std::string_view(line).substr(line.find(':') + 1));
    if (line.find("Set-Cookie") != std::string::npos) {
      std::string pair;
      const std::size_t start = find_folded(line, "Set-Cookie:", 0);
      if (start != std::string_view::npos) {
        const std::size_t begin = start + 11;
        const std::size_t end = line.find(';', begin);
        if (end != std::string::npos) pair = line.substr(begin, end - begin);
      }
      cookies += reference_trim(pair) + "; ";
    }
  }
  out.received_cookies = cookies.size() >= 2 ? cookies.substr(0, cookies.size() - 2) : cookies;
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const Text given_cookies = input.ConsumeRandomLengthString(128);
  const Text raw = input.ConsumeRemainingBytesAsString();

  Text location = "kept";
  Text received = "stale";
  scan_response_headers(raw, location, received);
  if (is_ascii(raw)) {
    const Scanned expected = scan_ascii(raw, "kept");
    FUZZ_CHECK(location == expected.location);
    FUZZ_CHECK(received == expected.received_cookies);
  }
  if (find_text(raw, "Location:") == -1) FUZZ_CHECK(location == "kept");
  if (find_text(raw, "Set-Cookie") == -1) FUZZ_CHECK(received.empty());

  // The caller may hand one text in both places; the scan reads the block first.
  Text shared = raw;
  Text shared_received;
  scan_response_headers(shared, shared, shared_received);
  FUZZ_CHECK(shared_received == received);
  // Without a "Location:" line the text stays as it came; with one it becomes the
  // last such line's value (which may itself read "kept").
  FUZZ_CHECK(shared == (find_text(raw, "Location:") == -1 ? raw : location));
  Text block = raw;
  Text ignored_location;
  scan_response_headers(block, ignored_location, block);

  // What a request with given cookies does next.
  Text cookies = given_cookies;
  merge_cookies(cookies, received);
  FUZZ_CHECK(received == remove_spaces(received));
  return 0;
}
