#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cocos2d.h"
#include "ui/CocosGUI.h"

class CardSprite;
struct stMsg;

// What the desk shows for one seat. The nodes are children of the desk layer, which keeps them alive;
// the record only points at them.
struct st_player_info {
    cocos2d::Label* nameLabel = nullptr;
    cocos2d::Label* surplusLabel = nullptr;
    cocos2d::Sprite* readySprite = nullptr;
    cocos2d::LabelAtlas* countdownLabel = nullptr;
    cocos2d::Label* overLabel = nullptr;
    cocos2d::Label* passLabel = nullptr;
    int playX = 0;
    int playY = 0;
    std::vector<CardSprite*> playedCards;
};

// The game table: four seats around the own seat (bottom), the own hand, the rows of played cards,
// the score plate, the turn countdown and the ready / play / pass / return buttons.
//
// Server seat numbers map to screen seats as screen seat i = (own seat + i) mod 4: 0 bottom, 1 right,
// 2 top, 3 left. Every seat number that comes from the server is looked up through m_siteSeats; a
// number outside 0..3 has no record and the message that carries it is ignored.
class CDeskScene : public cocos2d::Layer {
public:
    using TouchEventType = cocos2d::ui::Widget::TouchEventType;

    // Lowered and raised heights of a hand card; the selection lives in these positions.
    static constexpr float kHandY = 45.0f;
    static constexpr float kRaisedY = 70.0f;
    // Distance between the centres of two neighbouring cards in a row.
    static constexpr float kCardStep = 18.0f;

    CREATE_FUNC(CDeskScene);

    bool init() override;
    void setDeskInfo(int desk, int site, const std::string& name);

    // Server events (one message per 0.1 s tick).
    void pollMessage(float dt);
    void startGame();
    void resetTable(int site);
    void showPlay(std::shared_ptr<stMsg> msg);
    void startTurn(std::shared_ptr<stMsg> msg);

    // Puts the hand in one row along the bottom edge, every card lowered.
    void layoutHand();
    // The x of card i of a row of n hand cards of the given width: the centres stand kCardStep apart
    // around the middle of the screen, moved right by a quarter of a card.
    static float handCardX(std::size_t i, std::size_t n, float cardWidth);

    // Hand selection by touch.
    bool onTouchBegan(cocos2d::Touch* touch, cocos2d::Event* event) override;
    void onTouchMoved(cocos2d::Touch* touch, cocos2d::Event* event) override;

    // Player actions.
    void onReadyClicked(cocos2d::Ref* sender, TouchEventType type);
    void onReturnClicked(cocos2d::Ref* sender, TouchEventType type);
    void onNoputClicked(cocos2d::Ref* sender, TouchEventType type);
    void onPutClicked(cocos2d::Ref* sender, TouchEventType type);
    void countdownTick(float dt);
    void collectSelectedCards(std::vector<int>& codes);

    // The hint: raises the cards of one play that may follow the last play, the weakest first and
    // each further press of the same turn the next stronger one; with none, a short note instead.
    void onHintClicked(cocos2d::Ref* sender, TouchEventType type);
    // Keys: Space or Enter plays, P passes, H hints, Escape returns, each only where its button
    // would take a click.
    void onKeyPressed(cocos2d::EventKeyboard::KeyCode key, cocos2d::Event* event);

    // Seconds that the note "nothing beats the table" stays up.
    static constexpr float kHintNoteSeconds = 2.0f;

    // Read-only views of the desk's state, for tests and tools.
    cocos2d::ui::Button* returnButton() const { return m_returnButton; }
    cocos2d::ui::Button* readyButton() const { return m_readyButton; }
    cocos2d::ui::Button* noputButton() const { return m_noputButton; }
    cocos2d::ui::Button* putButton() const { return m_putButton; }
    cocos2d::ui::Button* hintButton() const { return m_hintButton; }
    cocos2d::Label* hintNote() const { return m_hintNote; }
    cocos2d::Label* centerLabel() const { return m_centerLabel; }
    cocos2d::Label* teamScoreLabel() const { return m_teamScoreLabel; }
    cocos2d::Label* rivalScoreLabel() const { return m_rivalScoreLabel; }
    cocos2d::Label* deskScoreLabel() const { return m_deskScoreLabel; }
    bool isPlaying() const { return m_isPlaying; }
    bool leaveWarned() const { return m_leaveWarned; }
    int site() const { return m_site; }
    int desk() const { return m_desk; }
    const std::string& playerName() const { return m_playerName; }
    int turnSite() const { return m_turnSite; }
    const std::vector<int>& lastPlay() const { return m_lastPlay; }
    const std::vector<CardSprite*>& handCards() const { return m_handCards; }
    const std::vector<std::shared_ptr<st_player_info>>& seats() const { return m_seats; }
    const std::map<int, std::shared_ptr<st_player_info>>& siteSeats() const { return m_siteSeats; }
    CardSprite* lastTouchedCard() const { return m_lastTouchedCard; }

private:
    // The record of a server seat number, or null when there is none (a number outside 0..3, or
    // before setDeskInfo).
    st_player_info* seatOf(int site) const;
    // Removes every card of a played row from the layer and empties the row.
    void clearPlayedCards(st_player_info& seat);
    // Takes one card out of the hand and off the layer.
    void removeHandCard(std::size_t index);
    void removeAllHandCards();
    // The end of a hand ("over" or "run"): back to waiting, the ready button offered again.
    void endHand();
    // Replaces the desk with a new hall.
    void returnToHall();
    // The hint button stands with the play button, unless the ready button takes its place.
    void updateHintButton();
    // Forgets the plays offered so far: the next hint starts again from the weakest.
    void resetHint();
    void hideHintNote(float dt);

    cocos2d::ui::Button* m_returnButton = nullptr;
    cocos2d::ui::Button* m_readyButton = nullptr;
    cocos2d::ui::Button* m_noputButton = nullptr;
    cocos2d::ui::Button* m_putButton = nullptr;
    bool m_isPlaying = false;
    bool m_leaveWarned = false;
    cocos2d::Label* m_centerLabel = nullptr;
    cocos2d::Label* m_teamScoreLabel = nullptr;
    cocos2d::Label* m_rivalScoreLabel = nullptr;
    cocos2d::Label* m_deskScoreLabel = nullptr;
    int m_site = 0;
    int m_desk = 0;
    std::string m_playerName;
    int m_turnSite = -1;
    std::vector<int> m_lastPlay;
    std::vector<CardSprite*> m_handCards;
    std::vector<std::shared_ptr<st_player_info>> m_seats;
    std::map<int, std::shared_ptr<st_player_info>> m_siteSeats;
    CardSprite* m_lastTouchedCard = nullptr;
    cocos2d::ui::Button* m_hintButton = nullptr;
    cocos2d::Label* m_hintNote = nullptr;
    // The plays the hint offers this turn (found at its first press), and the one it offers next.
    std::vector<std::vector<int>> m_hintPlays;
    bool m_hintSearched = false;
    std::size_t m_hintNext = 0;
};
