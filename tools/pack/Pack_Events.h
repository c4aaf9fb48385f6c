// Event names of the project manifest: "create", "destroy", "alarm0".."alarm11", "step",
// "step_begin", "step_end", "draw", "collision:OBJECT", "keyboard:KEY", "keypress:KEY",
// "keyrelease:KEY", "mouse:NAME" and "other:NAME". KEY is a key constant (vk_left), one letter or
// digit, or a number; NAME is an event constant without its "ev_" (left_button, user3, outside,
// outside_view2, ...) or a number.
#pragma once
#include <map>
#include <string>

bool Pack_ParseEvent(const std::string& key, const std::map<std::string, int>& objects, int& type, int& subtype,
                     std::string& displayName, std::string& problem);
