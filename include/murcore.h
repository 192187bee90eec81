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

/* ---- Grit dabs ------------------------------------------------------------ */
/* One dab of the current brush at (x, y) in a 16-bit colour (low bytes dropped), into the paint layer when
   there is one, else into the current layer; into the mask for a mask maker. */
MUR_API int32_t MUR_DrawDabGrit(int32_t x, int32_t y, int32_t r, int32_t g, int32_t b);
MUR_API int32_t MUR_DrawDabGritMask(int32_t x, int32_t y);

/* ---- Layer pixels: loading ---------------------------------------------- */
/* Strides are in bytes. 8-bit values become 16-bit by a shift of 8. "masked" loads are tempered by the
   texture and the enabled mask; a layer's transparency lock keeps its alpha. */
MUR_API void MUR_LoadRGBA32Layer(const uint8_t* src, int32_t stride, int32_t layer, int32_t x, int32_t y, int32_t w, int32_t h, int32_t masked);
MUR_API void MUR_LoadRGBA32(const uint8_t* src, int32_t stride, int32_t masked);           /* whole current layer */
MUR_API void MUR_LoadRGBA32Into(const uint8_t* src, int32_t stride, int32_t layer, int32_t x, int32_t y, int32_t w, int32_t h); /* masked */
MUR_API void MUR_LoadRGB24(const uint8_t* src, int32_t stride, int32_t masked);            /* colour only */
MUR_API void MUR_Load(const uint8_t* srcBGR, int32_t stride, int32_t w, int32_t h);        /* B, G, R bytes; opaque */
MUR_API void MUR_LoadRGB24ToAlpha(const uint8_t* src, int32_t stride, int32_t masked);     /* gray into alpha */
MUR_API void MUR_SetRGBA64Layer(const uint16_t* src, int32_t stride, int32_t layer);
MUR_API void MUR_SetLayerData(const uint16_t* src, int32_t layer);                         /* raw pixel block */
MUR_API void MUR_CopyLayerData(int32_t fromLayer, int32_t toLayer);
MUR_API void MUR_LoadRGBA32LayerCompressed(const uint8_t* src, int32_t reserved, int32_t srcLength, int32_t layer);
MUR_API void MUR_LoadRGBA32Layer_BAD(uint8_t* src, int32_t reserved, int32_t layer, int32_t width, int32_t height, int32_t masked);

/* ---- Layer pixels: reading ---------------------------------------------- */
MUR_API void MUR_GetRGBA32Layer(uint8_t* dst, int32_t stride, int32_t layer);              /* high bytes */
MUR_API void MUR_GetRGBA32(uint8_t* dst, int32_t stride);                                  /* current layer */
MUR_API void MUR_GetRGB24Layer(uint8_t* dst, int32_t stride, int32_t layer);
MUR_API void MUR_GetRGB24(uint8_t* dst, int32_t stride);
MUR_API void MUR_GetRGB24FromAlpha(uint8_t* dst, int32_t stride);                          /* alpha as gray */
MUR_API void MUR_GetRGBA64LayerRect(uint16_t* dst, int32_t stride, int32_t layer, int32_t x, int32_t y, int32_t w, int32_t h);
MUR_API void MUR_GetRGBA64Layer(uint16_t* dst, int32_t stride, int32_t layer);
MUR_API void MUR_GetLayerData(uint16_t* dst, int32_t layer);                               /* raw pixel block */
MUR_API int32_t MUR_GetRGBA32LayerCompressed(uint8_t* dst, int32_t reserved, int32_t capacity, int32_t layer, int32_t level); /* bytes, 0 if it does not fit */

