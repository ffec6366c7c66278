#include "support/JsonOracle.h"

#include <cstring>

namespace {

// The recursive parser uses the call stack for nesting; below this many brackets it is safe.
constexpr std::size_t kMaxBrackets = 256;

}  // namespace

JsonVerdict judgeJson(const char* body, std::size_t size, rapidjson::Document& doc) {
    if (std::memchr(body, 0, size) != nullptr) {
        return JsonVerdict::Unjudged;
    }
    std::size_t brackets = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (body[i] == '[' || body[i] == '{') {
            ++brackets;
        }
    }
    if (brackets > kMaxBrackets) {
        return JsonVerdict::Unjudged;
    }
    const std::string copy(body, size);
    doc.Parse(copy.c_str());
    return doc.HasParseError() ? JsonVerdict::Invalid : JsonVerdict::Valid;
}

const rapidjson::Value* firstMember(const rapidjson::Value& object, const std::string& name) {
    for (auto it = object.MemberBegin(); it != object.MemberEnd(); ++it) {
        if (it->name.GetStringLength() == name.size() &&
            std::memcmp(it->name.GetString(), name.data(), name.size()) == 0) {
            return &it->value;
        }
    }
    return nullptr;
}

bool hasString(const rapidjson::Value& object, const std::string& name) {
    const rapidjson::Value* v = firstMember(object, name);
    return v != nullptr && v->IsString();
}
