#include "web/internet/internet.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

namespace netdisk::internet {
namespace {

constexpr long connect_timeout_seconds = 10;
constexpr auto stall_limit = std::chrono::seconds(20);
// A server that trickles keeps clear of the stall limit; so within each stall
// window at least this many bytes must arrive (100 bytes a second), and a whole
// request, redirects included, ends after this many stall windows (five minutes).
constexpr std::uint64_t min_bytes_per_stall_window = 2000;
constexpr int stall_windows_per_request = 15;
constexpr int max_redirects = 10;
constexpr std::size_t max_body_bytes = std::size_t{64} << 20;
constexpr long receive_buffer_bytes = 256L * 1024;
// Far beyond any real response; keeps a hostile header stream from growing without end.
constexpr std::size_t max_header_bytes = std::size_t{1} << 20;

struct EasyDeleter {
  void operator()(CURL* handle) const noexcept { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;

struct SlistDeleter {
  void operator()(curl_slist* list) const noexcept { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

struct UrlDeleter {
  void operator()(CURLU* url) const noexcept { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

struct CurlStringDeleter {
  void operator()(char* text) const noexcept { curl_free(text); }
};
using CurlString = std::unique_ptr<char, CurlStringDeleter>;

// The process-wide cookie store. libcurl calls the lock callbacks from whichever
// thread runs a transfer, so every kind of shared data gets its own mutex.
struct Global {
  bool ok = false;
  CURLSH* share = nullptr;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;
};

void lock_share(CURL*, curl_lock_data data, curl_lock_access, void* user) {
  static_cast<Global*>(user)->locks[static_cast<std::size_t>(data)].lock();
}

void unlock_share(CURL*, curl_lock_data data, void* user) {
  static_cast<Global*>(user)->locks[static_cast<std::size_t>(data)].unlock();
}

// Never destroyed: a detail worker may still be inside a transfer when the
// process exits, and the share must outlive it.
Global& global() {
  static Global* state = [] {
    auto* g = new Global;
    std::signal(SIGPIPE, SIG_IGN);
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return g;
    g->share = curl_share_init();
    if (g->share == nullptr) return g;
    if (curl_share_setopt(g->share, CURLSHOPT_LOCKFUNC, lock_share) != CURLSHE_OK ||
        curl_share_setopt(g->share, CURLSHOPT_UNLOCKFUNC, unlock_share) != CURLSHE_OK ||
        curl_share_setopt(g->share, CURLSHOPT_USERDATA, g) != CURLSHE_OK ||
        curl_share_setopt(g->share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE) != CURLSHE_OK)
      return g;
    g->ok = true;
    return g;
  }();
  return *state;
}

struct UnresolvableHosts {
  std::mutex mutex;
  std::set<std::string, std::less<>> hosts;
};

UnresolvableHosts& unresolvable_hosts() {
  static auto* hosts = new UnresolvableHosts;
  return *hosts;
}

bool is_unresolvable(std::string_view host) {
  UnresolvableHosts& table = unresolvable_hosts();
  std::lock_guard lock(table.mutex);
  return table.hosts.find(host) != table.hosts.end();
}

int refuse_resolve(void*, void*, void*) { return 1; }

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), ascii_lower);
  return out;
}

bool equals_ignore_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return ascii_lower(x) == ascii_lower(y);
         });
}

std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool is_host_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-' || c == '_';
}

bool is_valid_host(std::string_view host) {
  if (host.empty() || host.size() > 255) return false;
  if (host.front() == '[') {
    if (host.size() < 3 || host.back() != ']') return false;
    std::string_view inner = host.substr(1, host.size() - 2);
    return std::all_of(inner.begin(), inner.end(), [](char c) {
      return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') ||
             c == ':' || c == '.';
    });
  }
  return std::all_of(host.begin(), host.end(), is_host_char);
}

// "host" or "host:port" -> "http://host:port"; empty text -> empty (direct);
// nullopt when malformed. Windows proxy lists default to port 80, libcurl to 1080.
std::optional<std::string> proxy_address(std::string_view server) {
  if (server.empty()) return std::string();
  std::string_view host = server;
  std::string_view port = "80";
  std::size_t colon = server.rfind(':');
  if (colon != std::string_view::npos && server.back() != ']') {
    host = server.substr(0, colon);
    port = server.substr(colon + 1);
    if (port.empty() || port.size() > 5) return std::nullopt;
    int value = 0;
    for (char c : port) {
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) return std::nullopt;
  }
  if (!is_valid_host(host)) return std::nullopt;
  return "http://" + std::string(host) + ":" + std::string(port);
}

bool is_unreserved_in_path(unsigned char c) {
  if (c <= 0x20 || c >= 0x7F) return false;
  return std::strchr("\"<>\\^`{|}", c) == nullptr;
}

// The request target as libcurl must see it inside a URL.
std::string encode_path(std::string_view path) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(path.size() + 1);
  if (path.empty() || path.front() != '/') out.push_back('/');
  for (char ch : path) {
    auto c = static_cast<unsigned char>(ch);
    if (is_unreserved_in_path(c)) {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 0x0F]);
    }
  }
  return out;
}

