// Value types, reference counting and the autorelease pool.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <set>
#include <thread>

#include "Internal.h"

namespace cocos2d {

const Vec2 Vec2::ZERO(0.0f, 0.0f);
const Vec2 Vec2::ANCHOR_MIDDLE(0.5f, 0.5f);
const Vec2 Vec2::ANCHOR_BOTTOM_LEFT(0.0f, 0.0f);
const Size Size::ZERO(0.0f, 0.0f);
const Rect Rect::ZERO(0.0f, 0.0f, 0.0f, 0.0f);

const Color3B Color3B::WHITE(255, 255, 255);
const Color3B Color3B::YELLOW(255, 255, 0);
const Color3B Color3B::BLUE(0, 0, 255);
const Color3B Color3B::GREEN(0, 255, 0);
const Color3B Color3B::RED(255, 0, 0);
const Color3B Color3B::MAGENTA(255, 0, 255);
const Color3B Color3B::BLACK(0, 0, 0);
const Color3B Color3B::ORANGE(255, 127, 0);
const Color3B Color3B::GRAY(166, 166, 166);

float Vec2::distance(const Vec2& o) const {
    return (*this - o).length();
}
float Vec2::length() const {
    return std::sqrt(x * x + y * y);
}

Ref::Ref() = default;
Ref::~Ref() = default;

void Ref::retain() {
    ++_referenceCount;
}

void Ref::release() {
    if (_referenceCount == 0) {
        detail::reportOnce("engine: release() of an object that is already released");
        return;
    }
    if (--_referenceCount == 0)
        delete this;
}

Ref* Ref::autorelease() {
    AutoreleasePool::getInstance()->addObject(this);
    return this;
}

AutoreleasePool* AutoreleasePool::getInstance() {
    static AutoreleasePool pool;
    return &pool;
}

void AutoreleasePool::addObject(Ref* object) {
    _objects.push_back(object);
}

void AutoreleasePool::clear() {
    if (_clearing)
        return;
    _clearing = true;
    // Objects autoreleased by destructors during the drain land in _objects
    // again and are released by the next clear().
    std::vector<Ref*> objects;
    objects.swap(_objects);
    for (Ref* o : objects)
        o->release();
    _clearing = false;
}

bool AutoreleasePool::contains(Ref* object) const {
    return std::find(_objects.begin(), _objects.end(), object) != _objects.end();
}

namespace detail {

EngineState& engineState() {
    static EngineState state;
    return state;
}

static std::uint64_t threadHash() {
    return std::hash<std::thread::id>()(std::this_thread::get_id());
}

void setMainThread() {
    engineState().mainThreadHash = threadHash();
}

bool isMainThread() {
    std::uint64_t main = engineState().mainThreadHash.load();
    return main == 0 || main == threadHash();
}

void reportOnce(const std::string& message) {
    static std::mutex mutex;
    static std::set<std::string> reported;
    std::lock_guard<std::mutex> lock(mutex);
    if (reported.insert(message).second)
        std::fprintf(stderr, "%s\n", message.c_str());
}

void reportFileProblem(const std::string& kind, const std::string& path, const std::string& reason) {
    std::FILE* f = openFile(path, "rb");
    if (f)
        std::fclose(f);
    // SDL's reasons repeat the file name; only say it once.
    if (!f)
        reportOnce("engine: missing " + kind + " file " + path);
    else
        reportOnce("engine: cannot use " + kind + " file " + path +
                   (reason.find(path) == std::string::npos ? ": " + reason : std::string()));
}

double secondsNow() {
    return double(SDL_GetPerformanceCounter()) / double(SDL_GetPerformanceFrequency());
}

}  // namespace detail
}  // namespace cocos2d
