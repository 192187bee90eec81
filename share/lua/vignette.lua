-- Vignette: a soft dark ring merged over the picture with merge(), which
-- scales it by the mask and texture and composites it in Multiply. Slider 1
-- is the darkness (0..1000, default 0.8), slider 2 where the darkening starts
-- as a share of the half diagonal (default 0.45).
local darkness = sliderVal1 > 0 and sliderVal1 or 0.8
local start = sliderVal2 > 0 and sliderVal2 or 0.45
local cx, cy = (width - 1) / 2, (height - 1) / 2
local reach = math.sqrt(cx * cx + cy * cy)
for y = 0, height - 1 do
  for x = 0, width - 1 do
    local dx, dy = (x - cx) / reach, (y - cy) / reach
    local d = math.sqrt(dx * dx + dy * dy)
    local t = (d - start) / (1 - start)
    if t < 0 then t = 0 elseif t > 1 then t = 1 end
    local shade = 1 - darkness * t * t * (3 - 2 * t)
    set_rgba(x, y, shade, shade * 0.97, shade * 0.92, 1)
  end
end
merge(MERGE_MULTIPLY, 1)
-- merge refilled the source from the layer; the destination still holds the
-- ring, and the host stores the destination at the end, so copy the result.
for y = 0, height - 1 do
  for x = 0, width - 1 do set_rgba(x, y, get_rgba(x, y)) end
end
