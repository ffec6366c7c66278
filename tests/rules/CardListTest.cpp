// The text form of card lists.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "rules/CardList.h"

namespace {

using Pieces = std::vector<std::string>;

TEST(CardList, SplitDropsEmptyPieces) {
    struct Case {
        std::string text, separator;
        Pieces pieces;
    };
    const Case cases[] = {
        {"8,9", ",", {"8", "9"}},
        {"8,9,", ",", {"8", "9"}},
        {",8,,9", ",", {"8", "9"}},
        {"", ",", {}},
        {",", ",", {}},
        {",,,", ",", {}},
        {"12", ",", {"12"}},
        {" 8, 9 ", ",", {" 8", " 9 "}},
        {"a::b:c::", "::", {"a", "b:c"}},
        // An empty separator splits nothing (and must not loop forever).
        {"8,9", "", {"8,9"}},
        {"", "", {}},
    };
    for (const Case& c : cases) {
        Pieces out = {"left", "over"};
        splitString(c.text, c.separator, out);
        EXPECT_EQ(out, c.pieces) << '"' << c.text << "\" on \"" << c.separator << '"';
    }
}

TEST(CardList, ParseCodeLikeAtoi) {
    struct Case {
        std::string text;
        int value;
    };
    const Case cases[] = {
        {"8", 8},
        {"53", 53},
        {" \t\n12", 12},
        {"-3", -3},
        {"+7", 7},
        {"12x", 12},
        {"x12", 0},
        {"", 0},
        {"-", 0},
        {" - 5", 0},
        {"007", 7},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        // Beyond the int range the value is clamped rather than left undefined.
        {"2147483648", INT_MAX},
        {"99999999999999999999999", INT_MAX},
        {"-99999999999999999999999", INT_MIN},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseCardCode(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(CardList, ParseListKeepsEveryCode) {
    struct Case {
        std::string text;
        std::vector<int> codes;
    };
    const Case cases[] = {
        {"8,9,", {8, 9}},
        {"8,9", {8, 9}},
        {"", {}},
        {",", {}},
        {"53,0,19,19", {53, 0, 19, 19}},
        {"1,x,54,-1", {1, 0, 54, -1}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseCardList(c.text), c.codes) << '"' << c.text << '"';
    }
}

}  // namespace