bool url_parses(const std::string& url) {
  UrlHandle handle(curl_url());
  return handle && curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), 0) == CURLUE_OK;
}

std::string url_part(CURLU* url, CURLUPart part, unsigned flags = 0) {
  char* raw = nullptr;
  if (curl_url_get(url, part, &raw, flags) != CURLUE_OK || raw == nullptr) return {};
  CurlString owned(raw);
  return std::string(owned.get());
}

// Where one hop of a request goes.
struct Target {
  bool secure = false;
  std::string host;
  int port = 0;
  std::string url;
};

std::optional<Target> target_of(const char* url) {
  UrlHandle handle(curl_url());
  if (!handle || curl_url_set(handle.get(), CURLUPART_URL, url, 0) != CURLUE_OK)
    return std::nullopt;
  std::string scheme = url_part(handle.get(), CURLUPART_SCHEME);
  if (scheme != "http" && scheme != "https") return std::nullopt;
  Target target;
  target.secure = scheme == "https";
  target.host = lower(url_part(handle.get(), CURLUPART_HOST));
  std::string port = url_part(handle.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
  target.port = port.empty() ? 0 : std::atoi(port.c_str());
  target.url = url;
  return target;
}

// The one mapping of libcurl's result codes.
Failure failure_of(CURLcode code) {
  switch (code) {
    case CURLE_OK:
      return Failure::none;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return Failure::resolve;
    case CURLE_COULDNT_CONNECT:
      return Failure::connect;
    case CURLE_OPERATION_TIMEDOUT:
      return Failure::timeout;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_USE_SSL_FAILED:
      return Failure::tls;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_BAD_CONTENT_ENCODING:
      return Failure::broken;
    default:
      return Failure::other;
  }
}

bool is_followed_status(long status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::atomic<std::chrono::steady_clock::rep> stall_limit_ticks{
    std::chrono::duration_cast<std::chrono::steady_clock::duration>(stall_limit).count()};

}  // namespace

class Session {
 public:
  std::string agent;
  std::string http_proxy;   // empty: direct
  std::string https_proxy;  // empty: direct
};

class Connection {
 public:
  std::string agent;
  std::string http_proxy;
  std::string https_proxy;
  std::string host;
  int port = 0;
};

class Request {
 public:
  // What open_request fixed.
  std::string agent;
  std::string http_proxy;
  std::string https_proxy;
  Target first;
  bool post = false;
  bool http_1_0 = false;
  unsigned flags = 0;
  EasyHandle easy;

  // The response of the current hop.
  std::string header_block;
  bool headers_complete = false;
  bool header_overflow = false;
  std::vector<std::uint8_t> body;
  bool body_overflow = false;
  bool stalled = false;
  std::chrono::steady_clock::time_point last_activity;
  // Across all hops of one send: for the minimum speed and the whole-request limit.
  std::chrono::steady_clock::time_point started;
  std::chrono::steady_clock::time_point window_start;
  std::uint64_t received = 0;
  std::uint64_t received_at_window_start = 0;
  curl_off_t uploaded = 0;
  std::size_t read_offset = 0;
  int status = 0;
  Failure failure = Failure::not_sent;

  void begin_hop() {
    header_block.clear();
    headers_complete = false;
    header_overflow = false;
    body.clear();
    body_overflow = false;
    stalled = false;
    last_activity = std::chrono::steady_clock::now();
    uploaded = 0;
    read_offset = 0;
    status = 0;
  }
};

void SessionCloser::operator()(Session* session) const noexcept { delete session; }
void ConnectionCloser::operator()(Connection* connection) const noexcept { delete connection; }
void RequestCloser::operator()(Request* request) const noexcept { delete request; }

namespace {

// Keeps the header block of the latest response only: a redirect hop, an interim
// 1xx reply or a proxy's answer all start a new block with their status line.
std::size_t on_header(char* data, std::size_t size, std::size_t count, void* user) {
  auto& request = *static_cast<Request*>(user);
  const std::size_t total = size * count;
  request.last_activity = std::chrono::steady_clock::now();
  request.received += total;
  std::string_view line(data, total);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (line.substr(0, 5) == "HTTP/") {
    request.header_block.clear();
    request.headers_complete = false;
  } else if (request.headers_complete) {
    return total;  // trailers after a chunked body are no part of the header block
  }
  if (request.header_block.size() + line.size() + 2 > max_header_bytes) {
    request.header_overflow = true;
    return 0;
  }
  request.header_block.append(line).append("\r\n");
  if (line.empty()) {
    // An interim 1xx block is replaced by the final response's block.
    std::size_t space = request.header_block.find(' ');
    bool interim = space != std::string::npos && space + 1 < request.header_block.size() &&
                   request.header_block[space + 1] == '1';
    request.headers_complete = !interim;
  }
  return total;
}

std::size_t on_body(char* data, std::size_t size, std::size_t count, void* user) {
  auto& request = *static_cast<Request*>(user);
  const std::size_t total = size * count;
  request.last_activity = std::chrono::steady_clock::now();
  request.received += total;
  if (request.body.empty()) {
    curl_off_t expected = -1;
    if (curl_easy_getinfo(request.easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected) ==
            CURLE_OK &&
        expected > 0)
      request.body.reserve(std::min(static_cast<std::size_t>(expected), max_body_bytes));
  }
  const std::size_t room = max_body_bytes - request.body.size();
  const std::size_t take = std::min(total, room);
  // A byte copy: inserting char into a vector of uint8_t would convert one by one.
  const std::size_t old_size = request.body.size();
  request.body.resize(old_size + take);
  if (take > 0) std::memcpy(request.body.data() + old_size, data, take);
  if (take < total) request.body_overflow = true;
  return take;  // short of total ends the transfer, keeping what fitted
}

// libcurl calls this at least once a second, also while nothing arrives.
int on_progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
  auto& request = *static_cast<Request*>(user);
  if (uploaded != request.uploaded) {
    // A long upload is no stall, though nothing is received meanwhile.
    request.uploaded = uploaded;
    request.last_activity = std::chrono::steady_clock::now();
  }
  const auto limit = std::chrono::steady_clock::duration(stall_limit_ticks.load());
  const auto now = std::chrono::steady_clock::now();
  bool too_slow = false;
  if (now - request.window_start >= limit) {
    too_slow = request.received - request.received_at_window_start < min_bytes_per_stall_window &&
               request.uploaded == 0;
    request.window_start = now;
    request.received_at_window_start = request.received;
  }
  if (now - request.last_activity > limit || too_slow ||
      now - request.started > limit * stall_windows_per_request) {
    request.stalled = true;
    return 1;
  }
  return 0;
}

struct HeaderList {
  Slist list;
  Slist list_for_other_hosts;  // without Cookie and Authorization lines
  bool has_user_agent = false;
  bool ok = true;
};

bool append(Slist& list, const std::string& line) {
  // Appending returns the head of the list, which is new only for the first line.
  curl_slist* head = curl_slist_append(list.get(), line.c_str());
  if (head == nullptr) return false;
  if (!list) list.reset(head);
  return true;
}

HeaderList build_header_list(std::string_view block) {
  HeaderList result;
  bool has_accept = false;
  bool has_content_type = false;
  bool has_expect = false;
  auto add = [&](const std::string& line, bool for_other_hosts) {
    result.ok = result.ok && append(result.list, line);
    if (for_other_hosts) result.ok = result.ok && append(result.list_for_other_hosts, line);
  };
  // Lines end at CR LF; a lone CR or LF ends one too, so no caller text can smuggle
  // a line break into a header.
  std::size_t pos = 0;
  while (pos <= block.size()) {
    std::size_t end = block.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = block.size();
    std::string_view line = block.substr(pos, end - pos);
    pos = end + 1;
    line = line.substr(0, line.find('\0'));
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) continue;  // not a header line
    std::string_view name = trim_blanks(line.substr(0, colon));
    if (equals_ignore_case(name, "Content-Length")) continue;
    if (equals_ignore_case(name, "User-Agent")) result.has_user_agent = true;
    if (equals_ignore_case(name, "Accept")) has_accept = true;
    if (equals_ignore_case(name, "Content-Type")) has_content_type = true;
    if (equals_ignore_case(name, "Expect")) has_expect = true;
    bool credentials = equals_ignore_case(name, "Cookie") || equals_ignore_case(name, "Authorization");
    if (trim_blanks(line.substr(colon + 1)).empty()) {
      // libcurl reads "Name:" as "remove this header"; "Name;" sends it empty.
      add(std::string(line.substr(0, colon)) + ";", !credentials);
    } else {
      add(std::string(line), !credentials);
    }
  }
  // An empty value removes libcurl's own header of that name.
  if (!has_accept) add("Accept:", true);
  if (!has_content_type) add("Content-Type:", true);
  if (!has_expect) add("Expect:", true);
  return result;
}

