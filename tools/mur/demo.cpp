#include "demo.h"

#include "murcore.h"
#include "png_files.h"

#include <cstdio>

namespace mur_tool {
namespace {

const char* yes_no(int32_t v) { return v ? "yes" : "no"; }

}  // namespace

int demo(const char* outDir)
{
    const int32_t width = 640, height = 480, brush = 128;
    MUR_SetRandomSeed(1234);
    MUR_CreateImage(nullptr, width, height, brush, 0);
    std::printf("created a %dx%d image for brushes up to %d px; undo back buffers use %d MB\n", width, height,
                brush, MUR_GetCurrentUndoMemory());

    struct Plan {
        int32_t slot;
        int32_t opacity;
        const char* mode;
    };
    const Plan plan[] = {{1, 100, "Normal"}, {2, 80, "Multiply"}, {3, 50, "Screen"}, {4, 100, "Texturize3"}};
    for (const Plan& p : plan) {
        if (!MUR_CreateLayer(p.slot, width, height)) {
            std::printf("layer %d could not be created: %s\n", p.slot, MUR_GetLastError());
            return 1;
        }
        MUR_SetLayerOptions(p.slot, 1, 0, p.opacity, p.mode);
        std::printf("layer %d: %s at %d%%\n", p.slot, p.mode, p.opacity);
    }
    MUR_SetLayer(2);
    std::printf("%d layers live, current layer %d\n", MUR_GetLayerCount(), MUR_GetLayerNum());
    std::printf("texture from layer 4: %s\n", MUR_CreateTexture(4) == width ? "built" : "not built");

    MUR_SetAlphaLayerOpacity(50);
    MUR_NormalizeLayerAlpha(2);
    std::printf("layer 2 opacity folded into its pixels\n");

    MUR_SetUndoLevels(20);
    MUR_SetUndoMB(64);
    MUR_SetLayerAlpha(2, 30000);
    MUR_InvalidateDirtyUndoCanvas();
    MUR_SaveUndoBuffer(1, 1);
    std::printf("saved an undo step: %d step(s), %d MB of history\n", MUR_GetUndoCount(), MUR_GetCurrentUndoMemory());
    MUR_Undo();
    std::printf("undone: can redo %s, redo count %d\n", yes_no(MUR_CanRedo()), MUR_GetRedoCount());
    MUR_Redo();
    std::printf("redone: can undo %s\n", yes_no(MUR_CanUndo()));

    MUR_SwapLayers(2, 3);
    std::printf("layers 2 and 3 swapped\n");

    MUR_CalcSpline3(0, 0, 320, 400, 639, 0, 0);
    std::printf("stroke curve of %d points from (%d,%d) through (%d,%d) to (%d,%d)\n", MUR_GetSplinePointCount(),
                MUR_GetSplinePointX(0), MUR_GetSplinePointY(0), MUR_GetSplinePointX(50), MUR_GetSplinePointY(50),
                MUR_GetSplinePointX(99), MUR_GetSplinePointY(99));

    MUR_NewSize(nullptr, 800, 600, brush, 0);
    std::printf("resized the page to 800x600; %d layers kept; undo can undo: %s, redo count %d\n",
                MUR_GetLayerCount(), yes_no(MUR_CanUndo()), MUR_GetRedoCount());

    std::printf("rejected: layer slot 272 -> %d, slot -1 -> %d\n", MUR_CreateLayer(272, 10, 10),
                MUR_CreateLayer(-1, 10, 10));

    MUR_DeleteImage();
    std::printf("deleted the image; %d layers left\n", MUR_GetLayerCount());
    std::printf("machine: %d MB memory, %d MB available\n", MUR_GetTotalPhyMemory(), MUR_GetAvailPhyMemory());
    const char* error = MUR_GetLastError();
    std::printf("last error: %s\n", *error ? error : "(none)");
    (void)outDir;
    return 0;
}


}  // namespace mur_tool
