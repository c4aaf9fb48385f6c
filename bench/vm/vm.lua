-- The Lua twin of bench/vm/game. Instance variables are fields of the instance's table (self), and
-- `var` locals are Lua locals, as a Lua programmer would write the same create event.
local clock = os.clock
local self = {}

local function fib(n) if n < 2 then return n end return fib(n - 1) + fib(n - 2) end
local function add3(a, b, c) return a + b + c end

local t = clock()
self.s = 0
self.i = 0
while self.i < 10000000 do self.s = self.s + self.i; self.i = self.i + 1 end
print(string.format("loop %.4f %.0f", clock() - t, self.s))

t = clock()
local n = fib(33)
print(string.format("fib %.4f %d", clock() - t, n))

t = clock()
self.text = ""
self.i = 0
while self.i < 50000 do self.text = self.text .. "ab"; self.i = self.i + 1 end
print(string.format("strings %.4f %d", clock() - t, #self.text))

t = clock()
self.grid = {}
self.i = 0
while self.i < 1500 do
  local row = {}
  self.grid[self.i] = row
  self.j = 0
  while self.j < 1500 do row[self.j] = self.i + self.j; self.j = self.j + 1 end
  self.i = self.i + 1
end
self.total = 0
self.i = 0
while self.i < 1500 do
  self.j = 0
  while self.j < 1500 do self.total = self.total + self.grid[self.i][self.j]; self.j = self.j + 1 end
  self.i = self.i + 1
end
print(string.format("array2d %.4f %.0f", clock() - t, self.total))

t = clock()
self.total = 0
self.i = 0
while self.i < 3500000 do self.total = add3(self.total, self.i, 1); self.i = self.i + 1 end
print(string.format("calls %.4f %.0f", clock() - t, self.total))

t = clock()
local balls = {}
for b = 1, 1000 do balls[b] = {px = 0, vx = 1} end
self.k = 0
while self.k < 5500 do
  for _, ball in ipairs(balls) do ball.px = ball.px + ball.vx; ball.vx = ball.vx + 1 end
  self.k = self.k + 1
end
self.total = 0
for _, ball in ipairs(balls) do self.total = self.total + ball.px end
print(string.format("with %.4f %.0f", clock() - t, self.total))

t = clock()
self.total = 0
self.i = 0
while self.i < 250000 do
  self.line = "x" .. tostring(self.i) .. "," .. tostring(self.i * 2)
  self.total = self.total + #self.line
  self.i = self.i + 1
end
print(string.format("build %.4f %.0f", clock() - t, self.total))
