// The search builds one play for each strength a hand can reach, type by type, from the number of
// copies the hand holds of each code, asks the rules whether it may follow the last play, and orders
// what they accept. The value of every play type is carried by one card (the highest card of a group,
// of the top group of a run, of the triple of a full house), so "one play per strength" means one play
// per such card: that card plus the lowest codes that complete the shape.
#include "rules/PlaySearch.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "rules/CardRules.h"

namespace {

constexpr int kCodes = 54;        // 0..53, the jokers included
constexpr int kNumbers = 14;      // ace .. king, then the jokers as number 13
constexpr int kJokerNumber = 13;  // the number of the codes 52 and 53
constexpr int kMaxBomb = 16;
// Numbers in run order: two .. king, then the ace above the king.
constexpr std::array<int, 13> kRunOrder = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0};
// Numbers from the weakest pair to the strongest: three .. king, ace, two, jokers.
constexpr std::array<int, kNumbers> kPairStrengthOrder = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 1, 13};

int firstCodeOf(int number) {
    return number == kJokerNumber ? 52 : number * 4;
}
int lastCodeOf(int number) {
    return number == kJokerNumber ? 53 : number * 4 + 3;
}

bool isBombClass(PlayType type) {
    return type == PLAY_BOMB || type == PLAY_IDENTICAL;
}

// Sort key, weakest first: tier (ordinary, bomb, identical copies, unbeatable), type within the
// ordinary tier, size, value.
using OrderKey = std::array<int, 4>;

OrderKey orderKey(const PlayInfo& info, std::size_t size) {
    int tier = 0;
    int typeRank = 0;
    if (info.value == TOP_CARD_VALUE) {
        tier = 3;
    } else if (info.type == PLAY_IDENTICAL) {
        tier = 2;
    } else if (info.type == PLAY_BOMB) {
        tier = 1;
    } else {
        switch (info.type) {
            case PLAY_SINGLE:
                typeRank = 0;
                break;
            case PLAY_PAIR:
                typeRank = 1;
                break;
            case PLAY_TRIPLE:
                typeRank = 2;
                break;
            case PLAY_FULL_HOUSE:
                typeRank = 3;
                break;
            case PLAY_PAIR_RUN:
                typeRank = 4;
                break;
            default:
                typeRank = 5;
                break;
        }
    }
    return {tier, typeRank, static_cast<int>(size), info.value};
}

struct Candidate {
    OrderKey key;
    std::vector<int> cards;
};

class Search {
public:
    Search(const std::vector<int>& hand, const std::vector<int>& lastPlay) : m_last(lastPlay) {
        for (int code : hand) {
            if (code >= 0 && code < kCodes) {
                ++m_count[static_cast<std::size_t>(code)];
                ++m_perNumber[static_cast<std::size_t>(cardNumber(code))];
            }
        }
        sortCards(m_last);
        m_lastInfo = classifyPlay(m_last);
        m_scratch.reserve(64);
    }

    std::vector<std::vector<int>> run() {
        // Nothing follows a play worth the top card.
        if (!m_last.empty() && m_lastInfo.value == TOP_CARD_VALUE) {
            return {};
        }
        if (wants(PLAY_SINGLE)) {
            singles();
        }
        if (wants(PLAY_PAIR)) {
            pairs();
        }
        if (wants(PLAY_TRIPLE)) {
            triples();
        }
        if (wants(PLAY_FULL_HOUSE)) {
            fullHouses();
        }
        if (wants(PLAY_PAIR_RUN)) {
            runs(2, 4, PLAY_PAIR_RUN);
        }
        if (wants(PLAY_TRIPLE_RUN)) {
            runs(3, 3, PLAY_TRIPLE_RUN);
        }
        bombs();
        identicals();
        std::sort(m_found.begin(), m_found.end(),
                  [](const Candidate& a, const Candidate& b) { return a.key < b.key; });
        std::vector<std::vector<int>> plays;
        plays.reserve(m_found.size());
        for (Candidate& c : m_found) {
            plays.push_back(std::move(c.cards));
        }
        return plays;
    }

private:
    int count(int code) const { return m_count[static_cast<std::size_t>(code)]; }
    int cardsOfNumber(int number) const { return m_perNumber[static_cast<std::size_t>(number)]; }

