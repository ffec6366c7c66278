// The wire protocol: request texts, the reading of every server message, number texts, frames.

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "protocol/Protocol.h"

namespace {

bool sameSeat(const st_seat_info& a, const st_seat_info& b) {
    return a.name == b.name && a.ready == b.ready && a.result == b.result;
}

bool sameMsg(const stMsg& a, const stMsg& b) {
    for (int i = 0; i < 4; ++i) {
        if (!sameSeat(a.info[i], b.info[i])) {
            return false;
        }
    }
    return a.opt == b.opt && a.online == b.online && a.name == b.name && a.desk == b.desk &&
           a.site == b.site && a.cards == b.cards && a.per == b.per && a.surplus == b.surplus &&
           a.now == b.now && a.score == b.score && a.must == b.must && a.p0 == b.p0 && a.p1 == b.p1 &&
           a.version == b.version;
}

std::string describe(const stMsg& m) {
    std::string s =
        "opt=" + m.opt + " online=" + m.online + " name=" + m.name + " desk=" + std::to_string(m.desk) +
        " site=" + std::to_string(m.site) + " cards=" + m.cards + " per=" + std::to_string(m.per) +
        " surplus=" + m.surplus + " now=" + std::to_string(m.now) + " score=" + std::to_string(m.score) +
        " must=" + std::to_string(m.must) + " p0=" + m.p0 + " p1=" + m.p1 + " version=" + m.version;
    for (const auto& seat : m.info) {
        s += " [" + seat.name + "," + std::to_string(seat.ready) + "," + std::to_string(seat.result) + "]";
    }
    return s;
}

stMsg with(const std::function<void(stMsg&)>& fill) {
    stMsg m;
    fill(m);
    return m;
}

TEST(ProtocolRequests, TextsAreByteExact) {
    struct Case {
        std::string built;
        std::string expected;
    };
    const Case cases[] = {
        {makeQueryRequest(), R"({"opt":"query"})"},
        {makeAddRequest(), R"({"opt":"add"})"},
        {makeReadyRequest(3, 1), R"({"opt":"change","type":"ready","desk":3,"site":1})"},
        {makeLeaveRequest(3, 1), R"({"opt":"change","type":"leave","desk":3,"site":1})"},
        {makePlayRequest(3, 1, {8, 9}), R"({"opt":"game","desk":3,"site":1,"cards":"8,9,"})"},
        {makePlayRequest(3, 1, {8}), R"({"opt":"game","desk":3,"site":1,"cards":"8,"})"},
        {makePlayRequest(0, 0, {}), R"({"opt":"game","desk":0,"site":0,"cards":""})"},
        {makePassRequest(3, 1), R"({"opt":"game","desk":3,"site":1,"cards":""})"},
        {makeAutoLeadRequest(3, 1, 8), R"({"opt":"game","desk":3,"site":1,"cards":"8"})"},
        {makeAutoLeadRequest(12, 2, 53), R"({"opt":"game","desk":12,"site":2,"cards":"53"})"},
        // Plain decimal: no leading zeros, "-" for negatives.
        {makeReadyRequest(-1, -2), R"({"opt":"change","type":"ready","desk":-1,"site":-2})"},
        {makeLeaveRequest(100, 0), R"({"opt":"change","type":"leave","desk":100,"site":0})"},
        {makePlayRequest(7, 3, {0, 19, 52, 53}), R"({"opt":"game","desk":7,"site":3,"cards":"0,19,52,53,"})"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.built, c.expected);
    }
}

TEST(ProtocolReader, EveryMessageKindFillsItsFields) {
    struct Case {
        const char* body;
        stMsg expected;
    };
    const Case cases[] = {
        {R"({"opt":"query","online":"7","version":"28"})", with([](stMsg& m) {
             m.opt = "query";
             m.online = "7";
             m.version = "28";
         })},
        {R"({"opt":"add","desk":"3","site":"1","name":"小明"})", with([](stMsg& m) {
             m.opt = "add";
             m.desk = 3;
             m.site = 1;
             m.name = "小明";
         })},
        {R"({"opt":"change","info":[{"name":"a","ready":"1"},{"name":"","ready":"0"},
            {"name":"c","ready":"0"},{"name":"d","ready":"1"}]})",
         with([](stMsg& m) {
             m.opt = "change";
             m.info[0] = {"a", 1, 0};
             m.info[1] = {"", 0, 0};
             m.info[2] = {"c", 0, 0};
             m.info[3] = {"d", 1, 0};
         })},
        {R"({"opt":"start","cards":"0,5,19,53,"})", with([](stMsg& m) {
             m.opt = "start";
             m.cards = "0,5,19,53,";
         })},
        {R"({"opt":"over","info":[{"name":"a","result":"2"},{"name":"b","result":"-2"},
            {"name":"c","result":"2"},{"name":"d","result":"0"}]})",
         with([](stMsg& m) {
             m.opt = "over";
             m.info[0] = {"a", 0, 2};
             m.info[1] = {"b", 0, -2};
             m.info[2] = {"c", 0, 2};
             m.info[3] = {"d", 0, 0};
         })},
        {R"({"opt":"game","per":"2","surplus":"25","now":"3","cards":"8,9,","score":"15","must":"0"})",
         with([](stMsg& m) {
             m.opt = "game";
             m.per = 2;
             m.surplus = "25";
             m.now = 3;
             m.cards = "8,9,";
             m.score = 15;
             m.must = 0;
         })},
        {R"({"opt":"game","per":"-1","surplus":"","now":"-1","cards":"","score":"40","must":"1"})",
         with([](stMsg& m) {
             m.opt = "game";
             m.score = 40;
             m.must = 1;
         })},
        {R"({"opt":"score","p0":"120","p1":"-35"})", with([](stMsg& m) {
             m.opt = "score";
             m.p0 = "120";
             m.p1 = "-35";
         })},
        {R"({"opt":"run","site":"2","name":"c"})", with([](stMsg& m) {
             m.opt = "run";
             m.site = 2;
             m.name = "c";
         })},
        {R"({"opt":"timeout"})", with([](stMsg& m) { m.opt = "timeout"; })},
        // An unknown opt keeps only `opt`, even when it carries members of known kinds.
        {R"({"opt":"hello","desk":"4","name":"x","info":5})", with([](stMsg& m) { m.opt = "hello"; })},
        // Case matters: "Query" is an unknown opt, read without its members.
        {R"({"opt":"Query","online":"9","version":"1"})", with([](stMsg& m) { m.opt = "Query"; })},
        {R"({"opt":""})", stMsg()},
    };
    for (const auto& c : cases) {
        stMsg got;
        ASSERT_EQ(readServerMessage(c.body, got), ReadResult::Ok) << c.body;
        EXPECT_TRUE(sameMsg(got, c.expected))
            << c.body << "\n got: " << describe(got) << "\nwant: " << describe(c.expected);
    }
}

