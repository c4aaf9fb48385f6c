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
local n = fib(27)
print(string.format("fib %.4f %d", clock() - t, n))

t = clock()
self.text = ""
self.i = 0
while self.i < 20000 do self.text = self.text .. "ab"; self.i = self.i + 1 end
print(string.format("strings %.4f %d", clock() - t, #self.text))

t = clock()
self.grid = {}
self.i = 0
while self.i < 1000 do
  local row = {}
  self.grid[self.i] = row
  self.j = 0
  while self.j < 1000 do row[self.j] = self.i + self.j; self.j = self.j + 1 end
  self.i = self.i + 1
end
self.total = 0
self.i = 0
while self.i < 1000 do
  self.j = 0
  while self.j < 1000 do self.total = self.total + self.grid[self.i][self.j]; self.j = self.j + 1 end
  self.i = self.i + 1
end
print(string.format("array2d %.4f %.0f", clock() - t, self.total))

t = clock()
self.total = 0
self.i = 0
while self.i < 1000000 do self.total = add3(self.total, self.i, 1); self.i = self.i + 1 end
print(string.format("calls %.4f %.0f", clock() - t, self.total))
