// A rapidjson document that parses a small body in stack memory and only reaches for the heap when a
// body is large or deep. Both readers of the protocol use it: requests and messages are short.
#pragma once

#include <rapidjson/document.h>

namespace protocol_detail {

using PoolAllocator = rapidjson::MemoryPoolAllocator<rapidjson::CrtAllocator>;
using Document = rapidjson::GenericDocument<rapidjson::UTF8<>, PoolAllocator, PoolAllocator>;
using Value = rapidjson::GenericValue<rapidjson::UTF8<>, PoolAllocator>;

class SmallDocument {
public:
    SmallDocument()
        : m_values(m_valueBuffer, sizeof m_valueBuffer),
          m_stack(m_stackBuffer, sizeof m_stackBuffer),
          m_document(&m_values, sizeof m_stackBuffer, &m_stack) {}
    SmallDocument(const SmallDocument&) = delete;
    SmallDocument& operator=(const SmallDocument&) = delete;

    Document& document() { return m_document; }

private:
    char m_valueBuffer[4096];
    char m_stackBuffer[1024];
    PoolAllocator m_values;
    PoolAllocator m_stack;
    Document m_document;
};

// The first member called `name`, or null. rapidjson's lookup walks the members in order, so a
// duplicated name yields its first occurrence.
inline const Value* findMember(const Value& object, const char* name) {
    auto it = object.FindMember(name);
    return it == object.MemberEnd() ? nullptr : &it->value;
}

}  // namespace protocol_detail
