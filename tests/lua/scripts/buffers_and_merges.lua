-- single_buffer, flush and merge in every mode id, known and unknown, at
-- amounts that truncate.
single_buffer(true)
for y = 0, height - 1, 2 do
  for x = 0, width - 1 do
    local r, g, b, a = get_rgba(x, y)
    set_rgba(x, y, g, b, r, a * 0.8)
  end
end
flush()
single_buffer(false)
local modes = {-1, 0, 1, 5, 11, 13, 14, 20, 23, 26, 27, 29, 30, 31, 32, 37, 42, 51, 53, 54, 1e10, 0/0}
for i, mode in ipairs(modes) do
  for y = i, height - 1, #modes do
    for x = 0, width - 1 do
      local r, g, b = get_rgb(x, y)
      set_rgba(x, y, b, r, g, (x % 50) / 50)
    end
  end
  merge(mode, (i % 3 == 0) and 0.7 or 1.9)
end
