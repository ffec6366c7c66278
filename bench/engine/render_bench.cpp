// Frame cost of a full desk's worth of nodes through the engine, against a
// bare SDL2 loop that draws the same pictures at the same places (the floor).
//
//   engine-render-bench [--window] [--frames N] [--repeat N]
//
// The picture is the one a full desk draws: the full-window background, 54
// cards in a hand and four played rows of 8, each card with two corner marks
// (suit and number) shrunk to 0.4, name and score labels, and one label whose
// text changes every frame. The bare loop shrinks the corner marks once when
// it loads them, as a hand-written program would.
//
// Each case runs in its own child process so that its peak RSS is its own.
// Headless is the default; --window opens a real window (run it under
// xvfb-run -a on a machine without a display).
#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cocos2d.h"
#include "engine_testing.h"

USING_NS_CC;

namespace {

constexpr int kHandCards = 54;
constexpr int kRows = 4;
constexpr int kRowCards = 8;
constexpr int kCards = kHandCards + kRows * kRowCards;
constexpr int kLabels = 16;
constexpr int kCardW = 98, kCardH = 138;
constexpr int kFlowerW = 44, kFlowerH = 42;
constexpr int kNumberCell = 39;
constexpr float kCornerScale = 0.4f;
const char* kFont = "fonts/arial.ttf";

double cpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

double wallSeconds() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Where things go, in window pixels (top left origin), the same for both
// loops. Card i shows face (i % 4) of the sheet, suit (i % 4) and number
// (i % 13) of colour (i % 2).
struct Card {
    SDL_Point at;  // top left
    int face, suit, number, red;
};

struct Layout {
    std::vector<Card> cards;
    std::vector<SDL_Point> labels;  // centres
    std::vector<std::string> texts;
    Layout() {
        for (int i = 0; i < kHandCards; ++i)
            cards.push_back({{80 + i * 15, 600}, i % 4, i % 4, i % 13, i % 2});
        const SDL_Point rows[kRows] = {{330, 430}, {640, 250}, {330, 90}, {40, 250}};
        for (int r = 0; r < kRows; ++r)
            for (int i = 0; i < kRowCards; ++i) {
                int n = kHandCards + r * kRowCards + i;
                cards.push_back({{rows[r].x + i * 20, rows[r].y}, n % 4, n % 4, n % 13, n % 2});
            }
        for (int j = 0; j < kLabels; ++j) {
            labels.push_back({70 + (j % 4) * 250, 30 + (j / 4) * 160});
            texts.push_back(j % 3 == 0 ? "玩家" + std::to_string(j) : std::to_string(j * 13));
        }
    }
};

const int kFaceX[4] = {0, 99, 197, 295};

// Corner marks: top left offsets inside the card.
constexpr int kNumberAtX = 4, kNumberAtY = 4;
constexpr int kSuitAtX = 4, kSuitAtY = 22;

std::string g_assets = CARDHALL_BENCH_ASSETS;

std::string changingText(int frame) {
    return frame % 2 ? "85" : "86";
}

// ---- the engine ----

class DeskLayer : public Layer {
public:
    CREATE_FUNC(DeskLayer);
    bool init() override {
        Layer::init();
        Layout layout;
        auto* frames = SpriteFrameCache::getInstance();
        for (int i = 0; i < 4; ++i) {
            frames->addSpriteFrame(
                SpriteFrame::create("poker_surface.png", Rect(float(kFaceX[i]), 0, kCardW, kCardH)),
                "bench_face" + std::to_string(i));
            frames->addSpriteFrame(
                SpriteFrame::create("poker_flower.png", Rect(float(i * kFlowerW), 0, kFlowerW, kFlowerH)),
                "bench_suit" + std::to_string(i));
        }
        for (int red = 0; red < 2; ++red)
            for (int n = 0; n < 13; ++n)
                frames->addSpriteFrame(SpriteFrame::create("poker_num.png", Rect(float(n * kNumberCell),
                                                                                 float(red * kNumberCell),
                                                                                 kNumberCell, kNumberCell)),
                                       "bench_num" + std::to_string(red * 13 + n));
        auto background = Sprite::create("bj.png");
        background->setPosition(512, 384);
        addChild(background, -1);
        for (int i = 0; i < kCards; ++i) {
            const Card& c = layout.cards[i];
            auto s = Sprite::createWithSpriteFrameName("bench_face" + std::to_string(c.face));
            s->setPosition(float(c.at.x + kCardW / 2), 768.0f - float(c.at.y + kCardH / 2));
            addCorner(s, "bench_num" + std::to_string(c.red * 13 + c.number), kNumberAtX, kNumberAtY,
                      kNumberCell, kNumberCell);
            addCorner(s, "bench_suit" + std::to_string(c.suit), kSuitAtX, kSuitAtY, kFlowerW, kFlowerH);
            addChild(s, i);
            sprites.push_back(s);
        }
        for (int j = 0; j < kLabels; ++j) {
            auto l = Label::createWithTTF(layout.texts[j], kFont, 18);
            l->setPosition(float(layout.labels[j].x), 768.0f - float(layout.labels[j].y));
            l->setColor(j % 2 ? Color3B::WHITE : Color3B::RED);
            addChild(l, 200);
            labels.push_back(l);
        }
        return true;
    }
    static void addCorner(Sprite* card, const std::string& frame, int x, int y, int w, int h) {
        auto corner = Sprite::createWithSpriteFrameName(frame);
        corner->setScale(kCornerScale);
        corner->setPosition(float(x) + w * kCornerScale / 2,
                            float(kCardH) - (float(y) + h * kCornerScale / 2));
        card->addChild(corner);
    }
    std::vector<Sprite*> sprites;
    std::vector<Label*> labels;
};

GLView* makeView(bool window) {
    if (!window)
        return GLViewImpl::createHeadless("bench", Size(1024, 768));
    return GLViewImpl::createWithRect("bench", Rect(0, 0, 1024, 768));
}

// Draws every frame (one card moves by a pixel and one label changes, so
// that each frame really is drawn) and reports the CPU time per frame.
int runEngine(bool window, int frames) {
    FileUtils::getInstance()->setAssetsDirectory(g_assets);
    GLView* view = makeView(window);
    if (!view)
        return 1;
    Director* d = Director::getInstance();
    d->setOpenGLView(view);
    view->setDesignResolutionSize(1024, 768, ResolutionPolicy::NO_BORDER);
    auto scene = Scene::create();
    auto layer = DeskLayer::create();
    scene->addChild(layer);
    d->runWithScene(scene);
    cocos2d::testing::step(10);  // textures made, caches warm
    auto drawnBefore = d->getDrawnFrames();
    double c0 = cpuSeconds();
    for (int f = 0; f < frames; ++f) {
        Sprite* s = layer->sprites[0];
        s->setPositionX(s->getPositionX() + (f % 2 ? -1.0f : 1.0f));
        layer->labels[1]->setString(changingText(f));
        d->mainLoop(d->getAnimationInterval());
    }
    double c1 = cpuSeconds();
    std::printf("frames=%d drawn=%llu cpu_ms=%.4f\n", frames,
                (unsigned long long)(d->getDrawnFrames() - drawnBefore), (c1 - c0) * 1000.0 / frames);
    cocos2d::testing::shutdown();
    return 0;
}

// An idle desk under the real application loop, paced at 60 frames a second:
// the share of one core it costs.
class IdleLayer : public DeskLayer {
public:
    CREATE_FUNC(IdleLayer);
    bool init() override {
        DeskLayer::init();
        schedule(CC_SCHEDULE_SELECTOR(IdleLayer::tick), 0.1f);
        schedule(CC_SCHEDULE_SELECTOR(IdleLayer::frame));
        return true;
    }
    void tick(float) { ++ticks; }  // a poll with nothing to do
    void frame(float) {
        ++frames;
        if (frames == 30) {
            c0 = cpuSeconds();
            w0 = wallSeconds();
            d0 = Director::getInstance()->getDrawnFrames();
        } else if (frames == 30 + 180) {
            double c = cpuSeconds() - c0, w = wallSeconds() - w0;
            std::printf("idle_cpu_percent=%.3f idle_frames=%d idle_drawn=%llu wall_s=%.2f\n", 100.0 * c / w,
                        180, (unsigned long long)(Director::getInstance()->getDrawnFrames() - d0), w);
            Director::getInstance()->end();
        }
    }
    int ticks = 0, frames = 0;
    double c0 = 0, w0 = 0;
    unsigned long long d0 = 0;
};

class IdleApp : public Application {
public:
    IdleApp() = default;
    bool applicationDidFinishLaunching() override {
        Director* d = Director::getInstance();
        d->setOpenGLView(GLViewImpl::createWithRect("bench", Rect(0, 0, 1024, 768)));
        if (!d->getOpenGLView())
            return false;
        d->setAnimationInterval(1.0f / 60.0f);
        d->getOpenGLView()->setDesignResolutionSize(1024, 768, ResolutionPolicy::NO_BORDER);
        auto scene = Scene::create();
        scene->addChild(IdleLayer::create());
        d->runWithScene(scene);
        return true;
    }
    void applicationDidEnterBackground() override {}
    void applicationWillEnterForeground() override {}
};

int runIdle(bool window) {
    runOptions().headless = !window;
    runOptions().assetsDir = g_assets;
    IdleApp app;
    return app.run();
}

// ---- the bare SDL2 loop ----

// One corner mark shrunk once, at load.
SDL_Texture* shrunk(SDL_Renderer* r, SDL_Surface* sheet, const SDL_Rect& region, int& w, int& h) {
    w = int(region.w * kCornerScale);
    h = int(region.h * kCornerScale);
    SDL_Surface* small = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, sheet->format->format);
    SDL_Rect whole{0, 0, w, h};
    SDL_SoftStretchLinear(sheet, &region, small, &whole);
    SDL_Texture* t = SDL_CreateTextureFromSurface(r, small);
    SDL_FreeSurface(small);
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
    return t;
}

