#include "support/curl_baseline.h"

#include <curl/curl.h>

#include <memory>

namespace netdisk::test_support {
namespace {

struct EasyDeleter {
  void operator()(CURL* handle) const noexcept { curl_easy_cleanup(handle); }
};

std::size_t append_body(char* data, std::size_t size, std::size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

}  // namespace

std::string fetch_with_plain_curl(const std::string& url) {
  std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
  if (!easy) return {};
  std::string body;
  curl_easy_setopt(easy.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy.get(), CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy.get(), CURLOPT_PROXY, "");
  curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, append_body);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &body);
  if (curl_easy_perform(easy.get()) != CURLE_OK) return {};
  return body;
}

}  // namespace netdisk::test_support
