#pragma once

#include "cocos2d.h"
#include "ui/CocosGUI.h"

// Tick counter shared by every hall of the run: starts at 1, grows by one per hall tick and is never
// reset, so a hall built after a return from a desk keeps the phase of the periodic online query.
extern int s_hallTickCount;

// The lobby: the table background, the quick-join button and the online count. Ten times a second it
// takes one server message; an "add" reply replaces the hall with the desk it names.
class CHallScene : public cocos2d::Layer {
public:
    CREATE_FUNC(CHallScene);

    bool init() override;

    // Touch callback of the quick-join button: ENDED disables the button and asks for a seat.
    void onAddDeskClicked(cocos2d::Ref* sender, cocos2d::ui::Widget::TouchEventType type);

    // Scheduled every 0.1 s: the periodic query and one message from the queue.
    void pollMessage(float dt);

    cocos2d::ui::Button* addButton() const { return m_addButton; }
    cocos2d::Label* onlineLabel() const { return m_onlineLabel; }

private:
    cocos2d::ui::Button* m_addButton = nullptr;
    cocos2d::Label* m_onlineLabel = nullptr;
};
