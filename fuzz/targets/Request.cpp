// The reference server's reader of one request body, checked against a second reading of the body:
// the parse verdict against rapidjson's recursive parser, the outcome against a table of the members
// each request needs, and its strict card lists against the client's lenient reader.

#include <cstring>
#include <string>
#include <vector>

#include "protocol/Requests.h"
#include "rules/CardList.h"
#include "support/FuzzCheck.h"
#include "support/FuzzTargets.h"
#include "support/JsonOracle.h"

namespace {

bool hasInt(const rapidjson::Value& object, const char* name) {
    const rapidjson::Value* v = firstMember(object, name);
    return v != nullptr && v->IsInt();
}

std::string textOf(const rapidjson::Value& object, const char* name) {
    const rapidjson::Value* v = firstMember(object, name);
    return std::string(v->GetString(), v->GetStringLength());
}

// The pieces of a card list are one or two decimal digits naming a code of the deck, at most 54.
bool isStrictCardList(const std::string& text) {
    std::vector<std::string> pieces;
    splitString(text, ",", pieces);
    if (pieces.size() > 54) {
        return false;
    }
    for (const std::string& piece : pieces) {
        if (piece.size() > 2 || piece.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(piece) > 53) {
            return false;
        }
    }
    return true;
}

// What the reader should make of a valid JSON document.
RequestKind expectedKind(const rapidjson::Document& doc, bool& usable) {
    usable = false;
    if (!doc.IsObject() || !hasString(doc, "opt")) {
        return RequestKind::Other;
    }
    const std::string opt = textOf(doc, "opt");
    if (opt == "query" || opt == "add") {
        usable = true;
        return opt == "query" ? RequestKind::Query : RequestKind::Add;
    }
    if (!hasInt(doc, "desk") || !hasInt(doc, "site")) {
        return RequestKind::Other;
    }
    if (opt == "change" && hasString(doc, "type")) {
        const std::string type = textOf(doc, "type");
        usable = type == "ready" || type == "leave";
        return type == "ready" ? RequestKind::Ready : RequestKind::Leave;
    }
    if (opt == "game" && hasString(doc, "cards")) {
        usable = isStrictCardList(textOf(doc, "cards"));
        return RequestKind::Play;
    }
    return RequestKind::Other;
}

}  // namespace

void fuzzRequest(const std::uint8_t* data, std::size_t size) {
    const char* body = reinterpret_cast<const char*>(data);
    Request request;
    request.cards = {1, 2, 3};
    const ParseOutcome outcome = parseRequest(body, size, request);

    if (outcome == ParseOutcome::Ok) {
        FUZZ_CHECK(request.kind != RequestKind::Other);
        if (request.kind == RequestKind::Query || request.kind == RequestKind::Add) {
            FUZZ_CHECK(request.desk == -1 && request.site == -1 && request.cards.empty());
        }
        if (request.kind != RequestKind::Play) {
            FUZZ_CHECK(request.cards.empty());
        }
        FUZZ_CHECK(request.cards.size() <= 54);
        for (int code : request.cards) {
            FUZZ_CHECK(code >= 0 && code <= 53);
        }
    }
    if (std::memchr(body, 0, size) != nullptr) {
        FUZZ_CHECK(outcome == ParseOutcome::NotJson);
    }

    // A byte order mark before the document is allowed (JSON readers may ignore one); any other byte
    // before it makes the body something other than JSON.
    std::size_t skip = 0;
    if (size >= 3 && std::memcmp(body, "\xEF\xBB\xBF", 3) == 0) {
        skip = 3;
    } else if (size >= 1 && std::memchr("\xEF\xBB\xBF", body[0], 3) != nullptr &&
               fuzzcheck::skipOpenFaults()) {
        return;  // open: leading bytes of a broken byte order mark are dropped and the rest read
    }
    rapidjson::Document doc;
    const JsonVerdict verdict = judgeJson(body + skip, size - skip, doc);
    if (verdict == JsonVerdict::Unjudged) {
        return;
    }
    FUZZ_CHECK((outcome == ParseOutcome::NotJson) == (verdict == JsonVerdict::Invalid));
    if (verdict != JsonVerdict::Valid) {
        return;
    }
    bool usable = false;
    const RequestKind kind = expectedKind(doc, usable);
    FUZZ_CHECK((outcome == ParseOutcome::Ok) == usable);
    if (!usable) {
        return;
    }
    FUZZ_CHECK(request.kind == kind);
    if (kind != RequestKind::Query && kind != RequestKind::Add) {
        FUZZ_CHECK(request.desk == firstMember(doc, "desk")->GetInt());
        FUZZ_CHECK(request.site == firstMember(doc, "site")->GetInt());
    }
    if (kind == RequestKind::Play) {
        // A list the strict reader takes reads the same with the client's reader.
        FUZZ_CHECK(request.cards == parseCardList(textOf(doc, "cards")));
    }
}
