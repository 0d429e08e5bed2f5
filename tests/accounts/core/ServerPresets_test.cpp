// The server preset file: parsing, the placeholders for what is missing, and the shipped file.
#include "accounts/ServerPresets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "maillib/ServerField.h"
#include "tests/store/TempFolder.h"

namespace {

using accounts::PresetHosts;
using accounts::ReadPresetHosts;

class ServerPresetsTest : public ::testing::Test {
 protected:
  PresetHosts Read(const std::string& text, const std::string& domain) {
    store_test::WriteFileBytes(path_, text);
    PresetHosts hosts;
    EXPECT_TRUE(ReadPresetHosts(path_, domain, &hosts));
    return hosts;
  }

  store_test::TempFolder folder_;
  std::string path_ = folder_.File("POPSmtp.ini");
};

TEST_F(ServerPresetsTest, ReadsTheDomainsSectionWithCommentsBlanksAndCrLf) {
  const std::string text =
      "\xEF\xBB\xBF; presets\r\n"
      "# another comment\r\n"
      "\r\n"
      "[163.com]\r\n"
      "pop3=pop.163.com\r\n"
      "smtp=smtp.163.com\r\n"
      "  [ qq.com ]  \r\n"
      ";pop3=commented.out\r\n"
      "  POP3 =  pop.qq.com:995 \r\n"
      "Smtp\t=\tsmtp.qq.com:465\r\n"
      "smtp=second.value\r\n";
  PresetHosts hosts = Read(text, "qq.com");
  EXPECT_EQ(hosts.pop3, "pop.qq.com:995");
  EXPECT_EQ(hosts.smtp, "smtp.qq.com:465");
  hosts = Read(text, "163.com");
  EXPECT_EQ(hosts.pop3, "pop.163.com");
  EXPECT_EQ(hosts.smtp, "smtp.163.com");
}

TEST_F(ServerPresetsTest, MissingFileSectionKeyOrValueGivesThePlaceholders) {
  PresetHosts hosts;
  ASSERT_TRUE(ReadPresetHosts(folder_.File("absent.ini"), "qq.com", &hosts));
  EXPECT_EQ(hosts.pop3, accounts::kPlaceholderPop);
  EXPECT_EQ(hosts.smtp, accounts::kPlaceholderSmtp);

  const std::string text = "[qq.com]\nsmtp=smtp.qq.com\n[126.com]\npop3=\nsmtp=smtp.126.com\n";
  hosts = Read(text, "qq.com");
  EXPECT_EQ(hosts.pop3, accounts::kPlaceholderPop);
  EXPECT_EQ(hosts.smtp, "smtp.qq.com");
  EXPECT_EQ(Read(text, "126.com").pop3, accounts::kPlaceholderPop);
  EXPECT_EQ(Read(text, "QQ.com").smtp, accounts::kPlaceholderSmtp);  // names match exactly
  EXPECT_EQ(Read(text, accounts::kOtherDomain).smtp, accounts::kPlaceholderSmtp);
}

TEST_F(ServerPresetsTest, KeysOutsideTheSectionDoNotCount) {
  const PresetHosts hosts = Read("pop3=top.level\n[a.cn]\n[b.cn]\npop3=pop.b.cn\n", "a.cn");
  EXPECT_EQ(hosts.pop3, accounts::kPlaceholderPop);
}

TEST_F(ServerPresetsTest, AFileThatCannotBeReadIsAFailure) {
  std::filesystem::create_directory(path_);
  PresetHosts hosts;
  EXPECT_FALSE(ReadPresetHosts(path_, "qq.com", &hosts));
}

TEST(ShippedPresets, EveryOfferedDomainHasBothHosts) {
  const std::vector<std::string> domains = accounts::DomainChoices();
  ASSERT_EQ(domains.size(), 12u);
  EXPECT_EQ(domains.back(), accounts::kOtherDomain);
  const std::string path = std::string(TENVEL_SOURCE_DIR) + "/resources/POPSmtp.ini";
  for (std::size_t i = 0; i + 1 < domains.size(); ++i) {
    PresetHosts hosts;
    ASSERT_TRUE(ReadPresetHosts(path, domains[i], &hosts));
    EXPECT_NE(hosts.pop3, accounts::kPlaceholderPop) << domains[i];
    EXPECT_NE(hosts.smtp, accounts::kPlaceholderSmtp) << domains[i];
    // Every preset names its port: without one the editor's account would log in on 110 or
    // 25, in plain text where the provider offers no upgrade.
    const maillib::ServerEndpoint pop = maillib::ParseServerField(hosts.pop3, 0, false);
    const maillib::ServerEndpoint smtp = maillib::ParseServerField(hosts.smtp, 0, false);
    EXPECT_EQ(pop.Port, 995) << domains[i] << " " << hosts.pop3;
    EXPECT_TRUE(smtp.Port == 465 || smtp.Port == 587) << domains[i] << " " << hosts.smtp;
  }
  PresetHosts outlook;
  ASSERT_TRUE(ReadPresetHosts(path, "outlook.com", &outlook));
  EXPECT_EQ(outlook.pop3, "outlook.office365.com:995");
  EXPECT_EQ(outlook.smtp, "smtp-mail.outlook.com:587");
  EXPECT_FALSE(maillib::ParseServerField(outlook.smtp, 25, false).Tls);  // STARTTLS, not 465
  PresetHosts gmail;
  ASSERT_TRUE(ReadPresetHosts(path, "gmail.com", &gmail));
  EXPECT_TRUE(maillib::ParseServerField(gmail.pop3, 110, false).Tls);
  EXPECT_TRUE(maillib::ParseServerField(gmail.smtp, 25, false).Tls);
}

}  // namespace
