-- The particle benchmark's peer: N small disk particles over an 800 x 600 window moving in every
-- direction, updated and drawn by LOVE's particle system. Arguments: N SECONDS. Prints the frames
-- per second over the measured seconds.
local n, seconds, ps, start, measureStart, frames

function love.load(args)
  n = tonumber(args[1]) or 1000
  seconds = tonumber(args[2]) or 3
  -- The same 64 x 64 disk as the runner's built-in shape (alpha 31 - r, clamped), white.
  local data = love.image.newImageData(64, 64)
  data:mapPixel(function(x, y)
    local d = math.sqrt((x - 32) ^ 2 + (y - 32) ^ 2)
    return 1, 1, 1, math.max(0, math.min(1, 31 - d))
  end)
  ps = love.graphics.newParticleSystem(love.graphics.newImage(data), n)
  ps:setParticleLifetime(1000000)
  ps:setEmissionArea("uniform", 400, 300)
  ps:setPosition(400, 300)
  ps:setSpeed(30, 60)  -- 0.5 to 1 pixel a frame at 60 frames per second
  ps:setSpread(2 * math.pi)
  ps:setSizes(0.2)
  ps:setColors(1, 0.6, 0.2, 1)
  ps:emit(n)
  start = love.timer.getTime()
end

function love.update(dt)
  ps:update(dt)
end

function love.draw()
  love.graphics.draw(ps)
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
