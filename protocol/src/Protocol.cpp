#include "protocol/Protocol.h"

#include <climits>
#include <cstring>

#include <rapidjson/document.h>
#include <rapidjson/memorystream.h>

namespace {

using rapidjson::Value;

std::string deskSite(const char* head, int desk, int site) {
    return std::string(head) + ",\"desk\":" + std::to_string(desk) + ",\"site\":" + std::to_string(site);
}

// The first member called `name`, or null. rapidjson's lookup walks the members in order, so a
// duplicated name yields its first occurrence.
const Value* member(const Value& object, const char* name) {
    auto it = object.FindMember(name);
    return it == object.MemberEnd() ? nullptr : &it->value;
}

bool readText(const Value& object, const char* name, std::string& out) {
    const Value* v = member(object, name);
    if (v == nullptr || !v->IsString()) {
        return false;
    }
    out.assign(v->GetString(), v->GetStringLength());
    return true;
}

bool readNumber(const Value& object, const char* name, int& out) {
    const Value* v = member(object, name);
    if (v == nullptr || !v->IsString()) {
        return false;
    }
    out = numberFromText(v->GetString());
    return true;
}

// "info" of "change" (`numberName` "ready") and "over" ("result"): the first four elements by seat.
bool readSeats(const Value& root, const char* numberName, int st_seat_info::*field, stMsg& out) {
    const Value* info = member(root, "info");
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

}  // namespace

std::string makeQueryRequest() {
    return "{\"opt\":\"query\"}";
}

std::string makeAddRequest() {
    return "{\"opt\":\"add\"}";
}

std::string makeReadyRequest(int desk, int site) {
    return deskSite("{\"opt\":\"change\",\"type\":\"ready\"", desk, site) + "}";
}

std::string makeLeaveRequest(int desk, int site) {
    return deskSite("{\"opt\":\"change\",\"type\":\"leave\"", desk, site) + "}";
}

std::string makePlayRequest(int desk, int site, const std::vector<int>& codes) {
    std::string text = deskSite("{\"opt\":\"game\"", desk, site) + ",\"cards\":\"";
    for (int code : codes) {
        text += std::to_string(code);
        text += ',';
    }
    return text + "\"}";
}

std::string makePassRequest(int desk, int site) {
    return deskSite("{\"opt\":\"game\"", desk, site) + ",\"cards\":\"\"}";
}

std::string makeAutoLeadRequest(int desk, int site, int code) {
    return deskSite("{\"opt\":\"game\"", desk, site) + ",\"cards\":\"" + std::to_string(code) + "\"}";
}

ReadResult readServerMessage(const char* body, std::size_t size, stMsg& out) {
    out = stMsg();
    rapidjson::Document doc;
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

std::string jsonQuote(const std::string& text) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t size = text.size();
    for (std::size_t i = 0; i < size;) {
        unsigned char c = s[i];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c == '\n') {
            out += "\\n";
            ++i;
        } else if (c == '\r') {
            out += "\\r";
            ++i;
        } else if (c == '\t') {
            out += "\\t";
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 0xF];
            ++i;
        } else {
            std::size_t n = utf8Length(s + i, size - i);
            if (n == 0) {
                out += "\\ufffd";
                ++i;
            } else {
                out.append(text, i, n);
                i += n;
            }
        }
    }
    out += '"';
    return out;
}
