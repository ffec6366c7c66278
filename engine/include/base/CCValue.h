// Value: a small variant of text, number or flag, and the configuration file
// service that holds such values by key.
#pragma once

#include <map>
#include <string>

namespace cocos2d {

class Value {
public:
    enum class Type { NONE, INTEGER, FLOAT, DOUBLE, BOOLEAN, STRING };

    static const Value Null;

    Value() = default;
    explicit Value(int v);
    explicit Value(float v);
    explicit Value(double v);
    explicit Value(bool v);
    explicit Value(const char* v);
    explicit Value(const std::string& v);

    bool operator==(const Value& o) const;
    bool operator!=(const Value& o) const { return !(*this == o); }

    // Text form: numbers in decimal, flags as "true"/"false", Null as "".
    std::string asString() const;
    int asInt() const;
    float asFloat() const;
    double asDouble() const;
    bool asBool() const;
    bool isNull() const { return _type == Type::NONE; }
    Type getType() const { return _type; }

private:
    Type _type = Type::NONE;
    std::string _string;
    double _number = 0.0;
};

// Configuration values by key, read from an XML property-list dictionary.
class Configuration {
public:
    static Configuration* getInstance();

    // Reads the <dict> of a property list (looked up in the assets folder).
    // A missing or broken file changes nothing and returns false.
    bool loadConfigFile(const std::string& filename);
    // The value of key, or defaultValue when the key is absent.
    const Value& getValue(const std::string& key, const Value& defaultValue = Value::Null) const;
    void setValue(const std::string& key, const Value& value);
    void clear();

private:
    std::map<std::string, Value> _values;
};

}  // namespace cocos2d
