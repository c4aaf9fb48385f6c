-- The per-entity update of the world benchmark game (game/) in Lua: 10,000 entities, each a table
-- with the same fields, run through the same stages of a step with the same arithmetic: positions
-- remembered, the step handler (found through the entity's object), friction and gravity with the
-- motion setters' direction/speed bookkeeping, movement, and animation without a sprite (no frames,
-- so the animation-end handler is looked up every step). Prints "lua SECONDS STEPS" and the last
-- entity's state as the game prints it.
local WARMUP, STEPS = 10, tonumber(arg[1] or 100)
local sqrt, sin, cos, atan, floor, fmod, abs = math.sqrt, math.sin, math.cos, math.atan, math.floor, math.fmod, math.abs
local PI = 3.1415927

local function snap(v)
  local r = floor(v + 0.5)
  if abs(v - r) < 0.0001 then return r end
  return v
end

local function direction_speed(e)
  local h, v, dir = e.hspeed, e.vspeed, 0
  if h ~= 0 then
    local a = atan(v, h) * 180 / PI
    if a <= 0 then dir = -a else dir = 360 - a end
  elseif v > 0 then dir = 270
  elseif v < 0 then dir = 90 end
  e.direction = fmod(snap(dir), 360)
  e.speed = snap(sqrt(h * h + v * v))
end

local function components(e)
  local r = e.direction * PI / 180
  e.hspeed = snap(e.speed * cos(r))
  e.vspeed = snap(-e.speed * sin(r))
end

local function set_hspeed(e, v)
  if v ~= e.hspeed then e.hspeed = v; direction_speed(e) end
end

local function set_position(e, x, y)
  if x ~= e.x or y ~= e.y then e.x = x; e.y = y; e.bbox_dirty = true end
end

local function add_motion(e, dir, len)
  local r = dir * PI / 180
  e.hspeed = e.hspeed + cos(r) * len
  e.vspeed = e.vspeed - sin(r) * len
  direction_speed(e)
end

local function friction_gravity(e)
  local f = e.friction
  if f ~= 0 then
    local s = e.speed
    local n = s > 0 and s - f or s + f
    if (s > 0 and n < 0) or (s < 0 and n > 0) then e.speed = 0
    elseif s ~= 0 and n ~= s then e.speed = n end
    components(e)
  end
  if e.gravity ~= 0 then add_motion(e, e.gravity_direction, e.gravity) end
end

local obj_ent = {}
function obj_ent.step(e)
  e.c = e.a * e.b + e.c * 0.5
  e.a = e.a + 0.001
  e.b = e.b * 0.999
  set_hspeed(e, e.c * 0.1 + 0.5)
end

local function frame_count(sprite) return 0 end

local ents = {}
for i = 0, 9999 do
  local e = { x = (i % 100) * 6, y = (i // 100) * 4, xprevious = 0, yprevious = 0, hspeed = 0, vspeed = 0,
              speed = 0, direction = 0, friction = 0, gravity = 0, gravity_direction = 270, image_index = 0,
              image_speed = 1, sprite_index = -1, bbox_dirty = true, obj = obj_ent,
              a = 1, b = 0.5, c = 0 }
  e.speed = 2; components(e)
  e.direction = (100002 + i) % 360; components(e)
  e.friction = 0.01; e.gravity = 0.02; e.image_speed = 0.5
  ents[#ents + 1] = e
end

local function step()
  for k = 1, #ents do local e = ents[k]; e.xprevious = e.x; e.yprevious = e.y end
  for k = 1, #ents do local e = ents[k]; local h = e.obj.step; if h then h(e) end end
  for k = 1, #ents do
    local e = ents[k]
    friction_gravity(e)
    set_position(e, e.x + e.hspeed, e.y + e.vspeed)
  end
  for k = 1, #ents do
    local e = ents[k]
    e.image_index = e.image_index + e.image_speed
    local frames = frame_count(e.sprite_index)
    local whole = e.image_index >= 0 and floor(e.image_index) or -floor(-e.image_index)
    if whole >= frames then
      e.image_index = e.image_index - frames
      local h = e.obj.animation_end
      if h then h(e) end
    end
  end
end

-- The game times from the begin step of frame WARMUP, after WARMUP - 1 whole steps.
for _ = 1, WARMUP - 1 do step() end
local t0 = os.clock()
for _ = 1, STEPS do step() end
print(string.format("lua %.6f %d", os.clock() - t0, STEPS))
local e = ents[#ents]
print(string.format("entity %.2f %.2f %.2f %.2f", e.x, e.y, e.hspeed, e.image_index))
