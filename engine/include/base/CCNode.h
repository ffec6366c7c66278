// The scene graph: nodes, scenes and layers.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/CCRef.h"
#include "base/ccTypes.h"

namespace cocos2d {

class Touch;
class Event;
class EventDispatcher;

namespace detail {
class RenderContext;
// Uniform scale plus translation from a node's space to window pixels.
struct Transform {
    float scale = 1.0f;
    float tx = 0.0f;
    float ty = 0.0f;
    Vec2 apply(const Vec2& p) const { return Vec2(p.x * scale + tx, p.y * scale + ty); }
};
// Set by every visible change; the director redraws only when it is set.
void markSceneDirty();
}  // namespace detail

class Node : public Ref {
public:
    static Node* create();
    virtual bool init();
    ~Node() override;

    // Children: kept sorted by local z-order, equal z-orders in order of addition.
    virtual void addChild(Node* child);
    virtual void addChild(Node* child, int localZOrder);
    virtual void addChild(Node* child, int localZOrder, const std::string& name);
    virtual void removeChild(Node* child, bool cleanup = true);
    virtual void removeAllChildren();
    virtual void removeAllChildrenWithCleanup(bool cleanup);
    void removeFromParent();
    void removeFromParentAndCleanup(bool cleanup);
    const std::vector<Node*>& getChildren() const { return _children; }
    std::ptrdiff_t getChildrenCount() const { return static_cast<std::ptrdiff_t>(_children.size()); }
    Node* getChildByName(const std::string& name) const;
    Node* getParent() const { return _parent; }

    virtual void setLocalZOrder(int localZOrder);
    int getLocalZOrder() const { return _localZOrder; }
    void setName(const std::string& name) { _name = name; }
    const std::string& getName() const { return _name; }
    void setTag(int tag) { _tag = tag; }
    int getTag() const { return _tag; }

    // Geometry: the position is that of the anchor point in the parent's
    // space (origin at the parent's bottom-left corner).
    virtual void setPosition(const Vec2& position);
    virtual void setPosition(float x, float y);
    const Vec2& getPosition() const { return _position; }
    float getPositionX() const { return _position.x; }
    float getPositionY() const { return _position.y; }
    void setPositionX(float x);
    void setPositionY(float y);
    virtual void setScale(float scale);
    float getScale() const { return _scale; }
    virtual void setAnchorPoint(const Vec2& anchor);
    const Vec2& getAnchorPoint() const { return _anchorPoint; }
    // Scenes and layers place their bottom-left corner at the position.
    void setIgnoreAnchorPointForPosition(bool ignore);
    bool isIgnoreAnchorPointForPosition() const { return _ignoreAnchorPointForPosition; }
    virtual void setContentSize(const Size& size);
    const Size& getContentSize() const { return _contentSize; }
    // The node's rectangle in its parent's space.
    Rect getBoundingBox() const;

    virtual void setVisible(bool visible);
    bool isVisible() const { return _visible; }
    virtual void setColor(const Color3B& color);
    const Color3B& getColor() const { return _color; }
    virtual void setOpacity(uint8_t opacity);
    uint8_t getOpacity() const { return _opacity; }

    // Coordinates: node space has its origin at the node's bottom-left corner.
    Vec2 convertToNodeSpace(const Vec2& worldPoint) const;
    Vec2 convertToWorldSpace(const Vec2& nodePoint) const;
    Vec2 convertTouchToNodeSpace(Touch* touch) const;
    detail::Transform nodeToWorldTransform() const;

    // Scheduling: member callbacks run on the main thread while the node is
    // part of the running scene. An interval of 0 means every frame; a
    // callback fires at most once per frame.
    void schedule(SEL_SCHEDULE selector);
    void schedule(SEL_SCHEDULE selector, float interval);
    void schedule(SEL_SCHEDULE selector, float interval, unsigned int repeat, float delay);
    void scheduleOnce(SEL_SCHEDULE selector, float delay);
    void unschedule(SEL_SCHEDULE selector);
    void unscheduleAllCallbacks();
    bool isScheduled(SEL_SCHEDULE selector) const;

    // Life in the running scene.
    virtual void onEnter();
    virtual void onExit();
    // Stops the node's callbacks and touch listeners, and those of its subtree.
    virtual void cleanup();
    bool isRunning() const { return _running; }
    // True when this node and all its ancestors are visible.
    bool isVisibleInTree() const;

    EventDispatcher* getEventDispatcher() const;

    // Drawing (engine internal): draws this node and its subtree.
    virtual void visit(detail::RenderContext& ctx, const detail::Transform& parent);
    virtual void draw(detail::RenderContext& ctx, const detail::Transform& transform);
    // Order of this node in the last drawing pass (front-most is highest).
    unsigned int getDrawOrder() const { return _drawOrder; }
    // Advances the node's timers; used by the director.
    void tickSchedules(float dt);
    bool hasSchedules() const { return !_timers.empty(); }

protected:
    Node();
    detail::Transform localTransform(const detail::Transform& parent) const;

    struct Timer {
        SEL_SCHEDULE selector = nullptr;
        float interval = 0.0f;
        float elapsed = 0.0f;
        float delay = 0.0f;
        unsigned int repeat = CC_REPEAT_FOREVER;
        unsigned int fired = 0;
        bool removed = false;
    };

    Node* _parent = nullptr;
    std::vector<Node*> _children;
    int _localZOrder = 0;
    unsigned int _arrivalOrder = 0;
    unsigned int _drawOrder = 0;
    std::string _name;
    int _tag = -1;
    Vec2 _position;
    float _scale = 1.0f;
    Vec2 _anchorPoint{0.5f, 0.5f};
    bool _ignoreAnchorPointForPosition = false;
    Size _contentSize;
    bool _visible = true;
    Color3B _color = Color3B::WHITE;
    uint8_t _opacity = 255;
    bool _running = false;
    std::vector<Timer> _timers;
    int _tickDepth = 0;

private:
    void insertChild(Node* child, int localZOrder);
    void detachChild(Node* child, bool cleanup);
};

// The root of a drawn tree; its size is the visible size.
class Scene : public Node {
public:
    static Scene* create();
    bool init() override;

protected:
    Scene();
};

// A full-screen container for a screen's nodes, with touch callbacks that
// subclasses override and bind to a listener.
class Layer : public Node {
public:
    static Layer* create();
    bool init() override;

    virtual bool onTouchBegan(Touch* touch, Event* event);
    virtual void onTouchMoved(Touch* touch, Event* event);
    virtual void onTouchEnded(Touch* touch, Event* event);
    virtual void onTouchCancelled(Touch* touch, Event* event);

protected:
    Layer();
};

}  // namespace cocos2d
