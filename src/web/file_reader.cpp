#include "web/file_reader.h"

#include <array>

#include "web/internet/internet.h"

namespace netdisk {

Bytes http_read_file(std::string_view address) {
  std::optional<internet::AddressParts> parts = internet::parse_address(address);
  if (!parts) return {};
  internet::SessionHandle session =
      internet::open_session(file_reader_user_agent, internet::Access::direct, "");
  if (!session) return {};
  internet::ConnectionHandle connection = internet::connect(*session, parts->host, parts->port);
  if (!connection) return {};
  // No stored cookies either: the page is read afresh, as a file.
  unsigned flags = internet::flag_reload | internet::flag_no_cookies;
  flags |= parts->secure ? internet::flag_secure : internet::flag_allow_redirect_to_https;
  internet::RequestHandle request =
      internet::open_request(*connection, "GET", parts->path, "HTTP/1.0", flags);
  if (!request) return {};
  // HTTP/1.0 knows only Pragma for keeping caches on the way out of it.
  if (!internet::send_request(*request, "Accept: */*\r\nPragma: no-cache")) return {};
  const int status = internet::status_code(*request);
  if (status < 200 || status > 299) return {};
  Bytes body;
  std::array<std::uint8_t, 16384> unit;
  for (std::size_t got; (got = internet::read_response(*request, unit)) != 0;)
    body.insert(body.end(), unit.begin(), unit.begin() + static_cast<std::ptrdiff_t>(got));
  return body;
}

}  // namespace netdisk
