// The pieces test messages are made of: header words in a charset (RFC 2047 and RFC 2231),
// Base64 bodies, dates, and MIME parts (each its Content-Type lines, an empty line, the body).
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

#include "tests/integration/ReceiveMessages.h"

namespace integration {

// An RFC 2047 word: encoding 'B' (base64) or 'Q' (quoted-printable style).
std::string EncodedWord(const std::string& utf8, const std::string& charset, char encoding);
// RFC 2231 value: UTF-8''%XX...
std::string ExtendedValue(const std::string& utf8);
// The bytes in Base64 lines of 76 characters, each with CR LF.
std::string Base64Body(const std::string& bytes);
// Bytes that use every value, different per seed; a picture is the same behind a PNG signature.
std::string BinaryBytes(int seed, std::size_t size);
std::string PictureBytes(int seed, std::size_t size);
// "Tue, 05 Mar 2024 14:07:00 +0000"
std::string DateHeader(std::time_t when);

// A text part in the charset, Base64 encoded.
std::string TextPart(const std::string& subtype, const std::string& utf8,
                     const std::string& charset);
// A plain UTF-8 text part sent as it is ("8bit"): `text` holds its lines with CR LF.
std::string RawTextPart(const std::string& text);
std::string Multipart(const std::string& subtype, const std::string& boundary,
                      const std::vector<std::string>& parts);
// An attachment whose name is an RFC 2047 word (rfc2231 false) or an RFC 2231 value.
std::string AttachmentPart(const ExpectedFile& file, bool rfc2231, const std::string& charset);
std::string InlinePart(const ExpectedFile& file, const std::string& cid);

// The whole message: the header lines the message's fields give (From, To, Cc when it has a Cc
// address, the subject header as given unless empty, Date when dated, Message-ID), then `body`.
std::string AssembleMessage(const LoadedMessage& m, const std::string& subjectHeader,
                            const std::string& body, const std::string& to);

}  // namespace integration
