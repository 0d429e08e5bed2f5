// The contact windows' tests: a mail database in a temporary folder, message boxes answered by
// a script, and contacts put in through the address book itself.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <string>

#include "contacts/AddressBook.h"
#include "platform/ScriptedDialogs.h"
#include "tests/store/MailStore.h"

namespace contacts_test {

class ContactWindowTest : public store_test::MailStoreTest {
 protected:
  // Adds a contact and returns its ID.
  int Add(const std::string& address, const std::string& nickname, int group,
          const std::string& remark = "") {
    const contacts::Contact contact{0, address, nickname, group, remark};
    std::string error;
    EXPECT_EQ(contacts::AddContact(*db_, contact, &error), contacts::AddOutcome::Added) << error;
    store::Query last(*db_);
    last.AddLine("select max(ID) as id from Friend");
    EXPECT_TRUE(last.Open()) << last.Error();
    return last.FieldInt("id");
  }
  // The stored row with this ID as a contact (id 0 when there is none).
  contacts::Contact Stored(int id) {
    store::Query row(*db_);
    row.AddLine("select * from Friend where ID=:ID");
    row.SetInt("ID", id);
    EXPECT_TRUE(row.Open()) << row.Error();
    contacts::Contact contact;
    if (row.Eof()) return contact;
    contact.id = row.FieldInt("ID");
    contact.address = row.FieldText("QXHaoMa");
    contact.nickname = row.FieldText("NiCheng");
    contact.group = row.FieldInt("GroupName");
    contact.remark = row.FieldText("BeiZhu");
    return contact;
  }
  // The text of the last message box, "" when none was shown.
  QString LastMessage() const {
    return dialogs.asked.empty() ? QString() : dialogs.asked.back().text;
  }
  QString LastTitle() const {
    return dialogs.asked.empty() ? QString() : dialogs.asked.back().title;
  }

  platform::ScriptedDialogs dialogs;
  platform::ScopedDialogs useDialogs{&dialogs};
};

}  // namespace contacts_test
