-- Canvas weave: a plain weave of linen-coloured threads, one over, one
-- under, with the fibres of each thread streaked along its length. The tile
-- repeats without seams.

width = 64
height = 64

local pitch = 8          -- pixels from one thread to the next
local threads = width / pitch

local function fract(v) return v - math.floor(v) end

-- A repeatable pseudo-random number in 0..1 for integer coordinates.
local function hash(a, b)
    return fract(math.sin(a * 12.9898 + b * 78.233) * 43758.5453)
end

-- Fibre streaks: noise that changes slowly along a thread and fast across.
local function streak(thread, along)
    local i = math.floor(along / 4) % (width / 4)
    local f = fract(along / 4)
    local a, b = hash(thread, i), hash(thread, (i + 1) % (width / 4))
    f = f * f * (3 - 2 * f)
    return a + (b - a) * f
end

function texel(x, y)
    local column, row = math.floor(x / pitch), math.floor(y / pitch)
    local u = (x % pitch + 0.5) / pitch   -- across the vertical thread
    local v = (y % pitch + 0.5) / pitch   -- across the horizontal thread
    local warp = math.sin(math.pi * u)    -- height profile of each thread
    local weft = math.sin(math.pi * v)

    -- In alternate cells the vertical or the horizontal thread is on top; the
    -- top thread bows down towards the cell edges where it dives under.
    local top, under, thread, along
    if (column + row) % 2 == 0 then
        top = warp * (0.75 + 0.25 * math.sin(math.pi * v))
        under = 0.45 * weft
        thread, along = column, y
    else
        top = weft * (0.75 + 0.25 * math.sin(math.pi * u))
        under = 0.45 * warp
        thread, along = row + threads, x
    end
    local h = math.max(top, under)
    local fibre = streak(thread, along) - 0.5
    local tone = 0.06 * (hash(thread, 0) - 0.5)  -- no two threads spun alike
    local shade = 0.40 + 0.55 * h + 0.16 * fibre * h + tone

    return 0.93 * shade + 0.04, 0.88 * shade + 0.03, 0.76 * shade + 0.02
end