TEST(ProtocolReader, LayoutOfTheTextDoesNotMatter) {
    const stMsg add = with([](stMsg& m) {
        m.opt = "add";
        m.desk = 12;
        m.site = 3;
        m.name = "n";
    });
    const char* bodies[] = {
        R"({"name":"n","site":"3","desk":"12","opt":"add"})",
        " \t\r\n{ \"opt\" : \"add\" ,\n\"desk\":\"12\",\t\"site\" :\"3\", \"name\":\"n\" } \n",
        R"({"opt":"add","desk":"12","site":"3","name":"n","extra":{"a":[1,2,{"b":null}]},"n":3.5})",
        // The first of two equal member names counts.
        R"({"opt":"add","desk":"12","desk":"99","site":"3","name":"n","name":"other"})",
        R"({"opt":"add","opt":"query","desk":"12","site":"3","name":"n"})",
    };
    for (const char* body : bodies) {
        stMsg got;
        ASSERT_EQ(readServerMessage(body, got), ReadResult::Ok) << body;
        EXPECT_TRUE(sameMsg(got, add)) << body << "\n got: " << describe(got);
    }
}

TEST(ProtocolReader, InfoIsReadByPositionAndOnlyFourSeatsCount) {
    stMsg got;
    ASSERT_EQ(readServerMessage(R"({"opt":"change","info":[{"ready":"1","name":"a","x":1},
        {"name":"b","ready":"0"},{"name":"c","ready":"1"},{"name":"d","ready":"0"},
        {"name":"e","ready":"1"},7]})",
                                got),
              ReadResult::Ok);
    EXPECT_EQ(got.info[0].name, "a");
    EXPECT_EQ(got.info[0].ready, 1);
    EXPECT_EQ(got.info[3].name, "d");
    EXPECT_EQ(got.info[3].ready, 0);
}

