-- Brick: a running bond of red-brown bricks in pale mortar, each brick a
-- little different in tone, with a speckled face and softened edges. The
-- tile repeats without seams.

width = 128
height = 64

local brickW, brickH = 32, 16   -- the course pattern, joints included
local joint = 2

local function fract(v) return v - math.floor(v) end

local function hash(a, b, seed)
    return fract(math.sin(a * 127.1 + b * 311.7 + seed * 74.7) * 43758.5453)
end

function texel(x, y)
    local course = math.floor(y / brickH)
    local shift = (course % 2) * (brickW / 2)
    local bx = (x + shift) % width
    local column = math.floor(bx / brickW) % (width / brickW)
    local u, v = bx % brickW, y % brickH
    -- Distance inside the brick from its nearest joint.
    local edge = math.min(u, brickW - 1 - u, v, brickH - 1 - v)
    local speck = hash(x, y, 3)
    if edge < joint / 2 or (edge < joint and speck < 0.5) then
        local m = 0.72 + 0.08 * speck
        return m, m * 0.97, m * 0.90
    end
    local tone = 0.85 + 0.3 * (hash(column, course % (height / brickH), 1) - 0.5)
    local face = tone * (0.92 + 0.08 * speck) * math.min(1, 0.8 + 0.1 * edge)
    return 0.70 * face, 0.30 * face, 0.22 * face
end
