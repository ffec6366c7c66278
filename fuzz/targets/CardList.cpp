// Card list texts as the server sends them: the splitter, the list reader and the two readers of
// number texts (the card list's and the message reader's), each against a plain reference.

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "protocol/Protocol.h"
#include "rules/CardList.h"
#include "support/ByteReader.h"
#include "support/FuzzCheck.h"
#include "support/FuzzTargets.h"

namespace {

// atoi's reading with the C library's own number parser, clamped to the int range.
int referenceNumber(const std::string& text) {
    errno = 0;
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (v < INT_MIN) {
        return INT_MIN;
    }
    if (v > INT_MAX) {
        return INT_MAX;
    }
    return static_cast<int>(v);
}

bool startsWith(const std::string& text, std::size_t at, const std::string& piece) {
    return text.compare(at, piece.size(), piece) == 0;
}

// The pieces tile the text: separators, then a piece, then separators, ..., with nothing else
// between them, and no piece holds the separator.
bool piecesTileText(const std::string& text, const std::string& separator,
                    const std::vector<std::string>& pieces) {
    std::size_t at = 0;
    auto skipSeparators = [&] {
        while (at < text.size() && startsWith(text, at, separator)) {
            at += separator.size();
        }
    };
    for (const std::string& piece : pieces) {
        if (piece.empty() || piece.find(separator) != std::string::npos) {
            return false;
        }
        skipSeparators();
        if (!startsWith(text, at, piece)) {
            return false;
        }
        at += piece.size();
        if (at < text.size() && !startsWith(text, at, separator)) {
            return false;
        }
    }
    skipSeparators();
    return at == text.size();
}

}  // namespace

void fuzzCardList(const std::uint8_t* data, std::size_t size) {
    ByteReader in(data, size);
    // Mostly the separator that card lists use; sometimes one of up to three bytes of the input.
    const std::uint8_t mode = in.byte();
    const std::string separator = (mode & 0x80) != 0 ? in.text(mode % 4) : ",";
    const std::string text = in.rest();

    std::vector<std::string> pieces = {"stale"};
    splitString(text, separator, pieces);
    if (separator.empty()) {
        FUZZ_CHECK(pieces == (text.empty() ? std::vector<std::string>{} : std::vector<std::string>{text}));
    } else {
        FUZZ_CHECK(piecesTileText(text, separator, pieces));
    }

    std::vector<std::string> commaPieces;
    splitString(text, ",", commaPieces);
    const std::vector<int> codes = parseCardList(text);
    FUZZ_CHECK(codes.size() == commaPieces.size());
    for (std::size_t i = 0; i < codes.size() && i < commaPieces.size(); ++i) {
        const std::string& piece = commaPieces[i];
        FUZZ_CHECK(codes[i] == parseCardCode(piece));
        FUZZ_CHECK(codes[i] == referenceNumber(piece));
        // The message reader converts number texts the same way (it stops at a NUL byte, and so does
        // the card list's reader, since a NUL is neither a blank nor a digit).
        FUZZ_CHECK(numberFromText(piece.c_str()) == codes[i]);
    }
    // The whole text as one number text, as "desk" or "site" would carry it.
    FUZZ_CHECK(numberFromText(text.c_str()) == referenceNumber(text));
    FUZZ_CHECK(parseCardCode(text) == referenceNumber(text));
}
