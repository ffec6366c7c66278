#include "scenes/HallScene.h"

#include <memory>

#include "net/MessageQueue.h"
#include "protocol/Message.h"
#include "protocol/Protocol.h"
#include "scenes/DeskScene.h"

USING_NS_CC;

int s_hallTickCount = 1;

namespace {

// Ticks between two periodic online queries (0.1 s each, so 10 s).
constexpr int kQueryEveryTicks = 100;

bool isSeatNumber(int site) {
    return site >= 0 && site <= 3;
}

}  // namespace

bool CHallScene::init() {
    if (!Layer::init()) {
        return false;
    }
    const Size visible = Director::getInstance()->getVisibleSize();
    const float w = visible.width;
    const float h = visible.height;

    auto* background = Sprite::create();
    background->initWithSpriteFrame(SpriteFrameCache::getInstance()->getSpriteFrameByName("beijing"));
    background->setPosition(Vec2(w * 0.5f, h * 0.5f));
    addChild(background, -1);

    m_addButton = ui::Button::create("add_desk_fast.png", "add_desk_fast_press.png",
                                     "add_desk_fast_press.png", ui::Widget::TextureResType::LOCAL);
    m_addButton->setPosition(Vec2(w * 0.5f, h * 0.5f));
    m_addButton->addTouchEventListener(CC_CALLBACK_2(CHallScene::onAddDeskClicked, this));
    m_addButton->setEnabled(true);
    addChild(m_addButton);

    m_onlineLabel = Label::createWithTTF("online: 0", "fonts/arial.ttf", 25, Size::ZERO, TextHAlignment::LEFT,
                                         TextVAlignment::TOP);
    m_onlineLabel->setColor(Color3B::WHITE);
    m_onlineLabel->setPosition(Vec2(w * 0.5f, h * 0.5f - 50));
    addChild(m_onlineLabel, 2);

    schedule(CC_SCHEDULE_SELECTOR(CHallScene::pollMessage), 0.1f);

    CMessageQueue::getInstance()->sendMessage(makeQueryRequest());
    return true;
}

void CHallScene::onAddDeskClicked(Ref* /*sender*/, ui::Widget::TouchEventType type) {
    if (type != ui::Widget::TouchEventType::ENDED) {
        return;
    }
    // The button stays disabled for the life of this hall: one seat request per visit.
    m_addButton->setEnabled(false);
    CMessageQueue::getInstance()->sendMessage(makeAddRequest());
}

void CHallScene::pollMessage(float /*dt*/) {
    if (s_hallTickCount % kQueryEveryTicks == 0) {
        CMessageQueue::getInstance()->sendMessage(makeQueryRequest());
    }
    ++s_hallTickCount;

    std::shared_ptr<stMsg> msg = CMessageQueue::getInstance()->popMessage();
    if (!msg) {
        return;
    }
    if (msg->opt == "query") {
        m_onlineLabel->setString("online:" + msg->online);
    } else if (msg->opt == "add") {
        // A seat number outside 0..3 has no place at a desk: the reply is dropped and the hall stays.
        if (!isSeatNumber(msg->site)) {
            return;
        }
        Scene* scene = Scene::create();
        CDeskScene* desk = CDeskScene::create();
        if (desk == nullptr) {
            return;
        }
        desk->setDeskInfo(msg->desk, msg->site, msg->name);
        scene->addChild(desk);
        Director::getInstance()->replaceScene(scene);
    }
    // Every other message is consumed and dropped while the hall is shown.
}
