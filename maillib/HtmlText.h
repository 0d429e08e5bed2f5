// The readable text of an HTML body, for the text/plain part of an outgoing message.
#pragma once

#include <string>
#include <string_view>

namespace maillib {

// The text of the HTML as a reader sees it: tags removed, script, style, head and comments
// dropped, entities decoded (named ones of common use, &#NNN; and &#xHH;), runs of blanks
// and line breaks of the source read as one blank (kept as written inside <pre>), and <br>,
// <p>, <div>, <li>, <tr>, <h1>.. and <blockquote> as line breaks, table cells apart. Lines are
// joined with CR LF, without trailing blanks and without more than one empty line in a row; empty
// lines at the start and the end are dropped.
std::string HtmlToText(std::string_view html);

}  // namespace maillib