/* ---- Layer pixels: line codes ------------------------------------------- */
/* RGBA32 line code: records of run (1..255), R, G, B, A high bytes. G8 line code: run, high byte. */
MUR_API int32_t MUR_GetRGBA32LayerLineRLE(uint8_t* dst, int32_t layer, int32_t row);      /* bytes written */
MUR_API void MUR_PutRGBA32LayerLineRLE(const uint8_t* src, int32_t layer, int32_t row);
MUR_API int32_t MUR_GetMaskLineRLE(uint8_t* dst, int32_t row);
MUR_API void MUR_PutMaskLineRLE(const uint8_t* src, int32_t row);
MUR_API int32_t MUR_RLECompressRGBA64ToRGBA32(const uint16_t* src, uint8_t* dst, int32_t pixels);
MUR_API void MUR_RLEUncompressRGBA32ToRGBA64(const uint8_t* src, uint16_t* dst, int32_t pixels);
MUR_API int32_t MUR_RLECompressG16ToG8(const uint16_t* src, uint8_t* dst, int32_t samples);
MUR_API void MUR_RLEUncompressG8ToG16(const uint8_t* src, uint16_t* dst, int32_t samples);

/* ---- Pixel conversions -------------------------------------------------- */
MUR_API void MUR_RGBA64RectToRGBA32(const uint16_t* src, int32_t x, int32_t y, int32_t w, int32_t h, int32_t stridePixels, int32_t reserved, uint8_t* dst);
MUR_API void MUR_RGBA64RectToRGBA24(const uint16_t* src, int32_t x, int32_t y, int32_t w, int32_t h, int32_t stridePixels, int32_t reserved, uint8_t* dst);
MUR_API int32_t MUR_GetRGBA32FromRGBA64Rect(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride, int32_t x, int32_t y, int32_t w, int32_t h);
MUR_API int32_t MUR_GetRGB24FromRGBA64Rect(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride, int32_t x, int32_t y, int32_t w, int32_t h);
MUR_API int32_t MUR_GetRGBA32FromRGBA64(uint8_t* dst, int32_t dstStride, int32_t w, int32_t h, const uint16_t* src, int32_t srcStride);
MUR_API int32_t MUR_GetRGB24FromRGBA64(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride);

/* ---- Clears and fills --------------------------------------------------- */
MUR_API void MUR_Clear(int32_t r, int32_t g, int32_t b, int32_t a);                       /* current layer, 8-bit values */
MUR_API void MUR_ClearMasked(int32_t r, int32_t g, int32_t b, int32_t a);                 /* weighted by the mask */
MUR_API void MUR_ClearMaskedAlpha(int32_t r, int32_t g, int32_t b, int32_t a);            /* through the masked load */
MUR_API void MUR_ClearRGBA64(uint16_t* dst, int32_t stride, int32_t r, int32_t g, int32_t b, int32_t a); /* image-sized, 16-bit values */
MUR_API void MUR_ClearRGBA32(uint8_t* dst, int32_t stride, int32_t r, int32_t g, int32_t b, int32_t a);  /* image-sized */
MUR_API void MUR_ClearRGBA32Buf(uint8_t* dst, int32_t w, int32_t h, int32_t r, int32_t g, int32_t b, int32_t a);

/* ---- Single pixels ------------------------------------------------------ */
/* GetRGBAAt: 0xRRGGBBAA, coordinates clamped into the image. GetColorAt: 0xAARRGGBB, 0x00FFFFFF outside. */
MUR_API int32_t MUR_GetRed64(int32_t x, int32_t y);                                        /* current layer, 16-bit */
MUR_API int32_t MUR_GetGreen64(int32_t x, int32_t y);
MUR_API int32_t MUR_GetBlue64(int32_t x, int32_t y);
MUR_API int32_t MUR_GetAlpha64(int32_t x, int32_t y);
MUR_API uint32_t MUR_GetRGBAAt(int32_t x, int32_t y, const uint16_t* imageRGBA64);
MUR_API uint32_t MUR_GetRGBAAtSurface(int32_t x, int32_t y);
MUR_API uint32_t MUR_GetRGBAAtUnderLayer(int32_t x, int32_t y);
MUR_API uint32_t MUR_GetRGBAAtTrace(int32_t x, int32_t y);
MUR_API uint32_t MUR_GetRGBAAtLayer(int32_t x, int32_t y, int32_t layer);
MUR_API uint32_t MUR_GetColorAt(int32_t x, int32_t y, const uint16_t* imageRGBA64);
MUR_API uint32_t MUR_GetColorAtSurface(int32_t x, int32_t y);
MUR_API uint32_t MUR_GetColorAtUnderLayer(int32_t x, int32_t y);
MUR_API uint32_t MUR_GetColorAtTrace(int32_t x, int32_t y);
MUR_API uint32_t MUR_GetColorAtLayer(int32_t x, int32_t y, int32_t layer);
MUR_API uint32_t MUR_GetColorAtHistory(int32_t x, int32_t y);                              /* 0 without an undo step */

