-- Every per-pixel host function over the page, with values drawn from
-- math.random and the awkward ones mixed in: NaN, infinities, negatives,
-- fractions, coordinates off the page.
local odd = {0/0, 1/0, -1/0, -0.5, 1.5, 0.999999, 1e300, -1e-300, 0}
local k = 0
local function value()
  k = k + 1
  if k % 7 == 0 then return odd[k % #odd + 1] end
  return math.random() * 1.2 - 0.1
end
for y = -1, height do
  for x = -1, width, 3 do
    local r, g, b, a = get_rgba(x, y)
    local v = get_value(x + 0.7, y - 0.3)
    local h, s, l = get_hsl(x, y)
    local L, aa, bb = get_lab(x, y)
    local c, m, yy, kk = get_cmyk(x, y)
    local hh, ss, vv = get_hsv(x, y)
    local mk = get_mask(x, y)
    local f = (x + y) % 8
    if f == 0 then set_rgb(x, y, 1 - r, g * value(), b)
    elseif f == 1 then set_rgba(x, y, v, value(), r * mk, a * value())
    elseif f == 2 then set_hsv(x, y, (hh + 90 + value() * 400) % 400 - 20, ss * 1.3, vv)
    elseif f == 3 then set_hsl(x, y, h + value() * 60, s, l * value())
    elseif f == 4 then set_lab(x, y, L * value(), aa + 20 * value(), bb - 30 * value())
    elseif f == 5 then set_cmyk(x, y, c, m * value(), yy, kk + value() * 0.1)
    elseif f == 6 then set_value(x, y, value()) set_alpha(x + 1, y, value())
    else set_mask(x, y, value()) set_alpha(x, y, 1 - a) end
  end
end
local r1, g1, b1 = get_color()
local r2, g2, b2 = get_color3()
set_rgb(0, 0, r1, g1, b1)
set_rgb(1, 0, r2, g2, b2)
