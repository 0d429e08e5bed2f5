#include "maillib/MailIds.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <random>
#include <thread>

#include <unistd.h>

namespace maillib {

namespace {

struct LocalNow {
  std::tm tm{};
  int millis = 0;
};

LocalNow Now() {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t t = system_clock::to_time_t(now);
  LocalNow out;
  localtime_r(&t, &out.tm);
  out.millis = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  return out;
}

// `count` decimal digits from the system's random source.
std::string RandomDigits(int count) {
  std::random_device source;
  std::uniform_int_distribution<int> digit(0, 9);
  std::string out;
  for (int i = 0; i < count; ++i)
    out.push_back(static_cast<char>('0' + digit(source)));
  return out;
}

std::string Format(const char* pattern, const LocalNow& n) {
  char buf[64];
  std::snprintf(buf, sizeof(buf), pattern, n.tm.tm_year % 100, n.tm.tm_mon + 1, n.tm.tm_mday,
                n.tm.tm_hour, n.tm.tm_min, n.tm.tm_sec, n.millis);
  return buf;
}

// The characters of a domain name that may stand in a Message-Id; the rest is dropped.
std::string DomainChars(std::string_view text) {
  std::string out;
  for (char c : text) {
    const bool letterOrDigit =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (letterOrDigit || c == '-' || c == '.') out.push_back(c);
  }
  const std::size_t first = out.find_first_not_of('.');
  if (first == std::string::npos) return {};
  const std::size_t last = out.find_last_not_of('.');
  return out.substr(first, last - first + 1);
}

std::string HostName() {
  char buf[256] = {};
  if (gethostname(buf, sizeof(buf) - 1) != 0) return {};
  return DomainChars(buf);
}

}  // namespace

std::string MakeBoundary() {
  return "----=_NextPart_" + Format("%02d%02d%02d%02d%02d%02d%03d", Now()) + RandomDigits(8) +
         "_000";
}

std::string MakeMessageId(std::string_view domain) {
  std::string host = DomainChars(domain);
  if (host.empty()) host = HostName();
  if (host.empty()) host = "localhost.localdomain";
  return "<rapmail." + Format("%02d%02d%02d.%02d%02d%02d.%03d", Now()) + RandomDigits(8) + "@" +
         host + ">";
}

std::string MakeContentId() {
  // A millisecond apart, two ids made in a row never share their time part.
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
  LocalNow n = Now();
  char buf[16];
  std::snprintf(buf, sizeof(buf), "%02d%02d%03d", n.tm.tm_min, n.tm.tm_sec, n.millis);
  return "Attr_" + std::string(buf) + RandomDigits(4);
}

}  // namespace maillib
