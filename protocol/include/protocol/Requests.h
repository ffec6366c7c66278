#pragma once

// Client to server: the builders of the seven request texts (the client's and the bots' side) and
// the reader of one request body (the server's side).

#include <cstddef>
#include <string>
#include <vector>

// Request texts, byte for byte as the server expects them (no white space, numbers in decimal).
std::string makeQueryRequest();
std::string makeAddRequest();
std::string makeReadyRequest(int desk, int site);
std::string makeLeaveRequest(int desk, int site);
// Every code is followed by ",", so one card reads "8," and no cards read "" (the same as a pass).
std::string makePlayRequest(int desk, int site, const std::vector<int>& codes);
std::string makePassRequest(int desk, int site);
// The one code alone, with no "," after it.
std::string makeAutoLeadRequest(int desk, int site, int code);

enum class RequestKind { Query, Add, Ready, Leave, Play, Other };

// One request as the server reads it.
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

// Reads a body. Numbers must be JSON integers; card lists must be decimal codes of the deck
// separated by "," (a trailing "," allowed), at most a hand's worth; anything else makes the request
// Ignored rather than guessing a code from it. A NUL byte anywhere makes the body NotJson; a complete
// UTF-8 byte order mark before the document is skipped.
ParseOutcome parseRequest(const char* data, std::size_t size, Request& out);

// The strict card list reader used above: false for a piece that is not a card code.
bool parseStrictCardList(const std::string& text, std::vector<int>& out);
