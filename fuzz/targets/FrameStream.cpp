// The client's stream cutter, fed the input in pieces whose sizes the first bytes choose, against a
// straight walk over the whole stream: the same bodies in the same order, the refusal of a bad length
// at the same frame, and the same bytes left over.

#include <string>
#include <vector>

#include "protocol/Protocol.h"
#include "support/ByteReader.h"
#include "support/FuzzCheck.h"
#include "support/FuzzTargets.h"

namespace {

struct Walk {
    std::vector<std::string> bodies;
    bool badLength = false;  // stopped at a length of 0 or above the limit
    std::size_t rest = 0;    // bytes after the last whole frame
};

Walk walkStream(const std::string& stream) {
    Walk w;
    std::size_t at = 0;
    while (stream.size() - at >= 4) {
        const auto* p = reinterpret_cast<const unsigned char*>(stream.data() + at);
        const std::uint32_t length = p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
        if (length == 0 || length > kMaxMessageLength) {
            w.badLength = true;
            break;
        }
        if (stream.size() - at - 4 < length) {
            break;
        }
        w.bodies.emplace_back(stream, at + 4, length);
        at += 4 + length;
    }
    w.rest = stream.size() - at;
    return w;
}

}  // namespace

void fuzzFrameStream(const std::uint8_t* data, std::size_t size) {
    ByteReader in(data, size);
    // Piece sizes cycle through up to four values of 1..64 bytes; size 0 stands for "all at once".
    std::uint8_t pieces[4];
    for (std::uint8_t& p : pieces) {
        p = in.byte() % 65;
    }
    const std::string stream = in.rest();
    const Walk expected = walkStream(stream);

    FrameReader reader(kMaxMessageLength);
    std::vector<std::string> bodies;
    bool refused = false;
    std::string body;
    std::size_t at = 0;
    for (int turn = 0; at < stream.size() && !refused; ++turn) {
        std::size_t piece = pieces[turn % 4];
        if (piece == 0 || piece > stream.size() - at) {
            piece = stream.size() - at;
        }
        reader.append(stream.data() + at, piece);
        at += piece;
        for (;;) {
            const FrameReader::Status status = reader.next(body);
            if (status == FrameReader::Status::NeedMore) {
                break;
            }
            if (status == FrameReader::Status::BadLength) {
                refused = true;
                // A refused length stays refused; it is never taken for the start of a body.
                FUZZ_CHECK(reader.next(body) == FrameReader::Status::BadLength);
                break;
            }
            FUZZ_CHECK(!body.empty() && body.size() <= kMaxMessageLength);
            bodies.push_back(body);
        }
    }

    FUZZ_CHECK(bodies == expected.bodies);
    FUZZ_CHECK(refused == expected.badLength);
    if (!refused) {
        FUZZ_CHECK(reader.buffered() == expected.rest);
        FUZZ_CHECK(reader.next(body) == FrameReader::Status::NeedMore);
    }

    // Cutting the encodings of the bodies gives the bodies back.
    std::string again;
    for (const std::string& b : expected.bodies) {
        const std::string frame = encodeFrame(b);
        FUZZ_CHECK(decodeFrameLength(reinterpret_cast<const unsigned char*>(frame.data())) == b.size());
        again += frame;
    }
    FUZZ_CHECK(again == stream.substr(0, again.size()));

    reader.clear();
    FUZZ_CHECK(reader.buffered() == 0 && reader.next(body) == FrameReader::Status::NeedMore);
}
