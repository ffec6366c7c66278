#include "SceneFixture.h"

using namespace scenetest;
using cocos2d::Vec2;
namespace cct = cocos2d::testing;

namespace {

class DeskLayoutTest : public SceneTest {};

// Anchor points of every seat node on a 1024 x 768 screen, by screen seat.
struct SeatPlaces {
    int screenSeat;
    Vec2 name;
    Vec2 surplus;
    Vec2 countdown;
    Vec2 ready;
    Vec2 over;
    Vec2 pass;
    int playX;
    int playY;
};

const SeatPlaces kSeatPlaces[] = {
    {0, {477, 18}, {0, 0}, {812, 200}, {512, 184}, {512, 184}, {512, 184}, 312, 250},
    {1, {889, 636}, {889, 621}, {772, 600}, {862, 384}, {862, 384}, {862, 384}, 512, 384},
    {2, {477, 750}, {477, 735}, {652, 730}, {512, 584}, {512, 584}, {512, 584}, 312, 584},
    {3, {70, 636}, {70, 621}, {232, 600}, {162, 384}, {232, 600}, {162, 384}, 0, 384},
};

TEST_F(DeskLayoutTest, PlacesEverySeatNode) {
    CDeskScene* desk = openDesk(1, 0);
    ASSERT_NE(desk, nullptr);
    ASSERT_EQ(desk->seats().size(), 4u);
    for (const SeatPlaces& want : kSeatPlaces) {
        SCOPED_TRACE("screen seat " + std::to_string(want.screenSeat));
        const st_player_info& seat = *desk->seats()[want.screenSeat];
        ASSERT_NE(seat.nameLabel, nullptr);
        ASSERT_NE(seat.surplusLabel, nullptr);
        ASSERT_NE(seat.countdownLabel, nullptr);
        ASSERT_NE(seat.readySprite, nullptr);
        ASSERT_NE(seat.overLabel, nullptr);
        ASSERT_NE(seat.passLabel, nullptr);
        EXPECT_EQ(seat.nameLabel->getPosition(), want.name);
        EXPECT_EQ(seat.surplusLabel->getPosition(), want.surplus);
        EXPECT_EQ(seat.countdownLabel->getPosition(), want.countdown);
        EXPECT_EQ(seat.readySprite->getPosition(), want.ready);
        EXPECT_EQ(seat.overLabel->getPosition(), want.over);
        EXPECT_EQ(seat.passLabel->getPosition(), want.pass);
        EXPECT_EQ(seat.playX, want.playX);
        EXPECT_EQ(seat.playY, want.playY);
    }
}

TEST_F(DeskLayoutTest, SeatNodesStartHiddenWithTheirTexts) {
    CDeskScene* desk = openDesk(1, 0);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE("screen seat " + std::to_string(i));
        const st_player_info& seat = *desk->seats()[i];
        EXPECT_TRUE(seat.nameLabel->isVisible());
        EXPECT_EQ(seat.nameLabel->getString(), "");
        EXPECT_EQ(seat.nameLabel->getColor(), cocos2d::Color3B::RED);
        EXPECT_EQ(seat.nameLabel->getLocalZOrder(), i == 0 ? 30 : 3);
        EXPECT_EQ(seat.surplusLabel->isVisible(), i != 0);
        EXPECT_EQ(seat.surplusLabel->getString(), "");
        EXPECT_EQ(seat.surplusLabel->getColor(), cocos2d::Color3B::WHITE);
        EXPECT_FALSE(seat.countdownLabel->isVisible());
        EXPECT_EQ(seat.countdownLabel->getString(), "30");
        EXPECT_FALSE(seat.readySprite->isVisible());
        EXPECT_EQ(seat.readySprite->getSpriteFrame()->getTextureFileName(), "zhunbei.png");
        EXPECT_FALSE(seat.overLabel->isVisible());
        EXPECT_EQ(seat.overLabel->getString(), "over");
        EXPECT_EQ(seat.overLabel->getColor(), cocos2d::Color3B::RED);
        EXPECT_FALSE(seat.passLabel->isVisible());
        EXPECT_EQ(seat.passLabel->getString(), "pass");
        EXPECT_TRUE(seat.playedCards.empty());
    }
}

