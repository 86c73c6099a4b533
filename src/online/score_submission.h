#pragma once
// Sending a new high score to the score server: a version query first, then one query whose
// only parameter is the whole result record in the game's own text encoding, then the game's
// replay, for the server to play it and vouch for the score. Each blocks until the server answers
// or the client's bounds run out (see platform/http_client.h); nothing is retried or kept for later.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/http_client.h"

class IWindow;
struct GameState;

inline constexpr std::string_view kVersionQuery = "/cgi/version.pl?version&prg=Vandrax";
inline constexpr std::string_view kScoreQuery = "/cgi/version.pl?hs&prg=Vandrax&inf=";
// The replay's upload, followed by the token the score query carried.
inline constexpr std::string_view kReplayUpload = "/api/replays?token=";
// The "key=" field's fixed value; only the score server reads it.
inline constexpr std::string_view kScoreKey = "1";
inline constexpr std::string_view kCannotConnect = "Can't connect to server!";
// The longest the player waits on the server: from the version query's start to the end of the
// score query, or of the replay's upload when there is one.
inline constexpr int32_t kScoreExchangeMs = 6000;

// The request headers both queries carry.
std::vector<HttpHeader> ScoreServerHeaders();

// The fifth "|"-separated field of the version answer ("OK" is the first): "OK|a|b|c|d|e"
// gives "d", a shorter answer an empty field.
std::string VersionAnswerField(std::string_view answer);

// "type=0|name=...|score=...|key=...|p=...|add=...|z=" filled with "0" to a multiple of 5
// characters. Name and country go in as they are.
std::string ResultRecord(std::string_view name, int32_t score, std::string_view p, std::string_view country);

enum class SubmitResult {
    Sent,           // the score query went out (whatever became of it)
    CannotConnect,  // the version query got no answer starting with "OK": nothing was sent
};

// Both queries against the server at `serverBase` ("http://host:port"). When the score query
// succeeds and there is a replay (the file's bytes), it goes up with the token the score query
// used; a server that does not take it (an older one answers 404) is not the player's business.
SubmitResult SendScore(IHttpClient& http, std::string_view serverBase, std::string_view name, int32_t score,
                       std::string_view country, std::span<const uint8_t> replay = {});

// The name entry's "send": the player name (Edit2), the country (Edit1) and Score of the game
// state, and the game's replay, to the server at serverBase; "Can't connect to server!" in a
// message box when the version query fails. The caller goes on to the high-score screen whatever
// happened. From a screen: SubmitScore(ctx) (screens/menu_links.h).
SubmitResult SubmitScore(IHttpClient& http, IWindow& window, std::string_view serverBase,
                         const GameState& state, std::span<const uint8_t> replay = {});
