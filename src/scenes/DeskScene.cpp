// Desk construction: the layout of the table, the seat mapping and the hand row.
#include "scenes/DeskScene.h"

#include "cards/CardSprite.h"

USING_NS_CC;

namespace {

// Height of the "nickname" plate; the seat positions are measured from it.
constexpr float kNicknameHeight = 36.0f;

// Anchor points of one screen seat's nodes.
struct SeatGeometry {
    Vec2 name;
    Vec2 surplus;
    bool placeSurplus = true;
    Vec2 countdown;
    Vec2 ready;
    Vec2 over;
    Vec2 pass;
    Vec2 play;
};

SeatGeometry seatGeometry(int screenSeat, float w, float h) {
    const float nh = kNicknameHeight;
    SeatGeometry g;
    switch (screenSeat) {
        case 0:  // bottom, the player; the own cards-left count is never shown
            g.name = Vec2(w / 2 - 35, nh / 2);
            g.placeSurplus = false;
            g.countdown = Vec2(w / 2 + 300, 200);
            g.ready = g.over = g.pass = Vec2(w / 2, h / 2 - 200);
            g.play = Vec2(w / 2 - 200, 250);
            break;
        case 1:  // right
            g.name = Vec2(w - 135, nh + 600);
            g.surplus = Vec2(w - 135, nh + 585);
            g.countdown = Vec2(w / 2 + 260, 600);
            g.ready = g.over = g.pass = Vec2(w / 2 + 350, h / 2);
            g.play = Vec2(w / 2, h / 2);
            break;
        case 2:  // top, the partner
            g.name = Vec2(w / 2 - 35, h - nh / 2);
            g.surplus = Vec2(w / 2 - 35, h - nh / 2 - 15);
            g.countdown = Vec2(w / 2 + 140, h - nh / 2 - 20);
            g.ready = g.over = g.pass = Vec2(w / 2, h / 2 + 200);
            g.play = Vec2(w / 2 - 200, h / 2 + 200);
            break;
        default:  // 3, left; its "over" mark stands on the countdown's point, not on the ready mark's
            g.name = Vec2(70, nh + 600);
            g.surplus = Vec2(70, nh + 585);
            g.countdown = Vec2(w / 2 - 280, 600);
            g.ready = g.pass = Vec2(w / 2 - 350, h / 2);
            g.over = g.countdown;
            g.play = Vec2(0, h / 2);
            break;
    }
    return g;
}

Label* makeLabel(const std::string& text, float size) {
    return Label::createWithTTF(text, "fonts/arial.ttf", size, Size::ZERO, TextHAlignment::LEFT,
                                TextVAlignment::TOP);
}

Sprite* makeFrameSprite(const std::string& frameName) {
    auto* sprite = Sprite::create();
    sprite->initWithSpriteFrame(SpriteFrameCache::getInstance()->getSpriteFrameByName(frameName));
    return sprite;
}

ui::Button* makeButton(const std::string& name) {
    return ui::Button::create(name + ".png", name + "_press.png", name + "_press.png",
                              ui::Widget::TextureResType::LOCAL);
}

}  // namespace

