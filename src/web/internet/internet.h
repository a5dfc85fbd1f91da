// The internet-client layer under the request routines: one HTTP(S) request over
// three handles (session, connection, request) that the caller opens in that
// order and closes in the reverse one. An opening call that cannot succeed gives
// a null handle; an unresolvable host or a refused connection shows up at send.
// send_request receives the whole response; read_response then hands the body
// out piece by piece and reports 0 bytes at its end, also after a failure.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace netdisk::internet {

// Initialises libcurl and the process-wide cookie store once and ignores SIGPIPE.
// Idempotent and thread-safe; opening a session calls it too. False when libcurl
// could not be initialised, after which every session fails to open.
bool global_init();

enum class Access {
  direct,  // every request goes straight to its server
  proxy,   // requests follow the proxy list given to open_session
};

// Request flags, combined with |.
inline constexpr unsigned flag_reload = 1u << 0;  // fetch from the server (we keep no cache)
inline constexpr unsigned flag_no_cookies = 1u << 1;  // keep the shared cookie store out
inline constexpr unsigned flag_no_auto_redirect = 1u << 2;  // hand back 3xx responses as they are
inline constexpr unsigned flag_secure = 1u << 3;  // TLS to the server
inline constexpr unsigned flag_allow_redirect_to_https = 1u << 4;  // follow http -> https hops

// Why a request failed, for tests and diagnostics; the routines above only see
// empty results.
enum class Failure {
  none,
  not_sent,   // send_request has not run
  resolve,    // the host (or proxy) name could not be resolved
  connect,    // the connection was refused or could not be made in time
  timeout,    // nothing arrived for too long
  tls,        // the secure connection could not be set up
  too_large,  // the body passed the size bound; what fitted is kept
  broken,     // the connection broke or the reply was not valid HTTP
  other,
};

class Session;
class Connection;
class Request;

struct SessionCloser {
  void operator()(Session* session) const noexcept;
};
struct ConnectionCloser {
  void operator()(Connection* connection) const noexcept;
};
struct RequestCloser {
  void operator()(Request* request) const noexcept;
};

// Closing a handle is resetting it; a null handle closes as a no-op.
using SessionHandle = std::unique_ptr<Session, SessionCloser>;
using ConnectionHandle = std::unique_ptr<Connection, ConnectionCloser>;
using RequestHandle = std::unique_ptr<Request, RequestCloser>;

// agent: the User-Agent sent when the header block has none of its own.
// proxy_list (Access::proxy only): entries separated by spaces or ";", each
// "http=host:port", "https=host:port" or a bare "host:port" for both schemes.
// "http=host:port" alone sends http addresses through that proxy and https ones
// direct; an entry with nothing after "=" means direct. The port defaults to 80.
// Null when an entry is not a valid host[:port] or libcurl is unusable.
SessionHandle open_session(std::string_view agent, Access access, std::string_view proxy_list);

// host: a DNS name or IPv4 literal (letters, digits, ".", "-", "_") or a bracketed
// IPv6 literal. Port 0 stands for the scheme's default. Null for an empty or
// malformed host or a port outside 0..65535. Nothing goes on the wire yet.
ConnectionHandle connect(const Session& session, std::string_view host, int port);

// verb: "GET" or "POST" (empty means GET); version: "HTTP/1.1" or "HTTP/1.0"
// (empty means 1.1); path: the request target, made to start with "/" when it
// does not; bytes a URL cannot carry raw are percent-encoded and a "#" starts a
// fragment that is not sent. Null for any other verb or version.
RequestHandle open_request(const Connection& connection, std::string_view verb,
                           std::string_view path, std::string_view version, unsigned flags);

// Sends the request with the header block (lines separated by CR LF) as given:
// no User-Agent beside the block's own (the session's agent only when the block
// has none), no Accept, Content-Type or "Expect: 100-continue" of libcurl's own.
// A Content-Length line of the block is dropped, since the layer knows the true
// length. body goes out only with POST. Redirects are followed (at most 10, to
// http and https only) unless flag_no_auto_redirect; a POST turns into a GET on
// 301, 302 and 303. True when a final response's headers arrived; the body may
// still be cut short (last_failure tells).
bool send_request(Request& request, std::string_view header_block,
                  std::span<const std::uint8_t> body = {});

// Copies up to buffer.size() body bytes; 0 at the end of the body and whenever
// no response arrived.
std::size_t read_response(Request& request, std::span<std::uint8_t> buffer);

// How many body bytes the next reads can still deliver (0 at the end), so a
// caller can size its buffer once.
std::size_t bytes_available(const Request& request);

// The raw headers of the final response: the status line and each header line,
// each ended by CR LF, then an empty line. When they and a terminating zero byte
// fit into buffer, they are copied there, length is set to their size without
// the zero byte and the result is true. Otherwise the buffer is left untouched,
// length is set to the size needed (0 when no response arrived), and the result
// is false.
bool query_raw_headers(const Request& request, std::span<char> buffer, std::size_t& length);

// The final response's status code; 0 when none arrived.
int status_code(const Request& request);

Failure last_failure(const Request& request);

// An address taken apart for the layer's callers that read whole addresses (the
// file reader), by libcurl's own URL parser. Only http and https; an address
// without a scheme is http. The fragment is dropped. nullopt when the address
// does not parse.
struct AddressParts {
  bool secure = false;
  std::string host;
  int port = 0;
  std::string path;  // path and query
};
std::optional<AddressParts> parse_address(std::string_view address);

// For tests: from now on, resolving `host` fails at once inside libcurl's resolve
// step, as for a name that does not exist, without any lookup leaving the machine.
void make_unresolvable_for_tests(std::string_view host);

// For tests: a transfer that receives nothing for `limit` ends as failed (20 s
// unless changed). Applies to transfers that start afterwards, process-wide.
void set_stall_limit_for_tests(std::chrono::milliseconds limit);

}  // namespace netdisk::internet