TEST_F(DeskLayoutTest, PlacesButtonsScorePlateAndLabels) {
    CDeskScene* desk = openDesk(1, 0);
    struct ButtonCase {
        const char* name;
        cocos2d::ui::Button* button;
        Vec2 at;
        bool visible;
    };
    const ButtonCase buttons[] = {
        {"play", desk->putButton(), {412, 170}, false},
        {"pass", desk->noputButton(), {612, 170}, false},
        {"ready", desk->readyButton(), {512, 170}, true},
    };
    for (const ButtonCase& c : buttons) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.button, nullptr);
        EXPECT_EQ(c.button->getPosition(), c.at);
        EXPECT_FLOAT_EQ(c.button->getScale(), 0.8f);
        EXPECT_EQ(c.button->isVisible(), c.visible);
        EXPECT_TRUE(c.button->isEnabled());
        EXPECT_EQ(c.button->getLocalZOrder(), 2);
    }
    // The return button sits flush in the top-right corner, whatever its image's size.
    cocos2d::ui::Button* back = desk->returnButton();
    const cocos2d::Size size = back->getContentSize();
    EXPECT_GT(size.width, 0);
    EXPECT_EQ(back->getPosition(), Vec2(1024 - size.width / 2, 768 - size.height / 2));
    EXPECT_TRUE(back->isVisible());
    EXPECT_EQ(back->getLocalZOrder(), 0);

    struct LabelCase {
        const char* name;
        cocos2d::Label* label;
        Vec2 at;
        float size;
        cocos2d::Color3B colour;
    };
    const LabelCase labels[] = {
        {"centre", desk->centerLabel(), {512, 384}, 20, cocos2d::Color3B::WHITE},
        {"team", desk->teamScoreLabel(), {80, 750}, 25, cocos2d::Color3B::BLACK},
        {"rival", desk->rivalScoreLabel(), {170, 750}, 25, cocos2d::Color3B::BLACK},
        {"desk score", desk->deskScoreLabel(), {512, 414}, 40, cocos2d::Color3B::WHITE},
    };
    for (const LabelCase& c : labels) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.label, nullptr);
        EXPECT_EQ(c.label->getString(), "0");
        EXPECT_EQ(c.label->getPosition(), c.at);
        EXPECT_FLOAT_EQ(c.label->getFontSize(), c.size);
        EXPECT_EQ(c.label->getColor(), c.colour);
    }

    bool plate = false;
    bool background = false;
    for (cocos2d::Sprite* sprite : cct::findAll<cocos2d::Sprite>(desk)) {
        cocos2d::SpriteFrame* frame = sprite->getSpriteFrame();
        if (frame == nullptr || sprite->getParent() != desk) {
            continue;
        }
        if (frame->getTextureFileName() == "sucai.png") {
            plate = true;
            EXPECT_EQ(sprite->getPosition(), Vec2(100.5f, 750));
        } else if (frame->getTextureFileName() == "bj.png") {
            background = true;
            EXPECT_EQ(sprite->getPosition(), Vec2(512, 384));
            EXPECT_EQ(sprite->getLocalZOrder(), -1);
        }
    }
    EXPECT_TRUE(plate);
    EXPECT_TRUE(background);
    EXPECT_TRUE(desk->handCards().empty());
    EXPECT_EQ(desk->turnSite(), -1);
    EXPECT_FALSE(desk->isPlaying());
}

TEST_F(DeskLayoutTest, MapsSeatNumbersAroundTheOwnSeat) {
    // Screen seats bottom, right, top, left hold these server seat numbers.
    const struct {
        int site;
        int atScreenSeat[4];
    } cases[] = {
        {0, {0, 1, 2, 3}},
        {1, {1, 2, 3, 0}},
        {2, {2, 3, 0, 1}},
        {3, {3, 0, 1, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("own seat " + std::to_string(c.site));
        CDeskScene* desk = openDesk(4, c.site);
        ASSERT_EQ(desk->siteSeats().size(), 4u);
        for (int screen = 0; screen < 4; ++screen) {
            EXPECT_EQ(desk->siteSeats().at(c.atScreenSeat[screen]), desk->seats()[screen]);
        }
        EXPECT_EQ(desk->site(), c.site);
        EXPECT_EQ(desk->desk(), 4);
    }
}

TEST_F(DeskLayoutTest, SeatOutsideTheDeskBuildsNoEntry) {
    for (int site : {-1, -4, 4, 7}) {
        SCOPED_TRACE("site " + std::to_string(site));
        CDeskScene* desk = openDesk(1, site);
        EXPECT_TRUE(desk->siteSeats().empty());
        // Messages and actions find no record and leave the table alone.
        deliver(desk, changeMsg({"a", "b", "c", "d"}, {1, 1, 1, 1}));
        deliver(desk, gameMsg({0, "8", "10", 1, 0, 5}));
        desk->onReadyClicked(nullptr, CDeskScene::TouchEventType::ENDED);
        for (const auto& seat : desk->seats()) {
            EXPECT_EQ(seat->nameLabel->getString(), "");
            EXPECT_FALSE(seat->readySprite->isVisible());
        }
        EXPECT_EQ(nextRequest(),
                  "{\"opt\":\"change\",\"type\":\"ready\",\"desk\":1,\"site\":" + std::to_string(site) + "}");
    }
}

}  // namespace
