#include "web/address.h"

#include "text/markers.h"

namespace netdisk {

Text url_host(std::string_view address, bool domain_only, bool with_port) {
  Text work = to_lower(address);
  if (text_right(work, 1) != "/") work += "/";
  // An address that holds "http://" further on, behind another scheme, keeps
  // that later "http://" as the start of its host.
  Text prefix = "http://";
  if (text_left(work, 8) == "https://") {
    prefix = "https://";
  } else if (find_text(work, "http://") == -1) {
    work = concat_text("http://", work);
  }
  work = text_between(work, prefix, "/");
  if (domain_only) {
    TextArray pieces = split_text(work, ".");
    const int count = array_count(pieces);
    if (count > 1) work = concat_text(pieces[count - 2], ".", pieces[count - 1]);
  }
  if (with_port) return work;
  const int colon = find_text(work, ":");
  return colon == -1 ? work : text_left(work, colon - 1);
}

int url_port(std::string_view address) {
  const Text host = url_host(address, false, true);
  const int colon = find_text_reverse(host, ":");
  if (colon != -1) return to_int(text_right(host, text_length(host) - colon));
  return text_left(to_lower(address), 5) == "https" ? 443 : 80;
}

Text url_path(std::string_view address) {
  const Text host = url_host(address);
  // The host is searched from the very start, so a host that also occurs in the
  // scheme text ("p" in "http") is found there.
  const int host_at = find_text(address, host, 1, true);
  const int slash = find_text(address, "/", host_at, true);
  if (slash == -1) return "/";
  return text_mid(address, slash, text_length(address) - slash + 1);
}

}  // namespace netdisk
