#pragma once
// The files of stored messages on the disk: which sub-folders of the mail-file folder (DB/EMF)
// hold the files of a received message, and a free name for a copy saved into a folder.
// Plain C++ without Qt.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace boxes {

// The columns of a message row that name its files, trimmed as stored.
struct MessageFolderColumns {
  std::string fujian;      // "S" received, "F" written here
  std::string fuJianPath;  // star list: "/sub/name*" for received mail, full paths for "F"
  std::string filePath;    // "/sub" of the embedded pictures, or "NOHAVEExtractFile"
  std::string mailFolder;  // "/sub" of the raw message, the page file and every other file
};

// The folder below mailFileFolder that a name relative to it stands for ("/sub", "sub/x"):
// mailFileFolder (normalised, no trailing "/") + "/" + the name's parts. Empty when the name
// has no part, a "." or ".." part, or starts with TemFile, so nothing but a message's own
// sub-folder (or one below it) ever comes out.
std::string MailFileSubFolder(const std::string& mailFileFolder, std::string_view relative);

// The folder holding one attachment entry of a received message ("/sub/report.pdf" gives
// mailFileFolder + "/sub"), checked as MailFileSubFolder; empty for a file directly in the
// mail-file folder.
std::string AttachmentEntryFolder(const std::string& mailFileFolder, std::string_view entry);

// Every folder that holds files of these messages: of each received message ("S") its
// MailFolder, its FilePath folder and the folder of each attachment entry. Each folder comes
// once, and none that lies inside another of the list (removing the outer one takes it along).
// Mail written here gives none: its attachments are the user's own files. Names that
// MailFileSubFolder refuses give no folder, so a damaged row never reaches the mail-file
// folder, its TemFile folder or anything outside. Whether the folders exist is not looked at.
std::vector<std::string> MessageFolders(const std::string& mailFileFolder,
                                        std::span<const MessageFolderColumns> messages);
std::vector<std::string> MessageFolders(const std::string& mailFileFolder,
                                        const MessageFolderColumns& message);

// A name for a new file in folder that nothing there has yet (not even a dangling link):
// fileName itself, else the number before the extension, "报告(1).pdf", "报告(2).pdf", ...; a
// name without an extension or a dot-file gets it at the end ("name(1)", ".bashrc(1)"). Names
// are shortened to fit the file system. Empty when the first maxNumber numbers are all taken.
std::string FreeFileName(const std::string& folder, const std::string& fileName,
                         int maxNumber = 9999);

}  // namespace boxes
