-- Hue shift in HSV: every colour turned around the colour wheel. Slider 1 is
-- the turn (0..1000 = 0..360 degrees, default 120), slider 2 the saturation
-- factor (0..1000 = 0..2, default 1). Greys stay grey.
local turn = sliderVal1 > 0 and sliderVal1 * 360 or 120
local saturation = sliderVal2 > 0 and sliderVal2 * 2 or 1
for y = 0, height - 1 do
  for x = 0, width - 1 do
    local h, s, v = get_hsv(x, y)
    if h >= 0 then set_hsv(x, y, (h + turn) % 360, s * saturation, v) end
  end
end