/* ---- Layer queries ------------------------------------------------------ */
MUR_API void MUR_FindDataExtentsLayer(int32_t layer, int32_t* left, int32_t* top, int32_t* right, int32_t* bottom);   /* alpha != 0 */
MUR_API void MUR_FindDataExtentsLayerEX(int32_t layer, int32_t* left, int32_t* top, int32_t* right, int32_t* bottom); /* != top-left */
MUR_API int32_t MUR_IsLayerTransparent(int32_t layer);                                     /* any alpha below 65280 */
MUR_API int32_t MUR_IsSingleColor(int32_t layer);

/* ---- Layer merge -------------------------------------------------------- */
/* Blend mode ids come from the mode names: 0..30 colour modes, 32..53 alpha and mask modes.
   Opacities are 0..256 (255 and above is full). */
MUR_API void MUR_MergeLayer(int32_t sourceLayer, int32_t destLayer);                 /* source's mode, opacity and layer mask */
MUR_API void MUR_MergeLayerIntoRect(int32_t layer, uint16_t* dst, int32_t x, int32_t y, int32_t w, int32_t h); /* dst: w x h RGBA64 */
MUR_API void MUR_MergeLayerInto(int32_t layer, uint16_t* dst);                       /* dst: image-sized RGBA64 */
MUR_API void MUR_MergeRect(uint16_t* dst, int32_t x, int32_t y, int32_t w, int32_t h); /* composite of the image's rectangle */
MUR_API void MUR_Merge(uint16_t* dst);                                               /* composite of the whole image */
MUR_API void MUR_MergeRGBA32Layer(const uint8_t* image, int32_t layer, int32_t mode, int32_t opacity); /* image-sized RGBA32 */
MUR_API uint32_t MUR_GetColorAtMerged(int32_t x, int32_t y);                         /* 0xAARRGGBB of the composite */

/* ---- Paint compositing -------------------------------------------------- */
MUR_API void MUR_MergePixel(int32_t* pixR, int32_t* pixG, int32_t* pixB, int32_t* pixA, uint32_t srcR, uint32_t srcG, uint32_t srcB, uint32_t amount, int32_t mode, int32_t opacity, int32_t alphaLock);

/* ---- View ---------------------------------------------------------------- */
/* Draws the image rectangle (x, y, w, h) into a 24-bit B, G, R buffer (stride in bytes, may be negative):
   1:1 when the scale pair (MUR_SetScale) has s == n, reduced by s when s > n, magnified n times when s < n;
   cut to the view size (MUR_SetViewSize). 0 when the current layer has no pixels. */
MUR_API int32_t MUR_Render(uint8_t* dst, int32_t dstStride, int32_t x, int32_t y, int32_t w, int32_t h);

/* ---- Paint layer -------------------------------------------------------- */
MUR_API int32_t MUR_CreatePaintLayer(int32_t opacityPercent, int32_t alphaPercent, const char* modeName); /* the mode id */
MUR_API int32_t MUR_ClearPaintLayer(void);                                           /* 0 without a paint layer */
MUR_API void MUR_ClearPaintLayer_old(void);
MUR_API void MUR_SetPaintLayerExtents(int32_t left, int32_t top, int32_t right, int32_t bottom); /* [left, right) x [top, bottom) */
MUR_API void MUR_MergePaintLayer(int32_t layer);                                     /* merges the extents, then clears */
MUR_API void MUR_BlurPaintLayerAlpha(void);                                          /* softens the stroke's alpha edge */
MUR_API void MUR_SwapPaintLayer(int32_t layer);
MUR_API void MUR_DeletePaintLayer(void);

