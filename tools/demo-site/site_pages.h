// The texts the site answers with: JSON for boards and searches, small HTML
// pages for people, the version text. Pure functions of the data they are given.
#pragma once

#include <string>
#include <vector>

#include "demo_site.h"

namespace demosite {

// {"board":{"board_id":..,"title":..,"pin_count":N,"user":{..},..}}. Clients cut
// the title and the count out of the text, so "title" must be the first key of
// that name and pin_count must be followed by a comma. A private board shows
// its title but no pins to a visitor who is not signed in.
std::string BoardAnswerJson(const Board& board, bool signedIn);

// {"board":{"board_id":..,"pins":[..]}}: the pins after the one whose id is
// maxPinId (from the start when it is empty), at most min(limit, pageLimit).
std::string BoardPageJson(const Board& board, bool signedIn, const std::string& maxPinId,
                          int limit);

// {"query":{"text":..,"total":N},"pins":[]}: clients cut the text up to `",`
// and the total up to `},`, hence this order. The text is escaped as JSON
// unless rawText; total is the number's text as sent.
std::string SearchAnswerJson(const std::string& text, bool rawText, const std::string& total);

// {"pins":[..]}: page (from 1) of perPage pins; pages listed in emptyPages and
// pages beyond the end have none. search may be null (nothing found).
std::string SearchPageJson(const Search* search, int page, int perPage);

std::string NotFoundJson(const std::string& what);

// text as a JSON string, quotes included; bytes that are not UTF-8 become U+FFFD.
std::string JsonText(const std::string& text);

// JSON that no parser accepts and that carries none of the markers clients
// look for.
std::string MalformedJson();

// What a picture answer holds when it is not a picture: a JSON error, a line
// of text, or an error page.
std::string ImposterBody(Fault::Imposter imposter);

std::string IndexHtml(const std::vector<Board>& boards, const std::vector<Search>& searches);
std::string LoginFormHtml(const std::string& message);
std::string SignedInHtml(const std::string& username);
std::string FeedbackHtml(bool thanked);
std::string VersionText();

}  // namespace demosite
