#pragma once

// Server to client: the builders of the nine message texts (the server's side) and the reader that
// turns one message body into an `stMsg` (the client's and the bots' side).
//
// Every scalar member travels as a JSON string, numbers as decimal text; "info" is an array of four
// objects, one per seat. Texts are written with JsonBytes::Verbatim, so they arrive byte for byte.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "protocol/Message.h"

// Card list text: the codes joined by ",".
std::string cardListText(const std::vector<int>& cards);

std::string queryMessage(std::size_t online, const std::string& version);
std::string addMessage(int desk, int site, const std::string& name);
// Each seat's name and ready.
std::string changeMessage(const std::array<st_seat_info, 4>& seats);
std::string startMessage(const std::vector<int>& cards);
// per / now are -1 when none; surplus is the text of per's remaining card count (empty when per is -1).
std::string gameMessage(int per, const std::vector<int>& cards, const std::string& surplus, int now,
                        int score, int must);
std::string scoreMessage(int p0, int p1);
// Each seat's name and result.
std::string overMessage(const std::array<st_seat_info, 4>& seats);
std::string runMessage(int site, const std::string& name);
std::string timeoutMessage();

// Outcome of reading one frame body.
enum class ReadResult {
    Ok,           // `out` holds the message
    ParseError,   // not one valid JSON document (trailing text and a NUL byte included)
    SchemaError,  // valid JSON, but not a message: root not an object, "opt" missing or not a
                  // string, a member the opt needs missing or not a string, "info" not an array of
                  // at least four objects with their members
};

// Reads one body into `out`, which is reset to the defaults first. Parsing is iterative, so the
// depth of the document never reaches the call stack. When an object has a member twice, the first
// one counts; number texts are converted with `numberFromText`; "info" is read by position and
// elements after the fourth are ignored. An unknown opt gives a record with only `opt` set.
// The version check is the caller's (see `isVersionRejected`).
ReadResult readServerMessage(const char* body, std::size_t size, stMsg& out);
inline ReadResult readServerMessage(const std::string& body, stMsg& out) {
    return readServerMessage(body.data(), body.size(), out);
}

// True for a "query" reply whose version is anything but exactly kClientVersion.
bool isVersionRejected(const stMsg& msg);

// The box text shown when the server refuses this client's version.
std::string versionRejectedText();

// atoi's reading of a number text: optional leading white space, an optional sign, then decimal
// digits up to the first other character; 0 when there are no digits. Values beyond the range of
// int are clamped to INT_MIN / INT_MAX instead of overflowing.
int numberFromText(const char* text);
