// The network options of `tvmail pop3` and `tvmail smtp`: SOCKS URLs, ports, pass files.
#include "tools/tvmail/NetOptions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

namespace tvmail {
namespace {

TEST(SocksUrl, VersionCredentialsHostAndPort) {
  maillib::TSocksInfo socks;
  std::string error;
  ASSERT_TRUE(ParseSocksUrl("socks5://ann:p@ss:w@127.0.0.1:9050", socks, error)) << error;
  EXPECT_EQ(socks.Version, maillib::svSocks5);
  EXPECT_EQ(socks.Authentication, maillib::saUsernamePassword);
  EXPECT_EQ(socks.UserName, "ann");
  EXPECT_EQ(socks.Password, "p@ss:w");  // the last '@' ends the credentials
  EXPECT_EQ(socks.Host, "127.0.0.1");
  EXPECT_EQ(socks.Port, 9050);

  ASSERT_TRUE(ParseSocksUrl("socks4a://proxy.example/", socks, error));
  EXPECT_EQ(socks.Version, maillib::svSocks4A);
  EXPECT_EQ(socks.Authentication, maillib::saNoAuthentication);
  EXPECT_EQ(socks.Port, 1080);

  ASSERT_TRUE(ParseSocksUrl("socks4://[::1]:1081", socks, error));
  EXPECT_EQ(socks.Host, "::1");
  EXPECT_EQ(socks.Port, 1081);
}

TEST(SocksUrl, BadUrlsAreRefusedAndLeaveTheSettings) {
  maillib::TSocksInfo socks;
  socks.Host = "kept";
  std::string error;
  for (const char* url : {"http://h:1", "socks5:/h", "socks5://", "socks5://h:0",
                          "socks5://h:70000", "socks5://h:12x", "socks5://[::1"}) {
    EXPECT_FALSE(ParseSocksUrl(url, socks, error)) << url;
    EXPECT_FALSE(error.empty()) << url;
  }
  EXPECT_EQ(socks.Host, "kept");
}

TEST(NetOptions, NetworkOptionsAreTakenAndTheRestKeptInOrder) {
  const std::string passFile =
      (std::filesystem::temp_directory_path() / "tvmail-netoptions-pass").string();
  std::ofstream(passFile) << "s3cret\r\nsecond line\n";
  const std::vector<std::string> args = {
      "--host", "mail.example", "stat",        "--port", "995",  "--tls", "-v",
      "--user", "ann",          "--pass-file", passFile, "retr", "1"};
  NetOptions options;
  std::string error;
  ASSERT_TRUE(ParseNetOptions(args, options, error)) << error;
  std::remove(passFile.c_str());
  EXPECT_EQ(options.host, "mail.example");
  EXPECT_EQ(options.port, 995);
  EXPECT_TRUE(options.tls);
  EXPECT_TRUE(options.verbose);
  EXPECT_EQ(options.user, "ann");
  EXPECT_EQ(options.password, "s3cret");
  EXPECT_EQ(options.rest, (std::vector<std::string>{"stat", "retr", "1"}));
}

TEST(NetOptions, MissingOrBadValuesAreErrors) {
  std::string error;
  NetOptions a;
  EXPECT_FALSE(ParseNetOptions(std::vector<std::string>{"--port", "110"}, a, error));
  EXPECT_NE(error.find("--host"), std::string::npos);
  NetOptions b;
  EXPECT_FALSE(ParseNetOptions(std::vector<std::string>{"--host", "h", "--port"}, b, error));
  NetOptions c;
  EXPECT_FALSE(
      ParseNetOptions(std::vector<std::string>{"--host", "h", "--port", "0x6e"}, c, error));
  NetOptions d;
  EXPECT_FALSE(ParseNetOptions(
      std::vector<std::string>{"--host", "h", "--port", "110", "--pass-file", "/nonexistent/pw"}, d,
      error));
  EXPECT_NE(error.find("/nonexistent/pw"), std::string::npos);
}

// --timeout of `tvmail receive` and `tvmail send`: a positive whole number of milliseconds.
TEST(Timeout, OnlyPositiveWholeMillisecondsAreTaken) {
  const std::vector<std::string> args = {"--timeout", "2500", "--timeout", "0", "--timeout", "12x",
                                         "--timeout", "-5",   "--timeout"};
  std::string error;
  int ms = 0;
  std::size_t i = 0;
  ASSERT_TRUE(TakeTimeout(args, i, ms, error)) << error;
  EXPECT_EQ(ms, 2500);
  EXPECT_EQ(i, 1u);
  for (const char* bad : {"0", "12x", "-5"}) {
    ++i;
    EXPECT_FALSE(TakeTimeout(args, i, ms, error)) << bad;
    EXPECT_EQ(error, std::string("bad time-out '") + bad + "'");
  }
  ++i;
  EXPECT_FALSE(TakeTimeout(args, i, ms, error));
  EXPECT_EQ(error, "--timeout needs a value");
}

}  // namespace
}  // namespace tvmail