bool CDeskScene::init() {
    if (!Layer::init()) {
        return false;
    }
    m_seats.clear();
    const Size visible = Director::getInstance()->getVisibleSize();
    const float w = visible.width;
    const float h = visible.height;

    auto* background = makeFrameSprite("beijing");
    background->setPosition(Vec2(w / 2, h / 2));
    addChild(background, -1);

    m_returnButton = makeButton("return");
    const Size returnSize = m_returnButton->getContentSize();
    m_returnButton->setPosition(Vec2(w - returnSize.width / 2, h - returnSize.height / 2));
    m_returnButton->addTouchEventListener(CC_CALLBACK_2(CDeskScene::onReturnClicked, this));
    addChild(m_returnButton);

    m_putButton = makeButton("put");
    m_putButton->setPosition(Vec2(w / 2 - 100, 170));
    m_putButton->addTouchEventListener(CC_CALLBACK_2(CDeskScene::onPutClicked, this));
    m_putButton->setScale(0.8f);
    m_putButton->setVisible(false);
    m_putButton->setEnabled(true);
    addChild(m_putButton, 2);

    m_noputButton = makeButton("noput");
    m_noputButton->setPosition(Vec2(w / 2 + 100, 170));
    m_noputButton->addTouchEventListener(CC_CALLBACK_2(CDeskScene::onNoputClicked, this));
    m_noputButton->setScale(0.8f);
    m_noputButton->setVisible(false);
    m_noputButton->setEnabled(true);
    addChild(m_noputButton, 2);

    m_readyButton = makeButton("ready");
    m_readyButton->setPosition(Vec2(w / 2, 170));
    m_readyButton->addTouchEventListener(CC_CALLBACK_2(CDeskScene::onReadyClicked, this));
    m_readyButton->setScale(0.8f);
    m_readyButton->setVisible(true);
    addChild(m_readyButton, 2);

    // The hint stands in the ready button's place, which is free during the own turn. There the play
    // and pass buttons cover its two ends: it lies beneath them (z-order 1), so that they keep their
    // whole faces for clicks and the hint shows and takes clicks between them.
    m_hintButton = makeButton("hint");
    m_hintButton->setPosition(Vec2(w / 2, 170));
    m_hintButton->addTouchEventListener(CC_CALLBACK_2(CDeskScene::onHintClicked, this));
    m_hintButton->setScale(0.8f);
    m_hintButton->setVisible(false);
    m_hintButton->setEnabled(false);
    addChild(m_hintButton, 1);

    // Above the hand, where the own played row stands (it is empty during the own turn).
    m_hintNote = makeLabel("没有能大过上家的牌", 20);
    m_hintNote->setColor(Color3B::YELLOW);
    m_hintNote->setPosition(Vec2(w / 2, 230));
    m_hintNote->setVisible(false);
    addChild(m_hintNote, 3);

    auto* scorePlate = makeFrameSprite("score");
    const Size plate = scorePlate->getContentSize();
    scorePlate->setPosition(Vec2(plate.width / 2, h - plate.height / 2));
    addChild(scorePlate, 0);

    m_centerLabel = makeLabel("0", 20);
    m_centerLabel->setPosition(Vec2(w / 2, h / 2));
    addChild(m_centerLabel);

    m_teamScoreLabel = makeLabel("0", 25);
    m_teamScoreLabel->setPosition(Vec2(80, h - plate.height / 2));
    m_teamScoreLabel->setColor(Color3B::BLACK);
    addChild(m_teamScoreLabel);

    m_rivalScoreLabel = makeLabel("0", 25);
    m_rivalScoreLabel->setPosition(Vec2(170, h - plate.height / 2));
    m_rivalScoreLabel->setColor(Color3B::BLACK);
    addChild(m_rivalScoreLabel);

    m_deskScoreLabel = makeLabel("0", 40);
    m_deskScoreLabel->setPosition(Vec2(w / 2, h / 2 + 30));
    addChild(m_deskScoreLabel);

    for (int screenSeat = 0; screenSeat < 4; ++screenSeat) {
        const SeatGeometry at = seatGeometry(screenSeat, w, h);
        auto seat = std::make_shared<st_player_info>();

        seat->nameLabel = makeLabel("", 15);
        seat->nameLabel->setColor(Color3B::RED);
        seat->nameLabel->setPosition(at.name);
        addChild(seat->nameLabel, screenSeat == 0 ? 30 : 3);

        seat->surplusLabel = makeLabel("", 15);
        if (at.placeSurplus) {
            seat->surplusLabel->setColor(Color3B::WHITE);
            seat->surplusLabel->setPosition(at.surplus);
        } else {
            // The own cards are in view: the own count is kept but never shown.
            seat->surplusLabel->setVisible(false);
        }
        addChild(seat->surplusLabel, 0);

        seat->countdownLabel = LabelAtlas::create("30", "num.png", 14, 21, '0');
        seat->countdownLabel->setPosition(at.countdown);
        seat->countdownLabel->setVisible(false);
        addChild(seat->countdownLabel, 0);

        seat->readySprite = makeFrameSprite("zhunbei");
        seat->readySprite->setPosition(at.ready);
        seat->readySprite->setVisible(false);
        addChild(seat->readySprite, 0);

        seat->overLabel = makeLabel("over", 15);
        seat->overLabel->setColor(Color3B::RED);
        seat->overLabel->setPosition(at.over);
        seat->overLabel->setVisible(false);
        addChild(seat->overLabel, 0);

        seat->passLabel = makeLabel("pass", 15);
        seat->passLabel->setColor(Color3B::RED);
        seat->passLabel->setPosition(at.pass);
        seat->passLabel->setVisible(false);
        addChild(seat->passLabel, 0);

        seat->playX = static_cast<int>(at.play.x);
        seat->playY = static_cast<int>(at.play.y);
        m_seats.push_back(seat);
    }

    schedule(CC_SCHEDULE_SELECTOR(CDeskScene::pollMessage), 0.1f);
    schedule(CC_SCHEDULE_SELECTOR(CDeskScene::countdownTick), 1.0f);

    auto* listener = EventListenerTouchOneByOne::create();
    listener->onTouchBegan = CC_CALLBACK_2(CDeskScene::onTouchBegan, this);
    listener->onTouchMoved = CC_CALLBACK_2(CDeskScene::onTouchMoved, this);
    Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(listener, this);

    auto* keys = EventListenerKeyboard::create();
    keys->onKeyPressed = CC_CALLBACK_2(CDeskScene::onKeyPressed, this);
    Director::getInstance()->getEventDispatcher()->addEventListenerWithSceneGraphPriority(keys, this);
    return true;
}

