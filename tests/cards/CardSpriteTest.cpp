// The card sprite: the face, the corner number and suit of each card, the jokers, and codes that
// name no card.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "app/SpriteFrames.h"
#include "cards/CardSprite.h"
#include "cocos2d.h"
#include "engine_testing.h"

USING_NS_CC;

namespace {

class CardSprites : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(cocos2d::testing::startHeadless(CARDHALL_TEST_ASSETS));
        loadSpriteFrames();
    }
    void TearDown() override { cocos2d::testing::shutdown(); }

    static SpriteFrame* frame(const std::string& name) {
        return SpriteFrameCache::getInstance()->getSpriteFrameByName(name);
    }
};

TEST_F(CardSprites, NewSpriteHasNoCard) {
    CardSprite* card = CardSprite::create();
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->cardCode, -1);
    EXPECT_FALSE(card->selected);
    EXPECT_EQ(card->getChildrenCount(), 0);

    CardSprite* seven = CardSprite::createWithCode(7);
    ASSERT_NE(seven, nullptr);
    EXPECT_EQ(seven->cardCode, 7);
    EXPECT_FALSE(seven->selected);
    EXPECT_EQ(seven->getParent(), nullptr);
    EXPECT_EQ(seven->getPosition(), Vec2::ZERO);
    EXPECT_EQ(seven->getAnchorPoint(), Vec2(0.5f, 0.5f));
}

TEST_F(CardSprites, FacesShowNumberAboveSuit) {
    struct Case {
        int code;
        const char* number;
        const char* suit;
    };
    const Case cases[] = {
        {0, "b_num0", "flower0"}, {3, "r_num0", "flower3"},   {51, "r_num12", "flower3"},
        {4, "b_num1", "flower0"}, {19, "r_num4", "flower3"},  {48, "b_num12", "flower0"},
        {9, "b_num2", "flower1"}, {46, "r_num11", "flower2"}, {50, "r_num12", "flower2"},
    };
    for (const Case& c : cases) {
        CardSprite* card = CardSprite::createWithCode(c.code);
        ASSERT_NE(card, nullptr) << c.code;
        EXPECT_EQ(card->cardCode, c.code);
        EXPECT_EQ(card->getSpriteFrame(), frame("front")) << c.code;
        const Size size = card->getContentSize();
        EXPECT_EQ(size, Size(98, 138)) << c.code;
        ASSERT_EQ(card->getChildrenCount(), 2) << c.code;

        auto* number = dynamic_cast<Sprite*>(card->getChildren()[0]);
        auto* suit = dynamic_cast<Sprite*>(card->getChildren()[1]);
        ASSERT_NE(number, nullptr);
        ASSERT_NE(suit, nullptr);
        EXPECT_EQ(number->getSpriteFrame(), frame(c.number)) << c.code;
        EXPECT_EQ(suit->getSpriteFrame(), frame(c.suit)) << c.code;
        EXPECT_FLOAT_EQ(number->getScale(), 0.4f);
        EXPECT_FLOAT_EQ(suit->getScale(), 0.4f);
        EXPECT_EQ(number->getPosition(), Vec2(12, 118)) << c.code;
        EXPECT_EQ(suit->getPosition(), Vec2(12, 93)) << c.code;
        EXPECT_EQ(number->getLocalZOrder(), 0);
        EXPECT_EQ(suit->getLocalZOrder(), 0);
    }
}

TEST_F(CardSprites, JokersAreWholePictures) {
    struct Case {
        int code;
        const char* frame;
    };
    for (const Case& c : {Case{52, "b_joker"}, Case{53, "r_joker"}}) {
        CardSprite* card = CardSprite::createWithCode(c.code);
        ASSERT_NE(card, nullptr);
        EXPECT_EQ(card->cardCode, c.code);
        EXPECT_EQ(card->getSpriteFrame(), frame(c.frame));
        EXPECT_EQ(card->getChildrenCount(), 0);
        EXPECT_EQ(card->getContentSize(), Size(98, 138));
    }
}

TEST_F(CardSprites, CodesThatNameNoCardGiveNull) {
    for (int code : {-1, 54, 55, 56, 100, INT_MIN, INT_MAX}) {
        EXPECT_EQ(CardSprite::createWithCode(code), nullptr) << code;
    }
}

// Without the card frames there is no face to draw: null, and no crash.
TEST_F(CardSprites, MissingFramesGiveNull) {
    SpriteFrameCache::getInstance()->removeSpriteFrames();
    for (int code : {0, 19, 52, 53}) {
        EXPECT_EQ(CardSprite::createWithCode(code), nullptr) << code;
    }
    // The face alone: the card draws without its corner pictures.
    SpriteFrameCache::getInstance()->addSpriteFrame(
        SpriteFrame::create("poker_surface.png", Rect(0, 0, 98, 138)), "front");
    CardSprite* card = CardSprite::createWithCode(8);
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->getChildrenCount(), 0);
}

// A card kept by its parent lives on after the autorelease pool drains, and is drawn.
TEST_F(CardSprites, CardLivesInItsParent) {
    Scene* scene = Scene::create();
    Director::getInstance()->runWithScene(scene);
    CardSprite* card = CardSprite::createWithCode(19);
    ASSERT_NE(card, nullptr);
    card->setPosition(Vec2(512, 384));
    scene->addChild(card);
    cocos2d::testing::step(3);
    ASSERT_EQ(scene->getChildrenCount(), 1);
    EXPECT_EQ(scene->getChildren()[0], card);
    EXPECT_EQ(card->cardCode, 19);
    EXPECT_EQ(card->getReferenceCount(), 1u);
    // The face is light where the card stands, whatever the felt around it.
    const Color3B centre = cocos2d::testing::pixelAt(Vec2(512, 384));
    EXPECT_GT(centre.r + centre.g + centre.b, 3 * 150)
        << int(centre.r) << "," << int(centre.g) << "," << int(centre.b);
}

}  // namespace
