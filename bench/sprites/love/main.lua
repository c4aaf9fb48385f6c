-- The sprite benchmark's peer: N moving, rotating 32x32 sprites, the same image and motion as the
-- other two sides. Arguments: N SECONDS. Prints the frames per second over the measured seconds.
local n, seconds, sprites, img
local seed = 12345
local function next()
  seed = (seed * 16807) % 2147483647
  return seed / 2147483647
end

function love.load(args)
  n = tonumber(args[1]) or 1000
  seconds = tonumber(args[2]) or 3
  local data = love.image.newImageData(32, 32)
  data:mapPixel(function(x, y)
    local d = math.sqrt((x + 0.5 - 16) ^ 2 + (y + 0.5 - 16) ^ 2)
    local a = d < 14 and 1 or (d < 16 and (16 - d) * 127 / 255 or 0)
    return 0xF0 / 255, 0xC0 / 255, 0x40 / 255, a
  end)
  img = love.graphics.newImage(data)
  sprites = {}
  for i = 1, n do
    sprites[i] = { x = next() * 800, y = next() * 600, dx = next() * 4 - 2, dy = next() * 4 - 2, a = next() * 360 }
  end
  start = love.timer.getTime()
end

local measureStart, frames
function love.update()
  for i = 1, n do
    local s = sprites[i]
    s.x = s.x + s.dx
    s.y = s.y + s.dy
    if s.x < 0 or s.x > 800 then s.dx = -s.dx end
    if s.y < 0 or s.y > 600 then s.dy = -s.dy end
    s.a = s.a + 1
  end
end

function love.draw()
  for i = 1, n do
    local s = sprites[i]
    love.graphics.draw(img, s.x, s.y, -s.a * math.pi / 180, 1, 1, 16, 16)
  end
  local now = love.timer.getTime()
  if not measureStart then
    if now - start >= 1 then measureStart, frames = now, 0 end
  else
    frames = frames + 1
    if now - measureStart >= seconds then
      print(string.format("fps %.1f", frames / (now - measureStart)))
      love.event.quit()
    end
  end
end
