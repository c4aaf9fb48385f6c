-- The same work as game/objects/bench_create.tss, with tables and table.sort. Prints "time NAME µs"
-- and "check NAME ..." lines in the game's form; the check lines must match the game's.
local clock = os.clock
local N, SIDE = 1500000, 2100

local function fmt(v)
  -- As the game prints a real: whole numbers in full, others with two decimals.
  if v == math.floor(v) then return string.format("%d", math.floor(v)) end
  return string.format("%.2f", v)
end

local m, msize, l, x, t0, added, found, sum
-- part map_add
m, msize = {}, 0
t0 = clock()
x, added = 1, 0
for i = 0, N - 1 do
  x = (x * 16807) % 2147483647
  if m[x] == nil then m[x] = i + 1; added = added + 1 end
end
print(string.format("time map_add %.0f", (clock() - t0) * 1e6))
msize = added
-- part map_find
t0 = clock()
x = 1
found, sum = 0, 0
for i = 0, N - 1 do
  x = (x * 16807) % 2147483647
  local v = m[x] or 0
  if v ~= 0 then found = found + 1 end
  sum = sum + v
end
print(string.format("time map_find %.0f", (clock() - t0) * 1e6))
print("check map " .. fmt(added) .. " " .. fmt(found) .. " " .. fmt(sum) .. " " .. fmt(msize))
-- part map_free
m = nil

-- part list_fill
l = {}
x = 1
for i = 1, N do
  x = (x * 16807) % 2147483647
  l[i] = (x % 16777216) / 16
end
-- part list_sort
t0 = clock()
table.sort(l)
print(string.format("time list_sort %.0f", (clock() - t0) * 1e6))
local descents, prev = 0, -1
sum = 0
for i = 1, N do
  local v = l[i]
  if v < prev then descents = descents + 1 end
  sum = sum + v * ((i - 1) % 7)
  prev = v
end
print("check sort " .. fmt(descents) .. " " .. fmt(sum) .. " " .. fmt(l[1]) .. " " .. fmt(l[N // 2 + 1]) .. " " .. fmt(l[N]))
-- part list_free
l = nil

-- part grid
t0 = clock()
local g = {}
for gx = 1, SIDE do
  local col = {}
  for gy = 1, SIDE do col[gy] = 0 end
  g[gx] = col
end
for gx = 0, SIDE - 1 do
  for gy = 0, SIDE - 1 do g[gx + 1][gy + 1] = (gx * 7 + gy * 13) % 1000 end
end
sum = 0
for gx = 0, SIDE - 1 do
  for gy = 0, SIDE - 1 do sum = sum + g[gx + 1][gy + 1] end
end
print(string.format("time grid %.0f", (clock() - t0) * 1e6))
print("check grid " .. fmt(sum))
