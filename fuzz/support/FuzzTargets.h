// The fuzz targets' entry points. Each takes one input of any bytes, drives one reader of network
// bytes with it and checks what came out with FUZZ_CHECK. The libFuzzer programs call them from
// LLVMFuzzerTestOneInput; the corpus replay test calls them on every stored input.
#pragma once

#include <cstddef>
#include <cstdint>

// The client's reader of one server message body.
void fuzzServerMessage(const std::uint8_t* data, std::size_t size);
// The client's cutting of the received byte stream into frames, fed in pieces of varying size.
void fuzzFrameStream(const std::uint8_t* data, std::size_t size);
// Card list texts: splitting, and the two atoi readers of number texts.
void fuzzCardList(const std::uint8_t* data, std::size_t size);
// The play rules on arbitrary lists of codes.
void fuzzCardRules(const std::uint8_t* data, std::size_t size);
// The reference server's reader of one request body.
void fuzzRequest(const std::uint8_t* data, std::size_t size);
// Texts built by one side and read by the other: client requests into the server's reader, server
// messages into the client's reader.
void fuzzRoundTrip(const std::uint8_t* data, std::size_t size);
// The reference server's game state driven by a stream of connections, requests and clock steps.
void fuzzGameServer(const std::uint8_t* data, std::size_t size);
// The bot's reading of server messages and the requests it sends in answer.
void fuzzBotPlayer(const std::uint8_t* data, std::size_t size);
