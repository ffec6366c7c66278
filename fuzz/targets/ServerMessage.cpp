// The client's reader of one server message body, checked against a second reading of the same body:
// the parse verdict against rapidjson's recursive parser, the schema verdict against a table of the
// members each message needs, and the record against the fields each message may fill.

#include <cstring>
#include <string>
#include <vector>

#include "protocol/Protocol.h"
#include "support/FuzzCheck.h"
#include "support/FuzzTargets.h"
#include "support/JsonOracle.h"

namespace {

// What one opt needs and which record fields it may fill.
struct MessageShape {
    const char* opt;
    std::vector<std::string> texts;  // string members of the root
    const char* seatNumber;          // "info" seats carry "name" and this number text; null: no "info"
};

const std::vector<MessageShape>& shapes() {
    static const std::vector<MessageShape> table = {
        {"query", {"online", "version"}, nullptr},
        {"add", {"desk", "site", "name"}, nullptr},
        {"change", {}, "ready"},
        {"start", {"cards"}, nullptr},
        {"over", {}, "result"},
        {"game", {"per", "surplus", "now", "cards", "score", "must"}, nullptr},
        {"score", {"p0", "p1"}, nullptr},
        {"run", {"site", "name"}, nullptr},
    };
    return table;
}

const MessageShape* shapeOf(const std::string& opt) {
    for (const MessageShape& shape : shapes()) {
        if (opt == shape.opt) {
            return &shape;
        }
    }
    return nullptr;
}

bool hasSeats(const rapidjson::Value& root, const char* number) {
    const rapidjson::Value* info = firstMember(root, "info");
    if (info == nullptr || !info->IsArray() || info->Size() < 4) {
        return false;
    }
    for (rapidjson::SizeType i = 0; i < 4; ++i) {
        const rapidjson::Value& seat = (*info)[i];
        if (!seat.IsObject() || !hasString(seat, "name") || !hasString(seat, number)) {
            return false;
        }
    }
    return true;
}

ReadResult expectedResult(const rapidjson::Document& doc) {
    if (!doc.IsObject() || !hasString(doc, "opt")) {
        return ReadResult::SchemaError;
    }
    const rapidjson::Value* opt = firstMember(doc, "opt");
    const MessageShape* shape = shapeOf(std::string(opt->GetString(), opt->GetStringLength()));
    if (shape == nullptr) {
        return ReadResult::Ok;
    }
    for (const std::string& name : shape->texts) {
        if (!hasString(doc, name)) {
            return ReadResult::SchemaError;
        }
    }
    if (shape->seatNumber != nullptr && !hasSeats(doc, shape->seatNumber)) {
        return ReadResult::SchemaError;
    }
    return ReadResult::Ok;
}

bool sameRecord(const stMsg& a, const stMsg& b) {
    for (int i = 0; i < 4; ++i) {
        if (a.info[i].name != b.info[i].name || a.info[i].ready != b.info[i].ready ||
            a.info[i].result != b.info[i].result) {
            return false;
        }
    }
    return a.opt == b.opt && a.online == b.online && a.name == b.name && a.desk == b.desk &&
           a.site == b.site && a.cards == b.cards && a.per == b.per && a.surplus == b.surplus &&
           a.now == b.now && a.score == b.score && a.must == b.must && a.p0 == b.p0 && a.p1 == b.p1 &&
           a.version == b.version;
}

// The record with every field that `opt` does not fill put back to its default: a message must not
// leave anything in the fields of other kinds.
stMsg onlyOwnFields(const stMsg& m) {
    stMsg r;
    r.opt = m.opt;
    const std::string& o = m.opt;
    if (o == "query") {
        r.online = m.online;
        r.version = m.version;
    } else if (o == "add") {
        r.desk = m.desk;
        r.site = m.site;
        r.name = m.name;
    } else if (o == "change" || o == "over") {
        for (int i = 0; i < 4; ++i) {
            r.info[i].name = m.info[i].name;
            if (o == "change") {
                r.info[i].ready = m.info[i].ready;
            } else {
                r.info[i].result = m.info[i].result;
            }
        }
    } else if (o == "start") {
        r.cards = m.cards;
    } else if (o == "game") {
        r.per = m.per;
        r.surplus = m.surplus;
        r.now = m.now;
        r.cards = m.cards;
        r.score = m.score;
        r.must = m.must;
    } else if (o == "score") {
        r.p0 = m.p0;
        r.p1 = m.p1;
    } else if (o == "run") {
        r.site = m.site;
        r.name = m.name;
    }
    return r;
}

std::string textOf(const rapidjson::Value& object, const char* name) {
    const rapidjson::Value* v = firstMember(object, name);
    return std::string(v->GetString(), v->GetStringLength());
}

int numberOf(const rapidjson::Value& object, const char* name) {
    return numberFromText(textOf(object, name).c_str());
}

// The record a well-formed message gives, read straight from the document.
stMsg expectedRecord(const rapidjson::Document& doc) {
    stMsg r;
    r.opt = textOf(doc, "opt");
    const std::string& o = r.opt;
    if (o == "query") {
        r.online = textOf(doc, "online");
        r.version = textOf(doc, "version");
    } else if (o == "add") {
        r.desk = numberOf(doc, "desk");
        r.site = numberOf(doc, "site");
        r.name = textOf(doc, "name");
    } else if (o == "change" || o == "over") {
        const rapidjson::Value& info = *firstMember(doc, "info");
        for (rapidjson::SizeType i = 0; i < 4; ++i) {
            r.info[i].name = textOf(info[i], "name");
            if (o == "change") {
                r.info[i].ready = numberOf(info[i], "ready");
            } else {
                r.info[i].result = numberOf(info[i], "result");
            }
        }
    } else if (o == "start") {
        r.cards = textOf(doc, "cards");
    } else if (o == "game") {
        r.per = numberOf(doc, "per");
        r.surplus = textOf(doc, "surplus");
        r.now = numberOf(doc, "now");
        r.cards = textOf(doc, "cards");
        r.score = numberOf(doc, "score");
        r.must = numberOf(doc, "must");
    } else if (o == "score") {
        r.p0 = textOf(doc, "p0");
        r.p1 = textOf(doc, "p1");
    } else if (o == "run") {
        r.site = numberOf(doc, "site");
        r.name = textOf(doc, "name");
    }
    return r;
}

}  // namespace

