/*
 * murcore: the painting engine of a natural-media paint program.
 *
 * One image at a time: 272 layer slots of 16-bit RGBA pixels, a 16-bit
 * selection mask, a paint layer for the stroke in progress, brushes, undo,
 * image effects and file I/O. The host drives the engine from one thread
 * through the flat functions below.
 *
 * Pixel formats: RGBA64 = four uint16_t per pixel (R, G, B, A, straight
 * alpha); RGBA32 = four bytes R, G, B, A; RGB24 = three bytes R, G, B;
 * G16 = one uint16_t; G8 = one byte. An 8-bit value becomes 16 bits by a
 * left shift of 8 (255 -> 65280) and 16 bits become 8 by the high byte.
 *
 * Failures: functions return 0, NULL or nothing; the reason, when there is
 * one, is left in the last-error text (MUR_GetLastError), which is never
 * cleared by the engine.
 */
#ifndef MURCORE_H
#define MURCORE_H

#include <stddef.h>
#include <stdint.h>

#if defined(MURCORE_BUILD)
#define MUR_API __attribute__((visibility("default")))
#else
#define MUR_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* A host window handle; the engine only stores and passes it on. */
typedef void* MUR_Window;

/* ---- Image lifecycle ---------------------------------------------------- */
MUR_API void MUR_CreateImage(MUR_Window hostWindow, int32_t width, int32_t height, int32_t maxBrushSize, int32_t param5); /* builds the image; sizes < 0 or > 10000 become 100 */
MUR_API void MUR_NewSize(MUR_Window hostWindow, int32_t width, int32_t height, int32_t maxBrushSize, int32_t param5);     /* rebuilds every image-sized buffer, keeps the layers */
MUR_API void MUR_DeleteImage(void);                                                                                        /* releases everything the image owns */

/* ---- Errors ------------------------------------------------------------- */
MUR_API void MUR_SetLastError(const char* text); /* keeps at most 511 characters */
MUR_API const char* MUR_GetLastError(void);      /* text of the last failure, never cleared */

/* ---- Host services ------------------------------------------------------ */
MUR_API int32_t MUR_SetWindowRedraw(MUR_Window window, int32_t flag);                      /* 0 without a window system */
MUR_API int32_t MUR_RedrawWindow(MUR_Window window);                                       /* 0 without a window system */
MUR_API int32_t MUR_SetWindowBasePos(int32_t left, int32_t top, int32_t right, int32_t bottom); /* 0 when the placement cannot be read */
MUR_API uint32_t MUR_GetWindowBackgroundColor(void);                                       /* 0x00BBGGRR */
MUR_API uint32_t MUR_GetWindowTextColor(void);                                             /* 0x00BBGGRR */
MUR_API int32_t MUR_GetWindowCaptionSize(void);
MUR_API int32_t MUR_GetWindowSmallCaptionSize(void);
MUR_API int32_t MUR_GetWindowFixedFrameSize(void);
MUR_API int32_t MUR_IsCompositionEnabled(void);                                            /* 1 when a compositor is known to run */
MUR_API int32_t MUR_IsDisplayChanged(void);                                                /* 1 once after a display change */
MUR_API int32_t MUR_GetTotalPhyMemory(void);                                               /* megabytes */
MUR_API int32_t MUR_GetAvailPhyMemory(void);
MUR_API int32_t MUR_GetTotalPgMemory(void);
MUR_API int32_t MUR_GetAvailPgMemory(void);
MUR_API int32_t MUR_GetTotalVirMemory(void);
MUR_API int32_t MUR_GetAvailVirMemory(void);
MUR_API void MUR_SetScale(int32_t scaleInt, float scale);                                  /* view zoom */
MUR_API void MUR_SetOffset(int32_t x, int32_t y);
MUR_API void MUR_SetViewSize(int32_t width, int32_t height);
MUR_API void MUR_SetAOI(int32_t a, int32_t b, int32_t c, int32_t d);
MUR_API void MUR_SetRandomSeed(int32_t seed);                                              /* seed of every random table and pattern */
MUR_API void MUR_SetAlphaLocked(int32_t flag);                                             /* engine-wide transparency lock */
MUR_API void MUR_SetTracingMode(int32_t flag);
MUR_API void MUR_SetStartDir(const char* path);                                            /* ignored when 1024 characters or longer */
MUR_API const char* MUR_GetDirInfo(void);                                                  /* the system directory */
MUR_API int32_t MUR_RenameFile(const char* oldPath, const char* newPath);                  /* 1 on success */
MUR_API void MUR_Memcpy(void* destination, const void* source, int32_t count);
MUR_API intptr_t BankAdrs(const void* pointer);                                            /* the pointer as an integer */
MUR_API void MUR_CalcSpline3(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t unused); /* 100 points through three */
MUR_API int32_t MUR_GetSplinePointCount(void);
MUR_API int32_t MUR_GetSplinePointX(int32_t index);                                        /* out-of-range index: the last point */
MUR_API int32_t MUR_GetSplinePointY(int32_t index);
MUR_API void MUR_SetGrid(int32_t value);                                                   /* accepted and ignored */
MUR_API void MUR_SetGridSpacing(int32_t value);                                            /* accepted and ignored */

