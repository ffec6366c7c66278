// Hand selection by touch: a tap toggles the card under it, a slide toggles each card it enters.
#include "cards/CardSprite.h"
#include "scenes/DeskScene.h"

USING_NS_CC;

namespace {

// A touch this far above the top edge of a card is above the hand.
constexpr float kAboveHandMargin = 30.0f;

void raise(CardSprite* card) {
    card->selected = true;
    card->setPosition(Vec2(card->getPositionX(), CDeskScene::kRaisedY));
}

void lower(CardSprite* card) {
    card->selected = false;
    card->setPosition(Vec2(card->getPositionX(), CDeskScene::kHandY));
}

}  // namespace

// Both handlers search from the rightmost card, which is drawn on top, to the leftmost, so a point
// where cards overlap belongs to the card seen there.

bool CDeskScene::onTouchBegan(Touch* touch, Event* /*event*/) {
    const Vec2 p = touch->getLocation();
    for (auto it = m_handCards.rbegin(); it != m_handCards.rend(); ++it) {
        CardSprite* card = *it;
        const Rect box = card->getBoundingBox();
        if (p.y > box.getMaxY() + kAboveHandMargin) {
            break;
        }
        if (box.containsPoint(p)) {
            m_lastTouchedCard = card;
            if (card->selected) {
                lower(card);
            } else {
                raise(card);
            }
            return true;
        }
    }
    // A touch that begins off the cards starts a fresh gesture: the first card a slide enters is
    // toggled, whichever card an earlier gesture toggled last.
    m_lastTouchedCard = nullptr;
    return true;
}

void CDeskScene::onTouchMoved(Touch* touch, Event* /*event*/) {
    const Vec2 p = touch->getLocation();
    for (auto it = m_handCards.rbegin(); it != m_handCards.rend(); ++it) {
        CardSprite* card = *it;
        const Rect box = card->getBoundingBox();
        if (p.y > box.getMaxY() + kAboveHandMargin) {
            return;
        }
        if (box.containsPoint(p)) {
            if (card == m_lastTouchedCard) {
                return;  // still on the card toggled last
            }
            m_lastTouchedCard = card;
            if (card->getPositionY() == kRaisedY) {
                lower(card);
            } else {
                raise(card);
            }
            return;
        }
    }
}
