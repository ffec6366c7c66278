// Nodes: the tree, geometry, timers and drawing order.
#include <algorithm>

#include "Internal.h"

namespace cocos2d {

namespace {
unsigned int g_arrivalCounter = 0;
// Timers fire when their elapsed time is within this of the interval, so
// that float sums of the frame step (6 x 1/60 vs 0.1) do not slip a frame.
constexpr float kTimerTolerance = 1e-4f;
}  // namespace

Node::Node() = default;

Node::~Node() {
    for (Node* child : _children) {
        child->_parent = nullptr;
        child->release();
    }
    _children.clear();
    if (EventDispatcher* d = getEventDispatcher())
        d->removeEventListenersForTarget(this);
}

Node* Node::create() {
    Node* n = new (std::nothrow) Node();
    if (n && n->init()) {
        n->autorelease();
        return n;
    }
    delete n;
    return nullptr;
}

bool Node::init() {
    return true;
}

EventDispatcher* Node::getEventDispatcher() const {
    return Director::getInstance()->getEventDispatcher();
}

void Node::addChild(Node* child) {
    addChild(child, child ? child->_localZOrder : 0);
}

void Node::addChild(Node* child, int localZOrder, const std::string& name) {
    if (child)
        child->setName(name);
    addChild(child, localZOrder);
}

void Node::addChild(Node* child, int localZOrder) {
    if (!child || child == this) {
        detail::reportOnce("engine: addChild with a null or self child ignored");
        return;
    }
    if (child->_parent) {
        detail::reportOnce("engine: addChild of a node that already has a parent ignored");
        return;
    }
    child->retain();
    child->_parent = this;
    insertChild(child, localZOrder);
    if (_running)
        child->onEnter();
    detail::markSceneDirty();
}

void Node::insertChild(Node* child, int localZOrder) {
    child->_localZOrder = localZOrder;
    child->_arrivalOrder = ++g_arrivalCounter;
    // Sorted by z; a newcomer goes after every child of equal z.
    auto it = std::upper_bound(_children.begin(), _children.end(), localZOrder,
                               [](int z, const Node* n) { return z < n->_localZOrder; });
    _children.insert(it, child);
}

void Node::setLocalZOrder(int localZOrder) {
    if (_parent) {
        auto& siblings = _parent->_children;
        auto it = std::find(siblings.begin(), siblings.end(), this);
        if (it != siblings.end())
            siblings.erase(it);
        _parent->insertChild(this, localZOrder);
    } else {
        _localZOrder = localZOrder;
    }
    detail::markSceneDirty();
}

void Node::removeChild(Node* child, bool cleanup) {
    if (!child)
        return;
    auto it = std::find(_children.begin(), _children.end(), child);
    if (it == _children.end())
        return;
    _children.erase(it);
    detachChild(child, cleanup);
    detail::markSceneDirty();
}

void Node::detachChild(Node* child, bool cleanup) {
    if (child->_running)
        child->onExit();
    if (cleanup)
        child->cleanup();
    child->_parent = nullptr;
    child->release();
}

void Node::removeAllChildren() {
    removeAllChildrenWithCleanup(true);
}

void Node::removeAllChildrenWithCleanup(bool cleanup) {
    std::vector<Node*> children;
    children.swap(_children);
    for (Node* child : children)
        detachChild(child, cleanup);
    if (!children.empty())
        detail::markSceneDirty();
}

void Node::removeFromParent() {
    removeFromParentAndCleanup(true);
}

void Node::removeFromParentAndCleanup(bool cleanup) {
    if (_parent)
        _parent->removeChild(this, cleanup);
}

Node* Node::getChildByName(const std::string& name) const {
    for (Node* c : _children)
        if (c->_name == name)
            return c;
    return nullptr;
}

void Node::setPosition(const Vec2& position) {
    if (position == _position)
        return;
    _position = position;
    detail::markSceneDirty();
}

void Node::setPosition(float x, float y) {
    setPosition(Vec2(x, y));
}
void Node::setPositionX(float x) {
    setPosition(Vec2(x, _position.y));
}
void Node::setPositionY(float y) {
    setPosition(Vec2(_position.x, y));
}

void Node::setScale(float scale) {
    if (scale == _scale)
        return;
    _scale = scale;
    detail::markSceneDirty();
}

void Node::setAnchorPoint(const Vec2& anchor) {
    if (anchor == _anchorPoint)
        return;
    _anchorPoint = anchor;
    detail::markSceneDirty();
}

void Node::setIgnoreAnchorPointForPosition(bool ignore) {
    if (ignore == _ignoreAnchorPointForPosition)
        return;
    _ignoreAnchorPointForPosition = ignore;
    detail::markSceneDirty();
}

void Node::setContentSize(const Size& size) {
    if (size == _contentSize)
        return;
    _contentSize = size;
    detail::markSceneDirty();
}

Rect Node::getBoundingBox() const {
    Vec2 origin = _position;
    if (!_ignoreAnchorPointForPosition)
        origin -= Vec2(_anchorPoint.x * _contentSize.width, _anchorPoint.y * _contentSize.height) * _scale;
    return Rect(origin, Size(_contentSize.width * _scale, _contentSize.height * _scale));
}

void Node::setVisible(bool visible) {
    if (visible == _visible)
        return;
    _visible = visible;
    detail::markSceneDirty();
}

bool Node::isVisibleInTree() const {
    for (const Node* n = this; n; n = n->_parent)
        if (!n->_visible)
            return false;
    return true;
}

void Node::setColor(const Color3B& color) {
    if (color == _color)
        return;
    _color = color;
    detail::markSceneDirty();
}

void Node::setOpacity(uint8_t opacity) {
    if (opacity == _opacity)
        return;
    _opacity = opacity;
    detail::markSceneDirty();
}

detail::Transform Node::localTransform(const detail::Transform& parent) const {
    Vec2 origin = _position;
    if (!_ignoreAnchorPointForPosition)
        origin -= Vec2(_anchorPoint.x * _contentSize.width, _anchorPoint.y * _contentSize.height) * _scale;
    detail::Transform t;
    t.scale = parent.scale * _scale;
    t.tx = parent.scale * origin.x + parent.tx;
    t.ty = parent.scale * origin.y + parent.ty;
    return t;
}

detail::Transform Node::nodeToWorldTransform() const {
    detail::Transform parent;
    if (_parent)
        parent = _parent->nodeToWorldTransform();
    return localTransform(parent);
}

Vec2 Node::convertToWorldSpace(const Vec2& nodePoint) const {
    return nodeToWorldTransform().apply(nodePoint);
}

Vec2 Node::convertToNodeSpace(const Vec2& worldPoint) const {
    detail::Transform t = nodeToWorldTransform();
    if (t.scale == 0.0f)
        return Vec2::ZERO;
    return Vec2((worldPoint.x - t.tx) / t.scale, (worldPoint.y - t.ty) / t.scale);
}

Vec2 Node::convertTouchToNodeSpace(Touch* touch) const {
    return touch ? convertToNodeSpace(touch->getLocation()) : Vec2::ZERO;
}

// ---- timers ----

void Node::schedule(SEL_SCHEDULE selector) {
    schedule(selector, 0.0f, CC_REPEAT_FOREVER, 0.0f);
}

void Node::schedule(SEL_SCHEDULE selector, float interval) {
    schedule(selector, interval, CC_REPEAT_FOREVER, 0.0f);
}

void Node::schedule(SEL_SCHEDULE selector, float interval, unsigned int repeat, float delay) {
    if (!selector)
        return;
    if (interval < 0.0f)
        interval = 0.0f;
    for (Timer& t : _timers) {
        if (t.selector == selector && !t.removed) {
            // Scheduling again changes the interval only.
            t.interval = interval;
            return;
        }
    }
    Timer t;
    t.selector = selector;
    t.interval = interval;
    t.repeat = repeat;
    t.delay = delay > 0.0f ? delay : 0.0f;
    _timers.push_back(t);
}

void Node::scheduleOnce(SEL_SCHEDULE selector, float delay) {
    schedule(selector, 0.0f, 0, delay > 0.0f ? delay : 0.0f);
    // A one-shot with no delay still waits for the next frame.
}

void Node::unschedule(SEL_SCHEDULE selector) {
    for (Timer& t : _timers)
        if (t.selector == selector)
            t.removed = true;
    if (_tickDepth == 0)
        _timers.erase(
            std::remove_if(_timers.begin(), _timers.end(), [](const Timer& t) { return t.removed; }),
            _timers.end());
}

void Node::unscheduleAllCallbacks() {
    for (Timer& t : _timers)
        t.removed = true;
    if (_tickDepth == 0)
        _timers.clear();
}

bool Node::isScheduled(SEL_SCHEDULE selector) const {
    for (const Timer& t : _timers)
        if (t.selector == selector && !t.removed)
            return true;
    return false;
}

void Node::tickSchedules(float dt) {
    ++_tickDepth;
    for (std::size_t i = 0; i < _timers.size(); ++i) {
        if (_timers[i].removed)
            continue;
        Timer& t = _timers[i];
        t.elapsed += dt;
        float due = t.fired == 0 && t.delay > 0.0f ? t.delay : t.interval;
        if (t.elapsed + kTimerTolerance < due)
            continue;
        float elapsed = t.elapsed;
        // At most once per frame: a long frame does not fire a backlog.
        t.elapsed -= due;
        if (t.elapsed + kTimerTolerance >= t.interval || t.elapsed < 0.0f)
            t.elapsed = 0.0f;
        ++t.fired;
        if (t.repeat != CC_REPEAT_FOREVER && t.fired > t.repeat)
            t.removed = true;
        SEL_SCHEDULE selector = t.selector;
        // The callback may add or remove timers; t is not used after it.
        (this->*selector)(elapsed);
        if (!_running)
            break;
    }
    --_tickDepth;
    if (_tickDepth == 0)
        _timers.erase(
            std::remove_if(_timers.begin(), _timers.end(), [](const Timer& t) { return t.removed; }),
            _timers.end());
}

// ---- life in the running scene ----

void Node::onEnter() {
    _running = true;
    // Copy: a child's onEnter may change the list.
    std::vector<Node*> children = _children;
    for (Node* c : children)
        if (c->_parent == this && !c->_running)
            c->onEnter();
}

void Node::onExit() {
    _running = false;
    std::vector<Node*> children = _children;
    for (Node* c : children)
        if (c->_parent == this && c->_running)
            c->onExit();
}

void Node::cleanup() {
    unscheduleAllCallbacks();
    std::vector<Node*> children = _children;
    for (Node* c : children)
        c->cleanup();
}

// ---- drawing ----

void Node::visit(detail::RenderContext& ctx, const detail::Transform& parent) {
    if (!_visible)
        return;
    detail::Transform t = localTransform(parent);
    std::size_t i = 0;
    const std::size_t n = _children.size();
    for (; i < n && _children[i]->_localZOrder < 0; ++i)
        _children[i]->visit(ctx, t);
    _drawOrder = ++ctx.drawCounter;
    draw(ctx, t);
    for (; i < n; ++i)
        _children[i]->visit(ctx, t);
}

void Node::draw(detail::RenderContext&, const detail::Transform&) {}

// ---- scenes and layers ----

Scene::Scene() {
    _ignoreAnchorPointForPosition = true;
}

Scene* Scene::create() {
    Scene* s = new (std::nothrow) Scene();
    if (s && s->init()) {
        s->autorelease();
        return s;
    }
    delete s;
    return nullptr;
}

bool Scene::init() {
    setContentSize(Director::getInstance()->getVisibleSize());
    return true;
}

Layer::Layer() {
    _ignoreAnchorPointForPosition = true;
}

Layer* Layer::create() {
    Layer* l = new (std::nothrow) Layer();
    if (l && l->init()) {
        l->autorelease();
        return l;
    }
    delete l;
    return nullptr;
}

bool Layer::init() {
    setContentSize(Director::getInstance()->getVisibleSize());
    return true;
}

bool Layer::onTouchBegan(Touch*, Event*) {
    return false;
}
void Layer::onTouchMoved(Touch*, Event*) {}
void Layer::onTouchEnded(Touch*, Event*) {}
void Layer::onTouchCancelled(Touch*, Event*) {}

}  // namespace cocos2d
