#pragma once

// Shared set-up of the scene tests: the headless engine with the generated assets and the sprite
// frames, the client's message queue connected to a scripted server on loopback, recorded message
// boxes, and small builders for server messages.

#include <gtest/gtest.h>

#include <chrono>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ScriptedServer.h"
#include "app/SpriteFrames.h"
#include "cards/CardSprite.h"
#include "cocos2d.h"
#include "engine_testing.h"
#include "net/MessageQueue.h"
#include "protocol/Message.h"
#include "scenes/DeskScene.h"
#include "scenes/HallScene.h"

namespace scenetest {

using Boxes = std::vector<std::pair<std::string, std::string>>;

// Frames of 1/60 s that make up one 0.1 s tick of the scenes' message handlers.
constexpr int kFramesPerTick = 6;

inline std::shared_ptr<stMsg> makeMsg(const std::string& opt) {
    auto msg = std::make_shared<stMsg>();
    msg->opt = opt;
    return msg;
}

inline std::shared_ptr<stMsg> queryMsg(const std::string& online) {
    auto msg = makeMsg("query");
    msg->online = online;
    msg->version = "28";
    return msg;
}

inline std::shared_ptr<stMsg> addMsg(int desk, int site, const std::string& name) {
    auto msg = makeMsg("add");
    msg->desk = desk;
    msg->site = site;
    msg->name = name;
    return msg;
}

inline std::shared_ptr<stMsg> changeMsg(std::initializer_list<const char*> names,
                                        std::initializer_list<int> ready) {
    auto msg = makeMsg("change");
    int i = 0;
    for (const char* name : names) {
        msg->info[i++].name = name;
    }
    i = 0;
    for (int r : ready) {
        msg->info[i++].ready = r;
    }
    return msg;
}

inline std::shared_ptr<stMsg> startMsg(const std::string& cards) {
    auto msg = makeMsg("start");
    msg->cards = cards;
    return msg;
}

struct Game {
    int per = -1;
    std::string cards;
    std::string surplus;
    int now = -1;
    int must = 0;
    int score = 0;
};

inline std::shared_ptr<stMsg> gameMsg(const Game& g) {
    auto msg = makeMsg("game");
    msg->per = g.per;
    msg->cards = g.cards;
    msg->surplus = g.surplus;
    msg->now = g.now;
    msg->must = g.must;
    msg->score = g.score;
    return msg;
}

inline std::shared_ptr<stMsg> scoreMsg(const std::string& p0, const std::string& p1) {
    auto msg = makeMsg("score");
    msg->p0 = p0;
    msg->p1 = p1;
    return msg;
}

inline std::shared_ptr<stMsg> overMsg(std::initializer_list<int> results) {
    auto msg = makeMsg("over");
    int i = 0;
    for (int r : results) {
        msg->info[i].name = "p" + std::to_string(i);
        msg->info[i++].result = r;
    }
    return msg;
}

inline std::shared_ptr<stMsg> runMsg(int site, const std::string& name) {
    auto msg = makeMsg("run");
    msg->site = site;
    msg->name = name;
    return msg;
}

inline std::vector<int> codesOf(const std::vector<CardSprite*>& cards) {
    std::vector<int> codes;
    for (const CardSprite* card : cards) {
        codes.push_back(card->cardCode);
    }
    return codes;
}

class SceneTest : public ::testing::Test {
protected:
    static constexpr const char* kMarker = R"({"opt":"marker"})";

    void SetUp() override {
        ASSERT_TRUE(cocos2d::testing::startHeadless(CARDHALL_TEST_ASSETS));
        loadSpriteFrames();
        cocos2d::Configuration::getInstance()->setValue("host", cocos2d::Value("127.0.0.1"));
        queue()->setServerPort(server.port());
        ASSERT_TRUE(queue()->connectServer());
        ASSERT_TRUE(server.acceptClient());
    }

    void TearDown() override {
        queue()->disconnect();
        cocos2d::testing::shutdown();
    }

    static CMessageQueue* queue() { return CMessageQueue::getInstance(); }

    // The body of the next request that reached the server ("<none>" when nothing came in time).
    std::string nextRequest() { return server.receiveFrame().value_or("<none>"); }

    // Nothing more was sent: a marker sent now is the next frame the server reads.
    void expectNoMoreRequests() {
        queue()->sendMessage(kMarker);
        EXPECT_EQ(nextRequest(), kMarker);
    }

    // The server closes the connection; returns once the client has stopped receiving.
    void loseConnection() {
        server.closeClient();
        for (int i = 0; i < 500 && queue()->isReceiving(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            cocos2d::testing::step(1);
        }
        ASSERT_FALSE(queue()->isReceiving());
        // Let the receive thread finish reporting the closed connection before boxes are counted.
        for (int i = 0; i < 20; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            cocos2d::testing::step(1);
        }
        boxes.clear();
    }

    // The boxes of failed sends shown so far.
    std::size_t sendFailureBoxes() const {
        std::size_t n = 0;
        for (const auto& box : boxes.boxes()) {
            n += box == std::make_pair(std::string("error"), std::string("断开连接，请重新登录!"));
        }
        return n;
    }

    // The layer of the running scene (its only child), as T; null when it is of another type.
    template <class T>
    static T* runningLayer() {
        cocos2d::Scene* scene = cocos2d::testing::runningScene();
        if (scene == nullptr || scene->getChildrenCount() != 1) {
            return nullptr;
        }
        return dynamic_cast<T*>(scene->getChildren().front());
    }

    // A desk shown the way the hall shows it, for desk number `desk` and own seat `site`.
    CDeskScene* openDesk(int desk, int site, const std::string& name = "me") {
        cocos2d::Scene* scene = cocos2d::Scene::create();
        CDeskScene* layer = CDeskScene::create();
        layer->setDeskInfo(desk, site, name);
        scene->addChild(layer);
        cocos2d::Director::getInstance()->runWithScene(scene);
        cocos2d::testing::step(1);
        return runningLayer<CDeskScene>();
    }

    // Queues one message and lets the desk take it, as its tick would.
    static void deliver(CDeskScene* desk, std::shared_ptr<stMsg> msg) {
        queue()->pushMessage(std::move(msg));
        desk->pollMessage(0.1f);
    }

    // A desk at its own turn in a hand: dealt `hand`, and the turn given to the own seat (leading when
    // `lastPlay` is empty, otherwise with that play of the seat on the left to beat).
    void ownTurn(CDeskScene* desk, const std::string& hand, const std::string& lastPlay = "") {
        deliver(desk, startMsg(hand));
        const int left = (desk->site() + 3) % 4;
        if (lastPlay.empty()) {
            deliver(desk, gameMsg({-1, "", "", desk->site(), 1, 0}));
        } else {
            deliver(desk, gameMsg({left, lastPlay, "20", desk->site(), 0, 5}));
        }
    }

    testsupport::ScriptedServer server;
    cocos2d::testing::MessageBoxRecorder boxes;
};

}  // namespace scenetest
