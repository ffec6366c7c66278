// The configuration file service and values.
#include <filesystem>
#include <fstream>

#include "EngineFixture.h"

using namespace cocos2d;
using enginetest::EngineTest;

using ConfigurationTest = EngineTest;

namespace {
void write(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

const char* kPlist = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
    <key>title</key>
    <string>牌桌大厅</string>
    <key>host</key>
    <string>127.0.0.1</string>
    <key>empty</key>
    <string></string>
</dict>
</plist>
)";
}  // namespace

TEST_F(ConfigurationTest, ReadsStringValuesAndMissingKeysAreEmpty) {
    std::string dir = assets_ + "/config";
    ASSERT_TRUE(std::filesystem::create_directory(dir));
    write(dir + "/strings.plist", kPlist);
    Configuration* c = Configuration::getInstance();
    ASSERT_TRUE(c->loadConfigFile("config/strings.plist"));
    EXPECT_EQ(c->getValue("title").asString(), "牌桌大厅");
    EXPECT_EQ(c->getValue("host", Value::Null).asString(), "127.0.0.1");
    EXPECT_EQ(c->getValue("empty").asString(), "");
    EXPECT_FALSE(c->getValue("empty").isNull());
    EXPECT_TRUE(c->getValue("port").isNull());
    EXPECT_EQ(c->getValue("port").asString(), "");
    EXPECT_EQ(c->getValue("port", Value("9999")).asString(), "9999");
}

struct BadFile {
    const char* name;
    const char* content;  // nullptr: the file does not exist
};

class ConfigurationBadFileTest : public EngineTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(ConfigurationBadFileTest, MissingOrBrokenFileLeavesEveryKeyAsItWas) {
    const BadFile& b = GetParam();
    if (b.content)
        write(assets_ + "/bad.plist", b.content);
    Configuration* c = Configuration::getInstance();
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(c->loadConfigFile("bad.plist")) << b.name;
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(c->getValue("title").asString(), "") << b.name;
    EXPECT_EQ(c->getValue("host").asString(), "") << b.name;
    c->setValue("host", Value("10.0.0.1"));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(c->loadConfigFile("bad.plist"));
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(c->getValue("host").asString(), "10.0.0.1") << b.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConfigurationBadFileTest,
    ::testing::Values(BadFile{"missing", nullptr}, BadFile{"empty", ""}, BadFile{"not xml", "title = x"},
                      BadFile{"cut short", "<plist><dict><key>title</key><string>x</string>"},
                      BadFile{"no dict", "<plist><array/></plist>"},
                      BadFile{
                          "key without value",
                          "<plist><dict><key>title</key><string>t</string><key>host</key></dict></plist>"}));

TEST(ValueTest, ConversionsToText) {
    struct Case {
        Value v;
        std::string text;
        bool null;
    };
    std::vector<Case> cases{
        {Value::Null, "", true},
        {Value("abc"), "abc", false},
        {Value(std::string("x y")), "x y", false},
        {Value(42), "42", false},
        {Value(-7), "-7", false},
        {Value(true), "true", false},
        {Value(false), "false", false},
        {Value(0.5f), "0.5", false},
        {Value(static_cast<const char*>(nullptr)), "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.v.asString(), c.text);
        EXPECT_EQ(c.v.isNull(), c.null) << c.text;
    }
    EXPECT_EQ(Value("12abc").asInt(), 12);
    EXPECT_EQ(Value(3).asInt(), 3);
    EXPECT_TRUE(Value("true").asBool());
    EXPECT_EQ(Value("a"), Value("a"));
    EXPECT_NE(Value("1"), Value(1));
}
