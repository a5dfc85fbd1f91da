#include "hostile_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <string>

#include "web/internet/internet.h"

namespace netdisk::hostile {

namespace {

constexpr std::size_t block_size = 65536;

const std::array<char, block_size>& block() {
  static const std::array<char, block_size> bytes = [] {
    std::array<char, block_size> b{};
    for (std::size_t k = 0; k < block_size; ++k) b[k] = static_cast<char>('0' + (k % 251) % 75);
    return b;
  }();
  return bytes;
}

// The longest run of the generated body from position at that lies in one piece
// of the block, as long as end allows.
std::string_view span_at(std::uint64_t at, std::uint64_t end) {
  const std::size_t start = static_cast<std::size_t>((at + 7 * (at / block_size)) % block_size);
  const std::uint64_t in_chunk = block_size - at % block_size;
  const std::uint64_t in_block = block_size - start;
  const std::size_t size = static_cast<std::size_t>(std::min({in_chunk, in_block, end - at}));
  return std::string_view(block().data() + start, size);
}

}  // namespace

bool write_body(test_support::ReplyStream& reply, std::uint64_t from, std::uint64_t to) {
  for (std::uint64_t at = from; at < to;) {
    const std::string_view span = span_at(at, to);
    if (!reply.write(span)) return false;
    at += span.size();
  }
  return true;
}

void write_endless_body(test_support::ReplyStream& reply) {
  constexpr std::uint64_t step = 1 << 20;
  for (std::uint64_t from = 0; write_body(reply, from, from + step); from += step) {
  }
}

std::size_t first_difference(const Bytes& body) {
  for (std::size_t at = 0; at < body.size();) {
    const std::string_view span = span_at(at, body.size());
    if (std::memcmp(body.data() + at, span.data(), span.size()) != 0) {
      for (std::size_t k = 0;; ++k)
        if (body[at + k] != static_cast<std::uint8_t>(span[k])) return at + k;
    }
    at += span.size();
  }
  return body.size();
}

std::string ok_head(std::size_t body_size, std::string_view extra_lines) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body_size) + "\r\n" +
         std::string(extra_lines) + "\r\n";
}

std::string target_of(const std::string& request) {
  const std::size_t from = request.find(' ');
  if (from == std::string::npos) return {};
  const std::size_t to = request.find(' ', from + 1);
  if (to == std::string::npos) return {};
  return request.substr(from + 1, to - from - 1);
}

HostileSite::HostileSite()
    : server([this](const std::string& request, test_support::ReplyStream& reply) {
        Page page;
        {
          std::lock_guard lock(mutex);
          const auto found = pages.find(target_of(request));
          if (found != pages.end()) page = found->second;
        }
        if (page) {
          page(reply);
        } else {
          reply.write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        }
      }) {}

void HostileSite::route(const std::string& path, Page page) {
  std::lock_guard lock(mutex);
  pages[path] = std::move(page);
}

void HostileSite::serve(const std::string& path, std::string body) {
  auto shared = std::make_shared<const std::string>(std::move(body));
  route(path, [shared](test_support::ReplyStream& reply) {
    if (reply.write(ok_head(shared->size(), "Content-Type: text/html; charset=utf-8\r\n")))
      reply.write(*shared);
  });
}

StallLimit::StallLimit(std::chrono::milliseconds limit) {
  internet::set_stall_limit_for_tests(limit);
}

StallLimit::~StallLimit() { internet::set_stall_limit_for_tests(std::chrono::seconds(20)); }

std::size_t status_bytes(std::string_view field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, field.size(), field) == 0 && line.size() > field.size() &&
        line[field.size()] == ':') {
      return static_cast<std::size_t>(std::stoull(line.substr(field.size() + 1))) * 1024;
    }
  }
  return 0;
}

PeakMemory::PeakMemory() {
  // "5" resets the peak to the present resident size (Linux 4.0 and later).
  std::ofstream("/proc/self/clear_refs") << "5";
  base = status_bytes("VmHWM");
}

std::size_t PeakMemory::growth() const {
  const std::size_t peak = status_bytes("VmHWM");
  return peak > base ? peak - base : 0;
}

void expect_peak_growth_below(const PeakMemory& peak, std::size_t bound, std::string_view what) {
  if (!memory_checks) return;
  EXPECT_LT(peak.growth(), bound) << what << ": peak resident memory grew by "
                                  << peak.growth() / mebibyte << " MiB";
}

}  // namespace netdisk::hostile
