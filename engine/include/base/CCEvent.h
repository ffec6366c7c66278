// Input: touches and keys, events, listeners and the dispatcher.
#pragma once

#include <functional>
#include <vector>

#include "base/CCRef.h"
#include "base/ccTypes.h"

namespace cocos2d {

class Node;

// One touch (the left mouse button). Locations are in design coordinates,
// origin at the bottom left.
class Touch : public Ref {
public:
    Touch() = default;
    Vec2 getLocation() const { return _point; }
    Vec2 getPreviousLocation() const { return _prevPoint; }
    Vec2 getStartLocation() const { return _startPoint; }
    Vec2 getDelta() const { return _point - _prevPoint; }
    int getID() const { return _id; }

    // Engine internal.
    void setTouchInfo(int id, const Vec2& point, bool start);

private:
    int _id = 0;
    Vec2 _point;
    Vec2 _prevPoint;
    Vec2 _startPoint;
};

class Event : public Ref {
public:
    enum class Type { TOUCH, KEYBOARD, CUSTOM };
    explicit Event(Type type = Type::TOUCH) : _type(type) {}
    Type getType() const { return _type; }
    void stopPropagation() { _stopped = true; }
    bool isStopped() const { return _stopped; }
    Node* getCurrentTarget() const { return _currentTarget; }
    void setCurrentTarget(Node* target) { _currentTarget = target; }

private:
    Type _type;
    bool _stopped = false;
    Node* _currentTarget = nullptr;
};

class EventTouch : public Event {
public:
    enum class EventCode { BEGAN, MOVED, ENDED, CANCELLED };
    explicit EventTouch(EventCode code) : Event(Type::TOUCH), _code(code) {}
    EventCode getEventCode() const { return _code; }

private:
    EventCode _code;
};

// A key press. Only the keys the program reacts to have a code of their own; every other key is
// KEY_NONE and is not delivered.
class EventKeyboard : public Event {
public:
    enum class KeyCode { KEY_NONE, KEY_ESCAPE, KEY_SPACE, KEY_ENTER, KEY_KP_ENTER, KEY_H, KEY_M, KEY_P };
    EventKeyboard(KeyCode keyCode, bool isPressed)
        : Event(Type::KEYBOARD), _keyCode(keyCode), _isPressed(isPressed) {}
    KeyCode getKeyCode() const { return _keyCode; }
    bool isPressed() const { return _isPressed; }

private:
    KeyCode _keyCode;
    bool _isPressed;
};

class EventListener : public Ref {
public:
    void setEnabled(bool enabled) { _enabled = enabled; }
    bool isEnabled() const { return _enabled; }
    // Engine internal: the node whose place in the scene sets the priority.
    Node* getAssociatedNode() const { return _node; }
    bool isRegistered() const { return _registered; }

protected:
    EventListener() = default;
    friend class EventDispatcher;
    Node* _node = nullptr;
    bool _enabled = true;
    bool _registered = false;
};

// Receives one touch at a time. The touch goes to this listener's moved,
// ended and cancelled callbacks only when its began callback returned true.
class EventListenerTouchOneByOne : public EventListener {
public:
    static EventListenerTouchOneByOne* create();

    // Swallowing: a touch claimed here does not reach listeners behind.
    void setSwallowTouches(bool needSwallow) { _swallow = needSwallow; }
    bool isSwallowTouches() const { return _swallow; }

    std::function<bool(Touch*, Event*)> onTouchBegan;
    std::function<void(Touch*, Event*)> onTouchMoved;
    std::function<void(Touch*, Event*)> onTouchEnded;
    std::function<void(Touch*, Event*)> onTouchCancelled;

    // Engine internal: whether this listener holds the current touch.
    bool claimed = false;

protected:
    EventListenerTouchOneByOne() = default;
    bool _swallow = false;
};

// Receives key presses (not the repeats of a key held down).
class EventListenerKeyboard : public EventListener {
public:
    static EventListenerKeyboard* create();

    std::function<void(EventKeyboard::KeyCode, Event*)> onKeyPressed;

protected:
    EventListenerKeyboard() = default;
};

// Delivers touches to listeners, front-most node first (the reverse of the
// drawing order). Listeners of nodes that are not in the running scene, or
// not visible, get nothing.
class EventDispatcher {
public:
    EventDispatcher() = default;
    ~EventDispatcher();

    void addEventListenerWithSceneGraphPriority(EventListener* listener, Node* node);
    void removeEventListener(EventListener* listener);
    void removeEventListenersForTarget(Node* target, bool recursive = false);
    void removeAllEventListeners();
    std::size_t getListenerCount() const { return _listeners.size(); }

    // Engine internal: one touch event at a design point.
    void dispatchTouch(EventTouch::EventCode code, const Vec2& location);
    // Engine internal: one key press, to every keyboard listener of a visible node in the running
    // scene, front-most first, until one stops the event's propagation.
    void dispatchKeyPress(EventKeyboard::KeyCode code);
    // Ends the current touch as cancelled (e.g. the scene changed).
    void cancelCurrentTouch();
    bool isTouchActive() const { return _touchActive; }

private:
    std::vector<EventListener*> _listeners;
    std::vector<EventListener*> _claimed;
    Touch* _touch = nullptr;
    bool _touchActive = false;
    int _touchId = 0;
};

}  // namespace cocos2d
