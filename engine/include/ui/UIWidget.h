// Interactive widgets: the touch handling shared by buttons.
#pragma once

#include <functional>

#include "base/CCEvent.h"
#include "base/CCNode.h"

namespace cocos2d {
namespace ui {

class Widget : public Node {
public:
    enum class TouchEventType { BEGAN, MOVED, ENDED, CANCELED };
    enum class TextureResType { LOCAL = 0, PLIST = 1 };
    using ccWidgetTouchCallback = std::function<void(Ref*, TouchEventType)>;
    using ccWidgetClickCallback = std::function<void(Ref*)>;

    static Widget* create();
    bool init() override;

    // The callback gets (this widget, BEGAN / MOVED / ENDED / CANCELED).
    // ENDED only for a release over the widget, CANCELED otherwise.
    void addTouchEventListener(const ccWidgetTouchCallback& callback);
    void addClickEventListener(const ccWidgetClickCallback& callback);

    // A disabled widget receives no touches and shows its disabled look.
    virtual void setEnabled(bool enabled);
    bool isEnabled() const { return _enabled; }
    void setTouchEnabled(bool enabled);
    bool isTouchEnabled() const { return _touchEnabled; }
    void setSwallowTouches(bool swallow);
    bool isSwallowTouches() const;
    // True while a touch that began on the widget is over it.
    bool isHighlighted() const { return _highlighted; }
    // The point, in design coordinates, is over the widget's face.
    bool hitTest(const Vec2& worldPoint) const;

    ~Widget() override;
    void onEnter() override;

protected:
    Widget() = default;
    virtual void onPressStateChanged() {}
    void setHighlighted(bool highlighted);

    bool onTouchBegan(Touch* touch, Event* event);
    void onTouchMoved(Touch* touch, Event* event);
    void onTouchEnded(Touch* touch, Event* event);
    void onTouchCancelled(Touch* touch, Event* event);

    ccWidgetTouchCallback _touchEventCallback;
    ccWidgetClickCallback _clickEventCallback;
    EventListenerTouchOneByOne* _touchListener = nullptr;
    bool _enabled = true;
    bool _touchEnabled = true;
    bool _highlighted = false;
};

}  // namespace ui
}  // namespace cocos2d
