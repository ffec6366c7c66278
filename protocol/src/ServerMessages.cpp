#include "protocol/ServerMessages.h"

#include <climits>

#include <rapidjson/memorystream.h>

#include "SmallDocument.h"
#include "protocol/Json.h"
#include "protocol/Version.h"

using protocol_detail::findMember;
using protocol_detail::SmallDocument;
using protocol_detail::Value;

// ---- Building (the server) ----

namespace {

void member(std::string& out, const char* key, const std::string& value) {
    if (out.size() > 1) {
        out.push_back(',');
    }
    out.push_back('"');
    out += key;
    out += "\":";
    appendJsonString(out, value, JsonBytes::Verbatim);
}

void member(std::string& out, const char* key, long long value) {
    member(out, key, std::to_string(value));
}

std::string begin(const char* opt) {
    std::string out = "{";
    member(out, "opt", opt);
    return out;
}

std::string seatsMessage(const char* opt, const std::array<st_seat_info, 4>& seats, bool withReady) {
    std::string out = begin(opt);
    out += ",\"info\":[";
    for (std::size_t i = 0; i < seats.size(); ++i) {
        if (i) {
            out.push_back(',');
        }
        std::string entry = "{";
        member(entry, "name", seats[i].name);
        if (withReady) {
            member(entry, "ready", seats[i].ready);
        } else {
            member(entry, "result", seats[i].result);
        }
        entry.push_back('}');
        out += entry;
    }
    out += "]}";
    return out;
}

}  // namespace

std::string cardListText(const std::vector<int>& cards) {
    std::string text;
    for (std::size_t i = 0; i < cards.size(); ++i) {
        if (i) {
            text.push_back(',');
        }
        text += std::to_string(cards[i]);
    }
    return text;
}

std::string queryMessage(std::size_t online, const std::string& version) {
    std::string out = begin("query");
    member(out, "online", static_cast<long long>(online));
    member(out, "version", version);
    out.push_back('}');
    return out;
}

std::string addMessage(int desk, int site, const std::string& name) {
    std::string out = begin("add");
    member(out, "desk", desk);
    member(out, "site", site);
    member(out, "name", name);
    out.push_back('}');
    return out;
}

std::string changeMessage(const std::array<st_seat_info, 4>& seats) {
    return seatsMessage("change", seats, true);
}

std::string startMessage(const std::vector<int>& cards) {
    std::string out = begin("start");
    member(out, "cards", cardListText(cards));
    out.push_back('}');
    return out;
}

std::string gameMessage(int per, const std::vector<int>& cards, const std::string& surplus, int now,
                        int score, int must) {
    std::string out = begin("game");
    member(out, "per", per);
    member(out, "cards", cardListText(cards));
    member(out, "surplus", surplus);
    member(out, "now", now);
    member(out, "score", score);
    member(out, "must", must);
    out.push_back('}');
    return out;
}

std::string scoreMessage(int p0, int p1) {
    std::string out = begin("score");
    member(out, "p0", p0);
    member(out, "p1", p1);
    out.push_back('}');
    return out;
}

std::string overMessage(const std::array<st_seat_info, 4>& seats) {
    return seatsMessage("over", seats, false);
}

std::string runMessage(int site, const std::string& name) {
    std::string out = begin("run");
    member(out, "site", site);
    member(out, "name", name);
    out.push_back('}');
    return out;
}

std::string timeoutMessage() {
    return "{\"opt\":\"timeout\"}";
}

// ---- Reading (the client and the bots) ----

namespace {

bool readText(const Value& object, const char* name, std::string& out) {
    const Value* v = findMember(object, name);
    if (v == nullptr || !v->IsString()) {
        return false;
    }
    out.assign(v->GetString(), v->GetStringLength());
    return true;
}

bool readNumber(const Value& object, const char* name, int& out) {
    const Value* v = findMember(object, name);
    if (v == nullptr || !v->IsString()) {
        return false;
    }
    out = numberFromText(v->GetString());
    return true;
}

// "info" of "change" (`numberName` "ready") and "over" ("result"): the first four elements by seat.
bool readSeats(const Value& root, const char* numberName, int st_seat_info::*field, stMsg& out) {
    const Value* info = findMember(root, "info");
    if (info == nullptr || !info->IsArray() || info->Size() < 4) {
        return false;
    }
    for (rapidjson::SizeType i = 0; i < 4; ++i) {
        const Value& seat = (*info)[i];
        if (!seat.IsObject() || !readText(seat, "name", out.info[i].name) ||
            !readNumber(seat, numberName, out.info[i].*field)) {
            return false;
        }
    }
    return true;
}

bool readFields(const Value& root, stMsg& m) {
    const std::string& opt = m.opt;
    if (opt == "query") {
        return readText(root, "online", m.online) && readText(root, "version", m.version);
    }
    if (opt == "add") {
        return readNumber(root, "desk", m.desk) && readNumber(root, "site", m.site) &&
               readText(root, "name", m.name);
    }
    if (opt == "change") {
        return readSeats(root, "ready", &st_seat_info::ready, m);
    }
    if (opt == "start") {
        return readText(root, "cards", m.cards);
    }
    if (opt == "over") {
        return readSeats(root, "result", &st_seat_info::result, m);
    }
    if (opt == "game") {
        return readNumber(root, "per", m.per) && readText(root, "surplus", m.surplus) &&
               readNumber(root, "now", m.now) && readText(root, "cards", m.cards) &&
               readNumber(root, "score", m.score) && readNumber(root, "must", m.must);
    }
    if (opt == "score") {
        return readText(root, "p0", m.p0) && readText(root, "p1", m.p1);
    }
    if (opt == "run") {
        return readNumber(root, "site", m.site) && readText(root, "name", m.name);
    }
    return true;  // "timeout" and every opt we do not know: nothing more to read
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

ReadResult readServerMessage(const char* body, std::size_t size, stMsg& out) {
    out = stMsg();
    SmallDocument small;
    auto& doc = small.document();
    // The iterative parser keeps the call stack flat for any nesting depth.
    rapidjson::MemoryStream stream(body, size);
    doc.ParseStream<rapidjson::kParseIterativeFlag>(stream);
    // The parser takes a NUL byte for the end of its input: text after one is trailing text.
    if (doc.HasParseError() || stream.Tell() != size) {
        return ReadResult::ParseError;
    }
    if (!doc.IsObject() || !readText(doc, "opt", out.opt)) {
        out = stMsg();
        return ReadResult::SchemaError;
    }
    if (!readFields(doc, out)) {
        out = stMsg();
        return ReadResult::SchemaError;
    }
    return ReadResult::Ok;
}

bool isVersionRejected(const stMsg& msg) {
    return msg.opt == "query" && msg.version != kClientVersion;
}

std::string versionRejectedText() {
    return std::string("版本过低，请前往 ") + kDownloadAddress + " 下载新版客户端!";
}

int numberFromText(const char* text) {
    const char* p = text;
    while (isSpace(*p)) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Accumulate towards the negative side, which holds one value more than the positive side.
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 - (*p - '0');
        if (value < INT_MIN) {
            return negative ? INT_MIN : INT_MAX;
        }
    }
    if (negative) {
        return static_cast<int>(value);
    }
    return value < -static_cast<long long>(INT_MAX) ? INT_MAX : static_cast<int>(-value);
}