TEST(ProtocolReader, TextIsTakenAfterUnescaping) {
    stMsg got;
    ASSERT_EQ(readServerMessage(R"({"opt":"run","site":"1","name":"a\"b\\c\u4e2d\u0000z"})", got),
              ReadResult::Ok);
    EXPECT_EQ(got.name, std::string("a\"b\\c中\0z", 10));
}

TEST(ProtocolReader, NumberTextsUseAtoiReading) {
    struct Case {
        const char* text;
        int value;
    };
    const Case cases[] = {
        {"12abc", 12},
        {"abc", 0},
        {"-1", -1},
        {" 7", 7},
        {"\t\n\v\f\r 8", 8},
        {"+5", 5},
        {"", 0},
        {"-", 0},
        {"- 3", 0},
        {"007", 7},
        {"-0012x", -12},
        {"3 4", 3},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", INT_MAX},
        {"99999999999999999999", INT_MAX},
        {"-99999999999999999999", INT_MIN},
        {"1e3", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(numberFromText(c.text), c.value) << '"' << c.text << '"';
        // The same reading applies inside a message.
        stMsg got;
        std::string body = std::string(R"({"opt":"run","name":"","site":)") + jsonQuote(c.text) + "}";
        ASSERT_EQ(readServerMessage(body, got), ReadResult::Ok) << body;
        EXPECT_EQ(got.site, c.value) << body;
    }
}

TEST(ProtocolReader, VersionCheck) {
    struct Case {
        const char* body;
        bool rejected;
    };
    const Case cases[] = {
        {R"({"opt":"query","online":"1","version":"28"})", false},
        {R"({"opt":"query","online":"1","version":"28 "})", true},
        {R"({"opt":"query","online":"1","version":" 28"})", true},
        {R"({"opt":"query","online":"1","version":"27"})", true},
        {R"({"opt":"query","online":"1","version":"280"})", true},
        {R"({"opt":"query","online":"1","version":"2"})", true},
        {R"({"opt":"query","online":"1","version":""})", true},
        {R"({"opt":"query","online":"1","version":"28\u0000"})", true},
        // Only "query" is checked, and only spelled exactly so.
        {R"({"opt":"Query","online":"1","version":"27"})", false},
        {R"({"opt":"add","desk":"1","site":"1","name":"","version":"27"})", false},
    };
    for (const auto& c : cases) {
        stMsg got;
        ASSERT_EQ(readServerMessage(c.body, got), ReadResult::Ok) << c.body;
        EXPECT_EQ(isVersionRejected(got), c.rejected) << c.body;
    }
    EXPECT_EQ(versionRejectedText(),
              std::string("版本过低，请前往 ") + kDownloadAddress + " 下载新版客户端!");
}

TEST(ProtocolReader, BodiesThatAreNotOneJsonDocumentAreParseErrors) {
    const std::string bodies[] = {
        "",
        " ",
        "{",
        "not json",
        R"({"opt":"query"} x)",
        R"({"opt":"query"}{"opt":"add"})",
        R"({"opt":'query'})",
        R"({"opt":"query",})",
        std::string("{\"opt\":\"timeout\"}\0", 18),
        std::string("{\"opt\":\"timeout\"}\0garbage", 25),
        std::string("{\"opt\":\"time\0out\"}", 18),
        std::string(1000000, '['),
        std::string(500000, '{'),
    };
    for (const auto& body : bodies) {
        stMsg got;
        got.opt = "left over";
        EXPECT_EQ(readServerMessage(body, got), ReadResult::ParseError) << body.substr(0, 40);
        EXPECT_TRUE(sameMsg(got, stMsg())) << body.substr(0, 40);
    }
}

TEST(ProtocolReader, DeepButValidDocumentsAreRead) {
    const int depth = 400000;
    std::string body =
        R"({"opt":"timeout","deep":)" + std::string(depth, '[') + std::string(depth, ']') + "}";
    stMsg got;
    ASSERT_EQ(readServerMessage(body, got), ReadResult::Ok);
    EXPECT_EQ(got.opt, "timeout");
    EXPECT_EQ(readServerMessage(std::string(depth, '[') + std::string(depth, ']'), got),
              ReadResult::SchemaError);
}

TEST(ProtocolReader, MessagesThatBreakTheirSchemaAreRefused) {
    const char* bodies[] = {
        R"([])",
        R"("query")",
        R"(28)",
        R"(null)",
        R"({})",
        R"({"opt":5})",
        R"({"opt":null})",
        R"({"opt":["query"]})",
        R"({"Opt":"query","online":"1","version":"28"})",
        R"({"opt":"query","online":"1"})",
        R"({"opt":"query","version":"28"})",
        R"({"opt":"query","online":7,"version":"28"})",
        R"({"opt":"query","online":"7","version":28})",
        R"({"opt":"add","desk":3,"site":"1","name":"a"})",
        R"({"opt":"add","desk":"3","name":"a"})",
        R"({"opt":"add","desk":"3","site":"1"})",
        R"({"opt":"add","desk":"3","site":"1","name":null})",
        R"({"opt":"change"})",
        R"({"opt":"change","info":{}})",
        R"({"opt":"change","info":[{"name":"a","ready":"1"},{"name":"b","ready":"1"},{"name":"c","ready":"1"}]})",
        R"({"opt":"change","info":[{"name":"a","ready":"1"},{"name":"b","ready":"1"},{"name":"c","ready":"1"},5]})",
        R"({"opt":"change","info":[{"name":"a","ready":"1"},{"name":"b","ready":"1"},{"name":"c","ready":"1"},{"name":"d"}]})",
        R"({"opt":"change","info":[{"name":"a","ready":1},{"name":"b","ready":"1"},{"name":"c","ready":"1"},{"name":"d","ready":"1"}]})",
        R"({"opt":"change","info":[{"name":"a","result":"1"},{"name":"b","result":"1"},{"name":"c","result":"1"},{"name":"d","result":"1"}]})",
        R"({"opt":"over","info":[{"name":"a","ready":"1"},{"name":"b","ready":"1"},{"name":"c","ready":"1"},{"name":"d","ready":"1"}]})",
        R"({"opt":"over","info":[{"result":"1"},{"name":"b","result":"1"},{"name":"c","result":"1"},{"name":"d","result":"1"}]})",
        R"({"opt":"start"})",
        R"({"opt":"start","cards":[1,2]})",
        R"({"opt":"game","per":"2","surplus":"25","now":"3","cards":"8,9,","score":"15"})",
        R"({"opt":"game","per":"2","surplus":25,"now":"3","cards":"8,9,","score":"15","must":"0"})",
        R"({"opt":"game","per":2,"surplus":"25","now":"3","cards":"8,9,","score":"15","must":"0"})",
        R"({"opt":"score","p0":"1"})",
        R"({"opt":"score","p0":1,"p1":"2"})",
        R"({"opt":"run","name":"a"})",
        R"({"opt":"run","site":"1","name":false})",
        // The first "desk" counts, and it is not a text.
        R"({"opt":"add","desk":3,"desk":"3","site":"1","name":"a"})",
    };
    for (const char* body : bodies) {
        stMsg got;
        EXPECT_EQ(readServerMessage(body, got), ReadResult::SchemaError) << body;
        EXPECT_TRUE(sameMsg(got, stMsg())) << body << "\n got: " << describe(got);
    }
}

TEST(ProtocolFrames, LengthIsFourBytesLittleEndian) {
    EXPECT_EQ(encodeFrame("{}"), std::string("\x02\x00\x00\x00{}", 6));
    EXPECT_EQ(encodeFrame(""), std::string(4, '\0'));
    std::string big(0x010203, 'x');
    std::string frame = encodeFrame(big);
    ASSERT_EQ(frame.size(), 4 + big.size());
    EXPECT_EQ(frame.substr(0, 4), std::string("\x03\x02\x01\x00", 4));

    const unsigned char lengths[][4] = {
        {0, 0, 0, 0}, {1, 0, 0, 0}, {0, 0, 0x10, 0}, {0xff, 0xff, 0xff, 0xff}, {0x78, 0x56, 0x34, 0x12}};
    const std::uint32_t values[] = {0, 1, kMaxMessageLength, 0xffffffffu, 0x12345678u};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(decodeFrameLength(lengths[i]), values[i]);
    }
}

