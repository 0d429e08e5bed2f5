// Identifiers for outgoing mail: boundaries, Message-Id and Content-ID.
#pragma once

#include <string>
#include <string_view>

namespace maillib {

// "----=_NextPart_" + local "yymmddhhnnsszzz" + 8 random digits + "_000".
std::string MakeBoundary();
// "<rapmail." + local "yymmdd.hhnnss.zzz" + 8 random digits + "@" + domain + ">". Only letters,
// digits, '-' and '.' of the domain are kept; an empty domain is replaced by this machine's
// host name (else "localhost.localdomain") so that the id stays well-formed.
std::string MakeMessageId(std::string_view domain);
// "Attr_" + local "nnsszzz" + 4 random digits.
std::string MakeContentId();

}  // namespace maillib
