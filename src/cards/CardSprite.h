// The engine sprite that draws one card face from the card frames.
#pragma once

#include "cocos2d.h"

class CardSprite : public cocos2d::Sprite {
public:
    // A card sprite with no face yet: cardCode -1, not selected. Null when the sprite cannot be
    // initialised.
    static CardSprite* create();
    // The face of `code`, autoreleased, not added to any parent. Null for a code outside 0..53, and
    // when the card frames are not registered (no face to draw).
    static CardSprite* createWithCode(int code);

    ~CardSprite() override = default;

    int cardCode = -1;      // the card shown; set once by createWithCode
    bool selected = false;  // raised in the player's hand, picked for the next play

protected:
    CardSprite() = default;
};
