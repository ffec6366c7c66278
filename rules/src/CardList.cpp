#include "rules/CardList.h"

#include <climits>

void splitString(const std::string& text, const std::string& separator, std::vector<std::string>& out) {
    out.clear();
    if (separator.empty()) {
        if (!text.empty()) {
            out.push_back(text);
        }
        return;
    }
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type found = text.find(separator, start);
        if (found == std::string::npos) {
            break;
        }
        if (found > start) {
            out.push_back(text.substr(start, found - start));
        }
        start = found + separator.size();
    }
    if (start < text.size()) {
        out.push_back(text.substr(start));
    }
}

int parseCardCode(const std::string& text) {
    std::string::size_type i = 0;
    // The blanks that atoi skips: space, tab, newline, vertical tab, form feed, carriage return.
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate as a negative number so that INT_MIN is reachable; clamp instead of overflowing.
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 - (text[i] - '0');
        if (value < static_cast<long long>(INT_MIN)) {
            return negative ? INT_MIN : INT_MAX;
        }
    }
    if (negative) {
        return static_cast<int>(value);
    }
    return value < -static_cast<long long>(INT_MAX) ? INT_MAX : static_cast<int>(-value);
}

std::vector<int> parseCardList(const std::string& text) {
    std::vector<std::string> pieces;
    splitString(text, ",", pieces);
    std::vector<int> codes;
    codes.reserve(pieces.size());
    for (const std::string& piece : pieces) {
        codes.push_back(parseCardCode(piece));
    }
    return codes;
}
