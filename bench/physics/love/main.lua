-- The physics benchmark's peer: N 10x10 boxes dropped into a container (ten pixels a metre,
-- gravity 10 m/s², one world update of 1/60 s a frame), the same scene and image as our side.
-- Arguments: N SECONDS [steponly]. Prints the frames per second over the measured seconds and the
-- mean time of a world update (with steponly: nothing drawn and no window).
local n, seconds, world, boxes, img, start, stepOnly

local function BoxImage()
  local data = love.image.newImageData(10, 10)
  data:mapPixel(function(x, y)
    if x == 0 or x == 9 or y == 0 or y == 9 then return 0x20 / 255, 0x40 / 255, 0x90 / 255, 1 end
    return 0x60 / 255, 0x90 / 255, 0xF0 / 255, 1
  end)
  return love.graphics.newImage(data)
end

function love.load(args)
  n = tonumber(args[1]) or 1000
  seconds = tonumber(args[2]) or 3
  stepOnly = args[3] == "steponly"
  love.physics.setMeter(10)
  world = love.physics.newWorld(0, 10 * 10, true)
  local function static(x, y, w, h)
    local body = love.physics.newBody(world, x + w / 2, y + h / 2, "static")
    love.physics.newFixture(body, love.physics.newRectangleShape(w, h))
  end
  static(0, 580, 800, 20)
  static(0, -600, 20, 1200)
  static(780, -600, 20, 1200)
  if not stepOnly then img = BoxImage() end
  local shape = love.physics.newRectangleShape(10, 10)
  boxes = {}
  for k = 0, n - 1 do
    local row = math.floor(k / 60)
    local body = love.physics.newBody(world, 40 + (k % 60) * 12 + (row % 2) * 6, 540 - row * 12, "dynamic")
    local fixture = love.physics.newFixture(body, shape, 1)
    fixture:setRestitution(0)
    boxes[k + 1] = body
  end
  start = love.timer.getTime()
end

local measureStart, frames
local stepped = 0
local function count()
  local now = love.timer.getTime()
  if not measureStart then
    if now - start >= 1 then measureStart, frames = now, 0 end
  else
    frames = frames + 1
    if now - measureStart >= seconds then
      print(string.format("fps %.1f", frames / (now - measureStart)))
      print(string.format("step_ms %.3f", stepped * 1000 / frames))
      love.event.quit()
    end
  end
end

function love.update()
  local t = love.timer.getTime()
  world:update(1 / 60)
  if measureStart then stepped = stepped + love.timer.getTime() - t end
  if stepOnly then count() end
end

function love.draw()
  for i = 1, n do
    local b = boxes[i]
    local x, y = b:getPosition()
    love.graphics.draw(img, x, y, b:getAngle(), 1, 1, 5, 5)
  end
  count()
end
