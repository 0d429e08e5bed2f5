// What fills the compose page: new mail, reply, forward, send again, forward as attachment and
// an opened draft all come down to these fields.
#pragma once

#include <string>
#include <vector>

namespace send {

struct ComposeFields {
  std::string recipientField;  // To, then "<抄送>" Cc, then "<密送>" Bcc
  std::string subject;
  std::string sender;    // the sender selector's text
  std::string bodyHtml;  // the editor body's content
  // Full paths; the attachment bar is shown when there is one.
  std::vector<std::string> attachments;
  // Folders whose pictures the body shows and that may be sent with it (the mail folder of a
  // message replied to or forwarded); the compose page adds the pictures the user inserts.
  std::vector<std::string> pictureFolders;
  // Picture files the body shows that the user put in earlier (the pictures of a draft).
  std::vector<std::string> pictureFiles;
};

}  // namespace send