    // A lead takes every type; a play to beat takes its own type and the bomb class.
    bool wants(PlayType type) const { return m_last.empty() || type == m_lastInfo.type || isBombClass(type); }

    // Keeps the play in m_scratch (ascending codes) when it is of the type it was built as and the
    // rules let it follow the last play. A shape that the rules read as another type (three or four
    // copies of one code built as a triple or a bomb) is left to the builder of that type.
    void offer(PlayType type) {
        const PlayInfo info = classifyPlay(m_scratch);
        if (info.type != type || !isPlayAllowed(m_last, m_scratch)) {
            return;
        }
        m_found.push_back({orderKey(info, m_scratch.size()), m_scratch});
    }

    // Appends `width` cards of top's number whose highest is `top`: the lowest codes up to top, one
    // copy of top kept back for the end. False (nothing appended) when the hand has too few.
    bool appendGroupWithTop(int top, int width) {
        const std::size_t start = m_scratch.size();
        int need = width - 1;
        for (int code = firstCodeOf(cardNumber(top)); code <= top && need > 0; ++code) {
            const int spare = count(code) - (code == top ? 1 : 0);
            for (int k = 0; k < spare && need > 0; ++k, --need) {
                m_scratch.push_back(code);
            }
        }
        if (need > 0) {
            m_scratch.resize(start);
            return false;
        }
        m_scratch.push_back(top);
        return true;
    }

    // Appends the `width` lowest cards of a number; the caller has checked that the hand has them.
    void appendLowest(int number, int width) {
        for (int code = firstCodeOf(number); code <= lastCodeOf(number) && width > 0; ++code) {
            for (int k = 0; k < count(code) && width > 0; ++k, --width) {
                m_scratch.push_back(code);
            }
        }
    }

    // One play per card that may carry the value: `width` cards of the number topped by each code held.
    void groupsOf(int number, int width, PlayType type) {
        for (int top = firstCodeOf(number); top <= lastCodeOf(number); ++top) {
            if (count(top) == 0) {
                continue;
            }
            m_scratch.clear();
            if (appendGroupWithTop(top, width)) {
                offer(type);
            }
        }
    }

    void singles() {
        for (int code = 0; code < kCodes; ++code) {
            if (count(code) > 0) {
                m_scratch.assign(1, code);
                offer(PLAY_SINGLE);
            }
        }
    }

    void pairs() {
        for (int number = 0; number < kJokerNumber; ++number) {
            if (cardsOfNumber(number) >= 2) {
                groupsOf(number, 2, PLAY_PAIR);
            }
        }
        // Two top cards are worth more than a top card with a lower five, which groupsOf gives
        // whenever the hand has one.
        if (count(19) >= 2 && (count(16) + count(17) + count(18)) > 0) {
            m_scratch.assign(2, 19);
            offer(PLAY_PAIR);
        }
        // A black and a red joker are no pair: only two of the same joker.
        for (int joker : {52, 53}) {
            if (count(joker) >= 2) {
                m_scratch.assign(2, joker);
                offer(PLAY_PAIR);
            }
        }
    }

    // Triples: three copies of one code are the identical type, so a triple needs a lower code beside
    // its top; appendGroupWithTop takes one whenever the hand has it.
    void triples() {
        for (int number = 0; number < kJokerNumber; ++number) {
            if (cardsOfNumber(number) >= 3) {
                groupsOf(number, 3, PLAY_TRIPLE);
            }
        }
    }

    void identicals() {
        for (int code = 0; code < kCodes; ++code) {
            for (int copies = 3; copies <= 4 && copies <= count(code); ++copies) {
                m_scratch.assign(static_cast<std::size_t>(copies), code);
                offer(PLAY_IDENTICAL);
            }
        }
    }

    void bombs() {
        for (int number = 0; number < kJokerNumber; ++number) {
            const int most = std::min(kMaxBomb, cardsOfNumber(number));
            for (int size = 4; size <= most; ++size) {
                groupsOf(number, size, PLAY_BOMB);
            }
        }
    }

