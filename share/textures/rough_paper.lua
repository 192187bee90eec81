-- Rough paper: a cold-pressed sheet with soft bumps of several sizes, lit
-- from the upper left so that the tooth catches the light. The tile repeats
-- without seams.

width = 128
height = 128

local function fract(v) return v - math.floor(v) end

local function hash(a, b, seed)
    return fract(math.sin(a * 127.1 + b * 311.7 + seed * 74.7) * 43758.5453)
end

-- Smooth value noise on a lattice of `cell` pixels that wraps at the tile edge.
local function noise(x, y, cell, seed)
    local n = width / cell
    local fx, fy = x / cell, y / cell
    local ix, iy = math.floor(fx), math.floor(fy)
    local tx, ty = fx - ix, fy - iy
    tx = tx * tx * (3 - 2 * tx)
    ty = ty * ty * (3 - 2 * ty)
    local x0, x1 = ix % n, (ix + 1) % n
    local y0, y1 = iy % n, (iy + 1) % n
    local a = hash(x0, y0, seed) + (hash(x1, y0, seed) - hash(x0, y0, seed)) * tx
    local b = hash(x0, y1, seed) + (hash(x1, y1, seed) - hash(x0, y1, seed)) * tx
    return a + (b - a) * ty
end

local function height_at(x, y)
    x, y = x % width, y % height
    return 0.40 * noise(x, y, 32, 1) + 0.30 * noise(x, y, 16, 2) +
           0.20 * noise(x, y, 8, 3) + 0.10 * noise(x, y, 4, 4)
end

function texel(x, y)
    local h = height_at(x, y)
    -- Light from the upper left: slopes facing it are brighter.
    local slope = h - height_at(x - 1, y - 1)
    local shade = 0.78 + 0.22 * h + 2.4 * slope
    if shade > 1 then shade = 1 elseif shade < 0 then shade = 0 end
    return 0.97 * shade, 0.95 * shade, 0.90 * shade
end
