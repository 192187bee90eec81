-- A flush, then more writes, then an error: only the flushed pixels stay.
for y = 0, height - 1 do
  for x = 0, width / 2 do set_rgb(x, y, get_hsl(x, y)) end
end
flush()
for y = 0, height - 1 do
  for x = width / 2, width - 1 do set_value(x, y, 0.25) end
end
error("stopped on purpose")
