// The keys game.json may hold, place by place. A key the builder does not know is an error that
// names the key and its place, so that a misspelt key never builds a game that silently lacks
// what it meant to give.
#pragma once
#include <nlohmann/json.hpp>
#include <string>

// Empty when every key of the manifest is known and every entry that holds keys is an object;
// otherwise the message for the first problem, e.g.
// `unknown key "objekts" at the top level (did you mean "objects"?)` or `rooms[2] must be an object`.
std::string Pack_CheckKeys(const nlohmann::ordered_json& manifest);
