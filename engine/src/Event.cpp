// Input delivery: front-most listener first; claimed touches stay with their
// listener.
#include <algorithm>

#include "Internal.h"

namespace cocos2d {

void Touch::setTouchInfo(int id, const Vec2& point, bool start) {
    _id = id;
    if (start) {
        _startPoint = point;
        _prevPoint = point;
    } else {
        _prevPoint = _point;
    }
    _point = point;
}

EventListenerTouchOneByOne* EventListenerTouchOneByOne::create() {
    auto* l = new (std::nothrow) EventListenerTouchOneByOne();
    if (l)
        l->autorelease();
    return l;
}

EventListenerKeyboard* EventListenerKeyboard::create() {
    auto* l = new (std::nothrow) EventListenerKeyboard();
    if (l)
        l->autorelease();
    return l;
}

EventDispatcher::~EventDispatcher() {
    removeAllEventListeners();
}

void EventDispatcher::addEventListenerWithSceneGraphPriority(EventListener* listener, Node* node) {
    if (!listener || !node || listener->_registered)
        return;
    listener->retain();
    listener->_node = node;
    listener->_registered = true;
    _listeners.push_back(listener);
}

namespace {
void unclaim(std::vector<EventListener*>& claimed, EventListener* l) {
    auto it = std::find(claimed.begin(), claimed.end(), l);
    if (it != claimed.end()) {
        claimed.erase(it);
        if (auto* t = dynamic_cast<EventListenerTouchOneByOne*>(l))
            t->claimed = false;
        l->release();
    }
}
}  // namespace

void EventDispatcher::removeEventListener(EventListener* listener) {
    auto it = std::find(_listeners.begin(), _listeners.end(), listener);
    if (it == _listeners.end())
        return;
    _listeners.erase(it);
    unclaim(_claimed, listener);
    listener->_registered = false;
    listener->_node = nullptr;
    listener->release();
}

void EventDispatcher::removeEventListenersForTarget(Node* target, bool recursive) {
    std::vector<EventListener*> doomed;
    for (EventListener* l : _listeners)
        if (l->_node == target)
            doomed.push_back(l);
    for (EventListener* l : doomed)
        removeEventListener(l);
    if (recursive && target)
        for (Node* c : target->getChildren())
            removeEventListenersForTarget(c, true);
}

void EventDispatcher::removeAllEventListeners() {
    std::vector<EventListener*> all = _listeners;
    for (EventListener* l : all)
        removeEventListener(l);
    if (_touch) {
        _touch->release();
        _touch = nullptr;
    }
    _touchActive = false;
}

namespace {
// Numbers the running scene's nodes in drawing order (as Node::visit does),
// so that a touch goes to the front-most node first even before the first
// drawing of a new tree.
void numberInDrawOrder(Node* n, unsigned int& counter, std::vector<std::pair<Node*, unsigned int>>& out) {
    const auto& children = n->getChildren();
    std::size_t i = 0;
    for (; i < children.size() && children[i]->getLocalZOrder() < 0; ++i)
        numberInDrawOrder(children[i], counter, out);
    out.emplace_back(n, ++counter);
    for (; i < children.size(); ++i)
        numberInDrawOrder(children[i], counter, out);
}

// The enabled listeners of kind L whose nodes are visible in the running
// scene, front-most first; for one node, the listener added last first.
template <class L>
std::vector<L*> frontMostFirst(const std::vector<EventListener*>& listeners, Scene* scene) {
    std::vector<std::pair<Node*, unsigned int>> order;
    unsigned int counter = 0;
    numberInDrawOrder(scene, counter, order);
    std::sort(order.begin(), order.end());
    auto rank = [&](Node* n) -> unsigned int {
        auto it = std::lower_bound(order.begin(), order.end(), std::make_pair(n, 0u));
        return it != order.end() && it->first == n ? it->second : 0u;
    };
    std::vector<std::pair<unsigned int, std::size_t>> ranked;
    for (std::size_t i = 0; i < listeners.size(); ++i) {
        EventListener* l = listeners[i];
        if (!l->isEnabled() || !l->getAssociatedNode() || !l->getAssociatedNode()->isRunning() ||
            !l->getAssociatedNode()->isVisibleInTree())
            continue;
        if (!dynamic_cast<L*>(l))
            continue;
        unsigned int r = rank(l->getAssociatedNode());
        if (r)
            ranked.emplace_back(r, i);
    }
    std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second > b.second;
    });
    std::vector<L*> out;
    for (auto& r : ranked)
        out.push_back(static_cast<L*>(listeners[r.second]));
    return out;
}
}  // namespace

