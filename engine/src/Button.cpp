// Widgets and buttons.
#include "Internal.h"
#include "ui/CocosGUI.h"

namespace cocos2d {
namespace ui {

Widget* Widget::create() {
    auto* w = new (std::nothrow) Widget();
    if (w && w->init()) {
        w->autorelease();
        return w;
    }
    delete w;
    return nullptr;
}

bool Widget::init() {
    if (!Node::init())
        return false;
    if (!_touchListener) {
        _touchListener = EventListenerTouchOneByOne::create();
        _touchListener->retain();
        _touchListener->setSwallowTouches(true);
        _touchListener->onTouchBegan = [this](Touch* t, Event* e) { return onTouchBegan(t, e); };
        _touchListener->onTouchMoved = [this](Touch* t, Event* e) { onTouchMoved(t, e); };
        _touchListener->onTouchEnded = [this](Touch* t, Event* e) { onTouchEnded(t, e); };
        _touchListener->onTouchCancelled = [this](Touch* t, Event* e) { onTouchCancelled(t, e); };
        getEventDispatcher()->addEventListenerWithSceneGraphPriority(_touchListener, this);
    }
    return true;
}

Widget::~Widget() {
    if (_touchListener) {
        getEventDispatcher()->removeEventListener(_touchListener);
        _touchListener->release();
    }
}

void Widget::onEnter() {
    // The dispatcher drops every listener when the engine is reset; a
    // widget that lives on registers again.
    if (_touchListener && !_touchListener->isRegistered())
        getEventDispatcher()->addEventListenerWithSceneGraphPriority(_touchListener, this);
    Node::onEnter();
}

void Widget::addTouchEventListener(const ccWidgetTouchCallback& callback) {
    _touchEventCallback = callback;
}
void Widget::addClickEventListener(const ccWidgetClickCallback& callback) {
    _clickEventCallback = callback;
}

void Widget::setEnabled(bool enabled) {
    if (enabled == _enabled)
        return;
    _enabled = enabled;
    if (!enabled)
        setHighlighted(false);
    onPressStateChanged();
    detail::markSceneDirty();
}

void Widget::setTouchEnabled(bool enabled) {
    _touchEnabled = enabled;
}

void Widget::setSwallowTouches(bool swallow) {
    if (_touchListener)
        _touchListener->setSwallowTouches(swallow);
}

bool Widget::isSwallowTouches() const {
    return _touchListener && _touchListener->isSwallowTouches();
}

void Widget::setHighlighted(bool highlighted) {
    if (highlighted == _highlighted)
        return;
    _highlighted = highlighted;
    onPressStateChanged();
    detail::markSceneDirty();
}

bool Widget::hitTest(const Vec2& worldPoint) const {
    Vec2 p = convertToNodeSpace(worldPoint);
    return Rect(Vec2::ZERO, _contentSize).containsPoint(p);
}

namespace {
bool canTouch(const Widget* w) {
    return w->isEnabled() && w->isTouchEnabled() && w->isVisibleInTree();
}
}  // namespace

bool Widget::onTouchBegan(Touch* touch, Event*) {
    if (!canTouch(this) || !isRunning() || !hitTest(touch->getLocation()))
        return false;
    retain();
    setHighlighted(true);
    if (_touchEventCallback)
        _touchEventCallback(this, TouchEventType::BEGAN);
    release();
    return true;
}

void Widget::onTouchMoved(Touch* touch, Event*) {
    if (!canTouch(this)) {
        setHighlighted(false);
        return;
    }
    retain();
    setHighlighted(hitTest(touch->getLocation()));
    if (_touchEventCallback)
        _touchEventCallback(this, TouchEventType::MOVED);
    release();
}

void Widget::onTouchEnded(Touch* touch, Event*) {
    bool inside = hitTest(touch->getLocation());
    setHighlighted(false);
    // Disabled or hidden meanwhile: the widget gets nothing more.
    if (!canTouch(this))
        return;
    retain();
    if (inside) {
        if (_touchEventCallback)
            _touchEventCallback(this, TouchEventType::ENDED);
        if (_clickEventCallback)
            _clickEventCallback(this);
    } else if (_touchEventCallback) {
        _touchEventCallback(this, TouchEventType::CANCELED);
    }
    release();
}

void Widget::onTouchCancelled(Touch*, Event*) {
    setHighlighted(false);
    if (!canTouch(this))
        return;
    retain();
    if (_touchEventCallback)
        _touchEventCallback(this, TouchEventType::CANCELED);
    release();
}

// ---- button ----

Button* Button::create() {
    auto* b = new (std::nothrow) Button();
    if (b && b->init()) {
        b->autorelease();
        return b;
    }
    delete b;
    return nullptr;
}

Button* Button::create(const std::string& normalImage, const std::string& selectedImage,
                       const std::string& disableImage, TextureResType texType) {
    auto* b = new (std::nothrow) Button();
    if (b && b->init(normalImage, selectedImage, disableImage, texType)) {
        b->autorelease();
        return b;
    }
    delete b;
    return nullptr;
}

bool Button::init() {
    return Widget::init();
}

bool Button::init(const std::string& normalImage, const std::string& selectedImage,
                  const std::string& disableImage, TextureResType texType) {
    if (!Widget::init())
        return false;
    loadTextures(normalImage, selectedImage, disableImage, texType);
    return true;
}

Button::~Button() {
    CC_SAFE_RELEASE(_normal);
    CC_SAFE_RELEASE(_pressed);
    CC_SAFE_RELEASE(_disabled);
}

SpriteFrame* Button::loadFrame(const std::string& name, TextureResType texType) {
    if (name.empty())
        return nullptr;
    SpriteFrame* frame = nullptr;
    if (texType == TextureResType::PLIST) {
        frame = SpriteFrameCache::getInstance()->getSpriteFrameByName(name);
        if (!frame)
            detail::reportOnce("engine: no sprite frame named " + name);
    } else {
        Texture2D* tex = TextureCache::getInstance()->addImage(name);
        frame =
            SpriteFrame::create(name, Rect(0, 0, float(tex->getPixelsWide()), float(tex->getPixelsHigh())));
    }
    if (frame)
        frame->retain();
    return frame;
}

void Button::loadTextures(const std::string& normal, const std::string& selected, const std::string& disabled,
                          TextureResType texType) {
    loadTextureNormal(normal, texType);
    loadTexturePressed(selected, texType);
    loadTextureDisabled(disabled, texType);
}

void Button::loadTextureNormal(const std::string& normal, TextureResType texType) {
    SpriteFrame* f = loadFrame(normal, texType);
    CC_SAFE_RELEASE(_normal);
    _normal = f;
    setContentSize(f ? f->getRect().size : Size::ZERO);
    detail::markSceneDirty();
}

void Button::loadTexturePressed(const std::string& selected, TextureResType texType) {
    SpriteFrame* f = loadFrame(selected, texType);
    CC_SAFE_RELEASE(_pressed);
    _pressed = f;
    detail::markSceneDirty();
}

void Button::loadTextureDisabled(const std::string& disabled, TextureResType texType) {
    SpriteFrame* f = loadFrame(disabled, texType);
    CC_SAFE_RELEASE(_disabled);
    _disabled = f;
    detail::markSceneDirty();
}

SpriteFrame* Button::getCurrentFrame() const {
    if (!_enabled && _disabled)
        return _disabled;
    if (_enabled && _highlighted && _pressed)
        return _pressed;
    return _normal;
}

void Button::onPressStateChanged() {
    detail::markSceneDirty();
}

void Button::draw(detail::RenderContext& ctx, const detail::Transform& t) {
    SpriteFrame* frame = getCurrentFrame();
    if (!frame)
        return;
    Texture2D* tex = frame->getTexture();
    const Rect& r = frame->getRect();
    if (!tex->isValid() || r.size.width <= 0 || r.size.height <= 0)
        return;
    SDL_Texture* sdl = tex->sdlTexture(ctx);
    if (!sdl)
        return;
    const int k = tex->textureScale();
    SDL_Rect src{int(r.origin.x) * k, int(r.origin.y) * k, int(r.size.width) * k, int(r.size.height) * k};
    // Each look is drawn centred in the button's face.
    float x = (_contentSize.width - r.size.width) / 2.0f;
    float y = (_contentSize.height - r.size.height) / 2.0f;
    ctx.drawTexture(sdl, src, t, x, y, r.size.width, r.size.height, _color, _opacity);
}

}  // namespace ui
}  // namespace cocos2d
