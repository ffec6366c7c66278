#pragma once

// Frames, the same in both directions: a 4-byte little-endian unsigned length, then that many bytes
// of body (one JSON text). Frames follow each other with nothing between them.

#include <cstddef>
#include <cstdint>
#include <string>

// The largest body a frame may announce, one bound per direction. A larger (or zero) length is
// refused before anything is allocated.
//
// Client to server: the server reads from thousands of peers it cannot trust, so its bound is tight;
// the longest request, a play of a whole hand, is under 250 bytes.
inline constexpr std::uint32_t kMaxRequestLength = 64u * 1024u;
// Server to client: the client reads from the one server it chose. Its messages are short too, but
// the reader is built to take a frame this long (a million nested "[" is a parse error, not a crash).
inline constexpr std::uint32_t kMaxMessageLength = 1024u * 1024u;

// True for a length that a reader with the bound `maxLength` accepts: 1 to maxLength.
inline constexpr bool isFrameLengthAllowed(std::uint32_t length, std::uint32_t maxLength) {
    return length != 0 && length <= maxLength;
}

// The frame for one body: 4 length bytes, little-endian, then the body.
std::string encodeFrame(const std::string& body);
// Appends the frame for `body` to `out`.
void appendFrame(std::string& out, const std::string& body);
// The body length that 4 received length bytes announce.
std::uint32_t decodeFrameLength(const unsigned char bytes[4]);

// Cuts a received byte stream into frame bodies. Bytes go in as they arrive, in pieces of any size;
// whole bodies come out in order. A length of 0 or above the reader's bound is refused as soon as
// its 4 bytes are there, before any room is made for the body.
class FrameReader {
public:
    explicit FrameReader(std::uint32_t maxLength) : m_maxLength(maxLength) {}

    enum class Status {
        Frame,      // `body` holds the next frame's body
        NeedMore,   // no whole frame yet: append more bytes
        BadLength,  // the next frame announces 0 bytes or more than the bound
    };

    void append(const char* data, std::size_t size);
    Status next(std::string& body);
    // True when the next frame's 4 length bytes have all arrived but its body has not: a stream that
    // ends now ends inside a body rather than inside (or before) a length.
    bool inBody() const { return buffered() >= 4; }
    std::size_t buffered() const { return m_data.size() - m_start; }
    void clear();

private:
    std::uint32_t m_maxLength;
    std::string m_data;
    std::size_t m_start = 0;  // bytes of m_data already handed out
};
