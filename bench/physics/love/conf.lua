-- With "steponly" as the third argument there is no window: the rate is that of the world's updates.
function love.conf(t)
  t.window.width = 800
  t.window.height = 600
  t.window.vsync = 0
  t.modules.audio = false
  t.modules.sound = false
  t.modules.joystick = false
  for _, a in ipairs(arg) do
    if a == "steponly" then
      t.window = false
      t.modules.window = false
      t.modules.graphics = false
    end
  end
end
