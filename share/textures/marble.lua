-- Marble: white stone with grey-green veins that meander through it, made
-- from sine bands bent by turbulence. The tile repeats without seams.

width = 128
height = 128

local function fract(v) return v - math.floor(v) end

local function hash(a, b, seed)
    return fract(math.sin(a * 127.1 + b * 311.7 + seed * 74.7) * 43758.5453)
end

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

-- Turbulence: the absolute deviations of several octaves.
local function turbulence(x, y)
    return math.abs(noise(x, y, 64, 1) - 0.5) * 1.0 + math.abs(noise(x, y, 32, 2) - 0.5) * 0.5 +
           math.abs(noise(x, y, 16, 3) - 0.5) * 0.25 + math.abs(noise(x, y, 8, 4) - 0.5) * 0.125
end

function texel(x, y)
    -- Two bands across the diagonal (a whole number, so that it wraps).
    local band = math.sin(2 * math.pi * ((x + y) / width * 2 + 2.2 * turbulence(x, y)))
    local vein = (1 - math.abs(band)) ^ 3
    local haze = (1 - math.abs(band)) ^ 0.6
    local cloud = 0.08 * noise(x, y, 16, 5) + 0.04 * noise(x, y, 4, 6)
    local v = 0.95 - 0.12 * haze - 0.38 * vein - cloud
    return v - 0.02 * vein, v + 0.03 * vein, v - 0.01 * vein
end
