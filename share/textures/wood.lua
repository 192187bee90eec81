-- Wood: the growth rings of a plank seen along its grain, rippled by knots
-- of slowly wandering noise, with fine pores streaked along the grain. The
-- tile repeats without seams.

width = 128
height = 128

local function fract(v) return v - math.floor(v) end

local function hash(a, b, seed)
    return fract(math.sin(a * 127.1 + b * 311.7 + seed * 74.7) * 43758.5453)
end

-- Smooth value noise on a lattice of cells that wraps at the tile edge.
local function noise(x, y, cellX, cellY, seed)
    local nx, ny = width / cellX, height / cellY
    local fx, fy = x / cellX, y / cellY
    local ix, iy = math.floor(fx), math.floor(fy)
    local tx, ty = fx - ix, fy - iy
    tx = tx * tx * (3 - 2 * tx)
    ty = ty * ty * (3 - 2 * ty)
    local x0, x1 = ix % nx, (ix + 1) % nx
    local y0, y1 = iy % ny, (iy + 1) % ny
    local a = hash(x0, y0, seed) + (hash(x1, y0, seed) - hash(x0, y0, seed)) * tx
    local b = hash(x0, y1, seed) + (hash(x1, y1, seed) - hash(x0, y1, seed)) * tx
    return a + (b - a) * ty
end

local rings = 8   -- growth rings across the tile (whole, so that it wraps)

function texel(x, y)
    -- The rings run along y; their position wanders with noise stretched
    -- along the grain.
    local wander = 1.6 * noise(x, y, 32, 64, 1) + 0.5 * noise(x, y, 16, 32, 2)
    local ring = fract(x / width * rings + wander)
    -- Late wood (dark) is a thin band, early wood (light) wide.
    local late = math.exp(-((ring - 0.5) / 0.12) ^ 2)
    local pores = noise(x, y, 2, 16, 3)
    local shade = 0.78 - 0.32 * late - 0.08 * pores + 0.06 * noise(x, y, 64, 128, 4)
    return 0.86 * shade + 0.06, 0.58 * shade + 0.04, 0.33 * shade + 0.02
end
