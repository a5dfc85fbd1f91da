#include "site/demo_site.h"

#include <httplib.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "site/assets.h"
#include "site/html.h"
#include "site/pages.h"
#include "text/codepage.h"

namespace netdisk::demo {
namespace {

constexpr const char* loopback = "127.0.0.1";
constexpr const char* html_type = "text/html; charset=utf-8";
// The counter keeps one total per account id; more ids than this are refused so a
// client cannot grow the table without bound.
constexpr std::size_t max_counter_ids = 1000;

const CatalogueEntry* find_entry(int id) {
  for (const CatalogueEntry& entry : site_catalogue()) {
    if (entry.id == id) return &entry;
  }
  return nullptr;
}

const CoverAsset* find_cover(int id, std::string_view format) {
  for (const CoverAsset& cover : embedded_covers()) {
    if (cover.id == id && cover.format == format) return &cover;
  }
  return nullptr;
}

int read_id(const std::string& digits) {
  if (digits.empty() || digits.size() > 9) return 0;
  int value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

bool is_host_text(const std::string& host) {
  if (host.empty() || host.size() > 255) return false;
  for (char c : host) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == '-' || c == ':' || c == '[' || c == ']';
    if (!ok) return false;
  }
  return true;
}

bool is_counter_id(const std::string& id) {
  if (id.empty() || id.size() > 32) return false;
  for (char c : id) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

// Only SO_REUSEADDR: the library's default also sets SO_REUSEPORT, which would
// let a second site bind the same port and take half of the connections.
void reuse_address_only(socket_t sock) {
  int yes = 1;
  setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

}  // namespace

struct DemoSite::Impl {
  SiteOptions options;
  int port = 0;
  httplib::Server server;
  std::thread thread;

  std::mutex state_mutex;
  std::condition_variable state_changed;
  bool finished = false;  // listen_after_bind has returned
  std::atomic<bool> stop_requested{false};

  std::mutex counter_mutex;
  std::map<std::string, long long> counters;

  // Absolute links use the address the client asked for, so pages work behind
  // any port; a missing or odd Host header falls back to our own address.
  std::string origin_for(const httplib::Request& request) const {
    const std::string host = request.get_header_value("Host");
    if (is_host_text(host)) return "http://" + host;
    return "http://" + std::string(loopback) + ":" + std::to_string(port);
  }

  void add_routes();
};

void DemoSite::Impl::add_routes() {
  server.Get("/", [this](const httplib::Request& request, httplib::Response& response) {
    response.set_content(home_page(site_catalogue(), origin_for(request)), html_type);
  });

  server.Get(
      R"(/key/[\s\S]*)", [this](const httplib::Request& request, httplib::Response& response) {
        // The keyword is cut from the raw target, so an encoded "/" stays part of it.
        std::string_view path = request.target;
        path = path.substr(0, path.find('?'));
        path.remove_prefix(std::string_view("/key/").size());
        if (!path.empty() && path.back() == '/') path.remove_suffix(1);
        response.set_content(
            search_page(site_catalogue(), percent_decode(path), origin_for(request)), html_type);
      });

  server.Get(R"(/movie/(\d+)\.html)", [this](const httplib::Request& request,
                                             httplib::Response& response) {
    const CatalogueEntry* entry = find_entry(read_id(request.matches[1].str()));
    if (entry == nullptr) {
      response.status = 404;
      return;
    }
    response.set_content(detail_page(site_catalogue(), *entry, origin_for(request)), html_type);
  });

  server.Get(R"(/cover/(\d+)\.(jpg|png|gif|bmp))",
             [](const httplib::Request& request, httplib::Response& response) {
               const std::string format = request.matches[2].str();
               const CoverAsset* cover = find_cover(read_id(request.matches[1].str()), format);
               if (cover == nullptr) {
                 response.status = 404;
                 return;
               }
               const char* type = format == "jpg"   ? "image/jpeg"
                                  : format == "png" ? "image/png"
                                  : format == "gif" ? "image/gif"
                                                    : "image/bmp";
               response.set_content(reinterpret_cast<const char*>(cover->data), cover->size, type);
             });

  server.Get("/notice.html", [this](const httplib::Request& request, httplib::Response& response) {
    const char* version = options.newer_version ? newer_version : own_version;
    response.set_header("Cache-Control", "no-store");
    response.set_content(notice_page(version, options.newer_version, origin_for(request)),
                         html_type);
  });

  server.Get("/download.html",
             [this](const httplib::Request& request, httplib::Response& response) {
               const char* version = options.newer_version ? newer_version : own_version;
               response.set_content(download_page(version, origin_for(request)), html_type);
             });

  server.Get(
      "/count1/count.asp", [this](const httplib::Request& request, httplib::Response& response) {
        response.set_header("Cache-Control", "no-store");
        const std::string id = request.get_param_value("id");
        if (!is_counter_id(id)) {
          response.status = 400;
          response.set_content(utf8_to_ansi("document.write('参数错误');\r\n"),
                               "text/javascript; charset=gbk");
          return;
        }
        long long total = 0;
        {
          std::lock_guard lock(counter_mutex);
          auto found = counters.find(id);
          if (found == counters.end()) {
            if (counters.size() >= max_counter_ids) {
              response.status = 503;
              response.set_content(utf8_to_ansi("document.write('计数器已满');\r\n"),
                                   "text/javascript; charset=gbk");
              return;
            }
            found = counters.emplace(id, 0).first;
          }
          total = ++found->second;
        }
        // The counter service answers in code page 936, not UTF-8.
        response.set_content(utf8_to_ansi(counter_reply(total)), "text/javascript; charset=gbk");
      });

  server.set_error_handler([this](const httplib::Request& request, httplib::Response& response) {
    if (response.status == 404 && response.body.empty()) {
      response.set_content(not_found_page(origin_for(request)), html_type);
    }
  });
  server.set_exception_handler(
      [](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
        response.status = 500;
        response.set_content("internal error\r\n", "text/plain; charset=utf-8");
      });
}

std::unique_ptr<DemoSite> DemoSite::start(const SiteOptions& options, std::string* error) {
  const auto fail = [error](std::string why) -> std::unique_ptr<DemoSite> {
    if (error != nullptr) *error = std::move(why);
    return nullptr;
  };
  if (options.port < 0 || options.port > 65535) {
    return fail("port " + std::to_string(options.port) + " is out of range");
  }
  if (site_catalogue().empty()) return fail("the embedded catalogue holds no entries");

  auto impl = std::make_unique<Impl>();
  impl->options = options;
  impl->server.set_socket_options(reuse_address_only);
  // Short keep-alive so that stopping does not wait long on an idle connection.
  impl->server.set_keep_alive_timeout(1);
  impl->add_routes();

  if (options.port == 0) {
    impl->port = impl->server.bind_to_any_port(loopback);
  } else {
    impl->port = impl->server.bind_to_port(loopback, options.port) ? options.port : -1;
  }
  if (impl->port <= 0) {
    return fail("cannot listen on " + std::string(loopback) + ":" + std::to_string(options.port));
  }

  Impl* raw = impl.get();
  raw->thread = std::thread([raw] {
    raw->server.listen_after_bind();
    std::lock_guard lock(raw->state_mutex);
    raw->finished = true;
    raw->state_changed.notify_all();
  });
  // stop() is only heard once the accept loop runs, so wait for it before handing
  // the site out; a failed listen ends the wait as well.
  while (!raw->server.is_running()) {
    std::unique_lock lock(raw->state_mutex);
    if (raw->finished) break;
    raw->state_changed.wait_for(lock, std::chrono::milliseconds(1));
  }
  std::unique_ptr<DemoSite> site(new DemoSite(std::move(impl)));
  if (!site->impl_->server.is_running()) {
    site.reset();
    return fail("the server on " + std::string(loopback) + " stopped at once");
  }
  return site;
}

DemoSite::DemoSite(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

DemoSite::~DemoSite() {
  stop();
  if (impl_->thread.joinable()) impl_->thread.join();
}

int DemoSite::port() const { return impl_->port; }

std::string DemoSite::origin() const {
  return "http://" + std::string(loopback) + ":" + std::to_string(impl_->port);
}

void DemoSite::stop() {
  // The library's stop() must run once: a second call would shut down a socket
  // it has already closed.
  if (!impl_->stop_requested.exchange(true)) impl_->server.stop();
}

void DemoSite::wait() {
  std::unique_lock lock(impl_->state_mutex);
  impl_->state_changed.wait(lock, [this] { return impl_->finished; });
}

const std::vector<CatalogueEntry>& site_catalogue() {
  static const std::vector<CatalogueEntry> entries = parse_catalogue(embedded_catalogue()).entries;
  return entries;
}

}  // namespace netdisk::demo