std::string clean_agent(std::string_view agent) {
  return std::string(agent.substr(0, agent.find_first_of(std::string_view("\r\n\0", 3))));
}

template <typename T>
bool set(CURL* easy, CURLoption option, T value) {
  return curl_easy_setopt(easy, option, value) == CURLE_OK;
}

// Options that stay the same on every hop of a request.
bool configure_fixed(Request& request, const HeaderList& headers) {
  CURL* easy = request.easy.get();
  // FORBID_REUSE: each redirect hop gets a connection of its own. Reusing one the
  // server closed after its answer costs a retry, and libcurl allows a handle
  // only five of those in all, so a chain of hops could fail.
  bool ok = set(easy, CURLOPT_NOSIGNAL, 1L) && set(easy, CURLOPT_PATH_AS_IS, 1L) &&
            set(easy, CURLOPT_FORBID_REUSE, 1L) &&
            // Larger receive buffer than the default 16 KiB: fewer reads for big bodies.
            set(easy, CURLOPT_BUFFERSIZE, receive_buffer_bytes) &&
            set(easy, CURLOPT_PROTOCOLS_STR, "http,https") &&
            set(easy, CURLOPT_FOLLOWLOCATION, 0L) &&
            set(easy, CURLOPT_CONNECTTIMEOUT, connect_timeout_seconds) &&
            set(easy, CURLOPT_HTTP_VERSION,
                request.http_1_0 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1) &&
            set(easy, CURLOPT_HTTP_CONTENT_DECODING, 0L) &&
            set(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L) &&
            set(easy, CURLOPT_HEADERFUNCTION, on_header) &&
            set(easy, CURLOPT_HEADERDATA, &request) && set(easy, CURLOPT_WRITEFUNCTION, on_body) &&
            set(easy, CURLOPT_WRITEDATA, &request) && set(easy, CURLOPT_NOPROGRESS, 0L) &&
            set(easy, CURLOPT_XFERINFOFUNCTION, on_progress) &&
            set(easy, CURLOPT_XFERINFODATA, &request);
  if (!ok) return false;
  if (headers.has_user_agent) {
    ok = set(easy, CURLOPT_USERAGENT, static_cast<char*>(nullptr));
  } else {
    ok = set(easy, CURLOPT_USERAGENT, clean_agent(request.agent).c_str());
  }
  if (!ok) return false;
  if ((request.flags & flag_no_cookies) == 0) {
    // The empty file name switches the cookie engine on without reading a file.
    ok = set(easy, CURLOPT_SHARE, global().share) && set(easy, CURLOPT_COOKIEFILE, "");
  }
  return ok;
}

