-- Swirl: the picture twisted around its centre, most at the centre and not
-- at all at the radius, sampled bilinearly. Slider 1 is the twist in turns
-- (0..1000 = 0..1, default a half turn), slider 2 the radius as a share of
-- the shorter side (default 0.5).
local turns = sliderVal1 > 0 and sliderVal1 or 0.5
local cx, cy = (width - 1) / 2, (height - 1) / 2
local radius = math.min(width, height) * (sliderVal2 > 0 and sliderVal2 or 0.5)
local floor, sqrt, sin, cos, atan2 = math.floor, math.sqrt, math.sin, math.cos, math.atan2

-- Bilinear sample at (sx, sy); reads off the page give zeros, so the edge is
-- clamped first.
local function sample(sx, sy)
  if sx < 0 then sx = 0 elseif sx > width - 1 then sx = width - 1 end
  if sy < 0 then sy = 0 elseif sy > height - 1 then sy = height - 1 end
  local x0, y0 = floor(sx), floor(sy)
  local fx, fy = sx - x0, sy - y0
  local x1, y1 = math.min(x0 + 1, width - 1), math.min(y0 + 1, height - 1)
  local r00, g00, b00, a00 = get_rgba(x0, y0)
  local r10, g10, b10, a10 = get_rgba(x1, y0)
  local r01, g01, b01, a01 = get_rgba(x0, y1)
  local r11, g11, b11, a11 = get_rgba(x1, y1)
  local w00, w10, w01, w11 = (1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy
  return r00 * w00 + r10 * w10 + r01 * w01 + r11 * w11,
         g00 * w00 + g10 * w10 + g01 * w01 + g11 * w11,
         b00 * w00 + b10 * w10 + b01 * w01 + b11 * w11,
         a00 * w00 + a10 * w10 + a01 * w01 + a11 * w11
end

for y = 0, height - 1 do
  for x = 0, width - 1 do
    local dx, dy = x - cx, y - cy
    local d = sqrt(dx * dx + dy * dy)
    if d < radius then
      local t = 1 - d / radius
      local angle = atan2(dy, dx) + turns * 2 * math.pi * t * t
      set_rgba(x, y, sample(cx + d * cos(angle), cy + d * sin(angle)))
    end
  end
end
