source "$(dirname "$0")/lib.bash"
crlf "[3DS]" \
  "SCENENAME = MODELS\\TOYS.3DS" \
  "AMBIENT = 0.1, 0.2, 0.3" \
  "FOG = 0, 0, 0.2, 0.05, 5, 40" \
  "SHADOW = 1" \
  "PARSYS = LAMP, GLASS, ?, 0.5, ?, 0, 0, 0, 0, 0.1, 0, 0, -0.01, 0, 50, 30, 10, 0.2, 0.5, 0.05, 1, 1" \
  "PARSYS = FREE, STONE, -1, 0.5, 0.8, 1, 2, 3, 0, 0, 0, 0, 0, 0, 20, 10, 0, 0.1, 1, 1, 0, 0" \
  "[OBJS]" \
  "CURRENTOBJ = BALL" \
  "SHADOW = 1" \
  "BLENDFUNC = DSTC, ZERO" \
  "TEXTUREMAP = GLASS, REPLACE" \
  "TOON = 1, 0.5, 0, DSTC, SRCC" \
  "BUMPMAP = STONE, GLASS" \
  "ENVMAP = STONE, LINEAR, 1, 0, 0, 0, 1, 0" \
  "SURFACE = 1, 1, 1, 1, 1, 1, 1, 1, 1, 0.5" \
  "FLEX = 10, 0.5, 0.2, 1, 0.01, 0, 0, -0.1" \
  "VERTEXFX = 3" \
  "SILHOUETTE = 2, 1" \
  "[LIGHTS]" \
  "CURRENTLIGHT = LAMP" \
  "TEXTUREMAP = GLASS, STONE" \
  "SIZE = 2" \
  "PULSATE = 0.05, 10, 0.5" >"$OUT/scene.ini"
crlf "[LODTERRAIN]" \
  "PARAM = HILLS, 16, 8, 0.5, 0.8, 0.6, 0.4, 0.5, 2, 0.5, 100, 100, 20, 2, MODULATE, MODELS\\TOYS.3DS" \
  "PARAM = CLOUDY, 8, 8, TEXTURES\\CLOUDS.TEX, 1, 1, 1, 0, 1, STONE, 10, 10, 2, 0, REPLACE" \
  "[3DS]" \
  "LODTERRAIN = HILLS" \
  "SCENENAME = MODELS\\TOYS.3DS" \
  "MORPH = 4, 2, 2, 2" >"$OUT/terrain.ini"
cp "$SRC/content/scripts/"*.ini "$OUT/"
