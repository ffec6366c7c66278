// The server's side of the protocol: reading client requests and writing server messages.
#include <gtest/gtest.h>

#include <rapidjson/document.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "protocol/Frame.h"
#include "protocol/Requests.h"
#include "protocol/ServerMessages.h"

namespace {

rapidjson::Document parse(const std::string& body) {
    rapidjson::Document document;
    document.Parse(body.c_str());
    return document;
}

// A member's text, or "<missing>" when it is absent or not a string.
std::string member(const rapidjson::Value& v, const char* key) {
    auto it = v.FindMember(key);
    if (it == v.MemberEnd() || !it->value.IsString())
        return "<missing>";
    return std::string(it->value.GetString(), it->value.GetStringLength());
}

}  // namespace

TEST(ServerRequests, ReadsEveryRequestTheClientSends) {
    struct Case {
        const char* body;
        ParseOutcome outcome;
        RequestKind kind;
        int desk, site;
        std::vector<int> cards;
    } cases[] = {
        {"{\"opt\":\"query\"}", ParseOutcome::Ok, RequestKind::Query, -1, -1, {}},
        {"{\"opt\":\"add\"}", ParseOutcome::Ok, RequestKind::Add, -1, -1, {}},
        {"{\"opt\":\"change\",\"type\":\"ready\",\"desk\":3,\"site\":1}",
         ParseOutcome::Ok,
         RequestKind::Ready,
         3,
         1,
         {}},
        {"{\"opt\":\"change\",\"type\":\"leave\",\"desk\":3,\"site\":1}",
         ParseOutcome::Ok,
         RequestKind::Leave,
         3,
         1,
         {}},
        {"{\"opt\":\"game\",\"desk\":3,\"site\":1,\"cards\":\"8,9,\"}",
         ParseOutcome::Ok,
         RequestKind::Play,
         3,
         1,
         {8, 9}},
        {"{\"opt\":\"game\",\"desk\":3,\"site\":1,\"cards\":\"8\"}",
         ParseOutcome::Ok,
         RequestKind::Play,
         3,
         1,
         {8}},
        {"{\"opt\":\"game\",\"desk\":3,\"site\":1,\"cards\":\"\"}",
         ParseOutcome::Ok,
         RequestKind::Play,
         3,
         1,
         {}},
        {" { \"site\" : 0 , \"cards\":\"53,0\", \"desk\":12, \"opt\":\"game\", \"x\":[1] } ",
         ParseOutcome::Ok,
         RequestKind::Play,
         12,
         0,
         {53, 0}},
        // Broken requests are ignored, not fatal.
        {"{\"opt\":\"game\",\"desk\":3,\"site\":1,\"cards\":\"54\"}",
         ParseOutcome::Ignored,
         RequestKind::Other,
         0,
         0,
         {}},
        {"{\"opt\":\"game\",\"desk\":3,\"site\":1,\"cards\":\"8,a\"}",
         ParseOutcome::Ignored,
         RequestKind::Other,
         0,
         0,
         {}},
        {"{\"opt\":\"game\",\"desk\":3,\"site\":1,\"cards\":\"+8\"}",
         ParseOutcome::Ignored,
         RequestKind::Other,
         0,
         0,
         {}},
        {"{\"opt\":\"game\",\"desk\":3,\"site\":1,\"cards\":\"008\"}",
         ParseOutcome::Ignored,
         RequestKind::Other,
         0,
         0,
         {}},
        {"{\"opt\":\"game\",\"desk\":3,\"site\":1,\"cards\":8}",
         ParseOutcome::Ignored,
         RequestKind::Other,
         0,
         0,
         {}},
        {"{\"opt\":\"game\",\"desk\":3,\"cards\":\"8\"}",
         ParseOutcome::Ignored,
         RequestKind::Other,
         0,
         0,
         {}},
        {"{\"opt\":\"game\",\"desk\":1.5,\"site\":1,\"cards\":\"8\"}",
         ParseOutcome::Ignored,
         RequestKind::Other,
         0,
         0,
         {}},
        {"{\"opt\":\"change\",\"type\":\"sit\",\"desk\":3,\"site\":1}",
         ParseOutcome::Ignored,
         RequestKind::Other,
         0,
         0,
         {}},
        {"{\"opt\":\"change\",\"desk\":3,\"site\":1}", ParseOutcome::Ignored, RequestKind::Other, 0, 0, {}},
        {"{\"opt\":\"Query\"}", ParseOutcome::Ignored, RequestKind::Other, 0, 0, {}},
        {"{\"opt\":7}", ParseOutcome::Ignored, RequestKind::Other, 0, 0, {}},
        {"{}", ParseOutcome::Ignored, RequestKind::Other, 0, 0, {}},
        {"\"add\"", ParseOutcome::Ignored, RequestKind::Other, 0, 0, {}},
        // Not JSON at all.
        {"", ParseOutcome::NotJson, RequestKind::Other, 0, 0, {}},
        {"{\"opt\":\"add\"", ParseOutcome::NotJson, RequestKind::Other, 0, 0, {}},
        {"{\"opt\":\"add\"}{}", ParseOutcome::NotJson, RequestKind::Other, 0, 0, {}},
        {"{'opt':'add'}", ParseOutcome::NotJson, RequestKind::Other, 0, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        Request request;
        const std::string body = c.body;
        ASSERT_EQ(parseRequest(body.data(), body.size(), request), c.outcome);
        if (c.outcome != ParseOutcome::Ok)
            continue;
        EXPECT_EQ(request.kind, c.kind);
        EXPECT_EQ(request.desk, c.desk);
        EXPECT_EQ(request.site, c.site);
        EXPECT_EQ(request.cards, c.cards);
    }
}

TEST(ServerRequests, BodyIsReadByItsLengthNotUpToANul) {
    const std::string body("{\"opt\":\"add\"}\0garbage", 21);
    Request request;
    EXPECT_EQ(parseRequest(body.data(), 13, request), ParseOutcome::Ok);
    EXPECT_EQ(parseRequest(body.data(), body.size(), request), ParseOutcome::NotJson);
}

TEST(ServerMessages, EveryScalarIsAStringAndNamesAreEscaped) {
    std::array<st_seat_info, 4> seats;
    seats[0] = {"玩家1", 1, 0};
    seats[1] = {"a\"b\\c\n", 0, 0};
    struct Case {
        std::string body;
        std::vector<std::pair<const char*, const char*>> members;
    } cases[] = {
        {queryMessage(12, "28"), {{"opt", "query"}, {"online", "12"}, {"version", "28"}}},
        {addMessage(3, 1, "玩家7"), {{"opt", "add"}, {"desk", "3"}, {"site", "1"}, {"name", "玩家7"}}},
        {startMessage({0, 8, 53}), {{"opt", "start"}, {"cards", "0,8,53"}}},
        {gameMessage(-1, {}, "", 2, 0, 1),
         {{"per", "-1"}, {"cards", ""}, {"surplus", ""}, {"now", "2"}, {"score", "0"}, {"must", "1"}}},
        {gameMessage(1, {16, 17}, "40", -1, 25, 0),
         {{"per", "1"},
          {"cards", "16,17"},
          {"surplus", "40"},
          {"now", "-1"},
          {"score", "25"},
          {"must", "0"}}},
        {scoreMessage(120, -5), {{"opt", "score"}, {"p0", "120"}, {"p1", "-5"}}},
        {runMessage(3, "A"), {{"opt", "run"}, {"site", "3"}, {"name", "A"}}},
        {timeoutMessage(), {{"opt", "timeout"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        auto doc = parse(c.body);
        ASSERT_TRUE(doc.IsObject());
        for (auto& m : doc.GetObject()) {
            if (std::string(m.name.GetString()) != "info") {
                EXPECT_TRUE(m.value.IsString()) << m.name.GetString();
            }
        }
        for (const auto& [key, value] : c.members)
            EXPECT_EQ(member(doc, key), value) << key;
    }
    auto change = parse(changeMessage(seats));
    ASSERT_TRUE(change["info"].IsArray());
    ASSERT_EQ(change["info"].Size(), 4u);
    EXPECT_EQ(member(change["info"][0], "name"), "玩家1");
    EXPECT_EQ(member(change["info"][0], "ready"), "1");
    EXPECT_EQ(member(change["info"][1], "name"), "a\"b\\c\n");
    EXPECT_EQ(member(change["info"][2], "name"), "");
    auto over = parse(overMessage(seats));
    EXPECT_EQ(member(over["info"][0], "result"), "0");

    const std::string frame = encodeFrame("{\"opt\":\"timeout\"}");
    ASSERT_EQ(frame.size(), 4u + 17u);
    EXPECT_EQ(static_cast<unsigned char>(frame[0]), 17);
    EXPECT_EQ(frame[1], 0);
}

// The exact bytes of every message: clients and tests read these texts, so a change shows here.
TEST(ServerMessages, TextsAreByteExact) {
    std::array<st_seat_info, 4> seats;
    seats[0] = {"玩家1", 1, 1};
    seats[1] = {"机器人2", 0, -1};
    seats[3] = {"x", 1, 0};
    struct Case {
        std::string built;
        std::string expected;
    } cases[] = {
        {queryMessage(12, "28"), R"({"opt":"query","online":"12","version":"28"})"},
        {addMessage(3, 1, "玩家7"), R"({"opt":"add","desk":"3","site":"1","name":"玩家7"})"},
        {changeMessage(seats),
         R"({"opt":"change","info":[{"name":"玩家1","ready":"1"},{"name":"机器人2","ready":"0"},)"
         R"({"name":"","ready":"0"},{"name":"x","ready":"1"}]})"},
        {overMessage(seats),
         R"({"opt":"over","info":[{"name":"玩家1","result":"1"},{"name":"机器人2","result":"-1"},)"
         R"({"name":"","result":"0"},{"name":"x","result":"0"}]})"},
        {startMessage({0, 8, 53}), R"({"opt":"start","cards":"0,8,53"})"},
        {startMessage({}), R"({"opt":"start","cards":""})"},
        {gameMessage(-1, {}, "", 2, 0, 1),
         R"({"opt":"game","per":"-1","cards":"","surplus":"","now":"2","score":"0","must":"1"})"},
        {gameMessage(1, {16, 17}, "40", -1, 25, 0),
         R"({"opt":"game","per":"1","cards":"16,17","surplus":"40","now":"-1","score":"25","must":"0"})"},
        {scoreMessage(120, -5), R"({"opt":"score","p0":"120","p1":"-5"})"},
        {runMessage(3, "A"), R"({"opt":"run","site":"3","name":"A"})"},
        {timeoutMessage(), R"({"opt":"timeout"})"},
        // Names go out byte for byte: only '"', '\' and bytes below 0x20 are escaped; DEL and bytes
        // that are not UTF-8 (a GBK name) are left as they are.
        {runMessage(0, std::string("a\"b\\c\n\r\t\x01\x1f\x7f", 11)),
         std::string(R"({"opt":"run","site":"0","name":"a\"b\\c\n\r\t\u0001\u001f)") + "\x7f\"}"},
        {addMessage(1, 2, "\xcd\xe6\xbc\xd2\xff"),
         "{\"opt\":\"add\",\"desk\":\"1\",\"site\":\"2\",\"name\":\"\xcd\xe6\xbc\xd2\xff\"}"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.built, c.expected);
    }
}
