#include "core/Requests.h"

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>

#include <cstring>

#include "rules/CardCodes.h"
#include "rules/CardList.h"

namespace hallserver {

namespace {

// A request is small; parse it in stack memory and only touch the heap for odd, large bodies.
using Allocator = rapidjson::MemoryPoolAllocator<rapidjson::CrtAllocator>;
using Document = rapidjson::GenericDocument<rapidjson::UTF8<>, Allocator, Allocator>;
using Value = rapidjson::GenericValue<rapidjson::UTF8<>, Allocator>;

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
    char valueBuffer[4096];
    char stackBuffer[1024];
    Allocator valueAllocator(valueBuffer, sizeof valueBuffer);
    Allocator stackAllocator(stackBuffer, sizeof stackBuffer);
    Document document(&valueAllocator, sizeof stackBuffer, &stackAllocator);
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

}  // namespace hallserver
