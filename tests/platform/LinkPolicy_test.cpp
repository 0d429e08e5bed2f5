// The rules of the mail views, without a window: which files a page may load and where a
// clicked link goes.

#include "platform/LinkPolicy.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <filesystem>

#include "platform/Shell.h"

namespace {

namespace fs = std::filesystem;
using platform::ActionForLink;
using platform::IsBelowFolder;
using platform::LinkAction;
using platform::MayLoad;

TEST(LinkAction, WebAndMailAddressesGoOutEverythingElseStays) {
  struct Case {
    const char* url;
    LinkAction action;
  };
  const Case cases[] = {
      {"http://example.org/a", LinkAction::Browser},
      {"https://example.org/a?b=c#d", LinkAction::Browser},
      {"HTTPS://EXAMPLE.ORG/", LinkAction::Browser},
      {"mailto:someone@example.org", LinkAction::Mailer},
      {"MailTo:someone@example.org?subject=hi", LinkAction::Mailer},
      {"file:///etc/passwd", LinkAction::None},
      {"javascript:alert(1)", LinkAction::None},
      {"ftp://example.org/f", LinkAction::None},
      {"data:text/html,<p>x</p>", LinkAction::None},
      {"tenvel:open", LinkAction::None},
      {"other.htm", LinkAction::None},
      {"http:///no-host", LinkAction::None},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ActionForLink(QUrl(QString::fromLatin1(c.url))), c.action) << c.url;
  }
}

// root/abc is the message folder; root/abcd a sibling whose name starts with the same letters.
class FolderRule : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    root_ = fs::path(dir_.path().toStdString());
    fs::create_directories(root_ / "abc" / "sub");
    fs::create_directories(root_ / "abcd");
    Touch(root_ / "abc" / "in.png");
    Touch(root_ / "abc" / "pic one.png");
    Touch(root_ / "abc" / "sub" / "deep.png");
    Touch(root_ / "abcd" / "secret.png");
    Touch(root_ / "outside.png");
    fs::create_symlink(root_ / "outside.png", root_ / "abc" / "escape.png");
    fs::create_directory_symlink(root_ / "abcd", root_ / "abc" / "escape-dir");
    fs::create_symlink(root_ / "abc" / "in.png", root_ / "abc" / "alias.png");
    fs::create_directory_symlink(root_ / "abc", root_ / "abc-link");
  }
  static void Touch(const fs::path& p) {
    QFile f(QString::fromStdString(p.string()));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
  }
  fs::path Folder() const { return root_ / "abc"; }
  QString FolderText() const { return QString::fromStdString(Folder().string()); }
  QUrl FileUrl(const std::string& rest) const {
    return QUrl(QStringLiteral("file://") + QString::fromStdString(root_.string() + rest));
  }

  QTemporaryDir dir_;
  fs::path root_;
};

TEST_F(FolderRule, FilesInsideTheFolderAndItsSubFoldersAreBelowIt) {
  EXPECT_TRUE(IsBelowFolder(Folder() / "in.png", Folder()));
  EXPECT_TRUE(IsBelowFolder(Folder() / "sub" / "deep.png", Folder()));
  EXPECT_TRUE(IsBelowFolder(Folder() / "sub" / ".." / "in.png", Folder()));
  EXPECT_TRUE(IsBelowFolder(Folder() / "not-yet-written.png", Folder()));
  EXPECT_TRUE(IsBelowFolder(Folder() / "alias.png", Folder()));  // a link that stays inside
  EXPECT_TRUE(IsBelowFolder(Folder() / "in.png", root_ / "abc/"));
  // The folder named through a link: the real names are compared.
  EXPECT_TRUE(IsBelowFolder(Folder() / "in.png", root_ / "abc-link"));
  EXPECT_TRUE(IsBelowFolder(root_ / "abc-link" / "in.png", Folder()));
}

