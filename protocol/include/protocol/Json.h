#pragma once

// The one writer of JSON string literals, for both directions and the client's own output.

#include <string>

// What the writer does with a byte that JSON does not require to be escaped, but that is not
// printable UTF-8: DEL (0x7F), and any byte that is not part of a valid UTF-8 sequence.
enum class JsonBytes {
    // Copied as it is, so that the reader gets the text back byte for byte. Server messages are
    // written so: a name reaches the client exactly as the server holds it, whatever its encoding.
    Verbatim,
    // DEL escaped and each byte outside a valid UTF-8 sequence replaced by U+FFFD, so that the
    // result is always valid, printable JSON. The client's trace lines are written so.
    Printable,
};

// Appends `text` as a JSON string literal, quotes included. '"' and '\\' are escaped, and so is every
// byte below 0x20 (\n, \r and \t by their short forms, the others as \u00xx).
void appendJsonString(std::string& out, const std::string& text, JsonBytes bytes);

// `text` as a JSON string literal written with JsonBytes::Printable.
std::string jsonQuote(const std::string& text);
