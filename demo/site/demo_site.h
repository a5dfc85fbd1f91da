// The demo resource site: a small HTTP server on 127.0.0.1 that serves search
// pages, detail pages, cover pictures, the start-up notice and a hit counter
// from a fictional catalogue. Run it in-process:
//   auto site = netdisk::demo::DemoSite::start({.port = 0});   // a free port
//   ... requests to site->origin() + "/key/%E6%98%9F%E6%B2%B3/" ...
//   site.reset();                                              // stops it
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "site/catalogue.h"

namespace netdisk::demo {

// The port the program's built-in site addresses point at.
inline constexpr int default_port = 18472;
// The notice announces the program's own version, or a higher one on request.
inline constexpr const char* own_version = "2.2";
inline constexpr const char* newer_version = "2.3";

struct SiteOptions {
  int port = default_port;     // 0 lets the system pick a free port
  bool newer_version = false;  // announce newer_version instead of own_version
};

class DemoSite {
 public:
  // Binds 127.0.0.1 (never another address) and serves on threads of its own.
  // Returns null, with the reason in *error when given, if the port cannot be bound.
  static std::unique_ptr<DemoSite> start(const SiteOptions& options, std::string* error = nullptr);

  ~DemoSite();  // stops the server and joins its threads
  DemoSite(const DemoSite&) = delete;
  DemoSite& operator=(const DemoSite&) = delete;

  int port() const;
  std::string origin() const;  // "http://127.0.0.1:PORT"

  // Stops serving; safe to call more than once and from any thread.
  void stop();
  // Blocks until the server has stopped (by stop() from another thread).
  void wait();

  struct Impl;

 private:
  explicit DemoSite(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// The entries the site serves, in catalogue order.
const std::vector<CatalogueEntry>& site_catalogue();

}  // namespace netdisk::demo
