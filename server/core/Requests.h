// Reading one request body that a client sent.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace hallserver {

enum class RequestKind { Query, Add, Ready, Leave, Play, Other };

struct Request {
    RequestKind kind = RequestKind::Other;
    int desk = -1;
    int site = -1;
    std::vector<int> cards;  // Play: empty for a pass, else the codes as sent
};

enum class ParseOutcome {
    Ok,       // a request we know, with every member it needs
    NotJson,  // not one valid JSON document: the connection is closed
    Ignored,  // valid JSON that is not a usable request (unknown opt, missing or mistyped members)
};

// Reads a body. Card lists must be decimal codes 0..53 separated by "," (a trailing "," allowed);
// anything else makes the request Ignored rather than guessing a code from it.
ParseOutcome parseRequest(const char* data, std::size_t size, Request& out);

// The strict card list reader used above: false for a piece that is not a card code.
bool parseStrictCardList(const std::string& text, std::vector<int>& out);

}  // namespace hallserver
