// Values and the configuration file service.
#include <tinyxml2.h>

#include <cstdlib>
#include <sstream>

#include "Internal.h"

namespace cocos2d {

const Value Value::Null;

Value::Value(int v) : _type(Type::INTEGER), _number(v) {}
Value::Value(float v) : _type(Type::FLOAT), _number(v) {}
Value::Value(double v) : _type(Type::DOUBLE), _number(v) {}
Value::Value(bool v) : _type(Type::BOOLEAN), _number(v ? 1 : 0) {}
Value::Value(const char* v) : _type(Type::STRING), _string(v ? v : "") {}
Value::Value(const std::string& v) : _type(Type::STRING), _string(v) {}

bool Value::operator==(const Value& o) const {
    if (_type != o._type)
        return false;
    return _type == Type::STRING ? _string == o._string : _number == o._number;
}

std::string Value::asString() const {
    switch (_type) {
        case Type::NONE:
            return std::string();
        case Type::STRING:
            return _string;
        case Type::BOOLEAN:
            return _number != 0 ? "true" : "false";
        case Type::INTEGER:
            return std::to_string(static_cast<long long>(_number));
        case Type::FLOAT:
        case Type::DOUBLE: {
            std::ostringstream os;
            os << _number;
            return os.str();
        }
    }
    return std::string();
}

int Value::asInt() const {
    if (_type == Type::STRING)
        return std::atoi(_string.c_str());
    return static_cast<int>(_number);
}

float Value::asFloat() const {
    return static_cast<float>(asDouble());
}

double Value::asDouble() const {
    if (_type == Type::STRING)
        return std::atof(_string.c_str());
    return _number;
}

bool Value::asBool() const {
    if (_type == Type::STRING)
        return !(_string.empty() || _string == "0" || _string == "false");
    return _number != 0;
}

Configuration* Configuration::getInstance() {
    static Configuration* config = new Configuration();
    return config;
}

bool Configuration::loadConfigFile(const std::string& filename) {
    std::string path = FileUtils::getInstance()->fullPathForFilename(filename);
    tinyxml2::XMLDocument doc;
    if (doc.LoadFile(path.c_str()) != tinyxml2::XML_SUCCESS) {
        detail::reportOnce("engine: cannot read configuration " + path + ": " + doc.ErrorStr());
        return false;
    }
    tinyxml2::XMLElement* root = doc.RootElement();
    tinyxml2::XMLElement* dict = nullptr;
    if (root && std::string(root->Name()) == "plist")
        dict = root->FirstChildElement("dict");
    else if (root && std::string(root->Name()) == "dict")
        dict = root;
    if (!dict) {
        detail::reportOnce("engine: configuration " + path + " holds no dictionary");
        return false;
    }
    // Read the whole dictionary before taking any of it, so that a broken
    // file changes nothing.
    std::map<std::string, Value> values;
    for (tinyxml2::XMLElement* e = dict->FirstChildElement(); e; e = e->NextSiblingElement()) {
        if (std::string(e->Name()) != "key")
            continue;
        std::string key = e->GetText() ? e->GetText() : "";
        tinyxml2::XMLElement* v = e->NextSiblingElement();
        if (!v) {
            detail::reportOnce("engine: configuration " + path + ": key " + key + " has no value");
            return false;
        }
        std::string kind = v->Name();
        const char* text = v->GetText() ? v->GetText() : "";
        if (kind == "string")
            values[key] = Value(std::string(text));
        else if (kind == "integer")
            values[key] = Value(std::atoi(text));
        else if (kind == "real")
            values[key] = Value(std::atof(text));
        else if (kind == "true")
            values[key] = Value(true);
        else if (kind == "false")
            values[key] = Value(false);
        // Nested dictionaries and arrays are not used and are skipped.
        e = v;
    }
    for (auto& kv : values)
        _values[kv.first] = kv.second;
    return true;
}

const Value& Configuration::getValue(const std::string& key, const Value& defaultValue) const {
    auto it = _values.find(key);
    return it == _values.end() ? defaultValue : it->second;
}

void Configuration::setValue(const std::string& key, const Value& value) {
    _values[key] = value;
}

void Configuration::clear() {
    _values.clear();
}

}  // namespace cocos2d
