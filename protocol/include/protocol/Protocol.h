#pragma once

// The whole wire protocol between the client and the game server, for both directions and both
// sides: include this, or only the part a file needs. Pure code: no engine, no sockets.
//
//   Frame.h           frames, their bounds, and the stream cutter
//   Version.h         the one protocol version
//   Json.h            the one JSON string writer
//   Requests.h        client to server: request builders (client, bots), request reader (server)
//   ServerMessages.h  server to client: message builders (server), message reader (client, bots)
//   Message.h         the client's records of a message: stMsg and st_seat_info
//
// docs/protocol.md describes every message.

#include "protocol/Frame.h"
#include "protocol/Json.h"
#include "protocol/Message.h"
#include "protocol/Requests.h"
#include "protocol/ServerMessages.h"
#include "protocol/Version.h"
