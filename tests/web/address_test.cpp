#include "web/address.h"

#include <gtest/gtest.h>

namespace netdisk {
namespace {

struct AddressCase {
  const char* address;
  const char* host;
  int port;
  const char* path;
};

// Odd inputs included: the results are what the request routines hand on.
const AddressCase address_cases[] = {
    {"HTTP://Srv.A.B/Path", "srv.a.b", 80, "/Path"},
    {"https://w.x.y.z:8443/p?q=1", "w.x.y.z", 8443, "/p?q=1"},
    {"a.b", "a.b", 80, "/"},
    {"a.b:81/abc", "a.b", 81, "/abc"},
    {"http://a.b", "a.b", 80, "/"},
    {"http://a.b?x=1", "a.b?x=1", 80, "/"},
    {"http://a.b:/", "a.b", 0, "/"},
    {"http://localhost/", "localhost", 80, "/"},
    {"http://a.b.c:8080/", "a.b.c", 8080, "/"},
    {"ftp://x/?u=http://y/z", "y", 80, "/z"},
    {"http://p/x", "p", 80, "//p/x"},
    {"HTTPS://Secure.Example/A/B", "secure.example", 443, "/A/B"},
    // The host "h" is found first inside the scheme.
    {"https://h:8443", "h", 8443, "//h:8443"},
    {"", "", 80, "/"},
};

TEST(AddressParts, TableOfAddresses) {
  for (const AddressCase& row : address_cases) {
    SCOPED_TRACE(row.address);
    EXPECT_EQ(url_host(row.address), row.host);
    EXPECT_EQ(url_port(row.address), row.port);
    EXPECT_EQ(url_path(row.address), row.path);
  }
}

struct HostOptionCase {
  const char* address;
  bool domain_only;
  bool with_port;
  const char* host;
};

const HostOptionCase host_option_cases[] = {
    {"https://w.x.y.z:8443/p?q=1", true, false, "y.z"},
    {"https://w.x.y.z:8443/p?q=1", false, true, "w.x.y.z:8443"},
    {"http://localhost/", true, false, "localhost"},
    {"http://a.b.c:8080/", true, false, "b.c"},
    {"http://a.b.c:8080/", true, true, "b.c:8080"},
    {"http://a.b:/", false, true, "a.b:"},
};

TEST(AddressParts, HostOptions) {
  for (const HostOptionCase& row : host_option_cases) {
    SCOPED_TRACE(row.address);
    EXPECT_EQ(url_host(row.address, row.domain_only, row.with_port), row.host);
  }
}

TEST(AddressParts, HostIsLowerCaseAndPathKeepsItsCase) {
  EXPECT_EQ(url_host("http://MiXeD.Example:80/Q?A=B"), "mixed.example");
  EXPECT_EQ(url_path("http://MiXeD.Example:80/Q?A=B"), "/Q?A=B");
}

TEST(AddressParts, SurviveArbitraryBytes) {
  // Two-byte characters, control bytes, colons and no slash at all.
  const std::string inputs[] = {std::string("\xD6\xD0:\x01/\xFF", 6), std::string(1, '\0'),
                                ":::", "https://", "http://:99999999999/x",
                                std::string(300, ':')};
  for (const std::string& input : inputs) {
    EXPECT_FALSE(url_path(input).empty());
    (void)url_host(input, true, true);
    (void)url_port(input);
  }
}

}  // namespace
}  // namespace netdisk
