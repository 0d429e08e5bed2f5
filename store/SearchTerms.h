// The terms of the mail search index and the index queries for a searched text.
//
// A message's text is cut into trigrams, every three consecutive characters, and each trigram
// is written as one token for FTS5's 'ascii' tokenizer, which keeps every byte of a non-ASCII
// character as it is and splits at ASCII characters other than letters and digits. So ASCII
// characters are written as token characters: A-Z as a-z (the search ignores Latin case),
// a-y and 0-9 as they are, 'z' as "zz" and any other ASCII character as 'z' and two base-36
// digits of its code. No character's writing begins another's, so the writing of a trigram's
// first one or two characters is a prefix of the token, and FTS5's prefix query finds every
// message holding a text of one or two characters. Two line breaks close the text, so its last
// characters begin trigrams too. No Qt here.
#pragma once

#include <string>
#include <string_view>

namespace store {

// The tokens of the text, separated by spaces.
std::string SearchTermsOf(std::string_view text);

// The FTS5 query for messages that may hold the needle (given with A-Z folded to a-z): one or
// two characters are a prefix query, more are all of its trigrams, all required. Empty for an
// empty needle. The query finds every message holding the needle; for more than three
// characters also the few that hold its trigrams apart.
std::string SearchTermQuery(std::string_view needle);

}  // namespace store
