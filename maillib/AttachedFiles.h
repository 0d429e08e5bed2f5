// Attachments and inline files of a message: one item per MIME part or file on disk, and the
// collection that keeps them with unique save names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "maillib/MailTypes.h"

namespace maillib {

// The header of one MIME part, as read by the parser. Upper-case fields are noted.
struct TSubHeaderInfo {
  std::string FileName;                          // filename of Content-Disposition, decoded
  std::string Name;                              // name of Content-Type, decoded
  std::string ContentTransferEncoding = "7BIT";  // upper-case
  std::string ContentID;                         // without angle brackets; else Content-Location
  std::string ContentType = "TEXT/PLAIN";        // upper-case, without parameters
  std::string CharSet;                           // upper-case; default: the message charset
  std::string Boundary;
  std::string Disposition;  // upper-case, without parameters
  std::string ContentLocation;
};

// The bytes of body lines in a transfer encoding: "BASE64", "QUOTED-PRINTABLE" (or any name
// holding both QUOTED and PRINTABLE), "X-UUENCODE"; anything else gives the lines joined by CR LF.
std::string DecodeTransferEncoding(const StringList& lines, std::string_view encoding);

// One attachment or inline file. `Lines` hold the body in its transfer encoding.
class TAttachedFile {
 public:
  StringList Lines;       // encoded body lines (as received, or base64 made by EncodeFromFile)
  std::int64_t Size = 0;  // bytes (decoded size; estimated from the lines when received)
  std::string Name;       // display and file name
  std::string FileName;   // path to read from, or the last saved name
  std::string ContentTransferEncoding;  // upper-case for received parts ("BASE64", ...)
  std::string ContentID;
  std::string ContentType;
  std::string CharSet;
  std::string Boundary;
  std::string Disposition;
  std::string ContentLocation;
  std::string SourcePath;  // second path tried by EncodeFromFile

  // The name to save the item under: FileName, Name, ContentID or "Default.<subtype>", reduced
  // to its file-name part and made safe. Also fills `Size` when it is still 0.
  std::string FileNameForSave();
  // Decodes the body and writes it to `path`. `dropJunkLines` removes padded junk lines at the
  // end of a long base64 body. False when the file cannot be written.
  bool SaveToFile(const std::string& path, bool dropJunkLines = false) const;
  // The decoded body bytes (base64, quoted-printable, uuencode or raw; HZ text decoded).
  std::string DecodedBytes() const;
  // The decoded body split into lines, replacing the contents of `target`.
  void DecodeToLines(StringList& target) const;
  // Reads FileName (or SourcePath when FileName does not exist) into `Lines` as base64 and sets
  // the encoding to "BASE64". False (lines unchanged) when neither file can be read.
  bool EncodeFromFile();
  // Sets Name and FileName.
  void SetName(const std::string& name);
  void SetContentId(const std::string& contentId) { ContentID = contentId; }
};

// An ordered collection of attached files. References returned by the Add functions stay valid
// until the next Add or Delete. Names are made unique against the save names the items had when
// they were added (kept in a count table, so adding n items costs time linear in n).
class TAttachedFiles {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  TAttachedFile& operator[](int index) { return items_.at(static_cast<std::size_t>(index)); }
  const TAttachedFile& operator[](int index) const {
    return items_.at(static_cast<std::size_t>(index));
  }
  std::vector<TAttachedFile>::iterator begin() { return items_.begin(); }
  std::vector<TAttachedFile>::iterator end() { return items_.end(); }
  std::vector<TAttachedFile>::const_iterator begin() const { return items_.begin(); }
  std::vector<TAttachedFile>::const_iterator end() const { return items_.end(); }

  // Adds an empty item.
  TAttachedFile& Add();
  // Adds an item for a file on disk. `size` 0 takes the file's size when the file exists. The
  // name is the safe file-name part of the path, made unique among the items ("a(1).txt").
  TAttachedFile& AddFile(const std::string& path, std::int64_t size = 0);
  // Adds an item for a parsed part and copies the part's header fields into it.
  TAttachedFile& AddFromPart(const TSubHeaderInfo& info);
  void Delete(int index);
  void Clear() {
    items_.clear();
    savedNames_.clear();
    takenNames_.clear();
  }

 private:
  bool HasSaveName(const std::string& name) const;
  std::string UniqueName(const std::string& name) const;
  TAttachedFile& AddNamed(const std::string& name);
  // Records the save name of the item just added (its fields filled).
  void TakeName(const TAttachedFile& item);

  std::vector<TAttachedFile> items_;
  StringList savedNames_;  // upper-cased save name of each item when it was added
  std::unordered_map<std::string, int> takenNames_;  // how many items hold each of them
};

}  // namespace maillib
