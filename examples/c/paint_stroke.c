/* A minimal headless host in C: makes an image with a white background and
 * a layer to paint on, paints one stroke with a soft round brush through the
 * paint layer, draws the view and saves it as a PNG file.
 *
 *   cc paint_stroke.c $(pkg-config --cflags --libs murcore libpng) -o paint_stroke
 *   ./paint_stroke stroke.png
 */
#include <murcore.h>
#include <png.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

enum { WIDTH = 320, HEIGHT = 200, LARGEST_BRUSH = 64, BACKGROUND = 1, INK = 2 };

static int save_png(const char* path, const uint8_t* rgb, int width, int height)
{
    FILE* file = fopen(path, "wb");
    if (!file) return 0;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    png_infop info = png ? png_create_info_struct(png) : NULL;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(file);
        return 0;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) png_write_row(png, (png_const_bytep)(rgb + (size_t)y * width * 3));
    png_write_end(png, NULL);
    png_destroy_write_struct(&png, &info);
    return fclose(file) == 0;
}

int main(int argc, char** argv)
{
    const char* out = argc > 1 ? argv[1] : "stroke.png";

    /* The image and its layers: slot 1 is the background, opaque white. */
    MUR_CreateImage(NULL, WIDTH, HEIGHT, LARGEST_BRUSH, 0);
    if (!MUR_CreateLayer(BACKGROUND, WIDTH, HEIGHT) || !MUR_CreateLayer(INK, WIDTH, HEIGHT)) {
        fprintf(stderr, "no layers: %s\n", MUR_GetLastError());
        return 1;
    }
    MUR_SetLayerOptions(BACKGROUND, 1, 0, 100, "Normal");
    MUR_SetLayerOptions(INK, 1, 0, 100, "Normal");
    MUR_SetUndoLevels(10);
    MUR_SetLayer(INK);

    /* The tool: a soft round brush, 40 px, in a deep blue. */
    MUR_SetSize(40);
    MUR_SetTool(1.0f, 0, 0, 0, 120, 0, 10, 0, 0, 0, 0, 0, 0, "", "", 0);
    MUR_SetColor(30, 60, 160);

    /* The stroke: dabs along a wave into the paint layer, thinner and lighter
     * towards the ends as if the pen pressure rose and fell. */
    MUR_CreatePaintLayer(100, 100, "Normal");
    for (int i = 0; i <= 120; ++i) {
        const double t = i / 120.0;
        const double pressure = sin(t * 3.14159265);
        const int32_t x = (int32_t)lround(30 + t * 260);
        const int32_t y = (int32_t)lround(100 + 50 * sin(t * 6.2831853));
        MUR_SetScaleSize((int32_t)lround(8 + 32 * pressure));
        MUR_SetAlpha((int32_t)lround(20 + 60 * pressure));
        MUR_DrawDabGrit(x, y, 30 << 8, 60 << 8, 160 << 8);
    }
    MUR_MergePaintLayer(INK);
    MUR_SaveUndoBuffer(1, 0);

    /* The view at 1:1: B, G, R bytes, turned into R, G, B for the file. */
    uint8_t* pixels = malloc((size_t)WIDTH * HEIGHT * 3);
    if (!pixels) return 1;
    MUR_SetScale(1, 1.0f);
    MUR_SetViewSize(WIDTH, HEIGHT);
    if (!MUR_Render(pixels, WIDTH * 3, 0, 0, WIDTH, HEIGHT)) {
        fprintf(stderr, "nothing to render: %s\n", MUR_GetLastError());
        return 1;
    }
    for (size_t i = 0; i < (size_t)WIDTH * HEIGHT * 3; i += 3) {
        const uint8_t b = pixels[i];
        pixels[i] = pixels[i + 2];
        pixels[i + 2] = b;
    }
    const int saved = save_png(out, pixels, WIDTH, HEIGHT);
    free(pixels);
    printf("painted one stroke, %d undo step; %s %s\n", MUR_GetUndoCount(), saved ? "wrote" : "could not write", out);
    MUR_DeleteImage();
    return saved ? 0 : 1;
}