TEST_F(FolderRule, EscapesAreNotBelowIt) {
  EXPECT_FALSE(IsBelowFolder(Folder() / ".." / "outside.png", Folder()));
  EXPECT_FALSE(IsBelowFolder(Folder() / "sub" / ".." / ".." / "outside.png", Folder()));
  EXPECT_FALSE(IsBelowFolder(Folder() / ".." / "abcd" / "secret.png", Folder()));
  EXPECT_FALSE(IsBelowFolder(root_ / "abcd" / "secret.png", Folder()));
  EXPECT_FALSE(IsBelowFolder(Folder() / "escape.png", Folder()));
  EXPECT_FALSE(IsBelowFolder(Folder() / "escape-dir" / "secret.png", Folder()));
  EXPECT_FALSE(IsBelowFolder(Folder(), Folder()));
  EXPECT_FALSE(IsBelowFolder(Folder() / ".", Folder()));
  EXPECT_FALSE(IsBelowFolder("/etc/passwd", Folder()));
  // Names differ in case: another folder on this file system.
  EXPECT_FALSE(IsBelowFolder(root_ / "ABC" / "in.png", Folder()));
  EXPECT_FALSE(IsBelowFolder(root_ / "abc" / "in.png", root_ / "ABC"));
  EXPECT_FALSE(IsBelowFolder("abc/in.png", Folder()));
  EXPECT_FALSE(IsBelowFolder(Folder() / "in.png", "abc"));
  EXPECT_FALSE(IsBelowFolder(Folder() / "in.png", fs::path()));
  std::string withNul = (Folder() / "in.png").string();
  withNul.insert(withNul.size() - 6, 1, '\0');
  EXPECT_FALSE(IsBelowFolder(fs::path(withNul), Folder()));
}

TEST_F(FolderRule, FileAddressesAreDecodedBeforeTheyAreChecked) {
  EXPECT_TRUE(MayLoad(FileUrl("/abc/in.png"), FolderText()));
  EXPECT_TRUE(MayLoad(FileUrl("/abc/pic%20one.png"), FolderText()));
  EXPECT_TRUE(MayLoad(FileUrl("/abc/sub%2Fdeep.png"), FolderText()));
  EXPECT_TRUE(
      MayLoad(QUrl(QStringLiteral("FILE://localhost") + FolderText() + "/in.png"), FolderText()));
  EXPECT_FALSE(MayLoad(FileUrl("/abc/%2e%2e/outside.png"), FolderText()));
  EXPECT_FALSE(MayLoad(FileUrl("/abc/%2E%2E%2Foutside.png"), FolderText()));
  EXPECT_FALSE(MayLoad(FileUrl("/abc%2F..%2Fabcd/secret.png"), FolderText()));
  EXPECT_FALSE(MayLoad(FileUrl("/abcd/secret.png"), FolderText()));
  EXPECT_FALSE(MayLoad(FileUrl("/abc/escape.png"), FolderText()));
  EXPECT_FALSE(MayLoad(FileUrl("/abc/in%00.png"), FolderText()));
  EXPECT_FALSE(
      MayLoad(QUrl(QStringLiteral("file://otherhost") + FolderText() + "/in.png"), FolderText()));
}

TEST_F(FolderRule, InlineContentLoadsAndTheNetworkNever) {
  for (const QString& folder : {FolderText(), QString()}) {
    EXPECT_TRUE(MayLoad(QUrl("data:image/png;base64,iVBORw0KGgo="), folder));
    EXPECT_TRUE(MayLoad(QUrl("about:blank"), folder));
    EXPECT_TRUE(MayLoad(QUrl("about:srcdoc"), folder));
    EXPECT_TRUE(MayLoad(QUrl("qrc:/icons/app.png"), folder));
    EXPECT_FALSE(MayLoad(QUrl("about:config"), folder));
    for (const char* remote : {"http://127.0.0.1:9/x.png", "https://127.0.0.1:9/x.png",
                               "ftp://127.0.0.1/x.png", "cid:part1@mail", "tenvel:x"}) {
      EXPECT_FALSE(MayLoad(QUrl(QString::fromLatin1(remote)), folder)) << remote;
    }
  }
  // Without a folder no file at all.
  EXPECT_FALSE(MayLoad(FileUrl("/abc/in.png"), QString()));
}

TEST(UrlOpener, ReplacedOpenerTakesEveryAddressAndIsRestored) {
  std::vector<QUrl> seen;
  platform::UrlOpener previous = platform::SetUrlOpener([&seen](const QUrl& url) {
    seen.push_back(url);
    return url.scheme() == QLatin1String("mailto");
  });
  EXPECT_TRUE(platform::OpenExternalUrl(QUrl("mailto:a@example.org")));
  EXPECT_FALSE(platform::OpenExternalUrl(QUrl("https://example.org/")));
  platform::UrlOpener mine = platform::SetUrlOpener(previous);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1], QUrl("https://example.org/"));
  ASSERT_TRUE(mine);  // what SetUrlOpener handed back is the opener it replaced
  EXPECT_FALSE(mine(QUrl("https://example.org/b")));
  EXPECT_EQ(seen.size(), 3u);
}

}  // namespace
