// The protocol library against itself in both directions, with values the input chooses: every
// request the client builds goes through the frames (with the request bound) and the server's reader
// and must come out as the same request; every message the server builds goes through the frames
// (with the message bound) and the client's reader and must give back the values it was built from,
// player names of any bytes included.

#include <array>
#include <string>
#include <vector>

#include "protocol/Frame.h"
#include "protocol/Requests.h"
#include "protocol/ServerMessages.h"
#include "rules/CardCodes.h"
#include "rules/CardList.h"
#include "support/ByteReader.h"
#include "support/FuzzCheck.h"
#include "support/FuzzTargets.h"

namespace {

// One frame through the stream cutter with the bound of its direction, fed a byte at a time.
std::string throughFrames(const std::string& frame, std::uint32_t maxLength) {
    FrameReader reader(maxLength);
    std::string body;
    for (std::size_t i = 0; i < frame.size(); ++i) {
        reader.append(frame.data() + i, 1);
        const FrameReader::Status status = reader.next(body);
        FUZZ_CHECK(status ==
                   (i + 1 == frame.size() ? FrameReader::Status::Frame : FrameReader::Status::NeedMore));
    }
    return body;
}

std::vector<int> codesFrom(ByteReader& in, std::size_t count, bool anyInt) {
    std::vector<int> codes;
    for (std::size_t i = 0; i < count && !in.empty(); ++i) {
        codes.push_back(anyInt ? in.int32() : in.byte() % kDeckCodes);
    }
    return codes;
}

bool allInDeck(const std::vector<int>& codes) {
    for (int c : codes) {
        if (!isDeckCode(c)) {
            return false;
        }
    }
    return true;
}

void clientToServer(ByteReader& in) {
    const std::uint8_t kind = in.byte() % 7;
    const int desk = in.int32();
    const int site = in.int32();
    const std::uint8_t shape = in.byte();
    std::vector<int> codes = codesFrom(in, shape % 64, (shape & 0x80) != 0);

    std::string text;
    RequestKind expected = RequestKind::Other;
    bool usable = true;
    std::vector<int> cards;
    switch (kind) {
        case 0:
            text = makeQueryRequest();
            expected = RequestKind::Query;
            break;
        case 1:
            text = makeAddRequest();
            expected = RequestKind::Add;
            break;
        case 2:
            text = makeReadyRequest(desk, site);
            expected = RequestKind::Ready;
            break;
        case 3:
            text = makeLeaveRequest(desk, site);
            expected = RequestKind::Leave;
            break;
        case 4:
            text = makePlayRequest(desk, site, codes);
            expected = RequestKind::Play;
            cards = codes;
            // The server takes card lists of deck codes only, at most a deck's worth.
            usable = allInDeck(codes) && codes.size() <= static_cast<std::size_t>(kHandSize);
            break;
        case 5:
            text = makePassRequest(desk, site);
            expected = RequestKind::Play;
            break;
        default: {
            const int code = codes.empty() ? 0 : codes[0];
            text = makeAutoLeadRequest(desk, site, code);
            expected = RequestKind::Play;
            cards = {code};
            usable = allInDeck(cards);
        }
    }
    FUZZ_CHECK(!text.empty() && text.size() <= kMaxRequestLength);
    const std::string body = throughFrames(encodeFrame(text), kMaxRequestLength);
    FUZZ_CHECK(body == text);

    Request request;
    const ParseOutcome outcome = parseRequest(body.data(), body.size(), request);
    FUZZ_CHECK(outcome == (usable ? ParseOutcome::Ok : ParseOutcome::Ignored));
    if (outcome != ParseOutcome::Ok) {
        return;
    }
    FUZZ_CHECK(request.kind == expected);
    if (expected != RequestKind::Query && expected != RequestKind::Add) {
        FUZZ_CHECK(request.desk == desk && request.site == site);
    }
    FUZZ_CHECK(request.cards == cards);
}

void checkRead(const std::string& text, stMsg& msg) {
    FUZZ_CHECK(text.size() <= kMaxMessageLength);
    const std::string body = throughFrames(encodeFrame(text), kMaxMessageLength);
    FUZZ_CHECK(readServerMessage(body, msg) == ReadResult::Ok);
}

void serverToClient(ByteReader& in) {
    const std::uint8_t kind = in.byte() % 9;
    const int a = in.int32();
    const int b = in.int32();
    const int c = in.int32();
    const std::uint8_t shape = in.byte();
    const std::vector<int> codes = codesFrom(in, shape % 64, (shape & 0x80) != 0);
    // Names and other texts: any bytes at all, cut into pieces by the byte value 0xFF.
    std::vector<std::string> texts;
    std::string piece;
    const std::string rest = in.rest();
    for (const char ch : rest) {
        if (static_cast<unsigned char>(ch) == 0xFF) {
            texts.push_back(piece);
            piece.clear();
        } else {
            piece += ch;
        }
    }
    texts.push_back(piece);
    texts.resize(8);

    stMsg msg;
    switch (kind) {
        case 0: {
            const std::size_t online = static_cast<std::uint32_t>(a);
            checkRead(queryMessage(online, texts[0]), msg);
            FUZZ_CHECK(msg.opt == "query" && msg.online == std::to_string(online) && msg.version == texts[0]);
            FUZZ_CHECK(isVersionRejected(msg) == (texts[0] != "28"));
            break;
        }
        case 1:
            checkRead(addMessage(a, b, texts[0]), msg);
            FUZZ_CHECK(msg.opt == "add" && msg.desk == a && msg.site == b && msg.name == texts[0]);
            break;
        case 2:
        case 3: {
            std::array<st_seat_info, 4> seats;
            const int numbers[4] = {a, b, c, int(shape)};
            for (int i = 0; i < 4; ++i) {
                seats[i].name = texts[i];
                seats[i].ready = numbers[i];
                seats[i].result = numbers[3 - i];
            }
            const bool change = kind == 2;
            checkRead(change ? changeMessage(seats) : overMessage(seats), msg);
            FUZZ_CHECK(msg.opt == (change ? "change" : "over"));
            for (int i = 0; i < 4; ++i) {
                FUZZ_CHECK(msg.info[i].name == texts[i]);
                FUZZ_CHECK(msg.info[i].ready == (change ? seats[i].ready : 0));
                FUZZ_CHECK(msg.info[i].result == (change ? 0 : seats[i].result));
            }
            break;
        }
        case 4:
            checkRead(startMessage(codes), msg);
            FUZZ_CHECK(msg.opt == "start" && parseCardList(msg.cards) == codes);
            break;
        case 5: {
            const int must = shape & 1;
            checkRead(gameMessage(a, codes, texts[0], b, c, must), msg);
            FUZZ_CHECK(msg.opt == "game" && msg.per == a && msg.now == b && msg.score == c &&
                       msg.must == must);
            FUZZ_CHECK(msg.surplus == texts[0] && parseCardList(msg.cards) == codes);
            break;
        }
        case 6:
            checkRead(scoreMessage(a, b), msg);
            FUZZ_CHECK(msg.opt == "score" && msg.p0 == std::to_string(a) && msg.p1 == std::to_string(b));
            break;
        case 7:
            checkRead(runMessage(a, texts[0]), msg);
            FUZZ_CHECK(msg.opt == "run" && msg.site == a && msg.name == texts[0]);
            break;
        default:
            checkRead(timeoutMessage(), msg);
            FUZZ_CHECK(msg.opt == "timeout");
    }
}

}  // namespace

void fuzzRoundTrip(const std::uint8_t* data, std::size_t size) {
    ByteReader in(data, size);
    if ((in.byte() & 1) == 0) {
        clientToServer(in);
    } else {
        serverToClient(in);
    }
}
