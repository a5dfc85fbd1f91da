// netdisk-demo-site [--port N] [--newer-version] [--host 127.0.0.1]
// Serves the demo resource site on 127.0.0.1 until SIGINT or SIGTERM. The first
// line on stdout names the address, so a caller that asked for --port 0 can read
// the port the system picked.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

#include "site/demo_site.h"

namespace {

constexpr int usage_error = 2;

void print_usage(std::ostream& out) {
  out << "usage: netdisk-demo-site [--port N] [--newer-version] [--host 127.0.0.1]\n"
      << "  --port N         port on 127.0.0.1 (default " << netdisk::demo::default_port
      << "; 0 picks a free one)\n"
      << "  --newer-version  the notice page announces version " << netdisk::demo::newer_version
      << " instead of " << netdisk::demo::own_version << "\n"
      << "  --host 127.0.0.1 the only address the site listens on\n";
}

bool read_port(std::string_view text, int& port) {
  if (text.empty() || text.size() > 5) return false;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value > 65535) return false;
  port = value;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  netdisk::demo::SiteOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    // Accept both "--port N" and "--port=N".
    const auto value_of = [&](std::string_view name, std::string_view& value) {
      if (arg == name) {
        if (i + 1 >= argc) return false;
        value = argv[++i];
        return true;
      }
      if (arg.size() > name.size() && arg.substr(0, name.size()) == name &&
          arg[name.size()] == '=') {
        value = arg.substr(name.size() + 1);
        return true;
      }
      return false;
    };
    std::string_view value;
    if ((arg == "--port" || arg == "--host") && i + 1 >= argc) {
      std::cerr << "netdisk-demo-site: " << arg << " needs a value\n";
      return usage_error;
    }
    if (arg == "--help" || arg == "-h") {
      print_usage(std::cout);
      return 0;
    } else if (arg == "--newer-version") {
      options.newer_version = true;
    } else if (value_of("--port", value)) {
      if (!read_port(value, options.port)) {
        std::cerr << "netdisk-demo-site: bad port \"" << value << "\"\n";
        return usage_error;
      }
    } else if (value_of("--host", value)) {
      if (value != "127.0.0.1") {
        std::cerr << "netdisk-demo-site: the demo site listens on 127.0.0.1 only\n";
        return usage_error;
      }
    } else {
      std::cerr << "netdisk-demo-site: unknown argument \"" << arg << "\"\n";
      print_usage(std::cerr);
      return usage_error;
    }
  }

  // Block the stop signals before any server thread exists, so every thread
  // inherits the mask and only the sigwait below receives them.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  std::string error;
  auto site = netdisk::demo::DemoSite::start(options, &error);
  if (!site) {
    std::cerr << "netdisk-demo-site: " << error << '\n';
    return 1;
  }
  std::cout << "listening on 127.0.0.1:" << site->port() << std::endl;
  std::cout << "try " << site->origin() << "/key/%E6%98%9F%E6%B2%B3/ or " << site->origin()
            << "/notice.html" << std::endl;

  int received = 0;
  sigwait(&stop_signals, &received);
  site.reset();
  return 0;
}
