#include "core/BotStrategy.h"

#include <climits>
#include <functional>

#include "rules/CardCodes.h"
#include "rules/CardRules.h"
#include "rules/HandFlow.h"

namespace hallserver {

namespace {

constexpr int kNumbers = kJokerNumber + 1;  // ace .. king, then the jokers

// The codes that carry one number: four suits, or the two jokers.
std::vector<int> codesOfNumber(int number) {
    if (number == kJokerNumber)
        return {kBlackJoker, kRedJoker};
    return {number * 4, number * 4 + 1, number * 4 + 2, number * 4 + 3};
}

int cardsOfNumber(const rules::Hand& hand, int number) {
    int total = 0;
    for (int code : codesOfNumber(number))
        total += hand.count(code);
    return total;
}

// The `n` lowest codes held of one number (fewer when not held).
std::vector<int> lowestOfNumber(const rules::Hand& hand, int number, int n) {
    std::vector<int> picked;
    for (int code : codesOfNumber(number)) {
        for (int i = 0; i < hand.count(code) && static_cast<int>(picked.size()) < n; ++i)
            picked.push_back(code);
    }
    return picked;
}

// Every multiset of `n` cards of one number that the hand holds.
void forEachGroup(const rules::Hand& hand, int number, int n,
                  const std::function<void(const std::vector<int>&)>& visit) {
    const std::vector<int> codes = codesOfNumber(number);
    std::vector<int> group;
    std::function<void(std::size_t, int)> walk = [&](std::size_t index, int left) {
        if (left == 0) {
            visit(group);
            return;
        }
        if (index == codes.size())
            return;
        const int most = std::min(left, hand.count(codes[index]));
        for (int take = most; take >= 0; --take) {
            group.insert(group.end(), take, codes[index]);
            walk(index + 1, left - take);
            group.resize(group.size() - take);
        }
    };
    walk(0, n);
}

// Runs of `width` cards per number over `length` consecutive numbers: two .. king, and the runs that
// end with the ace above the king. Takes the lowest cards of each number.
void forEachRun(const rules::Hand& hand, int width, int length,
                const std::function<void(const std::vector<int>&)>& visit) {
    // Numbers in run order: two (1) .. king (12), ace (0) above the king.
    const int order[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0};
    const int steps = 13;
    for (int start = 0; start + length <= steps; ++start) {
        std::vector<int> cards;
        bool complete = true;
        for (int i = 0; i < length && complete; ++i) {
            std::vector<int> part = lowestOfNumber(hand, order[start + i], width);
            complete = static_cast<int>(part.size()) == width;
            cards.insert(cards.end(), part.begin(), part.end());
        }
        if (complete) {
            sortCards(cards);
            visit(cards);
        }
    }
}

}  // namespace

std::vector<int> chooseLead(const rules::Hand& hand) {
    int best = -1;
    for (int code = 0; code < kDeckCodes; ++code) {
        if (hand.count(code) && (best < 0 || singleValue(code) < singleValue(best)))
            best = code;
    }
    if (best < 0)
        return {};
    return {best};
}

std::vector<int> chooseBeat(const rules::Hand& hand, const std::vector<int>& lastPlay) {
    std::vector<int> last = lastPlay;
    sortCards(last);
    const PlayInfo target = classifyPlay(last);
    const int n = static_cast<int>(last.size());
    std::vector<int> best;
    int bestValue = INT_MAX;
    auto consider = [&](const std::vector<int>& candidate) {
        if (static_cast<int>(candidate.size()) != n)
            return;
        std::vector<int> play = candidate;
        sortCards(play);
        const PlayInfo info = classifyPlay(play);
        if (info.type != target.type || info.value >= bestValue)
            return;
        // The same check the server makes of every play: held, and allowed on the play to beat.
        if (rules::checkMove(hand, last, play) != rules::Refusal::None)
            return;
        best = play;
        bestValue = info.value;
    };

    switch (target.type) {
        case PLAY_SINGLE:
        case PLAY_PAIR:
        case PLAY_TRIPLE:
        case PLAY_IDENTICAL:
        case PLAY_BOMB:
            for (int number = 0; number < kNumbers; ++number) {
                if (cardsOfNumber(hand, number) >= n)
                    forEachGroup(hand, number, n, consider);
            }
            break;
        case PLAY_PAIR_RUN:
            forEachRun(hand, 2, n / 2, consider);
            break;
        case PLAY_TRIPLE_RUN:
            forEachRun(hand, 3, n / 3, consider);
            break;
        case PLAY_FULL_HOUSE:
            for (int triple = 0; triple < kNumbers; ++triple) {
                if (cardsOfNumber(hand, triple) < 3)
                    continue;
                const std::vector<int> three = lowestOfNumber(hand, triple, 3);
                for (int pair = 0; pair < kNumbers; ++pair) {
                    if (pair == triple || cardsOfNumber(hand, pair) < 2)
                        continue;
                    std::vector<int> cards = three;
                    const std::vector<int> two = lowestOfNumber(hand, pair, 2);
                    cards.insert(cards.end(), two.begin(), two.end());
                    consider(cards);
                }
            }
            break;
        case PLAY_NONE:
            break;
    }
    return best;
}

std::vector<int> chooseMove(const rules::Hand& hand, const std::vector<int>& lastPlay) {
    if (lastPlay.empty())
        return chooseLead(hand);
    return chooseBeat(hand, lastPlay);
}

}  // namespace hallserver
