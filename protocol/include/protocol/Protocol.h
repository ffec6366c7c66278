#pragma once

// The wire protocol between the client and the game server: the frame layout, the reader that turns
// one server message into an `stMsg`, and the builders of the seven request texts. Pure code: no
// engine, no sockets, so the server and its bots can use it too.
//
// Frame: a 4-byte little-endian unsigned length, then that many bytes of JSON text. See
// docs/protocol.md for every message.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/Frame.h"
#include "protocol/Message.h"
#include "protocol/Version.h"

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

// `text` as a JSON string literal, quotes included: '"', '\\' and control characters escaped, bytes
// that are not valid UTF-8 replaced by U+FFFD, so the result is always valid JSON.
std::string jsonQuote(const std::string& text);
