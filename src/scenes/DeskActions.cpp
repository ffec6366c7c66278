// Player actions: the ready, return, pass and play buttons, and the turn countdown that acts for the
// player when the own turn runs out.
#include <cstdlib>
#include <string>

#include "cards/CardSprite.h"
#include "net/MessageQueue.h"
#include "protocol/Protocol.h"
#include "rules/CardRules.h"
#include "scenes/DeskScene.h"
#include "scenes/DeskSounds.h"

USING_NS_CC;

void CDeskScene::onReadyClicked(Ref* /*sender*/, TouchEventType type) {
    if (type != TouchEventType::ENDED) {
        return;
    }
    m_readyButton->setVisible(false);
    m_readyButton->setEnabled(false);
    CMessageQueue::getInstance()->sendMessage(makeReadyRequest(m_desk, m_site));
    resetTable(-1);
    if (st_player_info* own = seatOf(m_site)) {
        own->readySprite->setVisible(true);
    }
}

void CDeskScene::onReturnClicked(Ref* /*sender*/, TouchEventType type) {
    if (type != TouchEventType::ENDED) {
        return;
    }
    if (m_isPlaying && !m_leaveWarned) {
        MessageBox("游戏还未结束，真的要退出吗？再次点击返回按钮将强制退出回到大厅！", "提醒");
        m_leaveWarned = true;
        return;
    }
    CMessageQueue::getInstance()->sendMessage(makeLeaveRequest(m_desk, m_site));
    returnToHall();
}

void CDeskScene::onNoputClicked(Ref* /*sender*/, TouchEventType type) {
    if (type != TouchEventType::ENDED) {
        return;
    }
    if (m_lastPlay.empty()) {
        return;  // leading: there is nothing to pass on
    }
    m_noputButton->setEnabled(false);
    m_putButton->setEnabled(false);
    m_putButton->setVisible(false);
    m_noputButton->setVisible(false);
    updateHintButton();
    CMessageQueue::getInstance()->sendMessage(makePassRequest(m_desk, m_site));
}

void CDeskScene::collectSelectedCards(std::vector<int>& codes) {
    codes.clear();
    for (CardSprite* card : m_handCards) {
        if (card->getPositionY() == kRaisedY) {
            codes.push_back(card->cardCode);
        }
    }
}

void CDeskScene::onPutClicked(Ref* /*sender*/, TouchEventType type) {
    if (type != TouchEventType::ENDED) {
        return;
    }
    std::vector<int> selection;
    collectSelectedCards(selection);
    if (selection.empty() || !isPlayAllowed(m_lastPlay, selection)) {
        MessageBox("出牌不符合规则.", "提示");
        return;
    }
    m_putButton->setVisible(false);
    m_noputButton->setVisible(false);
    m_noputButton->setEnabled(false);
    m_putButton->setEnabled(false);
    updateHintButton();
    m_lastPlay = selection;
    for (int code : selection) {
        for (std::size_t i = 0; i < m_handCards.size(); ++i) {
            if (m_handCards[i]->cardCode == code) {
                removeHandCard(i);
                break;
            }
        }
    }
    if (!m_handCards.empty()) {
        layoutHand();
    }
    CMessageQueue::getInstance()->sendMessage(makePlayRequest(m_desk, m_site, selection));
}

void CDeskScene::countdownTick(float /*dt*/) {
    if (!m_isPlaying || m_turnSite == -1) {
        return;
    }
    st_player_info* seat = seatOf(m_turnSite);
    if (seat == nullptr) {
        return;
    }
    const int left = std::atoi(seat->countdownLabel->getString().c_str()) - 1;
    seat->countdownLabel->setString(std::to_string(left));
    // The last seconds of the own turn tick, while the player has still to act.
    if (m_turnSite == m_site && left >= 0 && left <= kTickSeconds && m_putButton->isVisible()) {
        playDeskSound(kTickSound);
    }
    if (left >= 0 || m_turnSite != m_site) {
        return;  // another seat's countdown just goes on below zero until the turn moves
    }

    // The own turn has run out: act for the player.
    seat->countdownLabel->setVisible(false);
    m_putButton->setVisible(false);
    m_noputButton->setVisible(false);
    updateHintButton();
    std::string request;
    if (m_lastPlay.empty()) {
        if (m_handCards.empty()) {
            // Nothing to lead with: send nothing and stop counting.
            m_turnSite = -1;
            return;
        }
        request = makeAutoLeadRequest(m_desk, m_site, m_handCards.front()->cardCode);
        removeHandCard(0);
        layoutHand();
    } else {
        request = makePassRequest(m_desk, m_site);
    }
    CMessageQueue::getInstance()->sendMessage(request);
    m_turnSite = -1;
}
