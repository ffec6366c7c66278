// The hint button and the keys of the desk's actions.
#include "cards/CardSprite.h"
#include "rules/PlaySearch.h"
#include "scenes/DeskScene.h"

USING_NS_CC;

namespace {

// A key acts as a click on its button: only while the button could take one.
bool takesClicks(const ui::Button* button) {
    return button->isEnabled() && button->isVisibleInTree();
}

}  // namespace

void CDeskScene::updateHintButton() {
    const bool shown = m_putButton->isVisible() && !m_readyButton->isVisible();
    m_hintButton->setVisible(shown);
    m_hintButton->setEnabled(shown);
}

void CDeskScene::resetHint() {
    m_hintPlays.clear();
    m_hintSearched = false;
    m_hintNext = 0;
}

void CDeskScene::onHintClicked(Ref* /*sender*/, TouchEventType type) {
    if (type != TouchEventType::ENDED) {
        return;
    }
    // The hand and the play to beat stay as they are for the whole turn: search once.
    if (!m_hintSearched) {
        std::vector<int> hand;
        for (const CardSprite* card : m_handCards) {
            hand.push_back(card->cardCode);
        }
        m_hintPlays = findCandidatePlays(hand, m_lastPlay);
        m_hintSearched = true;
        m_hintNext = 0;
    }
    for (CardSprite* card : m_handCards) {
        card->selected = false;
        card->setPosition(Vec2(card->getPositionX(), kHandY));
    }
    if (m_hintPlays.empty()) {
        m_hintNote->setVisible(true);
        // A press while the note is up shows it for the full time again.
        unschedule(CC_SCHEDULE_SELECTOR(CDeskScene::hideHintNote));
        scheduleOnce(CC_SCHEDULE_SELECTOR(CDeskScene::hideHintNote), kHintNoteSeconds);
        return;
    }
    // Raise one card per code of the play, each the leftmost of its code not raised yet, so that
    // copies of one code take as many cards.
    for (int code : m_hintPlays[m_hintNext]) {
        for (CardSprite* card : m_handCards) {
            if (card->cardCode == code && !card->selected) {
                card->selected = true;
                card->setPosition(Vec2(card->getPositionX(), kRaisedY));
                break;
            }
        }
    }
    m_hintNext = (m_hintNext + 1) % m_hintPlays.size();
}

void CDeskScene::hideHintNote(float /*dt*/) {
    m_hintNote->setVisible(false);
}

void CDeskScene::onKeyPressed(EventKeyboard::KeyCode key, Event* /*event*/) {
    using Key = EventKeyboard::KeyCode;
    switch (key) {
        case Key::KEY_SPACE:
        case Key::KEY_ENTER:
        case Key::KEY_KP_ENTER:
            if (takesClicks(m_putButton)) {
                onPutClicked(m_putButton, TouchEventType::ENDED);
            }
            break;
        case Key::KEY_P:
            if (takesClicks(m_noputButton)) {
                onNoputClicked(m_noputButton, TouchEventType::ENDED);
            }
            break;
        case Key::KEY_H:
            if (takesClicks(m_hintButton)) {
                onHintClicked(m_hintButton, TouchEventType::ENDED);
            }
            break;
        case Key::KEY_ESCAPE:
            if (takesClicks(m_returnButton)) {
                onReturnClicked(m_returnButton, TouchEventType::ENDED);
            }
            break;
        case Key::KEY_M:
            AudioEngine::getInstance()->toggleMuted();
            break;
        default:
            break;
    }
}
