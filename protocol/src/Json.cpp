#include "protocol/Json.h"

#include <cstddef>
#include <cstdint>

namespace {

// Length of the valid UTF-8 sequence at `s` (at most `left` bytes), 0 when it is not valid.
std::size_t utf8Length(const unsigned char* s, std::size_t left) {
    unsigned char c = s[0];
    std::size_t n;
    std::uint32_t cp;
    if (c < 0x80) {
        return 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (left < n) {
        return 0;
    }
    for (std::size_t i = 1; i < n; ++i) {
        if ((s[i] & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not valid.
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return n;
}

void appendEscapedControl(std::string& out, unsigned char c) {
    static const char hex[] = "0123456789abcdef";
    switch (c) {
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 0xF];
    }
}

}  // namespace

void appendJsonString(std::string& out, const std::string& text, JsonBytes bytes) {
    out += '"';
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size;) {
        const unsigned char c = s[i];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c < 0x20) {
            appendEscapedControl(out, c);
            ++i;
        } else if (c < 0x7F || bytes == JsonBytes::Verbatim) {
            out += static_cast<char>(c);
            ++i;
        } else if (c == 0x7F) {
            appendEscapedControl(out, c);
            ++i;
        } else if (const std::size_t n = utf8Length(s + i, size - i); n != 0) {
            out.append(text, i, n);
            i += n;
        } else {
            out += "\\ufffd";
            ++i;
        }
    }
    out += '"';
}

std::string jsonQuote(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 2);
    appendJsonString(out, text, JsonBytes::Printable);
    return out;
}
