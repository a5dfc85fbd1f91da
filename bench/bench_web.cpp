// Throughput of web_request against a bare libcurl easy handle, both fetching
// the same 10 MB body from a loopback server in this program.
#include <benchmark/benchmark.h>

#include <string>

#include "support/curl_baseline.h"
#include "support/loopback_server.h"
#include "web/request.h"

namespace {

constexpr std::size_t body_size = 10'000'000;

// One server for both benchmarks, started on first use.
const std::string& body_address() {
  static netdisk::test_support::LoopbackHttpServer server;
  static const std::string address = [] {
    static const std::string body(body_size, 'x');
    server.server().Get("/bench/body", [](const httplib::Request&, httplib::Response& response) {
      response.set_content(body, "application/octet-stream");
    });
    server.start();
    std::string url = server.url("/bench/body");
    // One fetch of each kind first: the allocator adapts to 10 MB buffers after
    // the first ones are freed, and whichever benchmark ran first would pay for it.
    netdisk::web_global_init();
    benchmark::DoNotOptimize(netdisk::web_request(url).size());
    benchmark::DoNotOptimize(netdisk::test_support::fetch_with_plain_curl(url).size());
    return url;
  }();
  return address;
}

void BM_WebRequestLoopback(benchmark::State& state) {
  const std::string& address = body_address();
  for (auto _ : state) {
    netdisk::Bytes body = netdisk::web_request(address);
    if (body.size() != body_size) {
      state.SkipWithError("short body");
      break;
    }
    benchmark::DoNotOptimize(body.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body_size));
}
BENCHMARK(BM_WebRequestLoopback)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CurlBaseline(benchmark::State& state) {
  const std::string& address = body_address();
  for (auto _ : state) {
    std::string body = netdisk::test_support::fetch_with_plain_curl(address);
    if (body.size() != body_size) {
      state.SkipWithError("short body");
      break;
    }
    benchmark::DoNotOptimize(body.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body_size));
}
BENCHMARK(BM_CurlBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
