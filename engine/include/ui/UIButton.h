// A push button drawn from a normal, a pressed and a disabled image.
#pragma once

#include <string>

#include "ui/UIWidget.h"

namespace cocos2d {

class SpriteFrame;

namespace ui {

class Button : public Widget {
public:
    static Button* create();
    // Images are files (LOCAL) or sprite frame names (PLIST). An empty name
    // falls back to the normal image.
    static Button* create(const std::string& normalImage, const std::string& selectedImage = "",
                          const std::string& disableImage = "",
                          TextureResType texType = TextureResType::LOCAL);
    bool init() override;
    bool init(const std::string& normalImage, const std::string& selectedImage,
              const std::string& disableImage, TextureResType texType);

    void loadTextures(const std::string& normal, const std::string& selected, const std::string& disabled,
                      TextureResType texType = TextureResType::LOCAL);
    void loadTextureNormal(const std::string& normal, TextureResType texType = TextureResType::LOCAL);
    void loadTexturePressed(const std::string& selected, TextureResType texType = TextureResType::LOCAL);
    void loadTextureDisabled(const std::string& disabled, TextureResType texType = TextureResType::LOCAL);

    // The frame drawn now: disabled, pressed or normal look.
    SpriteFrame* getCurrentFrame() const;

    void draw(detail::RenderContext& ctx, const detail::Transform& transform) override;
    ~Button() override;

protected:
    Button() = default;
    void onPressStateChanged() override;
    static SpriteFrame* loadFrame(const std::string& name, TextureResType texType);

    SpriteFrame* _normal = nullptr;
    SpriteFrame* _pressed = nullptr;
    SpriteFrame* _disabled = nullptr;
};

}  // namespace ui
}  // namespace cocos2d
