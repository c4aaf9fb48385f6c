-- The collide benchmark's update (game/) in Lua 5.4 with a naive all-pairs box test: COUNT 8x8
-- boxes, half of each kind, bounce at the room's edges, a meeting test of each box moved by its
-- speed against every box of the second kind, the move, and every pair of the first kind against
-- the second counted. Prints "lua SECONDS STEPS" and the counts as the game prints them.
local COUNT, COLS, WARMUP, STEPS = tonumber(arg[1]), tonumber(arg[2]), tonumber(arg[3]), tonumber(arg[4])
local SIDE = COLS * 24
local speeds = {[0] = -2, -1, 1, 2}
local ents, bs = {}, {}
for i = 0, COUNT - 1 do
  local e = { x = (i % COLS) * 24 + (i * 7) % 11, y = (i // COLS) * 24 + (i * 13) % 11, h = speeds[i % 4], v = speeds[(i // 4) % 4], b = i % 2 == 1 }
  ents[#ents + 1] = e
  if e.b then bs[#bs + 1] = e end
end
local hits, meets = 0, 0

local function meet(x, y, o)
  -- 8x8 boxes [x, x + 7]: they meet when both distances are at most 7.
  return o.x - x <= 7 and x - o.x <= 7 and o.y - y <= 7 and y - o.y <= 7
end

local function step()
  for k = 1, #ents do
    local e = ents[k]
    if (e.x < 0 and e.h < 0) or (e.x > SIDE - 8 and e.h > 0) then e.h = -e.h end
    if (e.y < 0 and e.v < 0) or (e.y > SIDE - 8 and e.v > 0) then e.v = -e.v end
    local nx, ny = e.x + e.h, e.y + e.v
    for j = 1, #bs do
      local o = bs[j]
      if o ~= e and meet(nx, ny, o) then meets = meets + 1; break end
    end
  end
  for k = 1, #ents do local e = ents[k]; e.x = e.x + e.h; e.y = e.y + e.v end
  for k = 1, #ents do
    local e = ents[k]
    if not e.b then
      for j = 1, #bs do if meet(e.x, e.y, bs[j]) then hits = hits + 1 end end
    end
  end
end

-- The game times from the begin step of frame WARMUP, after WARMUP - 1 whole steps.
for _ = 1, WARMUP - 1 do step() end
hits, meets = 0, 0
local t0 = os.clock()
for _ = 1, STEPS do step() end
print(string.format("lua %.6f %d", os.clock() - t0, STEPS))
print(string.format("counts %d %d", hits, meets))
