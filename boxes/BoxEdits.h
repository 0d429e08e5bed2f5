#pragma once
// The small edits of a box list's rows: the read state, the two labels, reading a draft or a
// note for the compose page, and deleting notes. Each is one statement on the box's table,
// addressed by the row's ID.

#include <string>
#include <vector>

#include "boxes/BoxKind.h"
#include "boxes/BoxRows.h"
#include "boxes/DraftOpen.h"

namespace store {
class Database;
}

namespace boxes {

// An unread inbox row becomes read ("MailUn" to "Mailed"). *changed tells whether the row was
// unread; a row of another kind, or one gone since the fill, is left alone. False with *error
// set when a statement fails.
bool MarkRead(store::Database& mail, Box box, int id, bool* changed, std::string* error);

enum class Label { Red = 0, Blue = 1, None = 2 };  // 加标签1, 加标签2, 取消标签

// Writes the label ("MarkRed", "MarkBlue", or a single blank for none) into the row.
bool SetLabel(store::Database& mail, Box box, int id, Label label, std::string* error);

// The list image a row shows for the label.
RowImage LabelImage(Label label);

// The compose page's fields of the draft with this ID. False when there is no such draft
// (error empty) or the read failed (*error set).
bool ReadDraft(store::Database& mail, int id, const std::string& mailFileFolder,
               DraftFields* fields, std::string* error);

// The compose page's fields of the note with this ID: its body, attachments and subject as a
// draft's, its trimmed Sender, and never any recipients. False as ReadDraft.
bool ReadNote(store::Database& mail, int id, const std::string& mailFileFolder, DraftFields* fields,
              std::string* error);

// Removes the notes of these IDs for good, all in one transaction: on a failure every note is
// still there. A note names only the user's own files, which stay.
bool DeleteNotes(store::Database& mail, const std::vector<int>& ids, std::string* error);

}  // namespace boxes
