#include "cards/CardSprite.h"

#include <new>
#include <string>

#include "rules/CardCodes.h"

USING_NS_CC;

namespace {

constexpr float kCornerScale = 0.4f;
constexpr float kCornerX = 12;
constexpr float kNumberBelowTop = 20;
constexpr float kSuitBelowTop = 45;

SpriteFrame* frameNamed(const std::string& name) {
    return SpriteFrameCache::getInstance()->getSpriteFrameByName(name);
}

// A corner picture (number or suit) scaled down and centred at (x, y) of the card. A frame that is
// not registered leaves that corner empty.
void addCorner(CardSprite* card, const std::string& frameName, float x, float y) {
    SpriteFrame* frame = frameNamed(frameName);
    if (!frame) {
        return;
    }
    Sprite* corner = Sprite::createWithSpriteFrame(frame);
    if (!corner) {
        return;
    }
    corner->setScale(kCornerScale);
    corner->setPosition(Vec2(x, y));
    card->addChild(corner);
}

}  // namespace

CardSprite* CardSprite::create() {
    CardSprite* sprite = new (std::nothrow) CardSprite();
    if (sprite && sprite->init()) {
        sprite->autorelease();
        return sprite;
    }
    delete sprite;
    return nullptr;
}

CardSprite* CardSprite::createWithCode(int code) {
    if (code < 0 || code > kRedJoker) {
        return nullptr;
    }
    const bool joker = code == kBlackJoker || code == kRedJoker;
    SpriteFrame* face = frameNamed(code == kBlackJoker ? "b_joker" : code == kRedJoker ? "r_joker" : "front");
    if (!face) {
        return nullptr;
    }
    CardSprite* card = create();
    if (!card) {
        return nullptr;
    }
    card->cardCode = code;
    card->initWithSpriteFrame(face);
    if (joker) {
        // A joker is one whole-card picture.
        return card;
    }
    const Size size = card->getContentSize();
    const int number = code / 4;
    const int suit = code % 4;
    const std::string colour = suit < 2 ? "b_num" : "r_num";
    addCorner(card, colour + std::to_string(number), kCornerX, size.height - kNumberBelowTop);
    addCorner(card, "flower" + std::to_string(suit), kCornerX, size.height - kSuitBelowTop);
    return card;
}
