// What the hostile-server tests share: a loopback site whose pages are written by
// handlers (slowly, cut short, without end), bodies generated on the fly so a test
// never holds several copies of a large one, a stall limit shortened for the
// length of a test, a stopwatch, and the process's peak memory.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "support/loopback_server.h"
#include "text/text.h"

namespace netdisk::hostile {

// Shadow memory and quarantines make resident-memory figures meaningless under
// AddressSanitizer and ThreadSanitizer; the memory checks are skipped there.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool memory_checks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
inline constexpr bool memory_checks = false;
#else
inline constexpr bool memory_checks = true;
#endif
#else
inline constexpr bool memory_checks = true;
#endif

inline constexpr std::size_t mebibyte = std::size_t{1} << 20;
// The web layer's bound on a body; what passes it is cut off.
inline constexpr std::size_t body_bound = 64 * mebibyte;
// A raw_headers text when the headers did not fit or no response arrived.
inline const std::string blank_headers(5000, ' ');

// Every generated body: a 64 KiB block of printable ASCII (so no zero
// byte ends a Text early and no cut can split a character), turned by 7 more
// bytes for each further 64 KiB, so a lost, doubled or shifted piece shows.
// Generating and checking copy and compare whole spans of the block, which keeps
// large bodies quick under sanitizers.

// Writes bytes [from, to) of the generated body; false when the client went away.
bool write_body(test_support::ReplyStream& reply, std::uint64_t from, std::uint64_t to);
// The generated body until the client goes away.
void write_endless_body(test_support::ReplyStream& reply);
// The position of the first byte of body that differs from the generated body,
// or body.size() when all agree.
std::size_t first_difference(const Bytes& body);

// A 200 head with a Content-Length of body_size and extra lines (each ending in
// CR LF).
std::string ok_head(std::size_t body_size, std::string_view extra_lines = "");

// A site on 127.0.0.1: each path answered by its handler, any other by a 404.
// A handler may still run on a server thread after the request that it answered
// has returned, until the site is destroyed: it should own what it writes (capture
// by value) unless the site is destroyed before those things are.
class HostileSite {
 public:
  using Page = std::function<void(test_support::ReplyStream& reply)>;

  HostileSite();
  void route(const std::string& path, Page page);
  // A whole page, written at once with a Content-Length.
  void serve(const std::string& path, std::string body);

  std::string url(std::string_view path) const { return server.url(path); }
  int requests() const { return static_cast<int>(server.requests().size()); }
  std::size_t bytes_written() const { return server.bytes_written(); }

 private:
  mutable std::mutex mutex;
  std::map<std::string, Page, std::less<>> pages;
  test_support::StreamingHttpServer server;
};

// The request target of a raw request ("/key/%61/").
std::string target_of(const std::string& request);

// The stall limit of transfers started while it lives; 20 s again afterwards.
class StallLimit {
 public:
  explicit StallLimit(std::chrono::milliseconds limit);
  ~StallLimit();
  StallLimit(const StallLimit&) = delete;
  StallLimit& operator=(const StallLimit&) = delete;
};

class Stopwatch {
 public:
  double seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }

 private:
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

// The growth of the process's peak resident memory from its construction on.
// The peak is first lowered to the present resident size where the kernel
// allows it, so an earlier case's peak does not hide this one's.
class PeakMemory {
 public:
  PeakMemory();
  std::size_t growth() const;

 private:
  std::size_t base = 0;
};

// Fails the test when the peak grew by bound or more; nothing under sanitizers.
void expect_peak_growth_below(const PeakMemory& peak, std::size_t bound, std::string_view what);

// Reads VmHWM or VmRSS of /proc/self/status in bytes; 0 when unreadable.
std::size_t status_bytes(std::string_view field);

}  // namespace netdisk::hostile
