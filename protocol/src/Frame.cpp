#include "protocol/Frame.h"

void appendFrame(std::string& out, const std::string& body) {
    const auto n = static_cast<std::uint32_t>(body.size());
    for (int i = 0; i < 4; ++i) {
        out += static_cast<char>((n >> (8 * i)) & 0xFF);
    }
    out += body;
}

std::string encodeFrame(const std::string& body) {
    std::string frame;
    frame.reserve(4 + body.size());
    appendFrame(frame, body);
    return frame;
}

std::uint32_t decodeFrameLength(const unsigned char bytes[4]) {
    return std::uint32_t(bytes[0]) | (std::uint32_t(bytes[1]) << 8) | (std::uint32_t(bytes[2]) << 16) |
           (std::uint32_t(bytes[3]) << 24);
}

void FrameReader::append(const char* data, std::size_t size) {
    // Drop what has been handed out once it is the larger part, so the buffer stays near one frame.
    if (m_start > 0 && m_start >= m_data.size() / 2) {
        m_data.erase(0, m_start);
        m_start = 0;
    }
    m_data.append(data, size);
}

FrameReader::Status FrameReader::next(std::string& body) {
    if (buffered() < 4) {
        return Status::NeedMore;
    }
    const std::uint32_t length =
        decodeFrameLength(reinterpret_cast<const unsigned char*>(m_data.data() + m_start));
    if (!isFrameLengthAllowed(length, m_maxLength)) {
        return Status::BadLength;
    }
    if (buffered() - 4 < length) {
        return Status::NeedMore;
    }
    body.assign(m_data, m_start + 4, length);
    m_start += 4 + length;
    if (m_start == m_data.size()) {
        m_data.clear();
        m_start = 0;
    }
    return Status::Frame;
}

void FrameReader::clear() {
    m_data.clear();
    m_start = 0;
}
