#include "protocol/Requests.h"

#include <rapidjson/memorystream.h>

#include <cstring>

#include "SmallDocument.h"
#include "rules/CardCodes.h"
#include "rules/CardList.h"

using protocol_detail::SmallDocument;
using protocol_detail::Value;

// ---- Building (the client and the bots) ----

namespace {

std::string deskSite(const char* head, int desk, int site) {
    return std::string(head) + ",\"desk\":" + std::to_string(desk) + ",\"site\":" + std::to_string(site);
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

// ---- Reading (the server) ----

namespace {

bool readInt(const Value& object, const char* key, int& out) {
    auto it = object.FindMember(key);
    if (it == object.MemberEnd() || !it->value.IsInt())
        return false;
    out = it->value.GetInt();
    return true;
}

bool readString(const Value& object, const char* key, std::string& out) {
    auto it = object.FindMember(key);
    if (it == object.MemberEnd() || !it->value.IsString())
        return false;
    out.assign(it->value.GetString(), it->value.GetStringLength());
    return true;
}

}  // namespace

bool parseStrictCardList(const std::string& text, std::vector<int>& out) {
    out.clear();
    std::vector<std::string> pieces;
    splitString(text, ",", pieces);
    if (pieces.size() > static_cast<std::size_t>(kHandSize))
        return false;
    for (const std::string& piece : pieces) {
        if (piece.empty() || piece.size() > 2)
            return false;
        int code = 0;
        for (char c : piece) {
            if (c < '0' || c > '9')
                return false;
            code = code * 10 + (c - '0');
        }
        if (!isDeckCode(code))
            return false;
        out.push_back(code);
    }
    return true;
}

ParseOutcome parseRequest(const char* data, std::size_t size, Request& out) {
    out = Request();
    // A NUL byte is never valid JSON, though the parser would take it for the end of the text.
    if (std::memchr(data, 0, size) != nullptr)
        return ParseOutcome::NotJson;
    SmallDocument small;
    auto& document = small.document();
    // A complete UTF-8 byte order mark may stand before the document; no other byte may. (Parsing
    // the text directly would drop each byte of a broken mark on its own and read what follows.)
    if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) {
        data += 3;
        size -= 3;
    }
    rapidjson::MemoryStream stream(data, size);
    // Iterative parsing: a body of deeply nested arrays cannot exhaust the stack.
    document.ParseStream<rapidjson::kParseIterativeFlag>(stream);
    if (document.HasParseError() || stream.Tell() != size)
        return ParseOutcome::NotJson;
    if (!document.IsObject())
        return ParseOutcome::Ignored;
    std::string opt;
    if (!readString(document, "opt", opt))
        return ParseOutcome::Ignored;
    if (opt == "query") {
        out.kind = RequestKind::Query;
        return ParseOutcome::Ok;
    }
    if (opt == "add") {
        out.kind = RequestKind::Add;
        return ParseOutcome::Ok;
    }
    if (opt == "change") {
        std::string type;
        if (!readString(document, "type", type) || !readInt(document, "desk", out.desk) ||
            !readInt(document, "site", out.site))
            return ParseOutcome::Ignored;
        if (type == "ready")
            out.kind = RequestKind::Ready;
        else if (type == "leave")
            out.kind = RequestKind::Leave;
        else
            return ParseOutcome::Ignored;
        return ParseOutcome::Ok;
    }
    if (opt == "game") {
        std::string cards;
        if (!readInt(document, "desk", out.desk) || !readInt(document, "site", out.site) ||
            !readString(document, "cards", cards) || !parseStrictCardList(cards, out.cards))
            return ParseOutcome::Ignored;
        out.kind = RequestKind::Play;
        return ParseOutcome::Ok;
    }
    return ParseOutcome::Ignored;
}
