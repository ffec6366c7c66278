#!/usr/bin/env python3
"""Writes the seed inputs of every fuzz target under fuzz/corpus/<target>/: a few small, valid
inputs of every kind, from which the fuzzer starts. Run it again after changing it; the files are
kept in the repository so that the corpus replay test sees the same inputs everywhere."""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

SERVER_MESSAGES = {
    "query": '{"opt":"query","online":"12","version":"28"}',
    "query-old-version": '{"opt":"query","online":"3","version":"27"}',
    "add": '{"opt":"add","desk":"3","site":"1","name":"player7"}',
    "add-chinese-name": '{"opt":"add","desk":"12","site":"0","name":"\u73a9\u5bb6"}',
    "change": '{"opt":"change","info":[{"name":"a","ready":"1"},{"name":"","ready":"0"},'
              '{"name":"c","ready":"0"},{"name":"d","ready":"1"}]}',
    "change-five-seats": '{"opt":"change","info":[{"name":"a","ready":"1"},{"name":"b","ready":"0"},'
                         '{"name":"c","ready":"0"},{"name":"d","ready":"1"},{"name":"e","ready":"1"}]}',
    "start": '{"opt":"start","cards":"0,4,8,19,19,52,53,"}',
    "game": '{"opt":"game","per":"2","surplus":"13","now":"3","cards":"8,9,","score":"15","must":"0"}',
    "game-none": '{"opt":"game","per":"-1","surplus":"","now":"-1","cards":"","score":"40","must":"1"}',
    "score": '{"opt":"score","p0":"120","p1":"-35"}',
    "over": '{"opt":"over","info":[{"name":"a","result":"1"},{"name":"b","result":"-1"},'
            '{"name":"c","result":"1"},{"name":"d","result":"-1"}]}',
    "run": '{"opt":"run","site":"2","name":"leaver"}',
    "timeout": '{"opt":"timeout"}',
    "unknown-opt": '{"opt":"Query","online":"1"}',
    "spaced-extra-members": ' { "x" : [1, 2.5, true, null], "opt" : "add", "name" : "n", '
                            '"site" : "2x", "desk" : " -7" } ',
    "duplicate-member": '{"opt":"run","site":"1","site":"3","name":"a\\u0000b"}',
    "number-not-text": '{"opt":"add","desk":3,"site":"1","name":"n"}',
    "not-object": '["opt","query"]',
}

REQUESTS = {
    "query": '{"opt":"query"}',
    "add": '{"opt":"add"}',
    "ready": '{"opt":"change","type":"ready","desk":3,"site":1}',
    "leave": '{"opt":"change","type":"leave","desk":3,"site":1}',
    "play": '{"opt":"game","desk":3,"site":1,"cards":"8,9,"}',
    "pass": '{"opt":"game","desk":3,"site":1,"cards":""}',
    "auto-lead": '{"opt":"game","desk":3,"site":1,"cards":"8"}',
    "play-bad-code": '{"opt":"game","desk":3,"site":1,"cards":"54,"}',
    "desk-as-text": '{"opt":"change","type":"ready","desk":"3","site":1}',
}


def frame(body):
    data = body.encode("utf-8")
    return struct.pack("<I", len(data)) + data


def small_codes(codes):
    """The card rules target's byte form of small codes: code + 2."""
    return bytes(c + 2 for c in codes)


def rules_input(last, play):
    return bytes([0, len(last)]) + small_codes(last) + small_codes(play)


