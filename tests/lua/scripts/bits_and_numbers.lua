-- The bit functions and the globals as pixels.
local values = {0, 1, -1, 2^31, -2^31, 2^32 + 3, 1e300, 0/0, -7.9, 123456789, sliderVal3 * 1000, variantVal}
local n = #values
for y = 0, height - 1 do
  for x = 0, width - 1 do
    local a, b = values[(x % n) + 1], values[(y % n) + 1]
    local v = bit_xor(bit_and(a, x * 977), bit_or(b, y)) + bit_shfr(a, y) + bit_shfl(b, x) + bit_not(x + y)
    local byte = bit_and(v, 255)
    set_rgb(x, y, byte / 255, bit_and(bit_shfr(v, 8), 255) / 255, (styleVal1 + styleVal2) / 10)
  end
end
if flagVal1 and not flagVal2 then set_alpha(0, 0, 0.5) end
