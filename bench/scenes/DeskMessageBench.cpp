// Time the desk takes to handle its two biggest server messages: the deal of a full 54-card hand
// ("start") and a 16-card play that also moves the turn ("game"). The desk runs in the headless
// engine; each message goes through the real queue and is timed from pop to the end of its handling.
// Every 100 messages a frame runs (drawn, not timed) so that released cards leave the pool.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "app/SpriteFrames.h"
#include "cocos2d.h"
#include "engine_testing.h"
#include "net/MessageQueue.h"
#include "protocol/Message.h"
#include "scenes/DeskScene.h"

namespace {

struct HeadlessDesk {
    HeadlessDesk() {
        cocos2d::testing::startHeadless(CARDHALL_BENCH_ASSETS);
        loadSpriteFrames();
        cocos2d::Scene* scene = cocos2d::Scene::create();
        desk = CDeskScene::create();
        desk->setDeskInfo(1, 0, "bench");
        scene->addChild(desk);
        cocos2d::Director::getInstance()->runWithScene(scene);
        cocos2d::testing::step(1);
    }
    ~HeadlessDesk() { cocos2d::testing::shutdown(); }

    // Handles one queued message and returns the seconds it took.
    double handle(std::shared_ptr<stMsg> msg) {
        CMessageQueue::getInstance()->pushMessage(std::move(msg));
        const auto start = std::chrono::steady_clock::now();
        desk->pollMessage(0.1f);
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    CDeskScene* desk = nullptr;
};

std::string cardList(int first, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += std::to_string((first + i * 7) % 54) + ",";
    }
    return text;
}

void BM_StartMessage54Cards(benchmark::State& state) {
    HeadlessDesk table;
    const std::string cards = cardList(0, 54);
    int handled = 0;
    for (auto _ : state) {
        auto msg = std::make_shared<stMsg>();
        msg->opt = "start";
        msg->cards = cards;
        state.SetIterationTime(table.handle(msg));
        // The ready action clears the hand before the next deal.
        table.desk->resetTable(-1);
        if (++handled % 100 == 0) {
            cocos2d::testing::step(1);
        }
    }
}
BENCHMARK(BM_StartMessage54Cards)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

void BM_GameMessage16Cards(benchmark::State& state) {
    HeadlessDesk table;
    auto start = std::make_shared<stMsg>();
    start->opt = "start";
    start->cards = cardList(3, 54);
    table.handle(start);
    const std::string cards = cardList(5, 16);
    int seat = 0;
    int handled = 0;
    for (auto _ : state) {
        // Seat k plays 16 cards and hands the turn to k + 1, whose row of three plays ago goes.
        auto msg = std::make_shared<stMsg>();
        msg->opt = "game";
        msg->per = seat;
        msg->cards = cards;
        msg->surplus = "20";
        msg->now = (seat + 1) % 4;
        msg->score = 35;
        state.SetIterationTime(table.handle(msg));
        seat = (seat + 1) % 4;
        if (++handled % 100 == 0) {
            cocos2d::testing::step(1);
        }
    }
}
BENCHMARK(BM_GameMessage16Cards)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
