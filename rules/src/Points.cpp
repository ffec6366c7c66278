#include "rules/Points.h"

#include "rules/CardCodes.h"

namespace rules {

namespace {

constexpr int kFiveNumber = 4;
constexpr int kTenNumber = 9;

}  // namespace

int cardPoints(int code) {
    if (!isOrdinaryCode(code))
        return 0;
    switch (cardNumber(code)) {
        case kFiveNumber:
            return 5;
        case kTenNumber:
        case kKingNumber:
            return 10;
        default:
            return 0;
    }
}

int playPoints(const std::vector<int>& cards) {
    int points = 0;
    for (int code : cards)
        points += cardPoints(code);
    return points;
}

}  // namespace rules