void CDeskScene::setDeskInfo(int desk, int site, const std::string& name) {
    m_desk = desk;
    m_site = site;
    m_playerName = name;
    // A seat number outside 0..3 would map the screen seats to keys no server message uses (or to
    // negative ones): no record is built for it.
    if (site < 0 || site > 3) {
        return;
    }
    for (int i = 0; i < 4; ++i) {
        m_siteSeats[(site + i) % 4] = m_seats[i];
    }
}

float CDeskScene::handCardX(std::size_t i, std::size_t n, float cardWidth) {
    const float w = Director::getInstance()->getVisibleSize().width;
    return w / 2 - kCardStep / 2 * (static_cast<float>(n) - 1) + kCardStep * static_cast<float>(i) +
           cardWidth / 4;
}

void CDeskScene::layoutHand() {
    for (std::size_t i = 0; i < m_handCards.size(); ++i) {
        CardSprite* card = m_handCards[i];
        card->setPosition(Vec2(handCardX(i, m_handCards.size(), card->getContentSize().width), kHandY));
        // Every card stands lowered now, so none may still count as raised for the next touch.
        card->selected = false;
    }
}

st_player_info* CDeskScene::seatOf(int site) const {
    auto it = m_siteSeats.find(site);
    return it == m_siteSeats.end() ? nullptr : it->second.get();
}

void CDeskScene::clearPlayedCards(st_player_info& seat) {
    for (CardSprite* card : seat.playedCards) {
        removeChild(card, true);
    }
    seat.playedCards.clear();
}

void CDeskScene::removeHandCard(std::size_t index) {
    CardSprite* card = m_handCards[index];
    if (card == m_lastTouchedCard) {
        m_lastTouchedCard = nullptr;
    }
    removeChild(card, true);
    m_handCards.erase(m_handCards.begin() + static_cast<std::ptrdiff_t>(index));
}

void CDeskScene::removeAllHandCards() {
    for (CardSprite* card : m_handCards) {
        removeChild(card, true);
    }
    m_handCards.clear();
    m_lastTouchedCard = nullptr;
}
