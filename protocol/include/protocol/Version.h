#pragma once

// The one protocol version: the client is this version, and the server's "query" reply asks for it.
// A client told of any other version ends with the box built by versionRejectedText().
inline constexpr char kClientVersion[] = "28";

// Where the user is sent for a newer client when the server refuses this version.
inline constexpr char kDownloadAddress[] = "http://cardhall.example.org/download";