TEST(ProtocolFrames, ReaderCutsAStreamIntoBodiesWhateverThePieces) {
    std::string big(kMaxMessageLength, 'b');
    const std::vector<std::string> bodies = {R"({"opt":"add"})", "x", big, R"({"opt":"timeout"})"};
    std::string stream;
    for (const auto& b : bodies) {
        stream += encodeFrame(b);
    }
    for (std::size_t piece : {std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(4), std::size_t(5),
                              std::size_t(7), std::size_t(4096), std::size_t(65536), stream.size()}) {
        FrameReader reader(kMaxMessageLength);
        std::vector<std::string> got;
        std::string body;
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            reader.append(stream.data() + at, std::min(piece, stream.size() - at));
            FrameReader::Status status;
            while ((status = reader.next(body)) == FrameReader::Status::Frame) {
                got.push_back(body);
            }
            ASSERT_EQ(status, FrameReader::Status::NeedMore) << piece;
        }
        EXPECT_EQ(got, bodies) << "pieces of " << piece;
        EXPECT_EQ(reader.buffered(), 0u);
    }
}

TEST(ProtocolFrames, ReaderRefusesBadLengthsBeforeTheirBody) {
    struct Case {
        std::uint32_t length;
        FrameReader::Status status;  // once the 4 length bytes are there
    };
    const Case cases[] = {
        {0, FrameReader::Status::BadLength},
        {kMaxMessageLength + 1, FrameReader::Status::BadLength},
        {0xffffffffu, FrameReader::Status::BadLength},
        {kMaxMessageLength, FrameReader::Status::NeedMore},
        {1, FrameReader::Status::NeedMore},
    };
    for (const auto& c : cases) {
        const std::string length{char(c.length & 0xff), char((c.length >> 8) & 0xff),
                                 char((c.length >> 16) & 0xff), char(c.length >> 24)};
        FrameReader reader(kMaxMessageLength);
        std::string body;
        reader.append(length.data(), 3);
        EXPECT_EQ(reader.next(body), FrameReader::Status::NeedMore);
        EXPECT_FALSE(reader.inBody());  // a stream ending here ends inside a length
        reader.append(length.data() + 3, 1);
        EXPECT_EQ(reader.next(body), c.status) << c.length;
        EXPECT_TRUE(reader.inBody());
        // A refused length stays refused: nothing after it is read as a frame.
        reader.append("{}", 2);
        if (c.status == FrameReader::Status::BadLength) {
            EXPECT_EQ(reader.next(body), FrameReader::Status::BadLength);
        }
    }
}

TEST(ProtocolTrace, QuotedTextIsAlwaysValidJson) {
    struct Case {
        std::string text;
        std::string quoted;
    };
    const Case cases[] = {
        {"", R"("")"},
        {R"({"opt":"add"})", R"("{\"opt\":\"add\"}")"},
        {"a\\b", R"("a\\b")"},
        {"line\nnext\r\t", R"("line\nnext\r\t")"},
        {std::string("\0\x01\x1f\x7f", 4), R"("\u0000\u0001\u001f\u007f")"},
        {"连接服务器失败！", "\"连接服务器失败！\""},
        {"\xff"
         "a\xc3",
         R"("\ufffda\ufffd")"},
        {"\xc0\xaf", R"("\ufffd\ufffd")"},            // overlong "/"
        {"\xed\xa0\x80", R"("\ufffd\ufffd\ufffd")"},  // a surrogate
        {"\xf0\x9f\x82\xa1", "\"\xf0\x9f\x82\xa1\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(jsonQuote(c.text), c.quoted);
    }
}

}  // namespace