void EventDispatcher::dispatchTouch(EventTouch::EventCode code, const Vec2& location) {
    if (code == EventTouch::EventCode::BEGAN) {
        if (_touchActive)
            cancelCurrentTouch();
        Scene* scene = Director::getInstance()->getRunningScene();
        if (!scene)
            return;
        if (!_touch)
            _touch = new Touch();
        _touch->setTouchInfo(++_touchId, location, true);
        _touchActive = true;

        std::vector<EventListenerTouchOneByOne*> candidates =
            frontMostFirst<EventListenerTouchOneByOne>(_listeners, scene);
        std::vector<Node*> nodes;
        for (auto* l : candidates) {
            l->retain();
            l->_node->retain();
            nodes.push_back(l->_node);
        }
        EventTouch event(code);
        Touch* touch = _touch;
        touch->retain();
        bool swallowed = false;
        for (auto* l : candidates) {
            if (swallowed || !l->_registered || !l->onTouchBegan)
                continue;
            event.setCurrentTarget(l->_node);
            if (l->onTouchBegan(touch, &event) && l->_registered) {
                l->retain();
                l->claimed = true;
                _claimed.push_back(l);
                if (l->isSwallowTouches())
                    swallowed = true;
            }
            if (event.isStopped())
                swallowed = true;
        }
        touch->release();
        for (Node* n : nodes)
            n->release();
        for (auto* l : candidates)
            l->release();
        return;
    }

    if (!_touchActive || !_touch)
        return;
    _touch->setTouchInfo(_touchId, location, false);
    EventTouch event(code);
    std::vector<EventListener*> claimed = _claimed;
    Touch* touch = _touch;
    touch->retain();
    std::vector<Node*> nodes;
    for (EventListener* l : claimed) {
        l->retain();
        if (l->_node) {
            l->_node->retain();
            nodes.push_back(l->_node);
        }
    }
    for (EventListener* base : claimed) {
        auto* l = static_cast<EventListenerTouchOneByOne*>(base);
        if (!l->_registered || !l->claimed || !l->_node || !l->_node->isRunning())
            continue;
        event.setCurrentTarget(l->_node);
        switch (code) {
            case EventTouch::EventCode::MOVED:
                if (l->onTouchMoved)
                    l->onTouchMoved(touch, &event);
                break;
            case EventTouch::EventCode::ENDED:
                if (l->onTouchEnded)
                    l->onTouchEnded(touch, &event);
                break;
            case EventTouch::EventCode::CANCELLED:
                if (l->onTouchCancelled)
                    l->onTouchCancelled(touch, &event);
                break;
            case EventTouch::EventCode::BEGAN:
                break;
        }
    }
    if (code == EventTouch::EventCode::ENDED || code == EventTouch::EventCode::CANCELLED) {
        std::vector<EventListener*> all = _claimed;
        for (EventListener* l : all)
            unclaim(_claimed, l);
        _touchActive = false;
    }
    for (Node* n : nodes)
        n->release();
    for (EventListener* l : claimed)
        l->release();
    touch->release();
}

void EventDispatcher::dispatchKeyPress(EventKeyboard::KeyCode code) {
    Scene* scene = Director::getInstance()->getRunningScene();
    if (!scene || code == EventKeyboard::KeyCode::KEY_NONE)
        return;
    std::vector<EventListenerKeyboard*> candidates = frontMostFirst<EventListenerKeyboard>(_listeners, scene);
    // A callback may remove listeners or nodes (a scene change, a node taken
    // off): everything reached here stays alive until the delivery is over.
    std::vector<Node*> nodes;
    for (auto* l : candidates) {
        l->retain();
        l->_node->retain();
        nodes.push_back(l->_node);
    }
    EventKeyboard event(code, true);
    for (auto* l : candidates) {
        if (event.isStopped())
            break;
        if (!l->_registered || !l->onKeyPressed || !l->_node || !l->_node->isRunning())
            continue;
        event.setCurrentTarget(l->_node);
        l->onKeyPressed(code, &event);
    }
    for (Node* n : nodes)
        n->release();
    for (auto* l : candidates)
        l->release();
}

namespace detail {

EventKeyboard::KeyCode keyCodeFromSdl(SDL_Keycode key) {
    using Key = EventKeyboard::KeyCode;
    switch (key) {
        case SDLK_ESCAPE:
            return Key::KEY_ESCAPE;
        case SDLK_SPACE:
            return Key::KEY_SPACE;
        case SDLK_RETURN:
            return Key::KEY_ENTER;
        case SDLK_KP_ENTER:
            return Key::KEY_KP_ENTER;
        case SDLK_h:
            return Key::KEY_H;
        case SDLK_m:
            return Key::KEY_M;
        case SDLK_p:
            return Key::KEY_P;
        default:
            return Key::KEY_NONE;
    }
}

}  // namespace detail

void EventDispatcher::cancelCurrentTouch() {
    if (_touchActive && _touch)
        dispatchTouch(EventTouch::EventCode::CANCELLED, _touch->getLocation());
    _touchActive = false;
}

}  // namespace cocos2d
