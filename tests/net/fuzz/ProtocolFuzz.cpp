// libFuzzer target for everything the client reads from the network: the byte stream is cut into
// frames (in pieces whose size the first input byte chooses), every body goes through the message
// reader, and every body's trace form must be valid JSON.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <rapidjson/document.h>

#include "net/Protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t piece = 1 + data[0] % 64;
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    const std::size_t length = size - 1;

    FrameReader reader;
    std::string body;
    for (std::size_t at = 0; at < length; at += piece) {
        reader.append(bytes + at, piece < length - at ? piece : length - at);
        for (;;) {
            FrameReader::Status status = reader.next(body);
            if (status != FrameReader::Status::Frame) {
                break;
            }
            if (body.empty() || body.size() > kMaxFrameLength) {
                std::abort();
            }
            stMsg msg;
            ReadResult result = readServerMessage(body, msg);
            if (result != ReadResult::Ok &&
                (!msg.opt.empty() || msg.desk != -1 || !msg.info[0].name.empty())) {
                std::abort();  // a refused message leaves the record at its defaults
            }
            if (result == ReadResult::Ok && isVersionRejected(msg) && msg.opt != "query") {
                std::abort();
            }
            rapidjson::Document quoted;
            quoted.Parse<rapidjson::kParseValidateEncodingFlag>(jsonQuote(body).c_str());
            if (quoted.HasParseError() || !quoted.IsString()) {
                std::abort();
            }
        }
    }
    // The message reader on the whole input as one body, too.
    stMsg msg;
    readServerMessage(bytes, length, msg);
    return 0;
}