/* ---- Mask ----------------------------------------------------------------- */
/* One 16-bit value per image pixel: 65535 editable, 0 protected. A masking amount a (0..255) writes
   (255 - a) << 8. Gray pictures become masks black = editable, white = protected. */
MUR_API int32_t MUR_EnableMask(int32_t flag);                 /* changes are weighted by the mask while on */
MUR_API int32_t MUR_DisplayMask(int32_t flag);
MUR_API void MUR_SetMaskMakerOn(void);                        /* the next dabs paint the mask */
MUR_API void MUR_SetEraseModeOn(void);
MUR_API void MUR_SetMaskOptions(int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2, int32_t full); /* display tints */
MUR_API void MUR_InvertMask(void);
MUR_API void MUR_ClearMask(int32_t r, int32_t g, int32_t b);  /* the mask of one 16-bit gray */
MUR_API void MUR_GetMaskData16(uint16_t* dst);
MUR_API void MUR_SetMaskData16(const uint16_t* src);
MUR_API int32_t MUR_GetMask64(int32_t x, int32_t y);          /* masking amount 65535 - m */
MUR_API void MUR_SaveMask(uint8_t* dst, int32_t stride);      /* RGB24, protected = white */
MUR_API void MUR_LoadMask(const uint8_t* src, int32_t stride, int32_t w, int32_t h);
MUR_API void MUR_CreateImageFromMask(void);                   /* current layer = the mask as gray */
MUR_API void MUR_CreateAlphaFromMask(int32_t kind);           /* 0 set, 1 add, 2 subtract */
MUR_API void MUR_CreateMaskFromImage(void);                   /* from the current layer's gray */
MUR_API void MUR_CreateMaskFromImageLuma(void);
MUR_API void MUR_CreateMaskFromAlpha(void);
MUR_API void MUR_CreateMaskFromRGBAImageColor(const uint8_t* image, int32_t r, int32_t g, int32_t b, int32_t a);
MUR_API void MUR_CreateMaskFromRGB24ImageColor(const uint8_t* image, int32_t r, int32_t g, int32_t b, int32_t a);
MUR_API void MUR_CreateMaskFromRGBAImageColorRange(const uint8_t* image, int32_t r, int32_t g, int32_t b, int32_t tolerancePercent, int32_t a);
MUR_API void MUR_CreateMaskFromRGBAImageAlphaRange(const uint8_t* image, int32_t alpha, int32_t tolerancePercent, int32_t a);
MUR_API void MUR_CreateMaskFromRGBAImageLuminanceRange(const uint8_t* image, int32_t r, int32_t g, int32_t b, int32_t tolerancePercent, int32_t a);
MUR_API void MUR_CreateMaskFromRGBAImageHueRange(const uint8_t* image, int32_t r, int32_t g, int32_t b, int32_t tolerance, int32_t a);
MUR_API void MUR_CreateMaskFromRGBAImageHSLRange(const uint8_t* image, int32_t r, int32_t g, int32_t b, double hueTolerance, double saturationTolerance, double lightnessTolerance, int32_t a);
MUR_API void MUR_CreateMaskFromFloodMask(const uint8_t* plane, int32_t a);  /* where the G8 plane holds 1 */
MUR_API void MUR_CreateMaskFromDiff_RGBA32(const uint8_t* first, const uint8_t* second, int32_t value);
MUR_API void MUR_CombineMask(const uint8_t* image, int32_t stride, int32_t blackOnly, int32_t level, const char* operation); /* "Add", "Subtract", "Replace" */
MUR_API void MUR_ApplyMaskToAlphaRect_RGBA32(uint8_t* image, int32_t stride, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
MUR_API void MUR_ApplyMaskToAlpha_RGBA32(uint8_t* image);
MUR_API void MUR_ReplaceFromRGBAImageAlphaRange(uint8_t* image, int32_t alpha, int32_t tolerancePercent, int32_t r, int32_t g, int32_t b, int32_t a);
MUR_API void MUR_RGBAlphaToRGB(uint8_t* dst, int32_t w, int32_t h, const uint8_t* src);
MUR_API void MUR_RGBToRGBAlpha(uint8_t* dst, int32_t w, int32_t h, const uint8_t* src);
MUR_API void MUR_RGBToRGBA(uint8_t* dst, int32_t w, int32_t h, const uint8_t* src);
MUR_API void MUR_RGBAToRGB(uint8_t* dst, int32_t w, int32_t h, const uint8_t* src);

/* ---- Image processing: buffers ------------------------------------------ */
/* Page-sized working copies of the current layer. Source buffers are filled from the current layer on every
   allocation; a buffer of a former page size is replaced. */
MUR_API void MUR_IPLInit(int32_t ignored);              /* starts the imaging module; may be repeated */
MUR_API void MUR_IPLExit(void);                         /* stops it; may be repeated */
MUR_API void MUR_IPLAllocSrcBuffer32(void);             /* RGBA32, filled from the current layer */
MUR_API void MUR_IPLAllocDstBuffer32(void);             /* RGBA32, contents kept */
MUR_API void MUR_IPLAllocSrcBuffer24(void);             /* RGB24, filled from the current layer */
MUR_API void MUR_IPLAllocDstBuffer24(void);
MUR_API void MUR_ToolAllocSrcBuffer32(void);            /* RGBA32, filled from the current layer */
MUR_API void MUR_ToolAllocDstBuffer32(void);
MUR_API void MUR_IPLSetSrcBuffer32(const uint8_t* image); /* copies a page-sized RGBA32 image in */
MUR_API void MUR_IPLSetDstBuffer32(const uint8_t* image);
MUR_API void MUR_IPLUpdateSrcBuffer32(void);            /* refills the source from the current layer */
MUR_API void MUR_IPLFreeSrcBuffer32(void);
MUR_API void MUR_IPLFreeDstBuffer32(void);
MUR_API void MUR_IPLFreeSrcBuffer24(void);
MUR_API void MUR_IPLFreeDstBuffer24(void);
MUR_API void MUR_ToolFreeSrcBuffer32(void);
MUR_API void MUR_ToolFreeDstBuffer32(void);
MUR_API void MUR_ApplyMaskToAlpha_IPLSrcRGBA(void);     /* while the mask is enabled */

/* ---- Image processing: filter framing ----------------------------------- */
MUR_API void MUR_AdjustRGBA32ByMaskAndTexture(uint8_t* data, int32_t width, int32_t height); /* alpha by the filter weight */
MUR_API void MUR_AdjustRGBA32RectByMaskAndTexture(uint8_t* data, int32_t x, int32_t y, int32_t width, int32_t height); /* block at (x, y), clipped */
MUR_API void MUR_AdjustRGBA32PreFilter(uint8_t* data, int32_t width, int32_t height);   /* premultiplies; alpha 0 and 255 untouched */
MUR_API void MUR_AdjustRGBA32PostFilter(uint8_t* data, int32_t width, int32_t height);  /* divides out; alpha 254 becomes 255 */
MUR_API void MUR_AdjustRGBA64PreFilter(uint16_t* data, int32_t width, int32_t height);
MUR_API void MUR_AdjustRGBA64PostFilter(uint16_t* data, int32_t width, int32_t height);
MUR_API void MUR_AdjustRGBA32ForAlphaComp(int32_t flag, uint8_t* image);               /* page-sized; divides out where alpha > 0 */
MUR_API void MUR_SetColorRGBABuf(uint8_t* data, int32_t width, int32_t height, int32_t r, int32_t g, int32_t b);      /* alpha kept */
MUR_API void MUR_SetColorAlphaRGBABuf(uint8_t* data, int32_t width, int32_t height, int32_t r, int32_t g, int32_t b); /* where alpha is 0 */

/* ---- Image processing: native filters ----------------------------------- */
/* Runs the named native filter on RGBA32 buffers of width x height (rows of width * 4 bytes), sliders 0..1000;
   unless singleBuffer the source is first copied into the destination. Filters that write the mask or store to
   the current layer do so only for page-sized buffers. 1 when a filter of that name ran. */
MUR_API int32_t MUR_IPLNativeFilterRGBA32(uint8_t* source, uint8_t* destination, int32_t width, int32_t height, const char* name, int32_t singleBuffer,
                                          int32_t slider1, int32_t slider2, int32_t slider3, int32_t slider4, int32_t slider5, int32_t slider6,
                                          int32_t style1, int32_t style2, int32_t flag1, int32_t flag2, int32_t flag3, int32_t flag4, int32_t flag5,
                                          int32_t flag6, int32_t red, int32_t green, int32_t blue);

/* ---- Tool settings ------------------------------------------------------ */
/* The whole tool at once: builds the 20 grit buffers (random cells, or from a texture script or image file
   at texturePath) and the brush shape (round, or from the picture at shapePath). */
MUR_API void MUR_SetTool(float shapeIntensity, int32_t gritCell, int32_t gritCellChance, int32_t gritPixelChance, int32_t shapeSoftness,
                         int32_t colorVary, int32_t drawingLength, int32_t blendStrength, int32_t primaryColorStrength, int32_t blendRemix,
                         int32_t param11, int32_t shapeInvert, int32_t param13, const char* texturePath, const char* shapePath, int32_t shapeParam);
MUR_API void MUR_SetColor(int32_t r, int32_t g, int32_t b);                  /* 0..255 each */
MUR_API void MUR_SetColor16(int32_t r, int32_t g, int32_t b);                /* 0..65535 each */
MUR_API void MUR_SetColorBanks(int32_t r0, int32_t g0, int32_t b0, int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2, int32_t r3, int32_t g3, int32_t b3);
MUR_API void MUR_SetShapeBlur(int32_t value);                               /* 0..100 blur of picture shapes */
MUR_API void MUR_SetBlendStrength(int32_t value);                           /* pick-up strength of 256; 0 turns pick-up off */
MUR_API void MUR_SetBlendPrimaryColorStrength(int32_t value);
MUR_API void MUR_SetBlendRemix(int32_t flag);
MUR_API void MUR_SetDensity(int32_t value);                                 /* grit threshold + 1 */
MUR_API void MUR_SetAlpha(int32_t percent);
MUR_API void MUR_SetColorVary(int32_t value);
MUR_API void MUR_SetColorLocked(int32_t flag);
MUR_API void MUR_SetBlobLocked(int32_t flag);
MUR_API void MUR_SetAlphaLevel(int32_t value);
MUR_API void MUR_SetImageBrushMode(int32_t flag);
MUR_API void MUR_SetSolidBrushMode(int32_t flag);
MUR_API void MUR_SetRotateBrushMode(int32_t mode, int32_t degrees);
MUR_API void MUR_SetMixMode(int32_t mode, int32_t amount);                  /* amount 127 is neutral */
MUR_API void MUR_TempDisableBlend(void);                                    /* for the next dab */
MUR_API void MUR_DecDrawingLength(void);
MUR_API void MUR_SetSize(int32_t size);                                     /* brush diameter, at most 1000 */
MUR_API void MUR_SetScaleSize(int32_t n);                                   /* draw the brush at n of its size pixels */
MUR_API void MUR_SetPixColorVary(int32_t value);
MUR_API void MUR_SetPixLumVary(int32_t value);
MUR_API void MUR_SetColorAlpha(int32_t r, int32_t g, int32_t b);            /* colour under full transparency */
MUR_API void MUR_SetAlphaFromRGBAImageColor(uint8_t* image, int32_t r, int32_t g, int32_t b); /* key colour to transparent */
MUR_API void MUR_SetPixelRGB24(uint8_t* image, int32_t stride, int32_t x, int32_t y, int32_t r, int32_t g, int32_t b);

/* ---- Brush shapes -------------------------------------------------------- */
MUR_API void MUR_SetBrushShape(const char* path, int32_t shapeParam);          /* round when path has < 2 characters */
MUR_API void MUR_SetBrushShape_ORIGINAL(const char* path, int32_t shapeParam); /* the earlier rules */
MUR_API void MUR_UnloadBrushShape(void);                                        /* forgets the cached picture */

/* ---- Blend buffers ------------------------------------------------------ */
/* Brush-sized RGBA64 squares carrying picked-up colour from dab to dab. Pick-up and mixing return 0 and do
   nothing while the blend strength is 0. */
MUR_API void MUR_SetBlendBufferCount(int32_t count);                         /* 0..20 */
MUR_API void* MUR_SelectBlendBuffer(int32_t index);                          /* the selected buffer's record */
MUR_API int32_t MUR_DoCopyBlendBuffer(int32_t x, int32_t y, const uint16_t* imageRGBA64, int32_t strength, int32_t flag);
MUR_API int32_t MUR_CopyBlendBufferSurface(int32_t x, int32_t y, int32_t strength, int32_t flag);
MUR_API int32_t MUR_CopyBlendBufferLayer(int32_t layer, int32_t x, int32_t y, int32_t strength);
MUR_API int32_t MUR_CopyBlendBufferUnderLayer(int32_t x, int32_t y, int32_t strength);
MUR_API int32_t MUR_CopyBlendBufferHistory(int32_t x, int32_t y, int32_t strength);
MUR_API int32_t MUR_CopyBlendBufferTrace(int32_t x, int32_t y, int32_t strength);
MUR_API int32_t MUR_DoCopyBlendBufferMask(int32_t x, int32_t y, int32_t strength);
MUR_API int32_t MUR_DoMixBlendBuffer(int32_t x, int32_t y, const uint16_t* imageRGBA64, int32_t strength);
MUR_API int32_t MUR_MixBlendBufferSurface(int32_t x, int32_t y, int32_t strength);
MUR_API int32_t MUR_MixBlendBufferUnderLayer(int32_t x, int32_t y, int32_t strength);
MUR_API int32_t MUR_MixBlendBufferHistory(int32_t x, int32_t y, int32_t strength);
MUR_API int32_t MUR_MixBlendBufferTrace(int32_t x, int32_t y, int32_t strength);
MUR_API int32_t MUR_MixBlendBufferLayer(int32_t layer, int32_t x, int32_t y, int32_t strength);
MUR_API int32_t MUR_DoColorBlendBuffer(int32_t x, int32_t y, int32_t r, int32_t g, int32_t b, int32_t reserved, int32_t strength);
MUR_API void MUR_FilterBlendBuffer(int32_t kind, int32_t levelPercent);       /* 289 gray, 290 invert, 291/292 thresholds */
MUR_API void MUR_ClearBlendBuffer(void);
MUR_API void MUR_FillBlendBuffer(int32_t reserved1, int32_t reserved2, int32_t high, int32_t low);

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

/* ---- Tablet ------------------------------------------------------------- */
MUR_API int32_t MUR_InitTablet(MUR_Window window);       /* opens the tablet context; 0 without a tablet */
MUR_API int32_t MUR_SetTabletOrigin(void);               /* the window's client origin; 0 without a context */
MUR_API int32_t MUR_CloseTablet(void);                   /* close result, 0 without a context */
MUR_API void MUR_ResetTabletPressure(void);              /* start of a stroke: pressure 10, queue emptied */
MUR_API int32_t MUR_ReadTabletPackets(void);             /* reads up to 256 packets; their number */
MUR_API int32_t MUR_ReadTabletPressure(int32_t index);   /* percent, at least 1; a ramp when there is no such packet */
MUR_API int32_t MUR_ReadRawTabletPressure(int32_t index); /* scaled pressure of slot 0..255, 0 otherwise */
MUR_API int32_t MUR_IsPacketInvert(int32_t index);       /* 1 for the eraser end */
MUR_API uint32_t MUR_PacketStatus(int32_t index);        /* status word, 0 without such a packet */
MUR_API int32_t MUR_ReadTabletX(int32_t index);          /* relative to the window's client origin */
MUR_API int32_t MUR_ReadTabletY(int32_t index);

#ifdef __cplusplus
}
#endif

#endif /* MURCORE_H */