bool configure_hop(Request& request, const Target& target, bool post, const HeaderList& headers,
                   std::span<const std::uint8_t> body) {
  CURL* easy = request.easy.get();
  static const char empty_body[] = "";
  const std::string& proxy = target.secure ? request.https_proxy : request.http_proxy;
  // Credentials of the caller's block go only to the first server.
  const bool same_server = target.host == request.first.host &&
                           target.port == request.first.port &&
                           target.secure == request.first.secure;
  bool ok = set(easy, CURLOPT_URL, target.url.c_str()) &&
            // An empty proxy also keeps libcurl from reading proxy variables.
            set(easy, CURLOPT_PROXY, proxy.c_str()) &&
            set(easy, CURLOPT_HTTPHEADER,
                same_server ? headers.list.get() : headers.list_for_other_hosts.get());
  if (!ok) return false;
  // The name libcurl resolves for this hop: the proxy's when there is one.
  std::optional<Target> proxy_target = proxy.empty() ? std::nullopt : target_of(proxy.c_str());
  const bool refuse = is_unresolvable(proxy_target ? proxy_target->host : target.host);
  ok = refuse ? set(easy, CURLOPT_RESOLVER_START_FUNCTION, refuse_resolve)
              : set(easy, CURLOPT_RESOLVER_START_FUNCTION,
                    static_cast<curl_resolver_start_callback>(nullptr));
  if (!ok) return false;
  if (post) {
    const char* data = body.empty() ? empty_body : reinterpret_cast<const char*>(body.data());
    return set(easy, CURLOPT_POST, 1L) && set(easy, CURLOPT_POSTFIELDS, data) &&
           set(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  }
  return set(easy, CURLOPT_HTTPGET, 1L);
}

}  // namespace