def rules_input_wide(last, play):
    return bytes([1, len(last)]) + b"".join(struct.pack("<i", c) for c in last + play)


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    for name, body in SERVER_MESSAGES.items():
        write("server_message", name, body)

    stream = b"".join(frame(SERVER_MESSAGES[k]) for k in ("query", "add", "change", "start", "game"))
    write("frame_stream", "five-frames-in-pieces-of-1-7-64-3", bytes([1, 7, 64, 3]) + stream)
    write("frame_stream", "five-frames-at-once", bytes([0, 0, 0, 0]) + stream)
    write("frame_stream", "zero-length", bytes([5, 5, 5, 5]) + frame("{}") + struct.pack("<I", 0) + b"{}")
    write("frame_stream", "too-long", bytes([2, 2, 2, 2]) + struct.pack("<I", 1024 * 1024 + 1) + b"{")
    write("frame_stream", "ends-inside-body", bytes([3, 1, 4, 1]) + frame("{}") + struct.pack("<I", 9) + b"{\"op")
    write("frame_stream", "ends-inside-length", bytes([1, 1, 1, 1]) + frame("{}") + b"\x05\x00")

    for name, text in {
        "hand": "0,4,8,19,19,52,53,",
        "leading-doubled-commas": ",8,,9",
        "empty": "",
        "lone-comma": ",",
        "one-code": "12",
        "atoi-forms": " 12x,-1,+7,\t3,abc,99999999999,-2147483648",
    }.items():
        write("card_list", name, b"\x00" + text.encode())
    write("card_list", "two-byte-separator", b"\x82;;8;;9;;;")
    write("card_list", "three-byte-separator", b"\x83aba" + b"xabababay")

    rules = {
        "free-lead-single": ([], [8]),
        "free-lead-three-four": ([], [8, 12]),
        "single-on-single": ([48], [49]),
        "top-card-on-red-joker": ([53], [19]),
        "bomb-on-top-card": ([19], [8, 9, 10, 11, 12][:4]),
        "pairs-top-card": ([16, 19], [20, 21]),
        "identical-on-identical": ([48, 48, 48], [9, 9, 9]),
        "bomb-on-bomb": ([8, 9, 10, 11, 8], [48, 49, 50, 51]),
        "identical-on-bomb": ([8, 9, 10, 11, 8], [8, 8, 8]),
        "pair-run": ([], [8, 9, 12, 13, 16, 17, 20, 21]),
        "pair-run-ace-high": ([8, 9, 12, 13, 16, 17, 20, 21], [0, 1, 40, 41, 44, 45, 48, 49]),
        "triple-run-ace-high": ([], [0, 1, 2, 44, 45, 46, 48, 49, 50]),
        "full-house-jokers": ([8, 9, 10, 12, 13], [52, 52, 52, 53, 53]),
        "sixteen-card-bomb": ([8, 8, 8, 8], [8, 8, 8, 8, 9, 9, 9, 9, 10, 10, 10, 10, 11, 11, 11, 11]),
        "code-outside-deck": ([], [54]),
        "unsorted-selection": ([], [13, 8, 12, 9]),
    }
    for name, (last, play) in rules.items():
        write("card_rules", name, rules_input(last, play))
    write("card_rules", "wide-codes", rules_input_wide([-2147483648, 5], [2147483647, 19, -1]))

    for name, body in REQUESTS.items():
        write("request", name, body)

    # Round trips: byte 0 even for a client request, odd for a server message.
    def i32(v):
        return struct.pack("<i", v)

    for kind in range(7):
        write("round_trip", "request-%d" % kind,
              bytes([0, kind]) + i32(3) + i32(1) + bytes([4]) + bytes([8, 9, 52, 53]))
    write("round_trip", "request-wide-codes", bytes([0, 4]) + i32(-1) + i32(2147483647) + bytes([0x82]) +
          i32(-5) + i32(60))
    for kind in range(9):
        write("round_trip", "message-%d" % kind,
              bytes([1, kind]) + i32(12) + i32(-1) + i32(3) + bytes([3, 0, 19, 53]) +
              b"\xff".join(t.encode("utf-8") for t in ("player", "\u73a9\u5bb6", "\"q\\\n\x01", "28")))

    # Game server sessions: a setup byte (bit 0: bots), a seed byte, then steps of an operation byte
    # (0 connect, 1 disconnect, 2 query, 3 add, 4 ready, 5 leave, 6 play, 7 pass, 8 raw body,
    # 9 clock), the connection byte and the aim byte (0: the client's own seat), and the operation's
    # own bytes (play: count and first card; raw: length and bytes; clock: odd for the next timer).
    def clock(times):
        return bytes([9, 0, 0, 1]) * times

    one_with_bots = bytes([1, 7, 0, 3, 0, 0]) + clock(6) + bytes([4, 0, 0]) + clock(3)
    one_with_bots += (bytes([6, 0, 0, 1, 0]) + clock(4)) * 20 + clock(40)
    write("game_server", "one-player-and-bots", one_with_bots)
    # Timer after timer: the bots and the turn timeouts play whole hands.
    played_out = bytes([1, 9, 0, 3, 0, 0, 9, 0, 0, 0x01, 4, 0, 0]) + bytes([9, 0, 0, 0xFF]) * 3
    played_out += bytes([4, 0, 0]) + bytes([9, 0, 0, 0xFF]) * 2 + bytes([1, 0, 0])
    write("game_server", "hands-played-out", played_out)

    four = bytes([0, 3]) + bytes([0]) * 4
    four += b"".join(bytes([3, i, 0]) for i in range(4)) + b"".join(bytes([4, i, 0]) for i in range(4))
    for turn in range(30):
        i = turn % 4
        four += bytes([6, i, 0, 1 + turn % 3, turn % 5]) + bytes([7, i, 0]) + bytes([9, i, 0, 1])
    four += bytes([5, 0, 0]) + clock(10) + bytes([1, 1, 0])
    write("game_server", "four-players", four)

    raw = bytes([0, 1, 0])
    for body in (REQUESTS["query"], REQUESTS["add"], '{"opt":"game","desk":1,"site":0,"cards":"8,"}', "[[["):
        data = body.encode()
        raw += bytes([8, 0, 0, len(data)]) + data
    write("game_server", "raw-bodies", raw)

    # Bot sessions: a seed byte, then steps of an operation byte (0 add, 1 start, 2 game, 3 over,
    # 4 run, 5 timeout, 6 query, 7 raw body, 8 clock), two bytes for seats (value + 1; add: desk - 1),
    # then the message's own bytes: card lists as a count (below 64) and codes + 3, game with a must
    # byte before its cards, raw bodies as a length and bytes, the clock as 20 ms steps.
    def card_bytes(codes):
        return bytes([len(codes)]) + bytes(c + 3 for c in codes)

    hand = [0, 4, 8, 9, 12, 13, 16, 19, 20, 24, 28, 32, 36, 40, 44, 48, 52, 53]
    session = bytes([5]) + bytes([0, 1, 2]) + bytes([1, 0, 0]) + card_bytes(hand)
    session += bytes([2, 0, 2, 1]) + card_bytes([])        # own lead, must
    session += bytes([8, 0, 0, 100])                        # the bot moves
    session += bytes([2, 4, 2, 0]) + card_bytes([10])       # seat 3 played a three, our turn
    session += bytes([8, 0, 0, 100])
    session += bytes([2, 2, 3, 0]) + card_bytes([52, 52])   # a pair of jokers to beat
    session += bytes([8, 0, 0, 100]) + bytes([3, 0, 0]) + bytes([5, 0, 0])
    write("bot_player", "one-hand", session)
    raw = bytes([9])
    for body in (SERVER_MESSAGES["add"], SERVER_MESSAGES["start"], SERVER_MESSAGES["game"], "{\"opt\":7}"):
        data = body.encode()[:63]
        raw += bytes([7, 0, 0, len(data)]) + data
    write("bot_player", "raw-bodies", raw)


if __name__ == "__main__":
    main()