/* ---- Allocation --------------------------------------------------------- */
MUR_API void* MUR_Alloc(int32_t bytes); /* gives up undo history, oldest first, before failing with NULL */
MUR_API void MUR_Free(void* pointer);   /* releases a block of MUR_Alloc; NULL is ignored */

/* ---- Layers ------------------------------------------------------------- */
MUR_API int32_t MUR_CreateLayer(int32_t slot, int32_t width, int32_t height); /* 1 on success; slot 1 white, others transparent */
MUR_API void MUR_DeleteLayer(int32_t slot);
MUR_API void MUR_SetLayer(int32_t slot);                                       /* makes a live slot current */
MUR_API void MUR_SetLayerOptions(int32_t slot, int32_t visible, int32_t alphaLocked, int32_t opacityPercent, const char* modeName);
MUR_API void MUR_SwapLayers(int32_t slotA, int32_t slotB);
MUR_API int32_t MUR_GetLayerNum(void);                                         /* the current slot */
MUR_API int32_t MUR_GetLayerCount(void);                                       /* slots holding pixels */
MUR_API void MUR_SetLayerAlpha(int32_t slot, int32_t alpha);                   /* every alpha = the 16-bit value */
MUR_API void MUR_NormalizeLayerAlpha(int32_t slot);                            /* folds the opacity into the alpha */
MUR_API void MUR_InvertAlpha(int32_t slot);
MUR_API void MUR_InvertAlpha_RGBA32(uint8_t* image);                           /* image-sized RGBA32 buffer */
MUR_API void MUR_SetAlphaLayerOpacity(int32_t percent);                        /* opacity of the alpha blend modes */
MUR_API void MUR_CreateBlobFromImage(int32_t slot, int32_t mode);              /* brightness into alpha */
MUR_API int32_t MUR_CreateTexture(int32_t slot);                               /* image width, 0 on failure */
MUR_API void MUR_DeleteTexture(void);

/* ---- Blend buffers ------------------------------------------------------ */
MUR_API void MUR_SetBlendBufferCount(int32_t count); /* 0..20 brush-sized pick-up buffers */

/* ---- Undo --------------------------------------------------------------- */
MUR_API int32_t MUR_SetUndoLevels(int32_t levels);            /* empties the history; 0..500 steps kept */
MUR_API void MUR_SetUndoMB(int32_t megabytes);                /* budget; 0 = derived from free memory */
MUR_API int32_t MUR_GetTotalUndoMemory(void);                 /* budget in megabytes */
MUR_API int32_t MUR_GetCurrentUndoMemory(void);               /* megabytes in use */
MUR_API void MUR_SaveUndoBackBuffer(int32_t slot);            /* back buffers mirror the slot and the mask */
MUR_API void MUR_SaveUndoBuffer(int32_t saveColor, int32_t saveMask); /* the dirty rectangle becomes a step */
MUR_API void MUR_InvalidateDirtyUndoCanvas(void);             /* the next step covers the whole image */
MUR_API void MUR_PauseUndo(void);
MUR_API void MUR_ResumeUndo(void);
MUR_API void MUR_Undo(void);
MUR_API void MUR_Redo(void);
MUR_API int32_t MUR_CanUndo(void);
MUR_API int32_t MUR_CanRedo(void);
MUR_API int32_t MUR_GetRedoCount(void);
MUR_API int32_t MUR_GetUndoCount(void);                       /* entries holding a patch */
MUR_API void MUR_ReduceUndo(int32_t kilobytes);               /* frees history, oldest first */
MUR_API void MUR_ClearUndo(void);
MUR_API void MUR_StartFade(void);                             /* toggles the next undo step's colour */
MUR_API void MUR_UpdateFade(int32_t value);                   /* accepted and ignored */
MUR_API void MUR_EndFade(void);                               /* accepted and ignored */

#ifdef __cplusplus
}
#endif

#endif /* MURCORE_H */
