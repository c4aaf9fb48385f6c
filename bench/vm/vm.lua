-- The same programs as bench_vm.cpp. Game variables live in hash tables, so the loop keeps its
-- variables in a table as well.
local clock = os.clock

local t0 = clock()
local vars = { s = 0, i = 0 }
while vars.i < 10000000 do vars.s = vars.s + vars.i; vars.i = vars.i + 1 end
assert(vars.s == 49999995000000)
print(string.format("loop %.4f", clock() - t0))

local function fib(n) if n < 2 then return n end return fib(n - 1) + fib(n - 2) end
t0 = clock()
assert(fib(27) == 196418)
print(string.format("fib %.4f", clock() - t0))

t0 = clock()
local s, i = "", 0
while i < 20000 do s = s .. "ab"; i = i + 1 end
assert(#s == 40000)
print(string.format("strings %.4f", clock() - t0))
