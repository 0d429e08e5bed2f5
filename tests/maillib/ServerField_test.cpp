// Server fields with and without a port, and which ports mean implicit TLS.
#include "maillib/ServerField.h"

#include <gtest/gtest.h>

namespace maillib {
namespace {

struct Case {
  const char* field;
  const char* host;
  int port;
  bool tls;
};

TEST(ServerFieldTest, SplitsHostAndPort) {
  // Defaults as a caller picks them for a plain POP3 account: port 110, no TLS.
  for (const Case& c :
       {Case{"pop.example.com", "pop.example.com", 110, false},
        Case{" pop.example.com ", "pop.example.com", 110, false},
        Case{"127.0.0.1:2110", "127.0.0.1", 2110, false},
        Case{"pop.example.com:995", "pop.example.com", 995, true},
        Case{"smtp.example.com:465", "smtp.example.com", 465, true},
        Case{"[::1]:995", "::1", 995, true}, Case{"[::1]", "::1", 110, false},
        Case{"::1", "::1", 110, false}, Case{"host:0", "host:0", 110, false},
        Case{"host:70000", "host:70000", 110, false}, Case{"host:12ab", "host:12ab", 110, false},
        Case{"[::1]x", "[::1]x", 110, false}, Case{"", "", 110, false}}) {
    SCOPED_TRACE(c.field);
    ServerEndpoint endpoint = ParseServerField(c.field, 110, false);
    EXPECT_EQ(endpoint.Host, c.host);
    EXPECT_EQ(endpoint.Port, c.port);
    EXPECT_EQ(endpoint.Tls, c.tls);
  }
}

TEST(ServerFieldTest, PortInTheFieldDecidesTls) {
  // The caller chose TLS on 995; an explicit plain port turns it off, no port keeps it.
  EXPECT_FALSE(ParseServerField("imap.example.com:110", 995, true).Tls);
  EXPECT_TRUE(ParseServerField("pop.gmail.com", 995, true).Tls);
  EXPECT_TRUE(IsImplicitTlsPort(465));
  EXPECT_FALSE(IsImplicitTlsPort(587));
}

}  // namespace
}  // namespace maillib