bool global_init() { return global().ok; }

SessionHandle open_session(std::string_view agent, Access access, std::string_view proxy_list) {
  if (!global_init()) return nullptr;
  SessionHandle session(new Session);
  session->agent = std::string(agent);
  if (access == Access::direct) return session;
  std::size_t pos = 0;
  while (pos < proxy_list.size()) {
    std::size_t end = proxy_list.find_first_of(" \t;", pos);
    if (end == std::string_view::npos) end = proxy_list.size();
    std::string_view entry = proxy_list.substr(pos, end - pos);
    pos = end + 1;
    if (entry.empty()) continue;
    std::size_t equals = entry.find('=');
    std::string_view scheme = equals == std::string_view::npos ? "" : entry.substr(0, equals);
    std::string_view server = equals == std::string_view::npos ? entry : entry.substr(equals + 1);
    std::optional<std::string> address = proxy_address(server);
    if (!address) return nullptr;
    if (equals == std::string_view::npos) {
      session->http_proxy = *address;
      session->https_proxy = *address;
    } else if (equals_ignore_case(scheme, "http")) {
      session->http_proxy = *address;
    } else if (equals_ignore_case(scheme, "https")) {
      session->https_proxy = *address;
    }  // proxies for other schemes concern no request of ours
  }
  return session;
}

ConnectionHandle connect(const Session& session, std::string_view host, int port) {
  if (!is_valid_host(host) || port < 0 || port > 65535) return nullptr;
  ConnectionHandle connection(new Connection);
  connection->agent = session.agent;
  connection->http_proxy = session.http_proxy;
  connection->https_proxy = session.https_proxy;
  connection->host = lower(host);
  connection->port = port;
  return connection;
}

RequestHandle open_request(const Connection& connection, std::string_view verb,
                           std::string_view path, std::string_view version, unsigned flags) {
  bool post = false;
  if (verb == "POST") {
    post = true;
  } else if (!verb.empty() && verb != "GET") {
    return nullptr;
  }
  bool http_1_0 = false;
  if (version == "HTTP/1.0") {
    http_1_0 = true;
  } else if (!version.empty() && version != "HTTP/1.1") {
    return nullptr;
  }
  RequestHandle request(new Request);
  request->agent = connection.agent;
  request->http_proxy = connection.http_proxy;
  request->https_proxy = connection.https_proxy;
  request->post = post;
  request->http_1_0 = http_1_0;
  request->flags = flags;
  Target& first = request->first;
  first.secure = (flags & flag_secure) != 0;
  first.host = connection.host;
  first.port = connection.port != 0 ? connection.port : (first.secure ? 443 : 80);
  first.url = std::string(first.secure ? "https://" : "http://") + first.host + ":" +
              std::to_string(first.port) + encode_path(path);
  if (!url_parses(first.url)) return nullptr;
  request->easy.reset(curl_easy_init());
  if (!request->easy) return nullptr;
  return request;
}

