#include "core/Messages.h"

#include <cstdio>

#include "protocol/Frame.h"

namespace hallserver {

Frame makeFrame(const std::string& body) {
    return std::make_shared<const std::string>(encodeFrame(body));
}

void appendJsonString(std::string& out, const std::string& text) {
    out.push_back('"');
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
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
                if (c < 0x20) {
                    char escaped[8];
                    snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out.push_back(static_cast<char>(c));
                }
        }
    }
    out.push_back('"');
}

namespace {

void member(std::string& out, const char* key, const std::string& value) {
    if (out.size() > 1)
        out.push_back(',');
    out.push_back('"');
    out += key;
    out += "\":";
    appendJsonString(out, value);
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
        if (i)
            out.push_back(',');
        std::string entry = "{";
        member(entry, "name", seats[i].name);
        if (withReady)
            member(entry, "ready", seats[i].ready);
        else
            member(entry, "result", seats[i].result);
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
        if (i)
            text.push_back(',');
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

}  // namespace hallserver
