-- Sepia: each pixel's brightness, toned brown. Slider 1 is the strength
-- (0..1000, 0 = the full tone).
local strength = sliderVal1 > 0 and sliderVal1 or 1
for y = 0, height - 1 do
  for x = 0, width - 1 do
    local r, g, b = get_rgb(x, y)
    local tr = 0.393 * r + 0.769 * g + 0.189 * b
    local tg = 0.349 * r + 0.686 * g + 0.168 * b
    local tb = 0.272 * r + 0.534 * g + 0.131 * b
    set_rgb(x, y, r + (tr - r) * strength, g + (tg - g) * strength, b + (tb - b) * strength)
  end
  if y % 64 == 0 and is_escape() == 1 then error("stopped by Escape") end
end
