// Desk reaction to server messages: seating, the deal, plays and turns, scores and the end of a hand.
#include <string>

#include "cards/CardSprite.h"
#include "net/MessageQueue.h"
#include "protocol/Message.h"
#include "rules/CardCodes.h"
#include "rules/CardList.h"
#include "rules/CardRules.h"
#include "scenes/DeskScene.h"
#include "scenes/DeskSounds.h"
#include "scenes/HallScene.h"

USING_NS_CC;

namespace {

bool isSeatNumber(int site) {
    return site >= 0 && site <= 3;
}

// "per" and "now" are -1 when the message has no such seat; anything else must name a seat.
bool isOptionalSeat(int site) {
    return site == -1 || isSeatNumber(site);
}

// The codes of a card list text that name real cards, in the order given.
std::vector<int> validCodes(const std::string& cards) {
    std::vector<int> codes;
    for (int code : parseCardList(cards)) {
        if (isDeckCode(code)) {
            codes.push_back(code);
        }
    }
    return codes;
}

}  // namespace

void CDeskScene::pollMessage(float /*dt*/) {
    std::shared_ptr<stMsg> msg = CMessageQueue::getInstance()->popMessage();
    if (!msg) {
        return;
    }
    const std::string& opt = msg->opt;
    if (opt == "change") {
        for (int i = 0; i < 4; ++i) {
            st_player_info* seat = seatOf(i);
            if (seat == nullptr) {
                continue;
            }
            const st_seat_info& entry = msg->info[i];
            seat->nameLabel->setString(entry.name);
            if (entry.name.empty()) {
                resetTable(i);
            }
            seat->readySprite->setVisible(entry.ready == 1);
        }
    } else if (opt == "start") {
        startGame();
        playDeskSound(kDealSound);
        // Codes that name no card are left out of the hand.
        std::vector<int> codes = validCodes(msg->cards);
        sortCards(codes);
        for (std::size_t i = 0; i < codes.size(); ++i) {
            CardSprite* card = CardSprite::createWithCode(codes[i]);
            if (card == nullptr) {
                continue;
            }
            // Placed for the n cards of this deal (the hand was emptied by the ready action).
            card->setPosition(Vec2(handCardX(i, codes.size(), card->getContentSize().width), kHandY));
            addChild(card, 1);
            m_handCards.push_back(card);
        }
    } else if (opt == "run") {
        if (!isSeatNumber(msg->site)) {
            return;
        }
        const std::string text = std::to_string(msg->site) + "->" + msg->name + ":-10\r\n";
        MessageBox(text.c_str(), "玩家逃跑，游戏结束");
        endHand();
    } else if (opt == "over") {
        std::string text;
        for (int k = 0; k < 4; ++k) {
            text += std::to_string(k) + ":" + std::to_string(msg->info[k].result) + "\r\n";
        }
        const int result = isSeatNumber(m_site) ? msg->info[m_site].result : 0;
        const char* title = result > 0   ? "游戏结束，你赢了！"
                            : result < 0 ? "游戏结束，你输了！"
                                         : "游戏结束，平局！";
        // Before the box: the sound plays while the result is read.
        if (result != 0) {
            playDeskSound(result > 0 ? kWinSound : kLoseSound);
        }
        MessageBox(text.c_str(), title);
        endHand();
    } else if (opt == "game") {
        // A seat number outside 0..3 has no record: the whole message is ignored.
        if (!isOptionalSeat(msg->per) || !isOptionalSeat(msg->now)) {
            return;
        }
        m_deskScoreLabel->setString(std::to_string(msg->score));
        if (msg->per != -1) {
            showPlay(msg);
        }
        if (msg->now != -1) {
            startTurn(msg);
        }
    } else if (opt == "score") {
        // The left number of the plate is always the own team's: seats 0 and 2 score in p0.
        const bool evenSeat = m_site % 2 == 0;
        m_teamScoreLabel->setString(evenSeat ? msg->p0 : msg->p1);
        m_rivalScoreLabel->setString(evenSeat ? msg->p1 : msg->p0);
    } else if (opt == "timeout") {
        returnToHall();
    }
}

