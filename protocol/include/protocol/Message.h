#pragma once

#include <string>

// One seat's entry of the "info" array that "change" and "over" carry.
struct st_seat_info {
    std::string name;  // player in the seat, empty for an empty seat
    int ready = 0;     // 1 when the player is ready ("change")
    int result = 0;    // > 0 won, < 0 lost, 0 draw ("over")
};

// One message from the server, as the receive thread reads it. Only `opt` and the fields of that
// opt's kind are filled; every other field keeps its default. A record is never changed once it
// has been queued.
struct stMsg {
    std::string opt;
    std::string online;    // "query": players online, as sent
    std::string name;      // "add", "run"
    int desk = -1;         // "add"
    int site = -1;         // "add", "run"
    std::string cards;     // "start", "game": card codes separated by ","
    int per = -1;          // "game": seat that has just played or passed
    std::string surplus;   // "game": cards left in per's hand, as sent
    int now = -1;          // "game": seat whose turn begins
    int score = 0;         // "game"
    int must = 0;          // "game": non-zero when `now` leads afresh
    std::string p0;        // "score": seats 0 and 2
    std::string p1;        // "score": seats 1 and 3
    std::string version;   // "query": the client version the server requires
    st_seat_info info[4];  // "change", "over": indexed by seat number
};
