// Reference counting and the autorelease pool.
#pragma once

#include <climits>
#include <functional>
#include <new>
#include <vector>

namespace cocos2d {

class Ref;
class Node;

// Member callbacks used by the scheduler.
using SEL_SCHEDULE = void (Ref::*)(float);

// A reference-counted object. It starts with a count of one owned by its
// creator; autorelease() hands that reference to the pool, which drops it at
// the end of the current frame.
class Ref {
public:
    virtual ~Ref();

    void retain();
    void release();
    Ref* autorelease();
    unsigned int getReferenceCount() const { return _referenceCount; }

protected:
    Ref();

private:
    unsigned int _referenceCount = 1;
};

// The pool of autoreleased objects, drained by the director once per frame.
class AutoreleasePool {
public:
    static AutoreleasePool* getInstance();

    void addObject(Ref* object);
    // Releases every object added so far (objects autoreleased while
    // draining stay for the next drain).
    void clear();
    bool contains(Ref* object) const;
    std::size_t size() const { return _objects.size(); }

private:
    std::vector<Ref*> _objects;
    bool _clearing = false;
};

}  // namespace cocos2d

#define CC_SCHEDULE_SELECTOR(_SELECTOR) static_cast<cocos2d::SEL_SCHEDULE>(&_SELECTOR)

#define CC_CALLBACK_0(__selector__, __target__, ...) std::bind(&__selector__, __target__, ##__VA_ARGS__)
#define CC_CALLBACK_1(__selector__, __target__, ...) \
    std::bind(&__selector__, __target__, std::placeholders::_1, ##__VA_ARGS__)
#define CC_CALLBACK_2(__selector__, __target__, ...) \
    std::bind(&__selector__, __target__, std::placeholders::_1, std::placeholders::_2, ##__VA_ARGS__)
#define CC_CALLBACK_3(__selector__, __target__, ...)                                   \
    std::bind(&__selector__, __target__, std::placeholders::_1, std::placeholders::_2, \
              std::placeholders::_3, ##__VA_ARGS__)

// The usual factory: construct, init(), autorelease; null when init() fails.
#define CREATE_FUNC(__TYPE__)                           \
    static __TYPE__* create() {                         \
        __TYPE__* pRet = new (std::nothrow) __TYPE__(); \
        if (pRet && pRet->init()) {                     \
            pRet->autorelease();                        \
            return pRet;                                \
        }                                               \
        delete pRet;                                    \
        return nullptr;                                 \
    }

#define CC_SAFE_RETAIN(p)  \
    do {                   \
        if (p)             \
            (p)->retain(); \
    } while (0)
#define CC_SAFE_RELEASE(p)  \
    do {                    \
        if (p)              \
            (p)->release(); \
    } while (0)
#define CC_SAFE_RELEASE_NULL(p) \
    do {                        \
        if (p) {                \
            (p)->release();     \
            (p) = nullptr;      \
        }                       \
    } while (0)
#define CC_SAFE_DELETE(p) \
    do {                  \
        delete (p);       \
        (p) = nullptr;    \
    } while (0)
#define CC_REPEAT_FOREVER (UINT_MAX - 1)
