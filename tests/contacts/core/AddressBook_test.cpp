#include "contacts/AddressBook.h"

#include <gtest/gtest.h>

#include "tests/store/MailStore.h"

namespace {

using contacts::AddContact;
using contacts::AddOutcome;
using contacts::Contact;

class AddressBookTest : public store_test::MailStoreTest {
 protected:
  int Add(const std::string& address, const std::string& nickname, int group) {
    Contact contact;
    contact.address = address;
    contact.nickname = nickname;
    contact.group = group;
    std::string error;
    EXPECT_EQ(AddContact(*db_, contact, &error), AddOutcome::Added) << address << error;
    store::Query last(*db_);
    last.AddLine("select max(ID) as id from Friend");
    EXPECT_TRUE(last.Open());
    return last.FieldInt("id");
  }
  // The index of the entry with this caption in the loaded book.
  static std::size_t IndexOf(const contacts::AddressBook& book, const std::string& caption) {
    for (std::size_t i = 0; i < book.entries.size(); ++i)
      if (book.entries[i].caption == caption) return i;
    ADD_FAILURE() << "no entry " << caption;
    return 0;
  }
};

TEST_F(AddressBookTest, DuplicatesAreRefusedOnlyWithinTheSameGroupOrAmongTheTiers) {
  Add("li@x.cn", "李", 1);
  Contact again{0, "  LI@x.cn ", "", 1, ""};
  EXPECT_EQ(AddContact(*db_, again, nullptr), AddOutcome::Duplicate);
  again.group = 2;
  EXPECT_EQ(AddContact(*db_, again, nullptr), AddOutcome::Added);
  Add("wang@x.cn", "王", 6);
  Contact tier{0, "wang@x.cn", "", 8, ""};
  EXPECT_EQ(AddContact(*db_, tier, nullptr), AddOutcome::Duplicate);
  tier.address = "   ";
  EXPECT_EQ(AddContact(*db_, tier, nullptr), AddOutcome::EmptyAddress);
  EXPECT_EQ(Count("Friend"), 3);
}

TEST_F(AddressBookTest, LoadShowsHeadersWithCountsAndTierContactsByNicknameDescending) {
  Add("a@x.cn", "甲", 2);
  Add("b@x.cn", "乙", 2);
  Add("c@x.cn", "Anna", 6);
  Add("d@x.cn", "Bob", 6);
  Add("e@x.cn", "", 7);
  ASSERT_TRUE(contacts::RenameGroup(*db_, 3, "  客户  ", nullptr));
  std::string error;
  const contacts::AddressBook book = contacts::LoadAddressBook(*db_, &error);
  ASSERT_TRUE(error.empty()) << error;
  std::vector<std::string> captions;
  for (const auto& entry : book.entries)
    captions.push_back(entry.caption);
  EXPECT_EQ(captions,
            (std::vector<std::string>{"同事组(0)", "好友组(2)", "客户(0)", "分组二(0)", "分组三(0)",
                                      "Bob(d@x.cn)", "Anna(c@x.cn)", "e@x.cn"}));
  EXPECT_EQ(book.groupAddresses[1].size(), 2u);
  EXPECT_TRUE(contacts::IsGroupHeader(book.entries[1]));
  EXPECT_EQ(book.entries[7].level, 7);
  EXPECT_EQ(contacts::LoadGroupMembers(*db_, 2).entries.size(), 2u);
}

TEST_F(AddressBookTest, CollectingAHeaderAsCcAddsEveryMemberWithAComma) {
  Add("a@x.cn", "甲", 4);  // 甲 sorts after 乙 by its bytes, so first
  Add("b@x.cn", "乙", 4);
  Add("c@x.cn", "丙", 6);
  const contacts::AddressBook book = contacts::LoadAddressBook(*db_);
  std::vector<bool> checked(book.entries.size());
  checked[IndexOf(book, "分组二(2)")] = true;
  EXPECT_EQ(contacts::Collect(book, checked, "<抄送>"), "<抄送>a@x.cn,b@x.cn,");
  checked[IndexOf(book, "丙(c@x.cn)")] = true;
  EXPECT_EQ(contacts::Collect(book, checked, ""), "a@x.cn,b@x.cn,c@x.cn,");
}

TEST_F(AddressBookTest, RecipientFieldKeepsWhatItHeldInEachPart) {
  using contacts::MergeIntoRecipientField;
  EXPECT_EQ(MergeIntoRecipientField(" old@x.cn <抄送>oc@x.cn<密送>ob@x.cn ", "n@x.cn,",
                                    "<抄送>nc@x.cn,", ""),
            "n@x.cn,old@x.cn<抄送>nc@x.cn,oc@x.cn<密送>ob@x.cn");
  EXPECT_EQ(MergeIntoRecipientField("", "", "", "<密送>nb@x.cn,"), "<密送>nb@x.cn,");
  EXPECT_EQ(MergeIntoRecipientField("<抄送> ", "n@x.cn,", "", ""), "n@x.cn,");
  EXPECT_EQ(contacts::GroupWindowRecipients("a@x.cn,b@x.cn,", "<抄送>c@x.cn,", ""),
            "a@x.cn,b@x.cn<抄送>c@x.cn,");
}

TEST_F(AddressBookTest, FindContactNeedsBothFieldsToMatchOneEntryExactly) {
  Add("zhao@x.cn", "赵", 1);
  const int qian = Add("qian@x.cn", "钱", 7);
  EXPECT_FALSE(contacts::FindContact(*db_, "zhao@x.cn", "钱", false));
  EXPECT_FALSE(contacts::FindContact(*db_, "zhao", "", false));
  EXPECT_FALSE(contacts::FindContact(*db_, " ", "", false));
  EXPECT_FALSE(contacts::FindContact(*db_, "zhao@x.cn", "", true));
  const auto found = contacts::FindContact(*db_, " qian@x.cn ", "钱", true);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->id, qian);
  EXPECT_EQ(found->group, 7);
}

