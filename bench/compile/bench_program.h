// The generated program both compile tools use: 5,000 blocks of 20 lines of game-like code
// (locals, arithmetic, conditions, loops, a switch, a with, one- and two-index arrays, strings,
// built-in calls, instance selectors), and the same program written in Lua, line for line.
#pragma once
#include <string>

namespace BenchProgram {

constexpr int kBlocks = 5000;  // twenty lines each
constexpr int kBlocksPerLuaFunction = 50;  // Lua allows at most 200 locals per function

inline void Generate(std::string& script, std::string& lua) {
  lua += "local total = 0\nlocal name, list, grid, done = nil, {}, {}, false\n";
  for (int i = 0; i < kBlocks; ++i) {
    const std::string n = std::to_string(i);
    const std::string a = "a" + n, b = "b" + n, c = "c" + n;
    if (i % kBlocksPerLuaFunction == 0) lua += "function part" + n + "()\n";

    script += "var " + a + ", " + b + ", " + c + ";\n";
    script += a + " = " + n + " * 2 + 1;\n";
    script += b + " = " + a + " mod 7;\n";
    script += "if (" + a + " > " + b + " && x < 10) { total += " + a + "; } else { total -= " + b + "; }\n";
    script += "while (" + b + " > 0) {\n";
    script += "  " + b + " -= 1;\n";
    script += "  total = total + abs(" + b + " - 3);\n";
    script += "}\n";
    script += "name = \"item\" + string(" + n + ");\n";
    script += "for (k = 0; k < 3; k += 1) { grid[k, " + n + "] = k * speed; }\n";
    script += "switch (state) {\n";
    script += "  case 0: x += hspeed; break;\n";
    script += "  case 1: y -= vspeed * 0.5; break;\n";
    script += "  default: state = 0;\n";
    script += "}\n";
    script += "with (obj_ball) { x += dx; hp[0] -= 1; }\n";
    script += c + " = point_distance(x, y, " + a + ", " + b + ") / 2;\n";
    script += "list[" + n + "] = " + c + " + list[" + n + " - 1];\n";
    script += "if (" + c + " != 0 && !done) { draw_text(x, y, \"score: \" + string(total)); }\n";
    script += "self.speed = other.speed * 2;\n";

    lua += "local " + a + ", " + b + ", " + c + "\n";
    lua += a + " = " + n + " * 2 + 1\n";
    lua += b + " = " + a + " % 7\n";
    lua += "if " + a + " > " + b + " and x < 10 then total = total + " + a + " else total = total - " + b + " end\n";
    lua += "while " + b + " > 0 do\n";
    lua += "  " + b + " = " + b + " - 1\n";
    lua += "  total = total + math.abs(" + b + " - 3)\n";
    lua += "end\n";
    lua += "name = \"item\" .. tostring(" + n + ")\n";
    lua += "for k = 0, 2 do grid[k][" + n + "] = k * speed end\n";
    lua += "if state == 0 then\n";
    lua += "  x = x + hspeed\n";
    lua += "elseif state == 1 then y = y - vspeed * 0.5\n";
    lua += "else state = 0\n";
    lua += "end\n";
    lua += "for _, o in ipairs(obj_ball) do o.x = o.x + dx; o.hp[0] = o.hp[0] - 1 end\n";
    lua += c + " = point_distance(x, y, " + a + ", " + b + ") / 2\n";
    lua += "list[" + n + "] = " + c + " + list[" + n + " - 1]\n";
    lua += "if " + c + " ~= 0 and not done then draw_text(x, y, \"score: \" .. tostring(total)) end\n";
    lua += "self.speed = other.speed * 2\n";
    if (i % kBlocksPerLuaFunction == kBlocksPerLuaFunction - 1) lua += "end\n";
  }
}

}  // namespace BenchProgram