void fuzzServerMessage(const std::uint8_t* data, std::size_t size) {
    const char* body = reinterpret_cast<const char*>(data);

    // A record that already holds something: the reader must start from the defaults.
    stMsg msg;
    msg.opt = "game";
    msg.desk = 7;
    msg.cards = "1,2,";
    msg.info[3].name = "left over";
    const ReadResult result = readServerMessage(body, size, msg);

    if (result != ReadResult::Ok) {
        FUZZ_CHECK(sameRecord(msg, stMsg()));
    } else {
        FUZZ_CHECK(sameRecord(msg, onlyOwnFields(msg)));
    }
    FUZZ_CHECK(isVersionRejected(msg) ==
               (result == ReadResult::Ok && msg.opt == "query" && msg.version != "28"));
    if (std::memchr(body, 0, size) != nullptr) {
        FUZZ_CHECK(result == ReadResult::ParseError);
    }

    rapidjson::Document doc;
    const JsonVerdict verdict = judgeJson(body, size, doc);
    if (verdict == JsonVerdict::Unjudged) {
        return;
    }
    FUZZ_CHECK((result == ReadResult::ParseError) == (verdict == JsonVerdict::Invalid));
    if (verdict == JsonVerdict::Valid) {
        FUZZ_CHECK(result == expectedResult(doc));
        if (result == ReadResult::Ok) {
            FUZZ_CHECK(sameRecord(msg, expectedRecord(doc)));
        }
    }
}
