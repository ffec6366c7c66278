// The texts the server sends, and the frame that carries each of them.
//
// Every scalar member travels as a JSON string (numbers as decimal text); "info" is an array of
// four objects, one per seat. A frame is the 4-byte little-endian body length followed by the body.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "protocol/Message.h"

namespace hallserver {

// A ready-to-send frame, shared between every connection it goes to.
using Frame = std::shared_ptr<const std::string>;

Frame makeFrame(const std::string& body);

// Card list text: the codes joined by ",".
std::string cardListText(const std::vector<int>& cards);

std::string queryMessage(std::size_t online, const std::string& version);
std::string addMessage(int desk, int site, const std::string& name);
std::string changeMessage(const std::array<st_seat_info, 4>& seats);
std::string startMessage(const std::vector<int>& cards);
// per / now are -1 when none; surplus is the text of per's remaining card count (empty when per is -1).
std::string gameMessage(int per, const std::vector<int>& cards, const std::string& surplus, int now,
                        int score, int must);
std::string scoreMessage(int p0, int p1);
std::string overMessage(const std::array<st_seat_info, 4>& seats);
std::string runMessage(int site, const std::string& name);
std::string timeoutMessage();

// Appends `text` as a JSON string literal (quotes included), escaping what JSON requires.
void appendJsonString(std::string& out, const std::string& text);

}  // namespace hallserver
