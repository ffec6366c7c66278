// Takes typed values off the front of a fuzz input. Past the end every value reads as 0, so a target
// never needs to check the length before it asks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool empty() const { return m_at >= m_size; }
    std::size_t left() const { return m_at < m_size ? m_size - m_at : 0; }

    std::uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }

    std::int32_t int32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            v |= std::uint32_t(byte()) << (8 * i);
        }
        return static_cast<std::int32_t>(v);
    }

    // Up to `n` bytes as text (fewer at the end of the input).
    std::string text(std::size_t n) {
        const std::size_t take = n < left() ? n : left();
        std::string s(reinterpret_cast<const char*>(m_data + m_at), take);
        m_at += take;
        return s;
    }

    // Everything that is left.
    std::string rest() { return text(left()); }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};
