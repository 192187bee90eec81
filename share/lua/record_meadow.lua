-- Records a small meadow as a drawing script instead of painting it:
-- washes of sky and hills, a sun painted through a mask cut from its own
-- disc, grass blades and flowers in colour banks. The picture stays as it
-- was; replay the script with
--   mur replay scripts/luapaint.srp out/replay.png
-- Everything is placed relative to the picture's size.

local W, H = width, height
local horizon = H * 0.62

local function rgb(r, g, b) return r / 255, g / 255, b / 255 end

-- A stroke through the points {x, y, pressure}.
local function stroke(points)
  paint_stroke_start(points[1][1], points[1][2])
  for _, p in ipairs(points) do paint_stroke_pos(p[1], p[2], p[3]) end
  paint_stroke_stop()
end

-- A wavy horizontal wash at y, full width, the pressure swelling in the middle.
local function wash(y, wave, phase)
  local points = {}
  for k = 0, 8 do
    local x = -0.1 * W + k * 1.2 * W / 8
    local p = 0.75 + 0.25 * math.sin(k / 8 * math.pi)
    points[#points + 1] = {x, y + wave * math.sin(k * 1.3 + phase), p}
  end
  stroke(points)
end

paint_open(2026)
paint_set_page(W, H, 0, 0)

-- Sky: airbrush washes from deep blue down to a warm horizon.
paint_select_brush(1, 1, 0)
paint_brush_size(math.floor(H * 0.22))
paint_brush_opacity(45)
local bands = 9
for i = 0, bands - 1 do
  local t = i / (bands - 1)
  paint_brush_color(rgb(60 + 185 * t, 90 + 100 * t, 170 - 40 * t))
  wash(i * horizon / (bands - 1), H * 0.02, i)
end

-- The sun: its disc painted alone becomes the mask, the sky comes back,
-- and the warm colours go on only where the mask lets them.
local sx, sy, radius = W * 0.7, horizon * 0.55, math.floor(H * 0.09)
paint_buffer_from_layer(0)
paint_clear_page()
paint_select_brush(0, 0.05, 0)
paint_brush_size(2 * radius)
paint_brush_opacity(100)
paint_brush_color(1, 1, 1)
paint_dab(sx, sy, 1)
paint_mask_create_from_alpha()
paint_buffer_to_layer(0)
paint_mask_on(1)
paint_select_brush(1, 1, 0)
paint_brush_size(math.floor(radius * 1.6))
for k = 0, 4 do
  local t = k / 4
  paint_brush_color(rgb(255, 240 - 70 * t, 150 - 90 * t))
  local y = sy - radius + 2 * radius * t
  paint_line(sx - 2 * radius, y, sx + 2 * radius, y)
end
paint_mask_clear()
paint_mask_on(0)

-- Hills: two rows of washes, far and blue-green, near and green.
paint_select_brush(1, 1, 0)
paint_brush_opacity(60)
paint_brush_size(math.floor(H * 0.16))
for i = 0, 3 do
  paint_brush_color(rgb(90 + 8 * i, 120 + 10 * i, 120 - 10 * i))
  wash(horizon - H * 0.03 + i * H * 0.04, H * 0.04, 2 + i)
end
paint_brush_opacity(75)
for i = 0, 5 do
  paint_brush_color(rgb(70 + 10 * i, 120 + 12 * i, 50 + 4 * i))
  wash(horizon + H * 0.1 + i * H * 0.06, H * 0.025, 5 + 2 * i)
end

-- Grass: chalky blades, each a curve from its root up to a thin tip.
paint_select_brush(2, 0.6, 0.5)
paint_brush_density(200)
paint_brush_size(math.max(3, math.floor(H * 0.014)))
paint_brush_opacity(90)
for i = 1, 220 do
  local x = math.random() * W
  local y = horizon + H * 0.12 + math.random() * (H - horizon - H * 0.1)
  local tall = H * (0.04 + 0.05 * math.random())
  local lean = (math.random() - 0.5) * tall * 0.8
  paint_brush_color(rgb(40 + math.random(60), 100 + math.random(70), 30 + math.random(30)))
  stroke({{x, y, 1}, {x + lean * 0.3, y - tall * 0.5, 0.7}, {x + lean, y - tall, 0.15}})
end

-- Flowers: a colour-bank mix mode turns each dab's grey into one of three
-- bank colours by its lightness.
paint_select_brush(0, 0.3, 0)
local banks = {200, 40, 60, 250, 200, 60, 250, 250, 240, 120, 60, 160}
for k = 1, 12 do banks[k] = banks[k] / 255 end
paint_set_color_banks(250, unpack(banks))
paint_brush_size(math.max(5, math.floor(H * 0.03)))
paint_brush_opacity(100)
for i = 1, 80 do
  local x = math.random() * W
  local y = horizon + H * 0.15 + math.random() * (H - horizon - H * 0.17)
  local grey = ({0.15, 0.5, 0.9})[math.random(3)]
  paint_brush_color(grey, grey, grey)
  paint_dab(x, y, 0.6 + 0.4 * math.random())
end

paint_close()