void CDeskScene::endHand() {
    m_isPlaying = false;
    m_leaveWarned = false;
    resetTable(m_site);
    m_turnSite = -1;
    m_readyButton->setVisible(true);
    m_readyButton->setEnabled(true);
    updateHintButton();
}

void CDeskScene::startGame() {
    m_isPlaying = true;
    for (auto& entry : m_siteSeats) {
        entry.second->readySprite->setVisible(false);
    }
}

void CDeskScene::resetTable(int site) {
    m_teamScoreLabel->setString("0");
    m_rivalScoreLabel->setString("0");
    m_deskScoreLabel->setString("0");
    if (site == -1) {
        removeAllHandCards();
        m_noputButton->setVisible(false);
        m_putButton->setVisible(false);
        updateHintButton();
        for (int k = 0; k < 4; ++k) {
            st_player_info* seat = seatOf(k);
            if (seat == nullptr) {
                continue;
            }
            seat->countdownLabel->setVisible(false);
            seat->readySprite->setVisible(false);
            seat->overLabel->setVisible(false);
            seat->passLabel->setVisible(false);
            clearPlayedCards(*seat);
        }
        return;
    }
    st_player_info* seat = seatOf(site);
    if (seat == nullptr) {
        return;
    }
    seat->countdownLabel->setVisible(false);
    seat->readySprite->setVisible(false);
    seat->overLabel->setVisible(false);
    seat->passLabel->setVisible(false);
}

void CDeskScene::showPlay(std::shared_ptr<stMsg> msg) {
    st_player_info* seat = seatOf(msg->per);
    if (seat == nullptr) {
        return;
    }
    seat->surplusLabel->setString(msg->surplus);
    if (msg->surplus == "0") {
        seat->overLabel->setVisible(true);
    }
    seat->countdownLabel->setVisible(false);
    if (msg->cards.empty()) {
        seat->passLabel->setVisible(true);
        playDeskSound(kPassSound);
        return;
    }
    playDeskSound(kPlaySound);
    m_lastPlay.clear();
    // Codes that name no card are neither drawn nor kept as the play to beat.
    const std::vector<int> codes = validCodes(msg->cards);
    for (int code : codes) {
        CardSprite* card = CardSprite::createWithCode(code);
        if (card == nullptr) {
            continue;
        }
        const float cw = card->getContentSize().width;
        const float i = static_cast<float>(seat->playedCards.size());
        m_lastPlay.push_back(code);
        seat->playedCards.push_back(card);
        card->setPosition(Vec2(seat->playX + cw + kCardStep * i, static_cast<float>(seat->playY)));
        addChild(card);
    }
}

void CDeskScene::startTurn(std::shared_ptr<stMsg> msg) {
    st_player_info* seat = seatOf(msg->now);
    if (seat == nullptr) {
        return;
    }
    seat->passLabel->setVisible(false);
    clearPlayedCards(*seat);
    m_turnSite = msg->now;
    seat->countdownLabel->setString("30");
    seat->countdownLabel->setVisible(true);
    if (msg->must != 0) {
        // A fresh lead: the table is cleared.
        for (int k = 0; k < 4; ++k) {
            st_player_info* other = seatOf(k);
            if (other == nullptr) {
                continue;
            }
            other->passLabel->setVisible(false);
            clearPlayedCards(*other);
        }
    }
    if (m_turnSite == m_site) {
        playDeskSound(kTurnSound);
        if (msg->must != 0) {
            m_lastPlay.clear();
        } else {
            m_noputButton->setVisible(true);
            m_noputButton->setEnabled(true);
        }
        m_putButton->setVisible(true);
        m_putButton->setEnabled(true);
        resetHint();
        updateHintButton();
    }
}

void CDeskScene::returnToHall() {
    Scene* scene = Scene::create();
    CHallScene* hall = CHallScene::create();
    if (hall == nullptr) {
        return;
    }
    scene->addChild(hall);
    Director::getInstance()->replaceScene(scene);
}