    // Runs of `width` cards per number over at least `minGroups` consecutive numbers in run order;
    // the top group carries the value, so one run per code of the top number.
    void runs(int width, int minGroups, PlayType type) {
        const int steps = static_cast<int>(kRunOrder.size());
        for (int start = 0; start < steps; ++start) {
            for (int length = 1; start + length <= steps; ++length) {
                const int topNumber = kRunOrder[static_cast<std::size_t>(start + length - 1)];
                if (cardsOfNumber(topNumber) < width) {
                    break;
                }
                if (length >= minGroups) {
                    runsTopped(width, start, length, type);
                }
            }
        }
    }

    void runsTopped(int width, int start, int length, PlayType type) {
        const int topNumber = kRunOrder[static_cast<std::size_t>(start + length - 1)];
        const bool aceHigh = topNumber == 0;  // the aces' codes come first in a sorted list
        for (int top = firstCodeOf(topNumber); top <= lastCodeOf(topNumber); ++top) {
            if (count(top) == 0) {
                continue;
            }
            m_scratch.clear();
            if (aceHigh && !appendGroupWithTop(top, width)) {
                continue;
            }
            for (int i = start; i < start + length - 1; ++i) {
                appendLowest(kRunOrder[static_cast<std::size_t>(i)], width);
            }
            if (!aceHigh && !appendGroupWithTop(top, width)) {
                continue;
            }
            offer(type);
        }
    }

    // Full houses: the triple carries the value and the pair only completes the shape, so each code
    // that can top a triple gets the weakest pair of another number. Jokers can be the pair (any two)
    // and the triple (any three); five jokers are a full house too, for a hand with no other pair.
    void fullHouses() {
        for (int number = 0; number < kNumbers; ++number) {
            if (cardsOfNumber(number) < 3) {
                continue;
            }
            const int pairNumber = weakestPairBesides(number);
            for (int top = firstCodeOf(number); top <= lastCodeOf(number); ++top) {
                if (count(top) == 0) {
                    continue;
                }
                m_scratch.clear();
                if (pairNumber < 0) {
                    if (number == kJokerNumber && appendFiveJokers(top)) {
                        offer(PLAY_FULL_HOUSE);
                    }
                    continue;
                }
                if (pairNumber < number) {
                    appendLowest(pairNumber, 2);
                }
                if (!appendGroupWithTop(top, 3)) {
                    continue;
                }
                if (pairNumber > number) {
                    appendLowest(pairNumber, 2);
                }
                offer(PLAY_FULL_HOUSE);
            }
        }
    }

    int weakestPairBesides(int number) const {
        for (int candidate : kPairStrengthOrder) {
            if (candidate != number && cardsOfNumber(candidate) >= 2) {
                return candidate;
            }
        }
        return -1;
    }

    // Five jokers whose third card (the one that carries the value) is `top`.
    bool appendFiveJokers(int top) {
        const int black = count(52);
        const int red = count(53);
        int blacks = 0;
        if (top == 52) {
            blacks = std::min(black, 5);  // at least three, so that the third is black
            if (blacks < 3) {
                return false;
            }
        } else {
            blacks = std::min(black, 2);  // at most two, so that the third is red
        }
        const int reds = 5 - blacks;
        if (reds > red) {
            return false;
        }
        m_scratch.insert(m_scratch.end(), static_cast<std::size_t>(blacks), 52);
        m_scratch.insert(m_scratch.end(), static_cast<std::size_t>(reds), 53);
        return true;
    }

    std::array<int, kCodes> m_count{};
    std::array<int, kNumbers> m_perNumber{};
    std::vector<int> m_last;
    PlayInfo m_lastInfo;
    std::vector<int> m_scratch;
    std::vector<Candidate> m_found;
};

}  // namespace

std::vector<std::vector<int>> findCandidatePlays(const std::vector<int>& hand,
                                                 const std::vector<int>& lastPlay) {
    return Search(hand, lastPlay).run();
}