int runBare(bool window, int frames) {
    SDL_Window* win = nullptr;
    SDL_Surface* target = nullptr;
    SDL_Renderer* r = nullptr;
    if (window) {
        if (SDL_Init(SDL_INIT_VIDEO) != 0)
            return 1;
        const char* choice = SDL_getenv("CARDHALL_RENDERER");
        bool accelerated = choice && std::string(choice) == "accelerated";
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        win = SDL_CreateWindow("bare", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 1024, 768,
                               SDL_WINDOW_SHOWN);
        r = SDL_CreateRenderer(win, -1, accelerated ? SDL_RENDERER_ACCELERATED : SDL_RENDERER_SOFTWARE);
    } else {
        target = SDL_CreateRGBSurfaceWithFormat(0, 1024, 768, 32, SDL_PIXELFORMAT_ARGB8888);
        r = SDL_CreateSoftwareRenderer(target);
    }
    if (!r)
        return 1;
    TTF_Init();
    Layout layout;
    SDL_Surface* bg = IMG_Load((g_assets + "/bj.png").c_str());
    SDL_Surface* s = IMG_Load((g_assets + "/poker_surface.png").c_str());
    SDL_Surface* flowers = IMG_Load((g_assets + "/poker_flower.png").c_str());
    SDL_Surface* numbers = IMG_Load((g_assets + "/poker_num.png").c_str());
    if (!bg || !s || !flowers || !numbers)
        return 1;
    SDL_Texture* background = SDL_CreateTextureFromSurface(r, bg);
    SDL_FreeSurface(bg);
    SDL_Texture* cards = SDL_CreateTextureFromSurface(r, s);
    SDL_FreeSurface(s);
    SDL_SetTextureBlendMode(cards, SDL_BLENDMODE_BLEND);
    SDL_Texture* suits[4];
    SDL_Texture* marks[26];
    int suitW = 0, suitH = 0, markW = 0, markH = 0;
    for (int i = 0; i < 4; ++i)
        suits[i] = shrunk(r, flowers, SDL_Rect{i * kFlowerW, 0, kFlowerW, kFlowerH}, suitW, suitH);
    for (int red = 0; red < 2; ++red)
        for (int n = 0; n < 13; ++n)
            marks[red * 13 + n] =
                shrunk(r, numbers, SDL_Rect{n * kNumberCell, red * kNumberCell, kNumberCell, kNumberCell},
                       markW, markH);
    SDL_FreeSurface(flowers);
    SDL_FreeSurface(numbers);
    TTF_Font* latin = TTF_OpenFont((g_assets + "/" + kFont).c_str(), 18);
    TTF_Font* cjk = TTF_OpenFont((g_assets + "/fonts/wqy-microhei.ttc").c_str(), 18);
    if (!cjk)
        cjk = TTF_OpenFont("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", 18);
    std::vector<SDL_Texture*> texts(kLabels, nullptr);
    std::vector<SDL_Rect> textRects(kLabels);
    auto renderLabel = [&](int j, const std::string& text) {
        TTF_Font* f = j % 3 == 0 ? cjk : latin;
        SDL_Surface* t = TTF_RenderUTF8_Blended(f, text.c_str(), SDL_Color{255, 255, 255, 255});
        if (texts[j])
            SDL_DestroyTexture(texts[j]);
        texts[j] = SDL_CreateTextureFromSurface(r, t);
        SDL_SetTextureBlendMode(texts[j], SDL_BLENDMODE_BLEND);
        textRects[j] = {layout.labels[j].x - t->w / 2, layout.labels[j].y - t->h / 2, t->w, t->h};
        SDL_FreeSurface(t);
    };
    for (int j = 0; j < kLabels; ++j)
        renderLabel(j, layout.texts[j]);
    int frameNo = 0;
    auto frame = [&] {
        SDL_Event e;
        while (win && SDL_PollEvent(&e)) {
        }
        renderLabel(1, changingText(frameNo++));
        SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
        SDL_RenderClear(r);
        SDL_RenderCopy(r, background, nullptr, nullptr);
        for (int i = 0; i < kCards; ++i) {
            const Card& c = layout.cards[i];
            SDL_Rect src{kFaceX[c.face], 0, kCardW, kCardH};
            SDL_Rect dst{c.at.x, c.at.y, kCardW, kCardH};
            SDL_RenderCopy(r, cards, &src, &dst);
            SDL_Rect mark{c.at.x + kNumberAtX, c.at.y + kNumberAtY, markW, markH};
            SDL_RenderCopy(r, marks[c.red * 13 + c.number], nullptr, &mark);
            SDL_Rect suit{c.at.x + kSuitAtX, c.at.y + kSuitAtY, suitW, suitH};
            SDL_RenderCopy(r, suits[c.suit], nullptr, &suit);
        }
        for (int j = 0; j < kLabels; ++j) {
            SDL_SetTextureColorMod(texts[j], 255, j % 2 ? 255 : 0, j % 2 ? 255 : 0);
            SDL_RenderCopy(r, texts[j], nullptr, &textRects[j]);
        }
        SDL_RenderPresent(r);
    };
    for (int i = 0; i < 10; ++i)
        frame();
    double c0 = cpuSeconds();
    for (int f = 0; f < frames; ++f)
        frame();
    double c1 = cpuSeconds();
    std::printf("frames=%d drawn=%d cpu_ms=%.4f\n", frames, frames, (c1 - c0) * 1000.0 / frames);
    for (SDL_Texture* t : texts)
        SDL_DestroyTexture(t);
    for (SDL_Texture* t : suits)
        SDL_DestroyTexture(t);
    for (SDL_Texture* t : marks)
        SDL_DestroyTexture(t);
    SDL_DestroyTexture(cards);
    SDL_DestroyTexture(background);
    SDL_DestroyRenderer(r);
    if (target)
        SDL_FreeSurface(target);
    if (win)
        SDL_DestroyWindow(win);
    return 0;
}