TEST_F(AddressBookTest, EditingAndDeleting) {
  const int id = Add("sun@x.cn", "孙", 6);
  Add("sun@x.cn", "孙", 1);
  Add("zhou@x.cn", "周", 3);
  Add("wu@x.cn", "吴", 7);
  EXPECT_TRUE(contacts::UpdateContact(*db_, {id, "sun2@x.cn", " 孙二 ", 8, "备注"}, nullptr));
  EXPECT_EQ(Count("Friend", "QXHaoMa='sun2@x.cn' and GroupName='8' and NiCheng='孙二'"), 1);
  EXPECT_FALSE(contacts::UpdateContact(*db_, {id, " ", "", 8, ""}, nullptr));
  EXPECT_FALSE(contacts::UpdateContact(*db_, {9999, "x@x.cn", "", 8, ""}, nullptr));
  // A checked contact takes every row of its address along; a checked header its group.
  Add("sun2@x.cn", "", 2);
  contacts::AddressBook book = contacts::LoadAddressBook(*db_);
  std::vector<bool> checked(book.entries.size());
  checked[IndexOf(book, "孙二(sun2@x.cn)")] = true;
  checked[IndexOf(book, "分组一(1)")] = true;
  ASSERT_TRUE(contacts::DeleteChecked(*db_, book, checked, nullptr));
  EXPECT_EQ(Count("Friend"), 2);  // sun@x.cn in group 1 and wu@x.cn remain
  EXPECT_TRUE(contacts::DeleteContact(*db_, id + 3, nullptr));
  EXPECT_FALSE(contacts::DeleteContact(*db_, id + 3, nullptr));
}

TEST_F(AddressBookTest, DeleteCheckedThatFailsChangesNothing) {
  Add("a@x.cn", "甲", 1);
  Add("b@x.cn", "乙", 6);
  const contacts::AddressBook book = contacts::LoadAddressBook(*db_);
  // The second delete fails; the first (group 1) must come back.
  ASSERT_TRUE(
      db_->Execute("CREATE TRIGGER no_b BEFORE DELETE ON Friend WHEN old.QXHaoMa = "
                   "'b@x.cn' BEGIN SELECT RAISE(ABORT, 'locked'); END",
                   nullptr));
  std::vector<bool> checked(book.entries.size(), false);
  checked[0] = true;
  checked[IndexOf(book, "乙(b@x.cn)")] = true;
  std::string error;
  EXPECT_FALSE(contacts::DeleteChecked(*db_, book, checked, &error));
  EXPECT_NE(error.find("locked"), std::string::npos) << error;
  EXPECT_EQ(Count("Friend"), 2);
}

TEST_F(AddressBookTest, RenameWritesTheNameRowWhenItIsMissing) {
  ASSERT_TRUE(db_->Execute("DELETE FROM Rename", nullptr));
  EXPECT_EQ(contacts::GroupNames(*db_)[0], "同事组");
  ASSERT_TRUE(contacts::RenameGroup(*db_, 5, "家人", nullptr));
  const std::vector<std::string> names = contacts::GroupNames(*db_);
  EXPECT_EQ(names[4], "家人");
  EXPECT_EQ(names[1], "好友组");
  EXPECT_FALSE(contacts::RenameGroup(*db_, 6, "x", nullptr));
}

TEST(ContactFromPerson, SplitsNameAndAddress) {
  Contact c = contacts::ContactFromPerson("\"张三\" <z@a.cn>");
  EXPECT_EQ(c.nickname, "张三");
  EXPECT_EQ(c.address, "z@a.cn");
  c = contacts::ContactFromPerson("z@a.cn");
  EXPECT_EQ(c.nickname, "");
  EXPECT_EQ(c.address, "z@a.cn");
  EXPECT_EQ(contacts::ContactFromPerson("李<l@a.cn").address, "l@a.cn");
}

}  // namespace