bool send_request(Request& request, std::string_view header_block,
                  std::span<const std::uint8_t> body) {
  request.begin_hop();
  request.failure = Failure::other;
  HeaderList headers = build_header_list(header_block);
  if (!headers.ok || !configure_fixed(request, headers)) return false;

  Target target = request.first;
  bool post = request.post;
  request.started = request.window_start = std::chrono::steady_clock::now();
  request.received = request.received_at_window_start = 0;
  for (int hop = 0;; ++hop) {
    request.begin_hop();
    if (!configure_hop(request, target, post, headers, body)) return false;
    CURLcode code = curl_easy_perform(request.easy.get());
    if (!request.headers_complete) {
      request.failure = request.header_overflow ? Failure::too_large
                        : request.stalled       ? Failure::timeout
                                                : failure_of(code);
      if (request.failure == Failure::none) request.failure = Failure::broken;
      request.header_block.clear();
      request.body.clear();
      return false;
    }
    long status = 0;
    curl_easy_getinfo(request.easy.get(), CURLINFO_RESPONSE_CODE, &status);
    request.status = static_cast<int>(status);
    request.failure = request.body_overflow ? Failure::too_large
                      : request.stalled     ? Failure::timeout
                                            : failure_of(code);

    if ((request.flags & flag_no_auto_redirect) != 0 || !is_followed_status(status) ||
        hop == max_redirects)
      return true;
    char* next_url = nullptr;
    if (curl_easy_getinfo(request.easy.get(), CURLINFO_REDIRECT_URL, &next_url) != CURLE_OK ||
        next_url == nullptr)
      return true;
    std::optional<Target> next = target_of(next_url);
    if (!next) return true;  // only http and https are followed
    if (next->secure && !target.secure && (request.flags & flag_allow_redirect_to_https) == 0)
      return true;
    if (status == 303 || ((status == 301 || status == 302) && post)) post = false;
    target = std::move(*next);
  }
}

std::size_t read_response(Request& request, std::span<std::uint8_t> buffer) {
  const std::size_t left = request.body.size() - request.read_offset;
  const std::size_t take = std::min(left, buffer.size());
  if (take == 0) return 0;
  std::memcpy(buffer.data(), request.body.data() + request.read_offset, take);
  request.read_offset += take;
  return take;
}

std::size_t bytes_available(const Request& request) {
  return request.body.size() - request.read_offset;
}

bool query_raw_headers(const Request& request, std::span<char> buffer, std::size_t& length) {
  if (!request.headers_complete) {
    length = 0;
    return false;
  }
  const std::size_t needed = request.header_block.size() + 1;
  if (needed > buffer.size()) {
    length = needed;
    return false;
  }
  std::memcpy(buffer.data(), request.header_block.data(), request.header_block.size());
  buffer[request.header_block.size()] = '\0';
  length = request.header_block.size();
  return true;
}

int status_code(const Request& request) { return request.status; }

Failure last_failure(const Request& request) { return request.failure; }

std::optional<AddressParts> parse_address(std::string_view address) {
  std::string text(address.substr(0, address.find('#')));
  text = text.substr(0, text.find('\0'));
  // Without "scheme://" the address is http, as a browser reads it.
  std::size_t scheme_end = text.find("://");
  bool has_scheme = scheme_end != std::string::npos && scheme_end > 0 &&
                    std::all_of(text.begin(), text.begin() + static_cast<long>(scheme_end),
                                [](char c) {
                                  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                         (c >= '0' && c <= '9') || c == '+' || c == '-' ||
                                         c == '.';
                                });
  if (!has_scheme) text = "http://" + text;
  UrlHandle handle(curl_url());
  if (!handle ||
      curl_url_set(handle.get(), CURLUPART_URL, text.c_str(), CURLU_ALLOW_SPACE) != CURLUE_OK)
    return std::nullopt;
  std::string scheme = url_part(handle.get(), CURLUPART_SCHEME);
  if (scheme != "http" && scheme != "https") return std::nullopt;
  AddressParts parts;
  parts.secure = scheme == "https";
  parts.host = lower(url_part(handle.get(), CURLUPART_HOST));
  std::string port = url_part(handle.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
  parts.port = port.empty() ? 0 : std::atoi(port.c_str());
  parts.path = url_part(handle.get(), CURLUPART_PATH);
  std::string query = url_part(handle.get(), CURLUPART_QUERY);
  if (!query.empty()) parts.path += "?" + query;
  if (parts.path.empty()) parts.path = "/";
  return parts;
}

void set_stall_limit_for_tests(std::chrono::milliseconds limit) {
  stall_limit_ticks.store(
      std::chrono::duration_cast<std::chrono::steady_clock::duration>(limit).count());
}

void make_unresolvable_for_tests(std::string_view host) {
  UnresolvableHosts& table = unresolvable_hosts();
  std::lock_guard lock(table.mutex);
  table.hosts.insert(lower(host));
}

}  // namespace netdisk::internet
