// Content-Type / Content-Disposition parameters, including RFC 2231 (name*=, name*0*=, ...).
#pragma once

#include <string>
#include <string_view>

namespace maillib {

// The value of parameter `name` (case-insensitive, without '=' or '*') in a header field value
// or whole header line, decoded to UTF-8: quoted strings unquoted, RFC 2231 continuations
// joined and charset'lang'%XX decoded, RFC 2047 words decoded, undeclared 8-bit text read with
// defaultCharset. Empty when the parameter is absent.
std::string DecodeParam(std::string_view field, std::string_view name,
                        std::string_view defaultCharset = "");
// True when the header field value or line has the parameter (plain or RFC 2231 form).
bool HasParam(std::string_view field, std::string_view name);

}  // namespace maillib
