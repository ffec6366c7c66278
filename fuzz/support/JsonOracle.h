// A second reading of a JSON body, to compare a reader's verdict with.
#pragma once

#include <cstddef>
#include <string>

#include <rapidjson/document.h>

enum class JsonVerdict {
    Valid,     // one JSON document, white space around it at most; `doc` holds it
    Invalid,   // not one JSON document
    Unjudged,  // holds a NUL byte or may nest too deeply for the recursive parser: no opinion
};

// Parses a NUL-terminated copy of the body with rapidjson's recursive parser and default flags.
JsonVerdict judgeJson(const char* body, std::size_t size, rapidjson::Document& doc);

// The first member of `object` whose name has exactly the bytes of `name`, found by walking the
// members in order; null when there is none.
const rapidjson::Value* firstMember(const rapidjson::Value& object, const std::string& name);

// True when `object` has a first member `name` that is a string.
bool hasString(const rapidjson::Value& object, const std::string& name);