// ---- the parent: one child per case ----

struct Result {
    std::string out;
    double maxRssMiB = 0;
    int status = -1;
};

Result runChild(const std::vector<std::string>& args) {
    Result res;
    int fds[2];
    if (pipe(fds) != 0)
        return res;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv("/proc/self/exe", argv.data());
        _exit(127);
    }
    close(fds[1]);
    char buf[512];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        res.out.append(buf, std::size_t(n));
    close(fds[0]);
    int status = 0;
    rusage ru{};
    wait4(pid, &status, 0, &ru);
    res.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    res.maxRssMiB = double(ru.ru_maxrss) / 1024.0;
    return res;
}

double field(const std::string& out, const std::string& name) {
    auto p = out.find(name + "=");
    return p == std::string::npos ? -1.0 : std::atof(out.c_str() + p + name.size() + 1);
}

}  // namespace

int main(int argc, char** argv) {
    bool window = false;
    int frames = 300;
    int repeats = 3;
    std::string childCase;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--window")
            window = true;
        else if (a == "--frames" && i + 1 < argc)
            frames = std::atoi(argv[++i]);
        else if (a == "--repeat" && i + 1 < argc)
            repeats = std::max(1, std::atoi(argv[++i]));
        else if (a == "--case" && i + 1 < argc)
            childCase = argv[++i];
        else if (a == "--assets" && i + 1 < argc)
            g_assets = argv[++i];
        else {
            std::fprintf(stderr, "usage: %s [--window] [--frames N] [--repeat N] [--assets DIR]\n", argv[0]);
            return 2;
        }
    }
    if (childCase == "engine")
        return runEngine(window, frames);
    if (childCase == "bare")
        return runBare(window, frames);
    if (childCase == "idle")
        return runIdle(window);

    const char* renderer = SDL_getenv("CARDHALL_RENDERER");
    std::printf(
        "mode: %s, renderer: %s, background + %d cards 98x138 with %d corner marks at 0.4 + %d labels, "
        "%d frames per case\n",
        window ? "window" : "headless", window ? (renderer ? renderer : "software") : "software", kCards,
        2 * kCards, kLabels, frames);
    std::vector<std::string> base{argv[0], "--frames", std::to_string(frames), "--assets", g_assets};
    if (window)
        base.push_back("--window");
    auto with = [&](const char* c) {
        auto v = base;
        v.push_back("--case");
        v.push_back(c);
        return v;
    };
    // The machine may be shared: the floor and the engine run by turns,
    // and each figure is the median of its runs.
    std::vector<double> bareMs, engineMs;
    double bareRss = 0, engineRss = 0;
    for (int i = 0; i < repeats; ++i) {
        Result bare = runChild(with("bare"));
        Result engine = runChild(with("engine"));
        if (bare.status != 0 || engine.status != 0) {
            std::fprintf(stderr, "a case failed: bare %d, engine %d\n", bare.status, engine.status);
            return 1;
        }
        bareMs.push_back(field(bare.out, "cpu_ms"));
        engineMs.push_back(field(engine.out, "cpu_ms"));
        bareRss = std::max(bareRss, bare.maxRssMiB);
        engineRss = std::max(engineRss, engine.maxRssMiB);
    }
    Result idle = runChild(with("idle"));
    if (idle.status != 0) {
        std::fprintf(stderr, "a case failed: idle %d\n", idle.status);
        return 1;
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    double b = median(bareMs), e = median(engineMs);
    std::printf("%-28s %10s %12s   (median of %d runs; runs:", "case", "CPU ms/frame", "peak RSS MiB",
                repeats);
    for (int i = 0; i < repeats; ++i)
        std::printf(" %.2f/%.2f", bareMs[i], engineMs[i]);
    std::printf(")\n");
    std::printf("%-28s %10.3f %12.1f\n", "bare SDL2 loop (floor)", b, bareRss);
    std::printf("%-28s %10.3f %12.1f\n", "engine, every frame drawn", e, engineRss);
    std::printf("ratio engine / floor: %.3f (goal <= 1.2)\n", e / b);
    std::printf("RSS engine - floor: %.1f MiB (goal <= 20)\n", engineRss - bareRss);
    std::printf("idle desk at 60 fps: %.2f %% of a core, %d of %d frames drawn (goal < 2 %%)\n",
                field(idle.out, "idle_cpu_percent"), int(field(idle.out, "idle_drawn")),
                int(field(idle.out, "idle_frames")));
    return 0;
}
