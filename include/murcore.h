/**
 * @file murcore.h
 * @brief murcore: the painting engine of a natural-media paint program.
 *
 * One image at a time: 272 layer slots of 16-bit RGBA pixels, a 16-bit
 * selection mask, a paint layer for the stroke in progress, brushes, undo,
 * image effects and file I/O. The host drives the engine from one thread
 * through the flat functions below; the guide page ("Using murcore from a
 * host") shows a whole stroke from creating the image to undoing it.
 *
 * Pixel formats: RGBA64 = four uint16_t per pixel (R, G, B, A, straight
 * alpha); RGBA32 = four bytes R, G, B, A; RGB24 = three bytes R, G, B;
 * G16 = one uint16_t; G8 = one byte. An 8-bit value becomes 16 bits by a
 * left shift of 8 (255 -> 65280) and 16 bits become 8 by the high byte.
 * Rows follow each other without gaps unless a stride (in bytes unless the
 * parameter says otherwise) is given. "Image-sized" means width x height of
 * the image made by MUR_CreateImage; such buffers are the host's, and it
 * keeps them alive and large enough for the whole call.
 *
 * Failures: functions return 0, NULL or nothing. A call whose arguments are
 * out of range (a slot outside 0..271, a slot without pixels, a NULL
 * buffer, an empty rectangle) does nothing and leaves the last-error text
 * alone. A fault inside a guarded call (memory the engine could not get
 * even after giving up undo history, a damaged engine block) stops it,
 * sets the last-error text to "<Operation> Excpt" (the operation named in
 * each function's reference) and makes it return its failure value; what
 * it did before the fault stays done. The engine never clears the text
 * (MUR_GetLastError).
 */
#ifndef MURCORE_H
#define MURCORE_H

#include <stddef.h>
#include <stdint.h>

/** @cond MURCORE_INTERNAL */
#if defined(MURCORE_BUILD)
#define MUR_API __attribute__((visibility("default")))
#else
#define MUR_API
#endif

#ifdef __cplusplus
extern "C" {
#endif
/** @endcond */

/**
 * @brief A host window handle: the engine only stores it and passes it to
 * the window system (on Linux, to nothing: there is none attached).
 */
typedef void* MUR_Window;

/**
 * @defgroup lifecycle Image lifecycle
 * @brief Creating, resizing and releasing the engine's one image.
 *
 * The image is process-wide: MUR_CreateImage makes it, MUR_DeleteImage
 * releases everything it owns. Layers are created separately
 * (MUR_CreateLayer) and survive MUR_NewSize.
 * @{
 */

/**
 * @brief Builds the image: the buffers for a page of width x height pixels
 * and brushes up to maxBrushSize pixels.
 *
 * Releases every layer and everything a former image still owns, then
 * allocates the 20 grit buffers, the brush shape plane, one blend buffer,
 * the mask (all editable, enabled), the undo back buffers (history emptied)
 * and the random tables; resets the view to 1:1 at (0, 0). Tool settings
 * stay as they were.
 * @param hostWindow  the host's window, stored for the window services; may be NULL.
 * @param width, height  page size in pixels, 0..10000; a value outside that becomes 100.
 * @param maxBrushSize  largest brush diameter in pixels, clamped to 0..32768;
 *        the grit buffers take (maxBrushSize + 25)^2 bytes each.
 * @param param5  stored and otherwise unused.
 * @par Last error
 * "CreateImage Excpt" when a buffer cannot be had; the image is then partly built
 * and should be deleted.
 */
MUR_API void MUR_CreateImage(MUR_Window hostWindow, int32_t width, int32_t height, int32_t maxBrushSize, int32_t param5);

/**
 * @brief Rebuilds every image-sized buffer for a new page size, keeping the layers.
 *
 * Like MUR_CreateImage without touching the layer table: the mask, undo
 * history and back buffers, texture, paint layer, grit, brush shape, blend
 * and IPL buffers are released, and the image-sized ones made anew (the
 * mask all editable). Layers keep
 * their own sizes; resize them with MUR_CreateLayer if they should follow.
 * @param hostWindow, width, height, maxBrushSize, param5  as for MUR_CreateImage.
 * @par Last error
 * "NewSize Excpt" on a fault.
 */
MUR_API void MUR_NewSize(MUR_Window hostWindow, int32_t width, int32_t height, int32_t maxBrushSize, int32_t param5);

/**
 * @brief Releases everything the image owns: layers, paint layer, mask,
 * texture, undo history, brush, blend and IPL buffers.
 *
 * Safe to call without an image and more than once. Blocks from MUR_Alloc
 * are the host's and are not released.
 * @par Last error
 * "DeleteImage Excpt" on a fault.
 */
MUR_API void MUR_DeleteImage(void);

/** @} */

/**
 * @defgroup errors Errors
 * @brief The last-error text.
 * @{
 */

/**
 * @brief Sets the last-error text (the host may leave its own notes there).
 * @param text  a NUL-terminated string; its first 511 bytes are kept. NULL is ignored.
 */
MUR_API void MUR_SetLastError(const char* text);

/**
 * @brief The last-error text: "" until a fault leaves a reason.
 *
 * Faults leave "<Operation> Excpt" (for example "CreateLayer Excpt");
 * refusals of bad arguments leave nothing. The engine never clears it: a
 * host that wants to know whether one call failed sets it to "" first
 * (MUR_SetLastError("")).
 * @return a pointer to the engine's own buffer of 512 bytes, NUL-terminated.
 *         The pointer stays valid for the life of the process; the text in
 *         it changes with the next fault. Do not free or write it.
 */
MUR_API const char* MUR_GetLastError(void);

/** @} */

/**
 * @defgroup host Host services
 * @brief Window services, system colours and metrics, memory figures, view
 * settings, the random seed, the start folder, files and a spline helper.
 *
 * On Linux no window system is attached to the engine: window redraw and
 * placement report failure (0), and colours and metrics are those of a
 * standard 96-dpi desktop. None of these calls sets the last-error text.
 * @{
 */

/**
 * @brief Turns redrawing of a window on or off.
 * @param window  the window; @param flag  1 on, 0 off (low byte used).
 * @return 0: no window system is attached.
 */
MUR_API int32_t MUR_SetWindowRedraw(MUR_Window window, int32_t flag);

/**
 * @brief Asks the window system to redraw a window now.
 * @param window  the window.
 * @return 0: no window system is attached.
 */
MUR_API int32_t MUR_RedrawWindow(MUR_Window window);

/**
 * @brief Sets the restored placement of the host window (MUR_CreateImage's)
 * to the rectangle [left, right) x [top, bottom) in screen pixels.
 * @return 1 when placed; 0 when the current placement cannot be read (always, without a window system).
 */
MUR_API int32_t MUR_SetWindowBasePos(int32_t left, int32_t top, int32_t right, int32_t bottom);

/** @brief The window background (button face) colour, 0x00BBGGRR: 0x00F0F0F0 without a window system. */
MUR_API uint32_t MUR_GetWindowBackgroundColor(void);

/** @brief The window text colour, 0x00BBGGRR: 0x00000000 (black) without a window system. */
MUR_API uint32_t MUR_GetWindowTextColor(void);

/** @brief Height of a window caption in pixels (23). */
MUR_API int32_t MUR_GetWindowCaptionSize(void);

/** @brief Height of a small (tool window) caption in pixels (17). */
MUR_API int32_t MUR_GetWindowSmallCaptionSize(void);

/** @brief Thickness of a fixed window frame in pixels (3). */
MUR_API int32_t MUR_GetWindowFixedFrameSize(void);

/** @brief 1 when a desktop compositor is known to run; 0 on Linux. */
MUR_API int32_t MUR_IsCompositionEnabled(void);

/**
 * @brief Whether the display changed (resolution, monitors) since the last call.
 * @return 1 once after each change reported by the desktop backend, else 0.
 *         Safe to poll from any thread.
 */
MUR_API int32_t MUR_IsDisplayChanged(void);

/**
 * @brief Shows a message to the user: the text and the caption of a modal box with an OK button.
 * @param user  the pointer given with the handler; @param text, caption  never NULL.
 */
typedef void (*MUR_MessageBoxHandler)(void* user, const char* text, const char* caption);
/**
 * @brief Takes a line of debugging output.
 * @param user  the pointer given with the handler; @param text  never NULL.
 */
typedef void (*MUR_DebugOutputHandler)(void* user, const char* text);
/**
 * @brief Says whether Escape was pressed since the previous call.
 * @param user  the pointer given with the handler.
 * @return non-zero when it was.
 */
typedef int32_t (*MUR_EscapeKeyHandler)(void* user);

/**
 * @brief Sets where message boxes go: the "Lua Script Error" box of a failed
 * script and a script's message_box.
 *
 * Without a handler each message is the line "caption: text" on stderr.
 * The handler runs on the calling thread, inside the call that shows the
 * message; it must not call back into the engine.
 * @param handler  the handler; NULL restores the stderr line.
 * @param user  passed to the handler as it is.
 */
MUR_API void MUR_SetMessageBoxHandler(MUR_MessageBoxHandler handler, void* user);

/**
 * @brief Sets where debugging output goes: a script's output_debug_string and print.
 *
 * Without a handler each text is a line on stderr.
 * @param handler  the handler; NULL restores the stderr line.
 * @param user  passed to the handler as it is.
 */
MUR_API void MUR_SetDebugOutputHandler(MUR_DebugOutputHandler handler, void* user);

/**
 * @brief Sets what a script's is_escape asks whether Escape was pressed.
 *
 * Without a handler Escape is never pressed.
 * @param handler  the handler; NULL restores "never pressed".
 * @param user  passed to the handler as it is.
 */
MUR_API void MUR_SetEscapeKeyHandler(MUR_EscapeKeyHandler handler, void* user);

/** @brief Physical memory in megabytes (MemTotal of /proc/meminfo), truncated to 32 bits. */
MUR_API int32_t MUR_GetTotalPhyMemory(void);
/** @brief Available physical memory in megabytes (MemAvailable, else MemFree). */
MUR_API int32_t MUR_GetAvailPhyMemory(void);
/** @brief Memory plus swap in megabytes. */
MUR_API int32_t MUR_GetTotalPgMemory(void);
/** @brief Available memory plus free swap in megabytes. */
MUR_API int32_t MUR_GetAvailPgMemory(void);
/** @brief The process's user address space in megabytes (2^47 bytes, or the RLIMIT_AS limit when lower). */
MUR_API int32_t MUR_GetTotalVirMemory(void);
/** @brief The address space not yet mapped by the process (VmSize) in megabytes. */
MUR_API int32_t MUR_GetAvailVirMemory(void);

/**
 * @brief Sets the view zoom used by MUR_Render: the scale pair (n, s).
 * @param scaleInt  n; @param scale  s. s == n draws 1:1, s > n reduces by s,
 *        s < n magnifies n times (n >= 1). Stored as given; no check.
 */
MUR_API void MUR_SetScale(int32_t scaleInt, float scale);

/** @brief Stores the view's scroll offset in image pixels (x, y). No check. */
MUR_API void MUR_SetOffset(int32_t x, int32_t y);

/**
 * @brief Sets the size of the host's view in output pixels: MUR_Render cuts
 * its output to it. No check.
 */
MUR_API void MUR_SetViewSize(int32_t width, int32_t height);

/** @brief Stores an area of interest (four values, as given); nothing reads it yet. */
MUR_API void MUR_SetAOI(int32_t a, int32_t b, int32_t c, int32_t d);

/**
 * @brief Seeds the engine's random generator: grit, colour variation and
 * random patterns repeat for the same seed and the same calls.
 * @param seed  any value. MUR_SetTool reseeds from it on every call.
 */
MUR_API void MUR_SetRandomSeed(int32_t seed);

/**
 * @brief The engine-wide transparency lock: while on (flag != 0, low byte),
 * dabs and paint-layer merges keep the alpha of the layer they change.
 */
MUR_API void MUR_SetAlphaLocked(int32_t flag);

/** @brief Tracing on (1) or off (0): the view averages in the trace image (slot 0). Low byte used. */
MUR_API void MUR_SetTracingMode(int32_t flag);

/**
 * @brief Sets the start folder, under which script output files are written.
 * @param path  a NUL-terminated path, copied; NULL, or 1024 bytes and longer, is ignored.
 */
MUR_API void MUR_SetStartDir(const char* path);

/** @brief The system data folder: "/usr/share" (a static string; do not free). */
MUR_API const char* MUR_GetDirInfo(void);

/**
 * @brief Renames a file; never replaces an existing file.
 * @param oldPath, newPath  NUL-terminated paths; NULL or "" fails.
 * @return 1 on success, 0 when either path is missing, newPath exists or the rename fails.
 */
MUR_API int32_t MUR_RenameFile(const char* oldPath, const char* newPath);

/**
 * @brief Copies count bytes from source to destination; the two may overlap.
 * @param destination, source  host or engine buffers of at least count bytes.
 * @param count  bytes; 0 or less, or a NULL pointer, copies nothing.
 */
MUR_API void MUR_Memcpy(void* destination, const void* source, int32_t count);

/** @brief The address of a pointer as an integer (for hosts without pointers). */
MUR_API intptr_t BankAdrs(const void* pointer);

/**
 * @brief Samples 100 points of the smooth curve through three points
 * (x0, y0), (x1, y1), (x2, y2), for MUR_GetSplinePointX / Y.
 * @param unused  ignored.
 * @par Last error
 * "CalcSpline3 Excpt" on a fault; the former curve is then kept.
 */
MUR_API void MUR_CalcSpline3(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t unused);

/** @brief Number of points of the last curve: 100, or 0 before the first MUR_CalcSpline3. */
MUR_API int32_t MUR_GetSplinePointCount(void);

/**
 * @brief X of point index of the last curve, truncated toward zero and
 * clamped to the int32_t range.
 * @param index  0..99; any other value (negative ones included) reads the last point.
 * @return the coordinate; 0 without a curve.
 */
MUR_API int32_t MUR_GetSplinePointX(int32_t index);

/** @brief Y of point index of the last curve; as MUR_GetSplinePointX. */
MUR_API int32_t MUR_GetSplinePointY(int32_t index);

/** @brief Accepted and ignored (grid display is the host's). */
MUR_API void MUR_SetGrid(int32_t value);

/** @brief Accepted and ignored. */
MUR_API void MUR_SetGridSpacing(int32_t value);

/** @} */

/**
 * @defgroup alloc Allocation
 * @brief Memory blocks from the engine's heap for the host.
 * @{
 */

/**
 * @brief Allocates a zeroed block; when memory runs out it gives up undo
 * history, oldest first, and tries again before failing.
 * @param bytes  size in bytes; negative fails at once without touching history.
 * @return the block, owned by the host until MUR_Free; NULL when it cannot be had
 *         (no last-error text is left).
 */
MUR_API void* MUR_Alloc(int32_t bytes);

/**
 * @brief Releases a block of MUR_Alloc. NULL is ignored.
 * @param pointer  a block from MUR_Alloc; each block is released once only
 *        (a second release of the same block is not detected reliably).
 * @par Last error
 * "Free Excpt" when pointer does not carry the header of an engine block
 * (memory the engine never handed out); nothing is freed then.
 */
MUR_API void MUR_Free(void* pointer);

/** @} */

/**
 * @defgroup layers Layers
 * @brief The 272 layer slots: creating, choosing, options, order, alpha and texture.
 *
 * Slot 0 is the trace image, slot 1 the background, slots 2..271 the
 * layers above it in order. A slot "holds pixels" once MUR_CreateLayer
 * made it; the other calls ignore slots outside 0..271 and slots without
 * pixels. A new slot is invisible with opacity 0 until MUR_SetLayerOptions.
 *
 * Blend mode names (exact, case-sensitive; anything else is "Normal"):
 * colour modes 0..30 "Normal", "Multiply", "Screen", "Darken", "Lighten",
 * "Difference", "Negation", "Exclusion", "AND", "OR", "XOR", "Overlay",
 * "Hard Light", "Soft Light", "Dodge", "Burn", "Reflect", "Glow", "Add",
 * "Subtract", "Color", "Hard Color", "Colorize", "HSL Hue", "HSL Sat",
 * "HSL Lum", "HSL Color", "Texturize", "Texturize2", "Texturize3",
 * "Silhoulette"; alpha and mask modes 32..53 "Alpha Normal",
 * "Alpha Filter", "Alpha Black Outline", "Alpha Outline Tint 1",
 * "Alpha Outline Tint 2", "Alpha Invert", "Alpha Shader",
 * "Alpha Shader Color", "Alpha Shader Texture2", "Alpha Highlight Texture2",
 * "Alpha Smooth", "Alpha Smooth2", "Alpha Smooth Lum", "Alpha Smooth Lum2",
 * "Alpha Smooth Lum3", "Alpha Smooth Lum4", "Alpha Smooth Lum5",
 * "Alpha Overlay Outline", "Alpha Highlight", "Layer Mask",
 * "Luminance Alpha", "Luminance Alpha Invert".
 * @{
 */

/**
 * @brief Creates the pixels of a slot, or clears them: slot 1 opaque white,
 * every other slot transparent (all zero).
 *
 * A slot that already holds pixels of the same size is cleared in place; of
 * another size, its pixels are replaced. The slot's options (visibility,
 * opacity, mode) are kept. Allocation gives up undo history before failing.
 * @param slot  0..271.
 * @param width, height  the layer's size in pixels, 0..262144 each; usually the image's.
 * @return 1 on success; 0 for a slot or size out of range or when memory
 *         cannot be had (the slot then holds no pixels).
 * @par Last error
 * "CreateLayer Excpt" on a fault.
 */
MUR_API int32_t MUR_CreateLayer(int32_t slot, int32_t width, int32_t height);

/**
 * @brief Releases the pixels of a slot (its options stay).
 * @param slot  0..271; others are ignored. Deleting the current layer leaves no current pixels until MUR_SetLayer.
 * @par Last error
 * "DeleteLayer Excpt" on a fault.
 */
MUR_API void MUR_DeleteLayer(int32_t slot);

/**
 * @brief Makes a slot that holds pixels the current layer: where dabs without
 * a paint layer, loads, clears and filters go. Also copies it and the mask
 * into the undo back buffers (the state the next undo step returns to).
 * @param slot  a slot holding pixels; any other value is ignored.
 * @par Last error
 * "SetLayer Excpt" on a fault.
 */
MUR_API void MUR_SetLayer(int32_t slot);

/**
 * @brief Sets a slot's options.
 * @param slot  0..271 (need not hold pixels).
 * @param visible  1 shown in the composite and the view, 0 hidden.
 * @param alphaLocked  1 keeps the layer's alpha when it is painted or loaded.
 * @param opacityPercent  0..100, stored as truncate(percent x 2.56) clamped to 0..256.
 * @param modeName  a blend mode name (see the group); NULL, unknown names and
 *        names of 50 bytes or more are "Normal".
 * @par Last error
 * "SetLayerOptions Excpt" on a fault.
 */
MUR_API void MUR_SetLayerOptions(int32_t slot, int32_t visible, int32_t alphaLocked, int32_t opacityPercent, const char* modeName);

/**
 * @brief Exchanges two slots: pixels, size and options. Both must be 0..271.
 * @par Last error
 * "SwapLayers Excpt" on a fault.
 */
MUR_API void MUR_SwapLayers(int32_t slotA, int32_t slotB);

/** @brief The current slot (0 before the first MUR_SetLayer). */
MUR_API int32_t MUR_GetLayerNum(void);

/** @brief Number of slots holding pixels. */
MUR_API int32_t MUR_GetLayerCount(void);

/**
 * @brief Sets every alpha of a layer to one 16-bit value.
 * @param slot  a slot holding pixels. @param alpha  clamped to 0..65535.
 * @par Last error
 * "SetLayerAlpha Excpt" on a fault.
 */
MUR_API void MUR_SetLayerAlpha(int32_t slot, int32_t alpha);

/**
 * @brief Folds a layer's opacity into its alpha (alpha = opacity x alpha / 256)
 * and sets the opacity to full (256). Layers with an alpha or mask mode are left alone.
 * @par Last error
 * "NormalizeLayerAlpha Excpt" on a fault.
 */
MUR_API void MUR_NormalizeLayerAlpha(int32_t slot);

/**
 * @brief Inverts every alpha of a layer (65535 - alpha).
 * @par Last error
 * "InvertAlpha Excpt" on a fault.
 */
MUR_API void MUR_InvertAlpha(int32_t slot);

/**
 * @brief Inverts the alpha bytes (255 - alpha) of an image-sized RGBA32 buffer.
 * @param image  the host's buffer of width x height x 4 bytes; NULL is ignored.
 * @par Last error
 * "InvertAlpha_RGBA32 Excpt" on a fault.
 */
MUR_API void MUR_InvertAlpha_RGBA32(uint8_t* image);

/**
 * @brief Opacity of the alpha blend modes, in percent (clamped to 0..100;
 * stored as 16 bits, 100 = 65535).
 */
MUR_API void MUR_SetAlphaLayerOpacity(int32_t percent);

/**
 * @brief Turns a layer's brightness into a blob: colour pulled to mid-gray
 * (mode 1 by each pixel's distance from mid-level, any other mode to 32767
 * flat) and, where alpha is above 8191, alpha = brightness x 0.843 + 10239.
 * @par Last error
 * "CreateBlobFromImage Excpt" on a fault.
 */
MUR_API void MUR_CreateBlobFromImage(int32_t slot, int32_t mode);

/**
 * @brief Makes the 8-bit texture plane (image-sized, values 4..250) from a
 * layer's brightness; pixels beyond a smaller layer count as 4. Dabs,
 * masked loads and filters are tempered by it.
 * @param slot  a slot holding pixels.
 * @return the image width; 0 for a slot without pixels or when memory cannot be had.
 * @par Last error
 * "CreateTexture Excpt" on a fault.
 */
MUR_API int32_t MUR_CreateTexture(int32_t slot);

/**
 * @brief Releases the texture plane: nothing is tempered by it any more.
 * @par Last error
 * "DeleteTexture Excpt" on a fault.
 */
MUR_API void MUR_DeleteTexture(void);

/** @} */

/**
 * @defgroup dabs Grit dabs
 * @brief Painting one dab of the current brush.
 * @{
 */

/**
 * @brief Paints one dab of the current brush centred at (x, y).
 *
 * The brush shape goes through grit, the tool's alpha, the texture and the mask, mixed with
 * the tool's mix mode, into the paint layer when there is one
 * (MUR_CreatePaintLayer), else into the current layer; into the mask when
 * MUR_SetMaskMakerOn was called. A tool that picks up paint mixes the
 * selected blend buffer in. Widens the undo dirty rectangle and the paint
 * layer's extents. Clears the one-shot flags (MUR_TempDisableBlend,
 * MUR_SetMaskMakerOn, MUR_SetEraseModeOn) afterwards.
 * @param x, y  the dab's centre in image pixels; the dab is clipped to the image.
 * @param r, g, b  the colour in 16 bits; only the high bytes count (pass the
 *        8-bit colour shifted left by 8). It becomes the tool's colour.
 * @return 1 when pixels were painted; 0 when nothing was: no target layer,
 *         no brush (MUR_SetTool and MUR_SetSize first), the dab wholly
 *         outside the image, or a target smaller than the image.
 * @par Last error
 * "DrawDabGrit Excpt" on a fault.
 */
MUR_API int32_t MUR_DrawDabGrit(int32_t x, int32_t y, int32_t r, int32_t g, int32_t b);

/**
 * @brief Paints one dab of the current brush into the mask at (x, y): the
 * mask value from the tool colour's gray (black editable, white protected),
 * or the alpha level (MUR_SetAlphaLevel) when above 0.
 * @return 1 when mask values were written, 0 when none were (no mask, no brush, outside the image).
 * @par Last error
 * "DrawDabGritMask Excpt" on a fault.
 */
MUR_API int32_t MUR_DrawDabGritMask(int32_t x, int32_t y);

/** @} */

/**
 * @defgroup loads Layer pixels: loading
 * @brief Host pictures into layers.
 *
 * Strides are in bytes from one row's start to the next. 8-bit values become
 * 16-bit by a shift of 8. "Masked" loads are weighted by the texture plane
 * and by the mask while it is enabled: where the weight is 0 the layer keeps
 * its pixel, where it is full the picture's pixel is taken, in between the
 * two are mixed. A layer's transparency lock (MUR_SetLayerOptions) keeps its
 * alpha. Loads of more than 1000 pixels run on the OpenMP team. Only the
 * part of the picture that lands on the layer is read and written.
 * @{
 */

/**
 * @brief Loads an RGBA32 picture into the rectangle (x, y, w, h) of a layer;
 * the picture's first pixel lands on (x, y), the rectangle is clipped to the layer.
 *
 * Unmasked, a picture pixel of alpha 0 makes the layer pixel all zero.
 * @param src  h rows of w RGBA32 pixels, stride bytes apart; NULL is ignored.
 * @param stride  bytes per row of src (at least w x 4).
 * @param layer  a slot holding pixels. @param x, y, w, h  the rectangle in layer pixels.
 * @param masked  1 (low byte) weights the load by texture and mask.
 * @par Last error
 * "LoadRGBA32Layer Excpt" on a fault.
 */
MUR_API void MUR_LoadRGBA32Layer(const uint8_t* src, int32_t stride, int32_t layer, int32_t x, int32_t y, int32_t w, int32_t h, int32_t masked);

/**
 * @brief Loads an image-sized RGBA32 picture into the current layer (where
 * the layer and the image overlap), as MUR_LoadRGBA32Layer.
 * @param src  image height rows, stride bytes apart. @param masked  1 weights by texture and mask.
 * @par Last error
 * "LoadRGBA32 Excpt" on a fault.
 */
MUR_API void MUR_LoadRGBA32(const uint8_t* src, int32_t stride, int32_t masked);

/** @brief MUR_LoadRGBA32Layer with masked = 1.
 * @par Last error
 * "LoadRGBA32Layer Excpt" on a fault.
 */
MUR_API void MUR_LoadRGBA32Into(const uint8_t* src, int32_t stride, int32_t layer, int32_t x, int32_t y, int32_t w, int32_t h);

/**
 * @brief Loads the colour of an image-sized RGB24 picture into the current
 * layer; alpha is left as it is.
 * @param src  image height rows of R, G, B bytes, stride bytes apart. @param masked  1 weights by texture and mask.
 * @par Last error
 * "LoadRGB24 Excpt" on a fault.
 */
MUR_API void MUR_LoadRGB24(const uint8_t* src, int32_t stride, int32_t masked);

/**
 * @brief Loads a picture of B, G, R bytes into the current layer, opaque
 * (alpha 65535), from its top-left corner.
 * @param srcBGR  h rows of w pixels, stride bytes apart. @param w, h  the picture's size; only the part inside the image and the layer is read.
 * @par Last error
 * "Load Excpt" on a fault.
 */
MUR_API void MUR_Load(const uint8_t* srcBGR, int32_t stride, int32_t w, int32_t h);

/**
 * @brief Loads an image-sized RGB24 picture into the current layer's alpha:
 * unmasked, alpha = the mean of R, G and B; masked, the red byte weighted by
 * texture and mask. Colour is left as it is.
 * @par Last error
 * "LoadRGB24ToAlpha Excpt" on a fault.
 */
MUR_API void MUR_LoadRGB24ToAlpha(const uint8_t* src, int32_t stride, int32_t masked);

/**
 * @brief Copies RGBA64 pixels into a layer as they are (no weighting, no lock),
 * where the layer and the image overlap.
 * @param src  rows of RGBA64 pixels, stride bytes apart, covering that area. @param layer  a slot holding pixels.
 * @par Last error
 * "SetRGBA64Layer Excpt" on a fault.
 */
MUR_API void MUR_SetRGBA64Layer(const uint16_t* src, int32_t stride, int32_t layer);

/**
 * @brief Copies a raw pixel block over a layer: the layer's width x height x 4
 * values, rows without gaps.
 * @param src  at least layer width x height x 8 bytes. @param layer  a slot holding pixels.
 * @par Last error
 * "SetLayerData Excpt" on a fault.
 */
MUR_API void MUR_SetLayerData(const uint16_t* src, int32_t layer);

/**
 * @brief Copies one layer's pixels onto another; layers of different sizes
 * share their common top-left part. The same slot twice does nothing.
 * @par Last error
 * "CopyLayerData Excpt" on a fault.
 */
MUR_API void MUR_CopyLayerData(int32_t fromLayer, int32_t toLayer);

/**
 * @brief Loads a layer from a zlib stream of its RGBA32 pixels (as
 * MUR_GetRGBA32LayerCompressed writes it), unmasked.
 * @param src  the stream, srcLength bytes. @param reserved  ignored.
 * @param srcLength  bytes in src; 0 or less does nothing.
 * @param layer  a slot holding pixels. Only a stream that inflates to exactly
 *        width x height x 4 bytes is loaded; a short, long or corrupt one leaves the layer as it was.
 * @par Last error
 * "LoadRGBA32LayerCompressed Excpt" on a fault.
 */
MUR_API void MUR_LoadRGBA32LayerCompressed(const uint8_t* src, int32_t reserved, int32_t srcLength, int32_t layer);

/**
 * @brief An earlier form of the RGBA32 load kept for old hosts: clears the
 * current layer (masked) to transparent, then merges an image-sized RGBA32
 * picture into the given layer in "Normal" mode; with masked (low byte) the
 * picture's alpha is first weighted by mask and texture in place.
 * @param src  an image-sized RGBA32 picture (modified when masked).
 * @param reserved  ignored. @param layer  a slot holding pixels.
 * @param width, height  the picture's size for the weighting; the merge reads image-sized.
 * @par Last error
 * "LoadRGBA32Layer Excpt" on a fault.
 */
MUR_API void MUR_LoadRGBA32Layer_BAD(uint8_t* src, int32_t reserved, int32_t layer, int32_t width, int32_t height, int32_t masked);

/** @} */

/**
 * @defgroup reads Layer pixels: reading
 * @brief Layers into host buffers.
 *
 * The 8-bit forms take the high byte of each 16-bit value. Whole-layer reads
 * cover the part of the layer inside the image; the host's buffer must hold
 * that many rows at its stride. Reads of more than 1000 pixels run on the
 * OpenMP team.
 * @{
 */

/**
 * @brief Reads a layer as RGBA32.
 * @param dst  rows of RGBA32, stride bytes apart; NULL is ignored. @param layer  a slot holding pixels.
 * @par Last error
 * "GetRGBA32Layer Excpt" on a fault.
 */
MUR_API void MUR_GetRGBA32Layer(uint8_t* dst, int32_t stride, int32_t layer);

/** @brief Reads the current layer as RGBA32 (as MUR_GetRGBA32Layer).
 * @par Last error
 * "GetRGBA32Layer Excpt" on a fault.
 */
MUR_API void MUR_GetRGBA32(uint8_t* dst, int32_t stride);

/**
 * @brief Reads a layer's colour as RGB24 (R, G, B bytes).
 * @par Last error
 * "GetRGB24Layer Excpt" on a fault.
 */
MUR_API void MUR_GetRGB24Layer(uint8_t* dst, int32_t stride, int32_t layer);

/** @brief Reads the current layer's colour as RGB24.
 * @par Last error
 * "GetRGB24 Excpt" on a fault.
 */
MUR_API void MUR_GetRGB24(uint8_t* dst, int32_t stride);

/** @brief Reads the current layer's alpha as gray RGB24 (the alpha byte three times).
 * @par Last error
 * "GetRGB24FromAlpha Excpt" on a fault.
 */
MUR_API void MUR_GetRGB24FromAlpha(uint8_t* dst, int32_t stride);

/**
 * @brief Copies the rectangle (x, y, w, h) of a layer as RGBA64 into dst,
 * whose first pixel is the rectangle's top-left; the part of the rectangle
 * outside the layer leaves dst as it was.
 * @param dst  h rows of w RGBA64 pixels, stride bytes apart (at least w x 8).
 * @param layer  a slot holding pixels. @param w, h  0 or less does nothing.
 * @par Last error
 * "GetRGBA64LayerRect Excpt" on a fault.
 */
MUR_API void MUR_GetRGBA64LayerRect(uint16_t* dst, int32_t stride, int32_t layer, int32_t x, int32_t y, int32_t w, int32_t h);

/**
 * @brief Copies the image-sized rectangle (0, 0, width, height) of a layer as
 * RGBA64 (MUR_GetRGBA64LayerRect).
 * @param dst  image height rows of image width RGBA64 pixels, stride bytes apart.
 * @par Last error
 * "GetRGBA64LayerRect Excpt" on a fault.
 */
MUR_API void MUR_GetRGBA64Layer(uint16_t* dst, int32_t stride, int32_t layer);

/**
 * @brief Copies a layer's raw pixel block: width x height x 4 values, rows without gaps.
 * @param dst  at least layer width x height x 8 bytes.
 * @par Last error
 * "GetLayerData Excpt" on a fault.
 */
MUR_API void MUR_GetLayerData(uint16_t* dst, int32_t layer);

/**
 * @brief Compresses a layer's RGBA32 form (width x height x 4 bytes) into a
 * zlib stream, for MUR_LoadRGBA32LayerCompressed.
 * @param dst  capacity bytes. @param reserved  ignored.
 * @param capacity  bytes available in dst; 0 or less gives 0.
 * @param layer  a slot holding pixels. @param level  zlib level 0..9; other values the default.
 * @return bytes written; 0 when the stream does not fit, the layer is empty or memory cannot be had.
 * @par Last error
 * "GetRGBA32Layer Excpt" on a fault.
 */
MUR_API int32_t MUR_GetRGBA32LayerCompressed(uint8_t* dst, int32_t reserved, int32_t capacity, int32_t layer, int32_t level);

/** @} */

/**
 * @defgroup linecodes Line codes
 * @brief Run-length codes of layer and mask rows.
 *
 * RGBA32 line code: 5-byte records (run 1..255, then the R, G, B, A high
 * bytes). G8 line code: 2-byte records (run 1..255, then the high byte).
 * An encoder writes at most 5 (RGBA) or 2 (G8) bytes per pixel. A decoder
 * reads records until the row is full, at most one per pixel; a run of 0
 * writes nothing. None of these calls sets the last-error text.
 * @{
 */

/**
 * @brief Encodes one row of a layer (the part inside the image).
 * @param dst  at least 5 x min(image width, layer width) bytes. @param row  0..height-1 of both image and layer.
 * @return bytes written; 0 for a bad slot, row or NULL dst.
 */
MUR_API int32_t MUR_GetRGBA32LayerLineRLE(uint8_t* dst, int32_t layer, int32_t row);

/** @brief Decodes an RGBA32 line code into one row of a layer; bad slot, row or NULL src do nothing. */
MUR_API void MUR_PutRGBA32LayerLineRLE(const uint8_t* src, int32_t layer, int32_t row);

/**
 * @brief Encodes one row of the mask as a G8 line code.
 * @param dst  at least 2 x image width bytes. @return bytes written; 0 without a mask, for a row outside the image or NULL dst.
 */
MUR_API int32_t MUR_GetMaskLineRLE(uint8_t* dst, int32_t row);

/** @brief Decodes a G8 line code into one row of the mask. */
MUR_API void MUR_PutMaskLineRLE(const uint8_t* src, int32_t row);

/**
 * @brief Encodes pixels RGBA64 values as an RGBA32 line code.
 * @param src  pixels x 4 values. @param dst  at least 5 x pixels bytes. @return bytes written; 0 for NULL or pixels <= 0.
 */
MUR_API int32_t MUR_RLECompressRGBA64ToRGBA32(const uint16_t* src, uint8_t* dst, int32_t pixels);

/** @brief Decodes an RGBA32 line code into pixels RGBA64 pixels (dst: pixels x 8 bytes). */
MUR_API void MUR_RLEUncompressRGBA32ToRGBA64(const uint8_t* src, uint16_t* dst, int32_t pixels);

/** @brief Encodes samples G16 values as a G8 line code (dst: at least 2 x samples bytes). @return bytes written. */
MUR_API int32_t MUR_RLECompressG16ToG8(const uint16_t* src, uint8_t* dst, int32_t samples);

/** @brief Decodes a G8 line code into samples G16 values. */
MUR_API void MUR_RLEUncompressG8ToG16(const uint8_t* src, uint16_t* dst, int32_t samples);

/** @} */

/**
 * @defgroup conversions Pixel conversions
 * @brief RGBA64 buffers into 8-bit forms (high bytes). None sets the last-error text.
 * @{
 */

/**
 * @brief Narrows the rectangle (x, y, w, h) of an image-sized RGBA64 buffer to
 * RGBA32; the rectangle is clipped to the image (a negative corner moves to 0).
 * @param src  the RGBA64 buffer, stridePixels pixels per row.
 * @param reserved  ignored. @param dst  the clipped w x h pixels, rows without gaps.
 */
MUR_API void MUR_RGBA64RectToRGBA32(const uint16_t* src, int32_t x, int32_t y, int32_t w, int32_t h, int32_t stridePixels, int32_t reserved, uint8_t* dst);

/** @brief As MUR_RGBA64RectToRGBA32, writing R, G, B (3 bytes per pixel). */
MUR_API void MUR_RGBA64RectToRGBA24(const uint16_t* src, int32_t x, int32_t y, int32_t w, int32_t h, int32_t stridePixels, int32_t reserved, uint8_t* dst);

/**
 * @brief Narrows w x h RGBA64 pixels to RGBA32, from the first pixel of src.
 * @param dstStride, srcStride  bytes per row. The x and y arguments are ignored.
 * @return 1; 0 when dst or src is NULL.
 */
MUR_API int32_t MUR_GetRGBA32FromRGBA64Rect(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride, int32_t x, int32_t y, int32_t w, int32_t h);

/** @brief As MUR_GetRGBA32FromRGBA64Rect, writing RGB24. */
MUR_API int32_t MUR_GetRGB24FromRGBA64Rect(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride, int32_t x, int32_t y, int32_t w, int32_t h);

/** @brief MUR_GetRGBA32FromRGBA64Rect of w x h pixels. */
MUR_API int32_t MUR_GetRGBA32FromRGBA64(uint8_t* dst, int32_t dstStride, int32_t w, int32_t h, const uint16_t* src, int32_t srcStride);

/** @brief MUR_GetRGB24FromRGBA64Rect of the image's size. */
MUR_API int32_t MUR_GetRGB24FromRGBA64(uint8_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride);

/** @} */

/**
 * @defgroup clears Clears and fills
 * @brief Filling layers and host buffers with one colour.
 * @{
 */

/**
 * @brief Fills the whole current layer with one colour.
 * @param r, g, b, a  8-bit values (low byte used), widened by a shift of 8.
 * @par Last error
 * "Clear Excpt" on a fault.
 */
MUR_API void MUR_Clear(int32_t r, int32_t g, int32_t b, int32_t a);

/**
 * @brief Fills the current layer with one colour weighted by the mask while
 * it is enabled: fully where editable, not at all where protected, mixed in
 * between (alpha then becomes opaque). Beyond the image the fill is full.
 * @param r, g, b, a  8-bit values.
 * @par Last error
 * "ClearMasked Excpt" on a fault.
 */
MUR_API void MUR_ClearMasked(int32_t r, int32_t g, int32_t b, int32_t a);

/**
 * @brief Fills the current layer through the masked RGBA32 load (texture,
 * mask and the layer's transparency lock apply); without an enabled mask and
 * without a lock, as MUR_Clear.
 * @param r, g, b, a  8-bit values.
 * @par Last error
 * "ClearMaskedAlpha Excpt" on a fault.
 */
MUR_API void MUR_ClearMaskedAlpha(int32_t r, int32_t g, int32_t b, int32_t a);

/**
 * @brief Fills an image-sized RGBA64 buffer with one colour.
 * @param dst  image height rows, stride bytes apart; NULL is ignored. @param r, g, b, a  16-bit values (low 16 bits used).
 */
MUR_API void MUR_ClearRGBA64(uint16_t* dst, int32_t stride, int32_t r, int32_t g, int32_t b, int32_t a);

/**
 * @brief Fills an image-sized RGBA32 buffer with one colour.
 * @param dst  image height rows, stride bytes apart; NULL is ignored. @param r, g, b, a  8-bit values (low byte used).
 */
MUR_API void MUR_ClearRGBA32(uint8_t* dst, int32_t stride, int32_t r, int32_t g, int32_t b, int32_t a);

/**
 * @brief Fills a w x h RGBA32 buffer (rows without gaps) with one colour.
 * @param dst  w x h x 4 bytes; NULL, w <= 0 or h <= 0 does nothing. @param r, g, b, a  8-bit values.
 */
MUR_API void MUR_ClearRGBA32Buf(uint8_t* dst, int32_t w, int32_t h, int32_t r, int32_t g, int32_t b, int32_t a);

/** @} */

/**
 * @defgroup pixels Single pixels
 * @brief Reading one pixel from the named sources: the current layer
 * (Surface), a layer by slot, the undo back buffer (UnderLayer, History)
 * and the trace image (slot 0). None sets the last-error text.
 *
 * The GetRGBAAt family returns 0xRRGGBBAA from high bytes, with the
 * coordinates clamped into the source; 0 when the source has no pixels.
 * The GetColorAt family returns 0xAARRGGBB, 0x00FFFFFF (transparent white)
 * outside the source and 0 when it has no pixels.
 * @{
 */

/** @brief Red of the current layer at (x, y), 16 bits; 0 outside the image or the layer, or without a current layer. */
MUR_API int32_t MUR_GetRed64(int32_t x, int32_t y);
/** @brief Green of the current layer at (x, y), 16 bits; as MUR_GetRed64. */
MUR_API int32_t MUR_GetGreen64(int32_t x, int32_t y);
/** @brief Blue of the current layer at (x, y), 16 bits; as MUR_GetRed64. */
MUR_API int32_t MUR_GetBlue64(int32_t x, int32_t y);
/** @brief Alpha of the current layer at (x, y), 16 bits; as MUR_GetRed64. */
MUR_API int32_t MUR_GetAlpha64(int32_t x, int32_t y);

/**
 * @brief 0xRRGGBBAA of an image-sized RGBA64 buffer of the host at (x, y), clamped into the image.
 * @param imageRGBA64  width x height RGBA64 pixels, rows without gaps; NULL gives 0.
 */
MUR_API uint32_t MUR_GetRGBAAt(int32_t x, int32_t y, const uint16_t* imageRGBA64);
/** @brief 0xRRGGBBAA of the current layer at (x, y), clamped into the layer. */
MUR_API uint32_t MUR_GetRGBAAtSurface(int32_t x, int32_t y);
/** @brief 0xRRGGBBAA of the undo colour back buffer at (x, y), clamped into the image. */
MUR_API uint32_t MUR_GetRGBAAtUnderLayer(int32_t x, int32_t y);
/** @brief 0xRRGGBBAA of the trace image (slot 0) at (x, y), clamped into it. */
MUR_API uint32_t MUR_GetRGBAAtTrace(int32_t x, int32_t y);
/** @brief 0xRRGGBBAA of a layer at (x, y), clamped into it; 0 for a slot without pixels. */
MUR_API uint32_t MUR_GetRGBAAtLayer(int32_t x, int32_t y, int32_t layer);

/**
 * @brief 0xAARRGGBB of an image-sized RGBA64 buffer of the host at (x, y); 0x00FFFFFF outside the image.
 * @param imageRGBA64  width x height RGBA64 pixels, rows without gaps; NULL gives 0.
 */
MUR_API uint32_t MUR_GetColorAt(int32_t x, int32_t y, const uint16_t* imageRGBA64);
/** @brief 0xAARRGGBB of the current layer at (x, y). */
MUR_API uint32_t MUR_GetColorAtSurface(int32_t x, int32_t y);
/** @brief 0xAARRGGBB of the undo colour back buffer at (x, y). */
MUR_API uint32_t MUR_GetColorAtUnderLayer(int32_t x, int32_t y);
/** @brief 0xAARRGGBB of the trace image (slot 0) at (x, y). */
MUR_API uint32_t MUR_GetColorAtTrace(int32_t x, int32_t y);
/** @brief 0xAARRGGBB of a layer at (x, y); 0 for a slot without pixels. */
MUR_API uint32_t MUR_GetColorAtLayer(int32_t x, int32_t y, int32_t layer);
/** @brief 0xAARRGGBB of the undo back buffer at (x, y) while an undo step exists; 0 without one. */
MUR_API uint32_t MUR_GetColorAtHistory(int32_t x, int32_t y);

/** @} */

/**
 * @defgroup queries Layer queries
 * @brief Extents and properties of a layer's pixels.
 * @{
 */

/**
 * @brief The inclusive bounding box of a layer's pixels with alpha != 0,
 * inside the image.
 * @param layer  a slot holding pixels; otherwise the outputs are not written.
 * @param left, top, right, bottom  out: the box; (image width, image height, 0, 0)
 *        when no pixel counts. Each may be NULL.
 * @par Last error
 * "FindDataExtentsLayer Excpt" on a fault.
 */
MUR_API void MUR_FindDataExtentsLayer(int32_t layer, int32_t* left, int32_t* top, int32_t* right, int32_t* bottom);

/**
 * @brief As MUR_FindDataExtentsLayer, counting the pixels that differ from
 * the layer's top-left pixel (alpha != 0 when that pixel is transparent).
 * @par Last error
 * "FindDataExtentsLayerEX Excpt" on a fault.
 */
MUR_API void MUR_FindDataExtentsLayerEX(int32_t layer, int32_t* left, int32_t* top, int32_t* right, int32_t* bottom);

/** @brief 1 when any alpha of the layer is below 65280, or the slot has no pixels; 0 when wholly opaque. */
MUR_API int32_t MUR_IsLayerTransparent(int32_t layer);

/** @brief 1 when every pixel of the layer equals the first one; 0 otherwise or for a slot without pixels. */
MUR_API int32_t MUR_IsSingleColor(int32_t layer);

/** @} */

/**
 * @defgroup merge Layer merge
 * @brief Merging layers into layers and composites into host buffers.
 *
 * Each layer is merged with its blend mode, its opacity (0..256) and, for
 * the alpha and mask modes, the layer mask and the alpha-layer opacity.
 * @{
 */

/**
 * @brief Merges a layer into another with the source's mode, opacity and
 * options; the destination is changed, the source is not.
 * @param sourceLayer, destLayer  different slots holding pixels.
 * @par Last error
 * "MergeLayer Excpt" on a fault.
 */
MUR_API void MUR_MergeLayer(int32_t sourceLayer, int32_t destLayer);

/**
 * @brief Merges the rectangle (x, y, w, h) of a layer into a host RGBA64 buffer.
 * @param dst  w x h RGBA64 pixels, rows without gaps, holding what lies under the layer.
 * @param w, h  0 or less does nothing.
 * @par Last error
 * "MergeLayerIntoRect Excpt" on a fault.
 */
MUR_API void MUR_MergeLayerIntoRect(int32_t layer, uint16_t* dst, int32_t x, int32_t y, int32_t w, int32_t h);

/** @brief MUR_MergeLayerIntoRect over the whole image (dst: image-sized RGBA64).
 * @par Last error
 * "MergeLayerIntoRect Excpt" on a fault.
 */
MUR_API void MUR_MergeLayerInto(int32_t layer, uint16_t* dst);

/**
 * @brief The composite of the image's rectangle (x, y, w, h): the background
 * (slot 1) when visible, then every visible layer 2..271 merged in order.
 * @param dst  w x h RGBA64 pixels, rows without gaps; cleared first.
 * @param w, h  0 or less does nothing.
 * @par Last error
 * "MergeRect Excpt" on a fault.
 */
MUR_API void MUR_MergeRect(uint16_t* dst, int32_t x, int32_t y, int32_t w, int32_t h);

/** @brief MUR_MergeRect of the whole image (dst: image-sized RGBA64).
 * @par Last error
 * "MergeRect Excpt" on a fault.
 */
MUR_API void MUR_Merge(uint16_t* dst);

/**
 * @brief Merges an image-sized RGBA32 picture into a layer with a blend mode id and opacity.
 * @param image  width x height RGBA32 pixels of the image, rows without gaps.
 * @param layer  a slot holding pixels. @param mode  a blend mode id 0..53.
 * @param opacity  0..256 (255 and above is full).
 * @par Last error
 * "MUR_MergeRGBA32Layer Excpt" on a fault.
 */
MUR_API void MUR_MergeRGBA32Layer(const uint8_t* image, int32_t layer, int32_t mode, int32_t opacity);

/**
 * @brief 0xAARRGGBB of the composite (as MUR_MergeRect) at one pixel.
 * @return the colour; 0x00FFFFFF outside the image; 0 when memory cannot be had.
 * @par Last error
 * "MUR_GetColorAtMerged Excpt" on a fault.
 */
MUR_API uint32_t MUR_GetColorAtMerged(int32_t x, int32_t y);

/** @} */

/**
 * @defgroup compositing Paint compositing
 * @brief One pixel through the paint arithmetic.
 * @{
 */

/**
 * @brief Composites a colour into one RGBA64 pixel held by the host, with
 * the arithmetic the view uses to show the paint layer.
 * @param pixR, pixG, pixB, pixA  in and out: the pixel, 16-bit values; any NULL does nothing.
 * @param srcR, srcG, srcB  the colour, 16-bit (larger values count as 65535).
 * @param amount  coverage 0..65535 (larger counts as 65535); 0 leaves a colour-mode pixel as it is.
 * @param mode  a blend mode id 0..53. @param opacity  0..256, clamped.
 * @param alphaLock  1 (low byte) keeps *pixA.
 */
MUR_API void MUR_MergePixel(int32_t* pixR, int32_t* pixG, int32_t* pixB, int32_t* pixA, uint32_t srcR, uint32_t srcG, uint32_t srcB, uint32_t amount, int32_t mode, int32_t opacity, int32_t alphaLock);

/** @} */

/**
 * @defgroup view View
 * @brief Drawing the image for the host's window.
 * @{
 */

/**
 * @brief Draws the image rectangle (x, y, w, h) into a 24-bit B, G, R buffer.
 *
 * It shows the visible layers composited bottom to top with the paint layer shown in
 * the current layer as it will be merged, the trace image averaged in while
 * tracing is on, a checkerboard under transparency and the mask tinted while
 * mask display is on.
 *
 * The scale pair (MUR_SetScale) sets the zoom: s == n draws 1:1; s > n
 * reduces by s (every s-th pixel, no averaging); s < n magnifies n times. The
 * rectangle is cut to the image, then the output to the view size
 * (MUR_SetViewSize; 0 = no cut).
 * @param dst  the host's buffer; it must hold the output rows (h, h / s or
 *        h x n, cut to the view height) of as many pixels (3 bytes each).
 * @param dstStride  bytes from one output row to the next; may be negative
 *        (bottom-up buffers), dst then points at the first row drawn.
 * @return 1 when drawn (also for an empty rectangle); 0 when the current
 *         layer has no pixels or dst is NULL.
 * @par Last error
 * "Render Excpt" on a fault.
 */
MUR_API int32_t MUR_Render(uint8_t* dst, int32_t dstStride, int32_t x, int32_t y, int32_t w, int32_t h);

/** @} */

/**
 * @defgroup paintlayer Paint layer
 * @brief The stroke in progress: an image-sized layer that dabs go into and
 * that is merged into a layer at the end of the stroke.
 * @{
 */

/**
 * @brief Creates the paint layer of a stroke and sets its blend mode, opacity and strength.
 *
 * The layer is image-sized and transparent when made; an existing one is
 * kept with its pixels. From now on MUR_DrawDabGrit paints into it.
 * @param opacityPercent  0..100, stored as 0..256. @param alphaPercent  0..100, the stroke's strength, stored as 0..255.
 * @param modeName  a blend mode name; NULL and unknown names are "Normal".
 * @return the blend mode id; 0 also when the layer cannot be allocated.
 * @par Last error
 * "CreatePaintLayer Excpt" on a fault.
 */
MUR_API int32_t MUR_CreatePaintLayer(int32_t opacityPercent, int32_t alphaPercent, const char* modeName);

/**
 * @brief Clears the paint layer within its extents and empties the extents.
 * @return 1 when cleared, 0 without a paint layer.
 */
MUR_API int32_t MUR_ClearPaintLayer(void);

/** @brief The earlier clear: the whole paint layer set to 0xFFFF, then the extents to 0; the extents emptied. */
MUR_API void MUR_ClearPaintLayer_old(void);

/**
 * @brief Sets the paint layer's extents, the half-open rectangle
 * [left, right) x [top, bottom) that merging and clearing cover. Stored as given.
 */
MUR_API void MUR_SetPaintLayerExtents(int32_t left, int32_t top, int32_t right, int32_t bottom);

/**
 * @brief Merges the stroke (the paint layer's extents) into a layer, then clears the paint layer.
 *
 * The merge uses the paint layer's mode, opacity and strength and keeps the
 * layer's alpha when the current layer or the engine is transparency-locked.
 * Save an undo step afterwards (MUR_SaveUndoBuffer).
 * @param layer  a slot holding pixels; otherwise the stroke stays in the paint layer.
 * @par Last error
 * "MergePaintLayer Excpt" on a fault.
 */
MUR_API void MUR_MergePaintLayer(int32_t layer);

/**
 * @brief Softens the paint layer's alpha edge with a Gaussian blur (alpha of
 * 240/255 and more becomes opaque).
 * @par Last error
 * "BlurPaintLayerAlpha Excpt" on a fault.
 */
MUR_API void MUR_BlurPaintLayerAlpha(void);

/**
 * @brief Exchanges the paint layer with a slot (0..271): pixels, size and options.
 * @par Last error
 * "SwapPaintLayer Excpt" on a fault.
 */
MUR_API void MUR_SwapPaintLayer(int32_t layer);

/**
 * @brief Releases the paint layer: dabs go into the current layer again.
 * @par Last error
 * "DeletePaintLayer Excpt" on a fault.
 */
MUR_API void MUR_DeletePaintLayer(void);

/** @} */

/**
 * @defgroup mask Mask
 * @brief The selection mask: one 16-bit value per image pixel, 65535
 * editable, 0 protected; changes are weighted by it while it is enabled.
 *
 * A masking amount a (0..255, low byte; 255 = fully masked) writes
 * (255 - a) << 8. Gray pictures become masks black = editable, white =
 * protected. Calls without a mask (before MUR_CreateImage) do nothing. Only
 * the calls whose reference names a text set the last-error text.
 * @{
 */

/** @brief Turns weighting by the mask on (1) or off (0). @return the stored flag (low byte of flag). */
MUR_API int32_t MUR_EnableMask(int32_t flag);

/** @brief Turns the tinted display of the mask in MUR_Render on (1) or off (0). @return the stored flag (low byte). */
MUR_API int32_t MUR_DisplayMask(int32_t flag);

/** @brief The next dab (MUR_DrawDabGrit) paints the mask instead of pixels; cleared after that dab and by MUR_SetTool. */
MUR_API void MUR_SetMaskMakerOn(void);

/** @brief The next dab erases (paints transparent); cleared after that dab and by MUR_SetTool. */
MUR_API void MUR_SetEraseModeOn(void);

/**
 * @brief The tints of the mask display: (r1, g1, b1) and (r2, g2, b2), 8-bit
 * values, and full != 0 for a full-strength tint.
 */
MUR_API void MUR_SetMaskOptions(int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2, int32_t full);

/** @brief Inverts the mask (65535 - m). */
MUR_API void MUR_InvertMask(void);

/**
 * @brief Sets the whole mask from one 16-bit gray: the mean of r, g and b
 * (low 16 bits each), black editable, white protected.
 */
MUR_API void MUR_ClearMask(int32_t r, int32_t g, int32_t b);

/** @brief Copies the mask out. @param dst  image width x height G16 values; NULL is ignored. */
MUR_API void MUR_GetMaskData16(uint16_t* dst);

/** @brief Copies a mask in. @param src  image width x height G16 values; NULL is ignored. */
MUR_API void MUR_SetMaskData16(const uint16_t* src);

/**
 * @brief The masking amount at (x, y): 65535 - m.
 * @return the amount; 0 outside the image, while the mask is disabled or without a current layer.
 */
MUR_API int32_t MUR_GetMask64(int32_t x, int32_t y);

/**
 * @brief Writes the mask as a gray RGB24 picture, protected = white.
 * @param dst  image height rows of image width x 3 bytes, stride bytes apart.
 */
MUR_API void MUR_SaveMask(uint8_t* dst, int32_t stride);

/**
 * @brief Reads a gray RGB24 picture into the mask from its top-left corner,
 * black = editable (mean below 1/255 gives 65535), white = protected.
 * @param src  h rows of w x 3 bytes, stride bytes apart; only the part inside the image is read.
 */
MUR_API void MUR_LoadMask(const uint8_t* src, int32_t stride, int32_t w, int32_t h);

/** @brief Replaces the current layer (inside the image) with the mask as opaque gray. */
MUR_API void MUR_CreateImageFromMask(void);

/**
 * @brief Sets the current layer's alpha from the mask (inside the image).
 * @param kind  0 alpha = m, 1 alpha + m (capped), 2 alpha - m (floored); others do nothing.
 */
MUR_API void MUR_CreateAlphaFromMask(int32_t kind);

/** @brief Sets the mask from the current layer's gray (mean of R, G, B). */
MUR_API void MUR_CreateMaskFromImage(void);
/** @brief Sets the mask from the current layer's luma ((3R + 4G + B) / 8). */
MUR_API void MUR_CreateMaskFromImageLuma(void);
/** @brief Sets the mask to the current layer's alpha. */
MUR_API void MUR_CreateMaskFromAlpha(void);

/**
 * @brief Masks (by amount a) the pixels of an image-sized RGBA32 picture
 * whose R, G, B equal (r, g, b) exactly; the rest of the mask is kept.
 * @param image  width x height x 4 bytes of the image; NULL is ignored.
 */
MUR_API void MUR_CreateMaskFromRGBAImageColor(const uint8_t* image, int32_t r, int32_t g, int32_t b, int32_t a);
/** @brief As MUR_CreateMaskFromRGBAImageColor for an image-sized RGB24 picture (width x height x 3 bytes). */
MUR_API void MUR_CreateMaskFromRGB24ImageColor(const uint8_t* image, int32_t r, int32_t g, int32_t b, int32_t a);
/**
 * @brief Masks (by amount a) the pixels of an image-sized RGBA32 picture
 * whose R, G and B are each within truncate(tolerancePercent x 2.56) of (r, g, b).
 */
MUR_API void MUR_CreateMaskFromRGBAImageColorRange(const uint8_t* image, int32_t r, int32_t g, int32_t b, int32_t tolerancePercent, int32_t a);
/** @brief Masks (by amount a) the pixels whose alpha is within truncate(tolerancePercent x 2.56) of alpha (0..255). */
MUR_API void MUR_CreateMaskFromRGBAImageAlphaRange(const uint8_t* image, int32_t alpha, int32_t tolerancePercent, int32_t a);
/** @brief Masks (by amount a) the pixels whose gray (mean of R, G, B) is within truncate(tolerancePercent x 2.56) of that of (r, g, b). */
MUR_API void MUR_CreateMaskFromRGBAImageLuminanceRange(const uint8_t* image, int32_t r, int32_t g, int32_t b, int32_t tolerancePercent, int32_t a);
/** @brief Masks (by amount a) the pixels whose HSV hue is within truncate(tolerance x 1.8) degrees of the hue of (r, g, b), around the circle. */
MUR_API void MUR_CreateMaskFromRGBAImageHueRange(const uint8_t* image, int32_t r, int32_t g, int32_t b, int32_t tolerance, int32_t a);
/**
 * @brief Masks (by amount a) the pixels whose HSL colour is near that of (r, g, b):
 * hue within hueTolerance x 180 degrees, saturation and lightness (0..1) within their tolerances.
 */
MUR_API void MUR_CreateMaskFromRGBAImageHSLRange(const uint8_t* image, int32_t r, int32_t g, int32_t b, double hueTolerance, double saturationTolerance, double lightnessTolerance, int32_t a);
/** @brief Masks (by amount a) the pixels where an image-sized G8 plane holds 1 (a flood-fill result). */
MUR_API void MUR_CreateMaskFromFloodMask(const uint8_t* plane, int32_t a);
/**
 * @brief Sets the mask to value (its low 16 bits) where two image-sized RGBA32 pictures differ.
 * @param first, second  width x height x 4 bytes each; NULL is ignored.
 */
MUR_API void MUR_CreateMaskFromDiff_RGBA32(const uint8_t* first, const uint8_t* second, int32_t value);

/**
 * @brief Combines an image-sized gray RGB24 picture into the mask: each
 * pixel's gray v (mean of R, G, B; with blackOnly == 1, level (low byte)
 * where the pixel is black and 0 elsewhere) changes the mask where v > 0.
 * @param stride  bytes per row of image.
 * @param operation  "Subtract" masks less (m + v<<8, capped); "Replace" sets
 *        65280 - v<<8; any other name, "Add" included, masks more (m - v<<8, floored).
 */
MUR_API void MUR_CombineMask(const uint8_t* image, int32_t stride, int32_t blackOnly, int32_t level, const char* operation);

/**
 * @brief Scales the alpha of an RGBA32 block by the mask: 0 clears, 255 keeps.
 * The inclusive rectangle (x0, y0)-(x1, y1) is in image pixels and the
 * block's first pixel is (x0, y0); only its part inside the image is changed.
 * @param image  rows of RGBA32, stride bytes apart, covering the rectangle.
 */
MUR_API void MUR_ApplyMaskToAlphaRect_RGBA32(uint8_t* image, int32_t stride, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
/** @brief MUR_ApplyMaskToAlphaRect_RGBA32 over an image-sized RGBA32 buffer. */
MUR_API void MUR_ApplyMaskToAlpha_RGBA32(uint8_t* image);

/**
 * @brief In an image-sized RGBA32 buffer, replaces every pixel whose alpha is
 * within truncate(tolerancePercent x 2.56) of alpha by (r, g, b, a) (low bytes).
 */
MUR_API void MUR_ReplaceFromRGBAImageAlphaRange(uint8_t* image, int32_t alpha, int32_t tolerancePercent, int32_t r, int32_t g, int32_t b, int32_t a);

/** @brief Writes the alpha of w x h RGBA32 pixels (src) as gray RGB24 (dst, w x h x 3 bytes). */
MUR_API void MUR_RGBAlphaToRGB(uint8_t* dst, int32_t w, int32_t h, const uint8_t* src);
/** @brief Writes the gray (mean) of w x h RGB24 pixels (src) into the alpha bytes of RGBA32 dst (w x h x 4 bytes). */
MUR_API void MUR_RGBToRGBAlpha(uint8_t* dst, int32_t w, int32_t h, const uint8_t* src);
/** @brief Copies the R, G, B of w x h RGB24 pixels into RGBA32 dst; dst's alpha bytes are kept. */
MUR_API void MUR_RGBToRGBA(uint8_t* dst, int32_t w, int32_t h, const uint8_t* src);
/** @brief Copies the R, G, B of w x h RGBA32 pixels into RGB24 dst. */
MUR_API void MUR_RGBAToRGB(uint8_t* dst, int32_t w, int32_t h, const uint8_t* src);

/**
 * @brief Combines a filled ellipse into the mask, as MUR_CombineMask does a
 * gray picture.
 *
 * The ellipse has radii rx = (max(x0, x1) - min(x0, x1)) / 2 and ry likewise
 * (integer division, each at least 2) and is centred on pixel
 * (min(x0, x1) + rx, min(y0, y1) + ry); it is drawn in the gray
 * a = trunc(strength x 2.559) (strength clamped to 0..100) on a black
 * image-sized picture, its edge pixels gray by the part of their area
 * inside it, and the picture is combined with level a and the operation
 * ("Add", "Subtract", "Replace"; other names as "Add"), black-only when
 * blackOnly is 1. The whole page becomes the undo dirty rectangle.
 * @par Last error
 * "IPLMaskEllipse Excpt" on a fault (no memory: the mask is unchanged).
 */
MUR_API void MUR_IPLMaskEllipse(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t strength, int32_t blackOnly,
                                const char* operation);
/**
 * @brief Combines a filled rectangle into the mask, as MUR_IPLMaskEllipse.
 *
 * The rectangle covers columns min(x0, x1) .. max(x0, x1) - 1 and rows
 * min(y0, y1) .. max(y0, y1) - 1 (the far corner left out), clipped to the
 * image.
 * @par Last error
 * "IPLMaskRectangle Excpt" on a fault (no memory: the mask is unchanged).
 */
MUR_API void MUR_IPLMaskRectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t strength,
                                  int32_t blackOnly, const char* operation);
/**
 * @brief The magic wand: masks the pixels of the current layer that match
 * the one at (x, y), with the masking amount a = trunc(strength x 2.559).
 *
 * With t the tolerance clamped to 0..50000, T = trunc(t x 0.00002f x 195075)
 * a squared R, G, B distance and P = t / 500 a percent, by mode (compared
 * exactly):
 * - "Connected": pixels 4-connected to (x, y) through pixels within T;
 * - "Non-connected": every pixel within T;
 * - "Color Range", "Luminance Range", "Hue Range": as
 *   MUR_CreateMaskFromRGBAImageColorRange and its kin with the clicked
 *   colour and P;
 * - "HSL Range": as MUR_CreateMaskFromRGBAImageHSLRange with t x 0.00002
 *   for all three tolerances;
 * - "Alpha Connected": connected pixels whose alpha byte s has
 *   3 (s - s0)^2 within T, only when the current layer's slot is above 1;
 * - "Alpha Non-connected": as MUR_CreateMaskFromRGBAImageAlphaRange with
 *   the clicked alpha byte and P.
 *
 * Colours compare R, G, B only. A point off the image, an unknown or null
 * mode, or no current layer change nothing. The whole page becomes the undo
 * dirty rectangle.
 * @par Last error
 * "IPLMaskWand Excpt" on a fault (no memory: the mask is unchanged).
 */
MUR_API void MUR_IPLMaskWand(int32_t x, int32_t y, int32_t tolerance, int32_t strength, const char* mode);

/** @} */

/**
 * @defgroup iplbuffers Image processing: buffers
 * @brief Page-sized working copies of the current layer for effects.
 *
 * Source buffers are filled from the current layer when allocated; a buffer
 * of a former page size is replaced. The engine owns them; MUR_NewSize and
 * MUR_DeleteImage release them too.
 * @{
 */

/** @brief Starts the imaging module; the engine's own imaging needs no start-up, so this only records the call. @param ignored  ignored. */
MUR_API void MUR_IPLInit(int32_t ignored);
/** @brief Stops the imaging module (records the call); may be repeated. */
MUR_API void MUR_IPLExit(void);
/** @brief Allocates the RGBA32 source buffer and fills it from the current layer.
 * @par Last error
 * "IPLAllocSrcBuffer32 Excpt" on a fault.
 */
MUR_API void MUR_IPLAllocSrcBuffer32(void);
/** @brief Allocates the RGBA32 destination buffer; a buffer of the right size keeps its contents.
 * @par Last error
 * "IPLAllocDstBuffer32 Excpt" on a fault.
 */
MUR_API void MUR_IPLAllocDstBuffer32(void);
/** @brief Allocates the RGB24 source buffer and fills it from the current layer.
 * @par Last error
 * "IPLAllocSrcBuffer24 Excpt" on a fault.
 */
MUR_API void MUR_IPLAllocSrcBuffer24(void);
/** @brief Allocates the RGB24 destination buffer.
 * @par Last error
 * "IPLAllocDstBuffer24 Excpt" on a fault.
 */
MUR_API void MUR_IPLAllocDstBuffer24(void);
/** @brief Allocates the tools' RGBA32 source buffer and fills it from the current layer.
 * @par Last error
 * "ToolAllocSrcBuffer32 Excpt" on a fault.
 */
MUR_API void MUR_ToolAllocSrcBuffer32(void);
/** @brief Allocates the tools' RGBA32 destination buffer.
 * @par Last error
 * "ToolAllocDstBuffer32 Excpt" on a fault.
 */
MUR_API void MUR_ToolAllocDstBuffer32(void);
/**
 * @brief Copies a page-sized RGBA32 picture into the source buffer.
 * @param image  width x height x 4 bytes; ignored when NULL or when the buffer is not allocated at the page's size.
 * @par Last error
 * "IPLSetSrcBuffer32 Excpt" on a fault.
 */
MUR_API void MUR_IPLSetSrcBuffer32(const uint8_t* image);
/** @brief Copies a page-sized RGBA32 picture into the destination buffer, as MUR_IPLSetSrcBuffer32.
 * @par Last error
 * "IPLSetDstBuffer32 Excpt" on a fault.
 */
MUR_API void MUR_IPLSetDstBuffer32(const uint8_t* image);
/** @brief Refills the RGBA32 source buffer from the current layer.
 * @par Last error
 * "IPLUpdateSrcBuffer32 Excpt" on a fault.
 */
MUR_API void MUR_IPLUpdateSrcBuffer32(void);
/** @brief Releases the RGBA32 source buffer.
 * @par Last error
 * "IPLFreeSrcBuffer32 Excpt" on a fault.
 */
MUR_API void MUR_IPLFreeSrcBuffer32(void);
/** @brief Releases the RGBA32 destination buffer.
 * @par Last error
 * "IPLFreeDstBuffer32 Excpt" on a fault.
 */
MUR_API void MUR_IPLFreeDstBuffer32(void);
/** @brief Releases the RGB24 source buffer.
 * @par Last error
 * "IPLFreeSrcBuffer24 Excpt" on a fault.
 */
MUR_API void MUR_IPLFreeSrcBuffer24(void);
/** @brief Releases the RGB24 destination buffer.
 * @par Last error
 * "IPLFreeDstBuffer24 Excpt" on a fault.
 */
MUR_API void MUR_IPLFreeDstBuffer24(void);
/** @brief Releases the tools' RGBA32 source buffer.
 * @par Last error
 * "ToolFreeSrcBuffer32 Excpt" on a fault.
 */
MUR_API void MUR_ToolFreeSrcBuffer32(void);
/** @brief Releases the tools' RGBA32 destination buffer.
 * @par Last error
 * "ToolFreeDstBuffer32 Excpt" on a fault.
 */
MUR_API void MUR_ToolFreeDstBuffer32(void);
/** @brief Scales the source buffer's alpha by the mask while the mask is enabled (MUR_ApplyMaskToAlpha_RGBA32).
 * @par Last error
 * "ApplyMaskToAlpha_IPLSrcRGBA Excpt" on a fault.
 */
MUR_API void MUR_ApplyMaskToAlpha_IPLSrcRGBA(void);

/** @} */

/**
 * @defgroup framing Image processing: filter framing
 * @brief Preparing RGBA buffers for a filter and finishing them after it.
 * @{
 */

/**
 * @brief Scales the alpha of a width x height RGBA32 block placed at the
 * page's top-left by the filter weight (texture and enabled mask); does
 * nothing when neither applies.
 * @param data  width x height x 4 bytes, rows without gaps.
 * @par Last error
 * "AdjustRGBA32ByMaskAndTexture Excpt" on a fault.
 */
MUR_API void MUR_AdjustRGBA32ByMaskAndTexture(uint8_t* data, int32_t width, int32_t height);
/**
 * @brief As MUR_AdjustRGBA32ByMaskAndTexture for a block placed at page position (x, y);
 * pixels off the page are left. width or height 0 or less does nothing.
 * @par Last error
 * "AdjustRGBA32RectByMaskAndTexture Excpt" on a fault.
 */
MUR_API void MUR_AdjustRGBA32RectByMaskAndTexture(uint8_t* data, int32_t x, int32_t y, int32_t width, int32_t height);
/** @brief Premultiplies width x height RGBA32 pixels by their alpha; alpha 0 and 255 are untouched.
 * @par Last error
 * "AdjustRGBA32PreFilter Excpt" on a fault.
 */
MUR_API void MUR_AdjustRGBA32PreFilter(uint8_t* data, int32_t width, int32_t height);
/** @brief Divides the alpha back out of width x height RGBA32 pixels; alpha 254 becomes 255 (a filter's rounding loss).
 * @par Last error
 * "AdjustRGBA32PostFilter Excpt" on a fault.
 */
MUR_API void MUR_AdjustRGBA32PostFilter(uint8_t* data, int32_t width, int32_t height);
/** @brief Premultiplies width x height RGBA64 pixels by their alpha.
 * @par Last error
 * "AdjustRGBA64PreFilter Excpt" on a fault.
 */
MUR_API void MUR_AdjustRGBA64PreFilter(uint16_t* data, int32_t width, int32_t height);
/** @brief Divides the alpha back out of width x height RGBA64 pixels.
 * @par Last error
 * "AdjustRGBA64PostFilter Excpt" on a fault.
 */
MUR_API void MUR_AdjustRGBA64PostFilter(uint16_t* data, int32_t width, int32_t height);
/**
 * @brief When flag != 0, divides the alpha out of a page-sized RGBA32 picture wherever alpha > 0.
 * @param image  width x height x 4 bytes of the page.
 * @par Last error
 * "AdjustRGBA32ForAlphaComp Excpt" on a fault.
 */
MUR_API void MUR_AdjustRGBA32ForAlphaComp(int32_t flag, uint8_t* image);
/** @brief Sets the R, G, B (low bytes) of width x height RGBA32 pixels; alpha kept.
 * @par Last error
 * "SetColorRGBABuf Excpt" on a fault.
 */
MUR_API void MUR_SetColorRGBABuf(uint8_t* data, int32_t width, int32_t height, int32_t r, int32_t g, int32_t b);
/** @brief Sets the R, G, B of those width x height RGBA32 pixels whose alpha is 0.
 * @par Last error
 * "SetColorAlphaRGBABuf Excpt" on a fault.
 */
MUR_API void MUR_SetColorAlphaRGBABuf(uint8_t* data, int32_t width, int32_t height, int32_t r, int32_t g, int32_t b);

/** @} */

/**
 * @defgroup filters Image processing: native filters
 * @brief The engine's own filters on RGBA32 buffers.
 * @{
 */

/**
 * @brief Runs a native filter by name on RGBA32 buffers of width x height
 * pixels (rows of width x 4 bytes).
 *
 * Names: "Value Blur", "Noise Reduction", "Noise Reduction RGB",
 * "Anti Alias", "Grayscale", "Invert", "Basic Threshold", "Hyper Contrast",
 * "Adjust RGBA", "Clamp", "Channel", "Alpha Edge Color", "Adjust Lab",
 * "Box Blur", "Bas Relief", "Line Art Cleaner", "Reflection", "Mirror",
 * "Gallery Wrap Mirror Auto", "Fader", "Borderize", "Vignette",
 * "Detail Blur", "Adaptive Blur", "Mask High Low", "Mask Detail". Unless
 * singleBuffer, the source is first copied into the destination. Filters
 * that write the mask or store to the current layer do so only for buffers
 * of the page's size.
 * @param source, destination  width x height x 4 bytes each (the same buffer with singleBuffer).
 * @param width, height  1 or more, at most 2^28 pixels in all.
 * @param name  the filter's name (exact); unknown names run nothing.
 * @param singleBuffer  1 (low byte): the filter works in place.
 * @param slider1, slider2, slider3, slider4, slider5, slider6  the dialog's sliders, 0..1000.
 * @param style1, style2, flag1, flag2, flag3, flag4, flag5, flag6  the dialog's choices, as each filter reads them.
 * @param red, green, blue  a colour, 8-bit (low byte).
 * @return 1 when a filter of that name ran; 0 for an unknown name, NULL buffers or a bad size.
 * @par Last error
 * "IPLNativeFilterRGBA32 Excpt" on a fault.
 */
MUR_API int32_t MUR_IPLNativeFilterRGBA32(uint8_t* source, uint8_t* destination, int32_t width, int32_t height, const char* name, int32_t singleBuffer,
                                          int32_t slider1, int32_t slider2, int32_t slider3, int32_t slider4, int32_t slider5, int32_t slider6,
                                          int32_t style1, int32_t style2, int32_t flag1, int32_t flag2, int32_t flag3, int32_t flag4, int32_t flag5,
                                          int32_t flag6, int32_t red, int32_t green, int32_t blue);

/**
 * @brief Applies one named effect of the effect catalogue to the current
 * layer through the IPL buffers, with the values of the generic effect
 * dialog.
 *
 * The host allocates both IPL RGBA32 buffers first (MUR_IPLAllocSrcBuffer32,
 * MUR_IPLAllocDstBuffer32) and saves undo itself. A variant of 0 is replaced
 * by a draw of the engine's generator in 0..32766. After the effect (also
 * one that failed) both RGB24 buffers are released and the dirty rectangle
 * is the whole page. Names: the rows of the catalogue, among them the native
 * filters, "Lua Filter", "Adjust HSL", "Adjust HSV", "Threshold",
 * "Horizontal Flip", "Vertical Flip", "Grayscale", "Negative", "Charcoal",
 * "Photo Pop", "Mask Generate HSL", "Mask Detail", "Mask High Low" and
 * "Distort by Scratch Layer"; `mur effects` lists them all.
 * @param reserved  ignored.
 * @param name  the effect's name, compared exactly (case counts).
 * @param variant  the seed of randomised effects; 0 asks for a random one.
 * @param slider1, slider2, slider3, slider4, slider5, slider6  the dialog's sliders (0..1000 as a rule).
 * @param style1, style2  the dialog's style choices (style 1 a merge mode id where an effect merges).
 * @param flag1, flag2, flag3, flag4, flag5, flag6  the dialog's check boxes (low byte counts).
 * @param red, green, blue  the effect colour, 0..255.
 * @param resourcePath  the file of the effects that read one ("Lua Filter": the script); may be NULL.
 * @return 1 when the name is in the catalogue and both IPL RGBA32 buffers exist (the effect ran, changed
 * or not); 0 for an unknown or NULL name, absent buffers or a fault.
 * @par Last error
 * "IPLImageProc Excpt" on a fault.
 */
MUR_API int32_t MUR_IPLImageProcess(int32_t reserved, const char* name, int32_t variant, int32_t slider1,
                                    int32_t slider2, int32_t slider3, int32_t slider4, int32_t slider5,
                                    int32_t slider6, int32_t style1, int32_t style2, int32_t flag1, int32_t flag2,
                                    int32_t flag3, int32_t flag4, int32_t flag5, int32_t flag6, int32_t red,
                                    int32_t green, int32_t blue, const char* resourcePath);
/**
 * @brief Describes one row of the effect catalogue, in table order, for hosts
 * that build their effect menus and dialogs from it.
 * @param index  0 .. the number of rows - 1.
 * @param name  receives the effect's name (text bytes), cut to nameCapacity - 1 bytes and NUL-terminated; may be NULL.
 * @param nameCapacity  the bytes name holds (64 hold every name).
 * @param values  receives 10 values, may be NULL: the default sliders 1-6, style 1, style 2, the route
 * number (1..14) and what the effect needs (1 writes the mask, 2 reads layer 255, 4 reads the resource path).
 * @return 1 for a row of the table, 0 past its end (nothing written).
 * @par Last error
 * "IPLEffectInfo Excpt" on a fault.
 */
MUR_API int32_t MUR_IPLEffectInfo(int32_t index, uint8_t* name, int32_t nameCapacity, int32_t* values);

/** @} */

/**
 * @defgroup geometry Image processing: geometry
 * @brief Resizing, seam carving, canvas size, crop, quarter turns and
 * mirroring of the whole document, and the pan and push warp of the current
 * layer.
 *
 * The whole-document calls change every layer that holds pixels, from slot 1
 * (the background) to 271, each at its own size (in a document all have the
 * page's size); the trace image (slot 0) is left. They move the 16-bit
 * pixels themselves, so quarter turns, mirroring, crops and canvas changes
 * lose nothing. Options, the current layer and the transparency lock stay
 * (alpha is moved on locked layers too). The page size does not change:
 * call MUR_NewSize with the new size afterwards. New sizes of 0 or less or
 * above 262144 do nothing. The new pixels of every layer are made before any
 * layer gives up its old ones: when memory runs out (after giving up undo
 * history) every layer stays as it was. A call that changed the document
 * marks the page as it was dirty for undo.
 * @{
 */

/**
 * @brief Resamples every layer to width x height.
 *
 * Filters (exact, case-sensitive): "Area Average", "Nearest Neighbor",
 * "Bilinear" (the same as "Nearest Neighbor"), "Bicubic", "Box", "Triangle",
 * "Hamming", "Gaussian", "Bell", "B-Spline", "Cubic 1", "Cubic 2",
 * "Lanczos3", "Mitchell", "Sinc", "Hermite", "Hanning", "Catrom"; any other
 * name, and NULL, is "Lanczos3". Colours are filtered premultiplied by
 * alpha, so transparent pixels lend no colour.
 * @param width, height  the new size, 1..262144.
 * @param filterName  the filter's name, or NULL.
 * @par Last error
 * "IPLResize Excpt" on a fault.
 */
MUR_API void MUR_IPLResize(int32_t width, int32_t height, const char* filterName);
/**
 * @brief Resizes every layer to width x height by seam carving: paths of
 * the least noticeable pixels are taken out (or doubled, to enlarge), so
 * that what stands out keeps its shape.
 *
 * The seams are chosen on all layers laid over each other and taken out of
 * every layer alike, so the layers stay in register. While the mask is
 * enabled the seams avoid what it protects (values near 0). Does nothing
 * when the layers differ in size, when they are one pixel wide or high, or
 * for a new size of 1 x 1.
 * @param width, height  the new size, 1..262144.
 * @param ignored  ignored.
 * @par Last error
 * "IPLResize Excpt" on a fault.
 */
MUR_API void MUR_IPLSeamCarvingRGBA(int32_t width, int32_t height, int32_t ignored);
/**
 * @brief Gives every layer a canvas of width x height without scaling: the
 * old picture is copied onto it at the anchor, cut where the canvas is
 * smaller.
 *
 * Anchors: "TL", "TC", "TR", "ML", "MC", "MR", "BL", "BC", "BR" (top,
 * middle, bottom; left, centre, right); the centre offset is the spare
 * size divided by 2 with integer division ("MC" from 100 x 100 to
 * 201 x 201 puts the picture at (50, 50)); any other name, and NULL, is the
 * top left. Where the old picture does not reach, the background (slot 1)
 * is the colour, opaque; slots 254 and above are opaque white; every other
 * layer is transparent.
 * @param width, height  the new size, 1..262144.
 * @param anchor  the anchor's name, or NULL.
 * @param red, green, blue  the background's new colour, 8-bit (low byte).
 * @par Last error
 * "IPLResizePage Excpt" on a fault.
 */
MUR_API void MUR_IPLResizePage(int32_t width, int32_t height, const char* anchor, int32_t red, int32_t green, int32_t blue);
/**
 * @brief Keeps the rectangle left..right-1 x top..bottom-1 of every layer
 * (size (right - left) x (bottom - top)).
 *
 * An empty rectangle, or one not inside the page, does nothing.
 * @par Last error
 * "IPLCrop Excpt" on a fault.
 */
MUR_API void MUR_IPLCrop(int32_t left, int32_t top, int32_t right, int32_t bottom);
/**
 * @brief Turns every layer a quarter counter-clockwise (the top-right corner
 * becomes the top-left one); a w x h layer becomes h x w.
 * @par Last error
 * "IPLRotateLeft Excpt" on a fault.
 */
MUR_API void MUR_IPLRotateLeft(void);
/**
 * @brief Turns every layer a quarter clockwise (the top-left corner becomes
 * the top-right one); a w x h layer becomes h x w.
 * @par Last error
 * "IPLRotateRight Excpt" on a fault.
 */
MUR_API void MUR_IPLRotateRight(void);
/**
 * @brief Mirrors every layer left to right, in place.
 * @par Last error
 * "IPLFlipHorizontal Excpt" on a fault.
 */
MUR_API void MUR_IPLFlipHorizontal(void);
/**
 * @brief Mirrors every layer top to bottom, in place.
 * @par Last error
 * "IPLVlipVertical Excpt" on a fault (the text is spelt so).
 */
MUR_API void MUR_IPLFlipVertical(void);
/**
 * @brief Moves the IPL source buffer's picture by (dx, dy) into the IPL
 * destination buffer and lays it over the current layer.
 *
 * Wrap modes: 0, the moved picture over transparency; 1, wrapped around the
 * page; 2, the edge pixels repeated outward; any other, the uncovered part
 * filled with the colour red + green x 256 + blue x 65536 + alpha x 16777216
 * (unsigned). When the weight switch's low byte is non-zero the result's
 * alpha is scaled by the texture and the enabled mask. The result is merged
 * in "Normal" at full opacity over the current layer, so the layer keeps
 * what the result leaves transparent (clear it first to move the layer).
 * Needs both IPL buffers (MUR_IPLAllocSrcBuffer32, MUR_IPLAllocDstBuffer32)
 * at the page's size and a current layer, else does nothing; marks the page
 * dirty.
 * @param red, green, blue, alpha  the fill colour's bytes.
 * @par Last error
 * "IPLPan Excpt" on a fault.
 */
MUR_API void MUR_IPLPan(int32_t dx, int32_t dy, int32_t wrapMode, int32_t red, int32_t green, int32_t blue, int32_t alpha,
                        int32_t weightSwitch);
/**
 * @brief Pushes the picture of the IPL source buffer at (fromX, fromY) onto
 * (toX, toY) and stores it into the current layer.
 *
 * The pixels around the target follow with a smooth fall-off that reaches
 * nothing at twice the distance pushed; only that disc changes, and it is
 * stored through the mask and the texture (the transparency lock keeps
 * alpha). The source buffer itself is left as it is: refill it
 * (MUR_IPLUpdateSrcBuffer32) before the next push to push further. Needs
 * both IPL buffers at the page's size and a current layer; the same point
 * twice does nothing. Marks the page dirty.
 * @par Last error
 * "WarpPointToPoint Excpt" on a fault.
 */
MUR_API void MUR_WarpPointToPoint(int32_t fromX, int32_t fromY, int32_t toX, int32_t toY);

/** @} */

/**
 * @defgroup drawing Image processing: drawing tools and colour adjustments
 * @brief Flood fills, rectangles, ellipses, gradients and text drawn into
 * the current layer; HSV and HSL shifts, "Photo Pop", displacement bumps and
 * a blur.
 *
 * The tools mark the whole page dirty for the next undo step
 * (MUR_SaveUndoBuffer). Colour bytes outside 0..255 are clamped.
 * @{
 */

/**
 * @brief Fills from (x, y) of the current layer with the colour (opaque).
 *
 * The tool source buffer is filled from the current layer, the fill marks a
 * byte plane, and the changed pixels are stored back through the texture
 * and the enabled mask (a transparency lock keeps alpha); the tool source
 * buffer is released afterwards. Pixels match when their squared R, G, B
 * distance to the pixel at (x, y) is at most trunc(tolerance x 0.00002 x
 * 195075) (tolerance clamped to 0..50000; 1000 allows 3901). Modes, compared
 * exactly:
 * - "Paint Non-connected": every matching pixel takes the colour.
 * - "Erase Non-connected": every matching pixel becomes transparent; on the
 *   background (slot 1) and slots above 253 it paints instead.
 * - "Paint Connected": the matching pixels 4-connected to (x, y).
 * - "Erase Connected": those become transparent (slot 1 and above 253: paint).
 * - "Paint Alpha Connected" (slots above 1): the pixels connected through
 *   alpha values within the limit (alpha compared as a grey: 3 x difference
 *   squared).
 * - "Paint Alpha Non-Connected": every pixel whose alpha lies within
 *   trunc((tolerance / 500) x 2.56) of the alpha at (x, y)
 *   (MUR_ReplaceFromRGBAImageAlphaRange).
 *
 * A point off the page or the layer, a null or unknown mode, or no current
 * layer does nothing.
 * @par Last error
 * "IPLFloodFill Excpt" on a fault.
 */
MUR_API void MUR_IPLFloodFill(int32_t red, int32_t green, int32_t blue, int32_t x, int32_t y, int32_t tolerance,
                              const char* mode);
/**
 * @brief Writes (red, green, blue, alpha) into every pixel of a page-sized
 * RGBA32 picture whose byte in `plane` is 1, and marks the page dirty.
 * @param image  the page's width x height x 4 bytes.
 * @param plane  the page's width x height bytes.
 * @par Last error
 * "ColorRGBA32FromFloodMask Excpt" on a fault.
 */
MUR_API void MUR_ColorRGBA32FromFloodMask(uint8_t* image, const uint8_t* plane, int32_t red, int32_t green,
                                          int32_t blue, int32_t alpha);
/**
 * @brief Fills a rectangle of the current layer with the colour.
 *
 * Columns run from x0 to x1 - 1 when x0 < x1, else from x1 + 1 to x0 (the
 * second point's column is left out); rows from min(y0, y1) to max(y0, y1)
 * inclusive. The rectangle is drawn opaque into the tool destination buffer
 * (allocated at the page's size when absent), weighed by the texture and the
 * enabled mask and merged in "Normal" at opacity trunc(percent x 2.559)
 * (percent clamped to 0..100), keeping the layer's alpha when locked.
 * @par Last error
 * "IPLRectangle Excpt" on a fault.
 */
MUR_API void MUR_IPLRectangle(int32_t red, int32_t green, int32_t blue, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                              int32_t opacityPercent);
/**
 * @brief Fills an ellipse with an anti-aliased edge, as MUR_IPLRectangle.
 *
 * With the rectangle's left column l, right column r and rows t..b: radii
 * rx = (r - l) / 2 and ry = (b - t) / 2 (integer division, each at least 2),
 * centred on pixel (l + rx, t + ry). Edge pixels take the part of their area
 * inside the ellipse as alpha.
 * @par Last error
 * "IPLEllipse Excpt" on a fault.
 */
MUR_API void MUR_IPLEllipse(int32_t red, int32_t green, int32_t blue, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                            int32_t opacityPercent);
/**
 * @brief Draws a gradient over the whole current layer.
 *
 * With colorCount n of 2..4 the first n colours stand at k x 100 / (n - 1)
 * percent (integer division: 0, 33, 66, 99 for four). n = 0 fades colour 1
 * from transparent to opaque, n = 1 from opaque to transparent (counts are
 * clamped to 0..4). "Linear" (compared exactly) runs from (x0, y0) to (x1,
 * y1); any other kind is radial about (x0, y0) with the distance to (x1, y1)
 * as radius. Bytes are interpolated straight; beyond the ends the end
 * colours continue; pixel (x0, y0) takes the first stop. The result is
 * weighed by the texture and the enabled mask and merged in "Normal". A zero
 * length or a null kind draws nothing.
 * @par Last error
 * "IPLGradient Excpt" on a fault.
 */
MUR_API void MUR_IPLGradient(int32_t red1, int32_t green1, int32_t blue1, int32_t red2, int32_t green2, int32_t blue2,
                             int32_t red3, int32_t green3, int32_t blue3, int32_t red4, int32_t green4, int32_t blue4,
                             int32_t colorCount, int32_t x0, int32_t y0, int32_t x1, int32_t y1, const char* kind);
/**
 * @brief Draws UTF-8 text into the current layer with the text tool's font
 * (MUR_SetFontByName record 0; "sans-serif" at 16 pixels until chosen).
 *
 * (x, y) is the top-left of the first line's box; "\n" starts a new line.
 * Bytes that are no UTF-8 count as Latin-1. Smooth (non-zero): glyph
 * coverage laid over the layer as premultiplied "over"; otherwise
 * monochrome glyphs, every covered pixel taking the opaque colour. Needs the
 * IPL source buffer (MUR_IPLAllocSrcBuffer32), which is refilled from the
 * current layer; the changed pixels are stored through the texture and the
 * enabled mask. Does nothing without the buffer, without text, or when no
 * font can be found.
 * @param ignored1, ignored2, ignored3, ignored4  unused.
 * @par Last error
 * "IPLText Excpt" on a fault.
 */
MUR_API void MUR_IPLText(int32_t red, int32_t green, int32_t blue, int32_t x, int32_t y, int32_t ignored1,
                         int32_t ignored2, int32_t ignored3, int32_t ignored4, const char* text, int32_t smooth);
/**
 * @brief Chooses the font of the text tool (which = 0) or the text brush
 * (which = 1) by family name, through fontconfig.
 * @param family  a family name ("DejaVu Sans") or a generic one
 *   ("sans-serif", "serif", "monospace").
 * @param pixelHeight  the em size in pixels, clamped to 1..2048.
 * @param weight  100..900 as in CSS (400 regular, 700 bold); 0 means 400.
 * @param italic  non-zero for an italic or oblique face.
 * @return 1 when an installed font has that family; 0 (the record
 *   unchanged) for none, a null or empty name or another record number.
 * @par Last error
 * "SetFontByName Excpt" on a fault.
 */
MUR_API int32_t MUR_SetFontByName(int32_t which, const char* family, int32_t pixelHeight, int32_t weight,
                                  int32_t italic);
/**
 * @brief Shifts the hue, saturation and lightness of width x height RGBA32
 * pixels.
 *
 * Each pixel goes to HSL; a grey keeps hue and saturation 0 and only its
 * lightness moves; otherwise the hue turns by hueShift degrees (wrapped
 * into 0..360) and saturation and lightness gain shift / 100, clamped to
 * 0..1. Back in RGB the bytes are trunc(x x 255); alpha stays.
 * @par Last error
 * "ProcessBuffer_HSLAdjust Excpt" on a fault.
 */
MUR_API void MUR_ProcessBuffer_HSLAdjust(uint8_t* data, int32_t width, int32_t height, int32_t hueShift,
                                         int32_t saturationShift, int32_t lightnessShift);
/**
 * @brief As MUR_ProcessBuffer_HSLAdjust in HSV: hue, saturation and value.
 * @par Last error
 * "ProcessBuffer_HSVAdjust Excpt" on a fault.
 */
MUR_API void MUR_ProcessBuffer_HSVAdjust(uint8_t* data, int32_t width, int32_t height, int32_t hueShift,
                                         int32_t saturationShift, int32_t valueShift);
/**
 * @brief "Photo Pop": sharpens the current layer, raises its contrast and
 * changes its saturation.
 *
 * A 3 x 3 sharpen at strength 5 on R, G, B; native "Hyper Contrast" with
 * slider 1 when extraContrast is 1, then with the contrast amount (0..1000)
 * as slider; then c' = Y + (c - Y) x s with Rec. 601 luma Y and s = (x - 50)
 * x 0.04 + 1 above 50, else x x 0.06 - 2 (x the saturation amount 0..100;
 * s below 0 turns colours through grey). The changed pixels are stored
 * through the texture and the enabled mask.
 * @par Last error
 * "IPLPhotoPop Excpt" on a fault.
 */
MUR_API void MUR_IPLPhotoPop(double contrast, double saturation, int32_t extraContrast);
/**
 * @brief Displaces the IPL source along the slopes of a texture script's
 * tile into the IPL destination and stores the result.
 *
 * The tile (a texture script, see the texture scripts of the share folder)
 * is repeated over the page, from an offset drawn from the random seed when
 * randomOffset is 1, and made grey ((R + G + B) / 3). Each pixel samples
 * the source at (x + k dg/dx, y + k dg/dy), k the strength and the slopes
 * central differences of grey / 255, bilinearly; beyond the page lies the
 * colour `edge` (R + G x 256 + B x 65536 + A x 2^24). The caller
 * premultiplies the source first; the result is un-premultiplied and its
 * changed pixels stored through the texture and the enabled mask. Needs both
 * IPL RGBA32 buffers; a missing or failing script does nothing.
 * @par Last error
 * "IPLDisplacementBumpISLFile Excpt" on a fault.
 */
MUR_API void MUR_IPLDisplacementBumpISLFile(const char* scriptPath, double strength, int32_t randomOffset,
                                            int32_t edge);
/**
 * @brief As MUR_IPLDisplacementBumpISLFile with a page-sized RGBA32 picture
 * as the bump map and 5 x strength.
 * @param image  the page's width x height x 4 bytes.
 * @par Last error
 * "IPLDisplacementBumpRGBA Excpt" on a fault.
 */
MUR_API void MUR_IPLDisplacementBumpRGBA(const uint8_t* image, double strength, int32_t edge);
/**
 * @brief Blurs width x height RGB24 pixels with a Gaussian of radius
 * size / 5 (integer division; standard deviation radius / 2, borders
 * repeated) and mixes the result in by strengthPercent (0..100, clamped).
 * A radius of 0 changes nothing.
 * @par Last error
 * "BlurMoreBuffer Excpt" on a fault.
 */
MUR_API void MUR_BlurMoreBufferRGB24(uint8_t* data, int32_t width, int32_t height, int32_t size, int32_t strengthPercent);

/** @} */

/**
 * @defgroup luafilters Lua filter scripts
 * @brief Filter scripts in Lua that read and write the image-processing
 * buffers, and the limits of every script the engine runs.
 *
 * A filter script runs once; it loops over the pixels itself with the host
 * functions get_value, set_value, get_rgb, set_rgb, get_alpha, set_alpha,
 * get_rgba, set_rgba, get_hsv, set_hsv, get_hsl, set_hsl, get_lab, set_lab,
 * get_cmyk, set_cmyk (x, y first; channels 0..1), get_mask, set_mask,
 * get_color, get_color1 .. get_color4, flush, merge(mode, amount),
 * single_buffer, progress, message_box, is_escape, bit_not, bit_and, bit_or,
 * bit_xor, bit_shfr, bit_shfl (32-bit) and output_debug_string, and the
 * globals width, height, bound_x0, bound_y0, bound_x1, bound_y1, variantVal,
 * sliderVal1 .. sliderVal6, flagVal1 .. flagVal6, styleVal1, styleVal2 and
 * the MERGE_ mode ids. Scripts and texture scripts are untrusted: they run
 * in a sandbox (base, table, string without its pattern functions, math;
 * no files, no other code, no process) with a time and a memory limit, and
 * math.random draws the engine's generator seeded from variantVal.
 * @{
 */

/**
 * @brief Runs a filter script on the image-processing buffers and stores
 * its result into the current layer.
 *
 * Copies the RGBA32 source buffer into the destination buffer, runs the
 * script (reads come from the source, or from the destination after
 * single_buffer(true); writes go to the destination), then stores the
 * destination into the current layer through the mask and the texture.
 * After single_buffer(true) the destination is also copied back into the
 * source. A script that fails to load or run, runs out of time or memory or
 * is cancelled is reported in a message box captioned "Lua Script Error"
 * (MUR_SetMessageBoxHandler) and the final store is skipped; what its flush
 * and merge calls stored stays. Nothing happens when either buffer is not
 * allocated at the page's size (MUR_IPLAllocSrcBuffer32,
 * MUR_IPLAllocDstBuffer32) or when a script already runs. Blocks the
 * calling thread until the script ends.
 * @param path  the script file (text, at most 4 MB); NULL or a missing file is a load error.
 * @param variant  the global variantVal, also the seed of math.random.
 * @param slider1, slider2, slider3, slider4, slider5, slider6  sliderVal1..6 = slider x 0.001.
 * @param style1, style2  styleVal1, styleVal2 = style + 1.
 * @param flag1, flag2, flag3, flag4, flag5, flag6  flagVal1..6 = low byte non-zero.
 * @par Last error
 * "LuaFilterRun Excpt" on a fault.
 */
MUR_API void MUR_LuaFilterRun(const char* path, int32_t variant, int32_t slider1, int32_t slider2, int32_t slider3,
                              int32_t slider4, int32_t slider5, int32_t slider6, int32_t style1, int32_t style2,
                              int32_t flag1, int32_t flag2, int32_t flag3, int32_t flag4, int32_t flag5,
                              int32_t flag6);

/**
 * @brief Sets the limits of every script run from now on: filter scripts
 * and the texture scripts of MUR_SetTool.
 *
 * A script that uses up its CPU time or would need more memory is stopped
 * with an error, even if it catches errors itself. The defaults are 30
 * seconds and 512 megabytes.
 * @param seconds  CPU seconds of the calling thread per run; 0: no limit.
 * @param megabytes  the script's heap; 0: no limit.
 * @return 1 when set; 0 (nothing changed) when either is negative.
 */
MUR_API int32_t MUR_LuaSetLimits(int32_t seconds, int32_t megabytes);

/**
 * @brief Stops the script that runs now, as soon as it reaches its next
 * check (within a few milliseconds): an error "script cancelled".
 *
 * Safe from any thread and from a signal handler. A request while no script
 * runs is forgotten when the next one starts.
 */
MUR_API void MUR_LuaCancel(void);

/** @} */

/**
 * @defgroup tool Tool settings
 * @brief The brush: one call for the whole tool and single-value setters.
 *
 * Settings live until changed; creating, resizing and deleting the image
 * keep them (the grit buffers are rebuilt by the next MUR_SetTool). Values
 * are stored as given unless a range is named. None of the single-value
 * setters sets the last-error text.
 * @{
 */

/**
 * @brief Sets the whole tool at once.
 *
 * Builds the 20 grit buffers (random cells, or
 * from a texture script or picture at texturePath) and the brush shape
 * (round, or from the picture at shapePath). Reseeds the random generator
 * from MUR_SetRandomSeed's seed, sets the mix mode to 32 and clears the
 * one-shot flags. Call MUR_SetSize before it: the grit and shape follow the size.
 * @param shapeIntensity  factor applied to every brush shape value (1.0 = as drawn).
 * @param gritCell  edge of one random grit cell in pixels; 0 = no random grit.
 * @param gritCellChance  a cell is painted when its random byte (0..254) is below this.
 * @param gritPixelChance  inside a painted cell, a pixel is set when its random byte is below this.
 * @param shapeSoftness  0..255: edge softness of the round shape (low byte).
 * @param colorVary  colour variation per dab (see MUR_SetColorVary).
 * @param drawingLength  how many dabs keep one grit buffer and grain position before it moves on.
 * @param blendStrength  paint pick-up strength 0..256; 0 turns pick-up off.
 * @param primaryColorStrength  0..256: how much of the tool colour stays in picked-up paint.
 * @param blendRemix  1 remixes picked-up paint on every dab.
 * @param param11  stored (low byte); @param shapeInvert  1 inverts the shape; @param param13  stored.
 * @param texturePath  a Lua texture script or a picture file for the grit; NULL,
 *        "" or 1 character means none; 4096 bytes or longer is ignored.
 * @param shapePath  a picture file for the brush shape; NULL, "" or 1 character: round.
 * @param shapeParam  how the shape picture is read (see MUR_SetBrushShape).
 * @par Last error
 * "SetTool Excpt" on a fault. A script or picture that cannot be read is no
 * fault: the grit stays as gritCell made it, the shape is round.
 */
MUR_API void MUR_SetTool(float shapeIntensity, int32_t gritCell, int32_t gritCellChance, int32_t gritPixelChance, int32_t shapeSoftness,
                         int32_t colorVary, int32_t drawingLength, int32_t blendStrength, int32_t primaryColorStrength, int32_t blendRemix,
                         int32_t param11, int32_t shapeInvert, int32_t param13, const char* texturePath, const char* shapePath, int32_t shapeParam);

/** @brief The tool colour in 8 bits per channel (low byte used), opaque. */
MUR_API void MUR_SetColor(int32_t r, int32_t g, int32_t b);
/** @brief The tool colour in 16 bits per channel, each clamped to 0..65535, opaque. */
MUR_API void MUR_SetColor16(int32_t r, int32_t g, int32_t b);
/** @brief The four colours of the colour-bank mix modes, 8 bits per channel (low byte used). */
MUR_API void MUR_SetColorBanks(int32_t r0, int32_t g0, int32_t b0, int32_t r1, int32_t g1, int32_t b1, int32_t r2, int32_t g2, int32_t b2, int32_t r3, int32_t g3, int32_t b3);
/** @brief Blur of picture shapes: below 1 none, 100 the strongest; used when the shape is next built. */
MUR_API void MUR_SetShapeBlur(int32_t value);
/** @brief Paint pick-up strength 0..256 (of 256); 0 turns pick-up and blend-buffer mixing off. */
MUR_API void MUR_SetBlendStrength(int32_t value);
/** @brief How much of the tool colour stays in picked-up paint, 0..256. */
MUR_API void MUR_SetBlendPrimaryColorStrength(int32_t value);
/** @brief 1: picked-up paint is remixed on every dab. */
MUR_API void MUR_SetBlendRemix(int32_t flag);
/** @brief Dab density: the grit threshold of dabs is value - 1. */
MUR_API void MUR_SetDensity(int32_t value);
/** @brief The brush alpha in percent (0..100) of every following dab. */
MUR_API void MUR_SetAlpha(int32_t percent);
/** @brief Colour variation: each dab's colour moves by a random amount up to about value / 2 (in 8-bit steps) either way; 0 none. */
MUR_API void MUR_SetColorVary(int32_t value);
/** @brief 1: dabs leave the colour of the pixels they paint as it is and change only alpha (colour lock). */
MUR_API void MUR_SetColorLocked(int32_t flag);
/** @brief 1: dabs change alpha only where the pixel and the dab are both above 8191, keeping the painted shape (blob lock). */
MUR_API void MUR_SetBlobLocked(int32_t flag);
/** @brief When above 0, the alpha (16-bit) that dabs write, and the value mask-making dabs write; 0 = the dab's own coverage. */
MUR_API void MUR_SetAlphaLevel(int32_t value);
/** @brief 1: dabs paint the picture held in the selected blend buffer, with its transparency (an image brush). */
MUR_API void MUR_SetImageBrushMode(int32_t flag);
/** @brief 1: dabs paint at full coverage wherever the shape is not 0. */
MUR_API void MUR_SetSolidBrushMode(int32_t flag);
/** @brief Brush rotation on (mode 1) or off, by whole degrees. */
MUR_API void MUR_SetRotateBrushMode(int32_t mode, int32_t degrees);
/**
 * @brief The mixing mode of dabs and blend buffers and its amount.
 * @param mode  a mix mode id (MUR_SetTool sets 32). @param amount  0..256; 127 is neutral.
 */
MUR_API void MUR_SetMixMode(int32_t mode, int32_t amount);
/** @brief The next dab picks up no paint; cleared after that dab and by MUR_SetTool. */
MUR_API void MUR_TempDisableBlend(void);
/** @brief Counts one dab off the grain hold (see MUR_SetTool's drawingLength). */
MUR_API void MUR_DecDrawingLength(void);
/** @brief The brush diameter in pixels, clamped to 0..1000 (and meant to stay within MUR_CreateImage's largest brush). Resets MUR_SetScaleSize. */
MUR_API void MUR_SetSize(int32_t size);
/**
 * @brief Draws the brush at n pixels (pressure): the shape is sampled at n
 * of its size steps. n is clamped to 1..min(size, 999).
 */
MUR_API void MUR_SetScaleSize(int32_t n);
/** @brief Per-pixel colour variation; above 0 rebuilds its random table (3 x largest brush entries). */
MUR_API void MUR_SetPixColorVary(int32_t value);
/** @brief Per-pixel luminance variation; above 0 rebuilds its random table. */
MUR_API void MUR_SetPixLumVary(int32_t value);
/**
 * @brief Gives the transparent pixels of the current layer (alpha below 256)
 * the colour (r, g, b) (8-bit, widened x 257) and alpha 0.
 * @par Last error
 * "SetColorAlpha Excpt" on a fault.
 */
MUR_API void MUR_SetColorAlpha(int32_t r, int32_t g, int32_t b);
/** @brief In an image-sized RGBA32 buffer, makes the pixels of colour (r, g, b) (low bytes) transparent (alpha 0). NULL is ignored. */
MUR_API void MUR_SetAlphaFromRGBAImageColor(uint8_t* image, int32_t r, int32_t g, int32_t b);
/**
 * @brief Writes one pixel of an image-sized RGB24 buffer: the high bytes of
 * 16-bit r, g, b at (x, y); outside the image or NULL, nothing.
 * @param stride  bytes per row of image.
 */
MUR_API void MUR_SetPixelRGB24(uint8_t* image, int32_t stride, int32_t x, int32_t y, int32_t r, int32_t g, int32_t b);

/** @} */

/**
 * @defgroup shapes Brush shapes
 * @brief The 16-bit coverage shape of the brush.
 * @{
 */

/**
 * @brief Builds the brush shape: from the picture at path (gray, scaled to
 * the brush size, blurred by MUR_SetShapeBlur), or round with the tool's
 * softness when path has fewer than 2 characters or the picture cannot be read.
 * The decoded picture is cached for the next build from the same path.
 * @param path  a picture file; NULL is round. @param shapeParam  how the picture is read, as the tool's presets pass it.
 * @par Last error
 * "SetBrushShape Excpt" on a fault.
 */
MUR_API void MUR_SetBrushShape(const char* path, int32_t shapeParam);
/** @brief MUR_SetBrushShape with the earlier rules of the round shape and picture scaling.
 * @par Last error
 * "SetBrushShape Excpt" on a fault.
 */
MUR_API void MUR_SetBrushShape_ORIGINAL(const char* path, int32_t shapeParam);
/** @brief Forgets the cached shape picture.
 * @par Last error
 * "MUR_UnloadBrushShape Excpt" on a fault.
 */
MUR_API void MUR_UnloadBrushShape(void);

/** @} */

/**
 * @defgroup blend Blend buffers
 * @brief Brush-sized RGBA64 squares carrying picked-up colour from dab to dab.
 *
 * Pick-up and mixing act on the selected buffer around (x, y), a square of
 * the brush size cut to the source; parts outside the source take the tool
 * colour. They return 1 when they ran, 0 and do nothing while the blend
 * strength is 0 or without a buffer or source. The mask, while enabled,
 * weights what is picked up. None of them sets the last-error text except
 * MUR_SetBlendBufferCount.
 * @{
 */

/**
 * @brief Sets the number of blend buffers (clamped to 0..20) and selects
 * buffer 0. A new count releases all buffers and makes new ones of the
 * largest brush's size (contents zero).
 * @par Last error
 * "SetBlendBufferCount Excpt" on a fault.
 */
MUR_API void MUR_SetBlendBufferCount(int32_t count);
/**
 * @brief Selects a blend buffer.
 * @param index  clamped to 0..count-1.
 * @return an opaque handle of the selected buffer (engine memory; do not free or read it).
 */
MUR_API void* MUR_SelectBlendBuffer(int32_t index);
/**
 * @brief Picks colour up from an image-sized RGBA64 buffer of the host into
 * the selected buffer: strength (0..256) of the tool colour, the rest from the source.
 * @param imageRGBA64  width x height RGBA64 pixels, rows without gaps.
 * @param flag  1: transparent and outside pixels become opaque tool colour.
 */
MUR_API int32_t MUR_DoCopyBlendBuffer(int32_t x, int32_t y, const uint16_t* imageRGBA64, int32_t strength, int32_t flag);
/** @brief As MUR_DoCopyBlendBuffer from the current layer. */
MUR_API int32_t MUR_CopyBlendBufferSurface(int32_t x, int32_t y, int32_t strength, int32_t flag);
/** @brief As MUR_DoCopyBlendBuffer from a layer (flag 0). */
MUR_API int32_t MUR_CopyBlendBufferLayer(int32_t layer, int32_t x, int32_t y, int32_t strength);
/** @brief As MUR_DoCopyBlendBuffer from the undo back buffer (flag 0). */
MUR_API int32_t MUR_CopyBlendBufferUnderLayer(int32_t x, int32_t y, int32_t strength);
/** @brief The same as MUR_CopyBlendBufferUnderLayer. */
MUR_API int32_t MUR_CopyBlendBufferHistory(int32_t x, int32_t y, int32_t strength);
/** @brief As MUR_DoCopyBlendBuffer from the trace image (flag 0). */
MUR_API int32_t MUR_CopyBlendBufferTrace(int32_t x, int32_t y, int32_t strength);
/**
 * @brief Picks the mask up into the selected buffer (one 16-bit value per
 * pixel), mixed with the tool colour's mask value by strength (0..256).
 */
MUR_API int32_t MUR_DoCopyBlendBufferMask(int32_t x, int32_t y, int32_t strength);
/**
 * @brief Mixes colour from an image-sized RGBA64 buffer of the host into the
 * selected buffer with the tool's mix mode.
 * @param strength  0..255 of 256.
 */
MUR_API int32_t MUR_DoMixBlendBuffer(int32_t x, int32_t y, const uint16_t* imageRGBA64, int32_t strength);
/** @brief As MUR_DoMixBlendBuffer from the current layer. */
MUR_API int32_t MUR_MixBlendBufferSurface(int32_t x, int32_t y, int32_t strength);
/** @brief As MUR_DoMixBlendBuffer from the undo back buffer. */
MUR_API int32_t MUR_MixBlendBufferUnderLayer(int32_t x, int32_t y, int32_t strength);
/** @brief The same as MUR_MixBlendBufferUnderLayer. */
MUR_API int32_t MUR_MixBlendBufferHistory(int32_t x, int32_t y, int32_t strength);
/** @brief As MUR_DoMixBlendBuffer from the trace image. */
MUR_API int32_t MUR_MixBlendBufferTrace(int32_t x, int32_t y, int32_t strength);
/** @brief As MUR_DoMixBlendBuffer from a layer. */
MUR_API int32_t MUR_MixBlendBufferLayer(int32_t layer, int32_t x, int32_t y, int32_t strength);
/**
 * @brief Mixes one colour (8-bit r, g, b) into the selected buffer by strength (0..255).
 * @param reserved  ignored.
 */
MUR_API int32_t MUR_DoColorBlendBuffer(int32_t x, int32_t y, int32_t r, int32_t g, int32_t b, int32_t reserved, int32_t strength);
/**
 * @brief Filters the selected buffer's brush-sized square.
 * @param kind  289 gray, 290 invert, 291 channels below levelPercent to 0,
 *        292 channels above it to 65280; others do nothing.
 * @param levelPercent  the threshold in percent of 65535.
 */
MUR_API void MUR_FilterBlendBuffer(int32_t kind, int32_t levelPercent);
/** @brief Clears the selected buffer to transparent black. */
MUR_API void MUR_ClearBlendBuffer(void);
/**
 * @brief Fills the first (largest brush)^2 x 2 bytes of the selected buffer
 * with one byte: the low byte of low.
 * @param reserved1, reserved2  ignored. @param high  ignored in effect.
 */
MUR_API void MUR_FillBlendBuffer(int32_t reserved1, int32_t reserved2, int32_t high, int32_t low);

/** @} */

/**
 * @defgroup imagebrush Image brushes
 * @brief A small picture used as the dab: loaded, sized to the brush, turned
 * and put into the selected blend buffer, from which MUR_DrawDabGrit paints
 * (with MUR_SetImageBrushMode on, the buffer's alpha shapes the dab).
 *
 * The engine keeps one brush picture (RGBA64), an optional strip of square
 * frames, the picture sized to the brush size and its RGBA32 copies for
 * turning; MUR_DeleteImage and MUR_NewSize release them. An operation that
 * runs out of memory sets its "<Name> Excpt" text and leaves the brush as it
 * was. Null paths and data, unreadable files and pictures larger than the
 * image's largest brush change nothing.
 * @{
 */

/**
 * @brief Makes a picture file (PNG, JPEG, GIF, TIFF, BMP, TGA, PSD, PCX) the
 * brush picture, each 8-bit channel widened by a shift of 8. Pictures wider
 * or taller than the largest brush are refused before they are decoded.
 * @par Last error
 * "LoadImageBrush Excpt" on a fault.
 */
MUR_API void MUR_LoadImageBrush(const char* path);
/**
 * @brief Makes width x height RGBA32 pixels (rows of width x 4 bytes) the
 * brush picture; sides of 1 up to the largest brush.
 * @par Last error
 * "LoadImageBrushFromRGBA32 Excpt" on a fault.
 */
MUR_API void MUR_LoadImageBrushFromRGBA32(const uint8_t* data, int32_t width, int32_t height);
/**
 * @brief Loads a strip of square frames side by side (the frame side is the
 * picture's height, at most the largest brush; a strip narrower than tall is
 * refused) and makes its first frame the brush picture.
 * @par Last error
 * "LoadImageBrushArray Excpt" on a fault.
 */
MUR_API void MUR_LoadImageBrushArray(const char* path);
/**
 * @brief Copies frame trunc(frames x position), clamped to the strip, into
 * the brush picture; nothing without a strip or a brush picture.
 * @par Last error
 * "CopyFromImageBrushArray Excpt" on a fault.
 */
MUR_API void MUR_CopyFromImageBrushArray(float position);
/**
 * @brief Makes an opaque brush picture of the brush size in one colour
 * (8-bit r, g, b widened x 257).
 * @par Last error
 * "FillImageBrush Excpt" on a fault.
 */
MUR_API void MUR_FillImageBrush(int32_t r, int32_t g, int32_t b);
/**
 * @brief Sets the colour of every pixel of the brush picture (x 257), keeping
 * its alpha; without a picture, first makes a white opaque one of the brush size.
 * @par Last error
 * "ColorImageBrush Excpt" on a fault.
 */
MUR_API void MUR_ColorImageBrush(int32_t r, int32_t g, int32_t b);
/**
 * @brief Makes the brush-size square of the selected blend buffer the brush
 * picture; what the buffer lacks (no pixels, a brush larger than the
 * largest) is transparent.
 * @par Last error
 * "CopyToImageBrush Excpt" on a fault.
 */
MUR_API void MUR_CopyToImageBrush(void);
/**
 * @brief Sizes the brush picture to the brush size: copied when it already
 * has that size, else Lanczos3 up and area average down, colours weighted
 * by alpha. Brush size 0 sizes nothing.
 * @par Last error
 * "SizeImageBrush Excpt" on a fault.
 */
MUR_API void MUR_SizeImageBrush(void);
/**
 * @brief Turns the sized brush by degrees (clockwise on screen) about its
 * centre within its square, into the rotated copy; colour and alpha in one
 * bilinear pass weighted by alpha, the uncovered corners transparent.
 * @par Last error
 * "RotateImageBrush Excpt" on a fault.
 */
MUR_API void MUR_RotateImageBrush(float degrees);
/**
 * @brief MUR_SizeImageBrush, then the sized brush into the selected blend
 * buffer's top-left square: with c = trunc(strengthPercent x 2.559) (0..100
 * percent), 0 copies exactly, else each channel b = (c b + q (255 - c)) >> 8.
 * The square is cut to the buffer.
 * @par Last error
 * "CopyFromImageBrush Excpt" on a fault.
 */
MUR_API void MUR_CopyFromImageBrush(int32_t strengthPercent);
/**
 * @brief The rotated copy (8-bit q) into the selected blend buffer, as
 * MUR_CopyFromImageBrush: c = 0 gives q << 8; else R = q (255 - c) + (c R >> 8),
 * G and B = (c G + (255 - c)(q << 8)) >> 8, A = (255 - c) q + (c A >> 8).
 * Nothing before MUR_RotateImageBrush has turned the current sized brush.
 * @par Last error
 * "CopyFromImageBrushRotate Excpt" on a fault.
 */
MUR_API void MUR_CopyFromImageBrushRotate(int32_t strengthPercent);
/**
 * @brief Writes the brush picture as an 8-bit RGBA PNG (high bytes) at
 * 72 dpi. The file appears only when complete; a failed write leaves no
 * file and the old one, if any, as it was, and sets the text.
 * @par Last error
 * "SaveImageBrush Excpt" when the file cannot be written or on a fault.
 */
MUR_API void MUR_SaveImageBrush(const char* path);

/** @} */

/**
 * @defgroup undo Undo
 * @brief The undo history: rectangular patches of the current layer and the
 * mask, at most 500 steps and a memory budget.
 *
 * Every pixel-changing call widens the dirty rectangle; MUR_SaveUndoBuffer
 * turns it into a step, comparing with the back buffers that hold the layer
 * and mask as they were at the last step (or MUR_SetLayer).
 * @{
 */

/**
 * @brief Empties the history and sets how many steps it keeps.
 * @param levels  clamped to 0..500. @return the stored number.
 */
MUR_API int32_t MUR_SetUndoLevels(int32_t levels);
/**
 * @brief The history's memory budget in megabytes; 0 derives it from free
 * memory (85 % of what is available, at least 15 page-sized patches).
 */
MUR_API void MUR_SetUndoMB(int32_t megabytes);
/** @brief The budget in megabytes (recomputed from free memory when derived). */
MUR_API int32_t MUR_GetTotalUndoMemory(void);
/** @brief Megabytes the history and its back buffers use. */
MUR_API int32_t MUR_GetCurrentUndoMemory(void);
/**
 * @brief Copies a layer and the mask into the back buffers (nothing while undo is paused).
 * @param slot  a slot holding pixels, else only the mask is copied.
 * @par Last error
 * "SaveUndoBackBuffer Excpt" on a fault.
 */
MUR_API void MUR_SaveUndoBackBuffer(int32_t slot);
/**
 * @brief Turns the dirty rectangle into an undo step of the current layer's
 * colour (saveColor != 0) and the mask (saveMask != 0), refreshes the back
 * buffers there and empties the rectangle. An empty rectangle, or a paused
 * history, saves nothing. Oldest steps go when the levels or the budget are exceeded.
 * @par Last error
 * "SaveUndoBuf Excpt" on a fault.
 */
MUR_API void MUR_SaveUndoBuffer(int32_t saveColor, int32_t saveMask);
/** @brief Makes the whole image dirty: the next step covers it (after whole-layer changes). */
MUR_API void MUR_InvalidateDirtyUndoCanvas(void);
/** @brief Pauses the history: no steps are saved, undone or redone until MUR_ResumeUndo. */
MUR_API void MUR_PauseUndo(void);
/** @brief Resumes a paused history. */
MUR_API void MUR_ResumeUndo(void);
/** @brief Undoes the latest step not yet undone; nothing when there is none or while paused.
 * @par Last error
 * "Undo Excpt" on a fault.
 */
MUR_API void MUR_Undo(void);
/** @brief Redoes the latest undone step; nothing when there is none or while paused.
 * @par Last error
 * "Redo Excpt" on a fault.
 */
MUR_API void MUR_Redo(void);
/** @brief 1 when a step can be undone. */
MUR_API int32_t MUR_CanUndo(void);
/** @brief 1 when a step can be redone. */
MUR_API int32_t MUR_CanRedo(void);
/** @brief Number of undone steps that can be redone. */
MUR_API int32_t MUR_GetRedoCount(void);
/** @brief Number of history entries holding a patch (undone ones included). */
MUR_API int32_t MUR_GetUndoCount(void);
/** @brief Frees at least kilobytes of history, oldest first.
 * @par Last error
 * "ReduceUndo Excpt" on a fault.
 */
MUR_API void MUR_ReduceUndo(int32_t kilobytes);
/** @brief Empties the history, resumes it and refreshes the back buffers from the current layer.
 * @par Last error
 * "ClearUndo Excpt" on a fault.
 */
MUR_API void MUR_ClearUndo(void);
/** @brief Toggles the colour of the undo step below the latest undone one (for a fade preview).
 * @par Last error
 * "StartFade Excpt" on a fault.
 */
MUR_API void MUR_StartFade(void);
/** @brief Accepted and ignored. */
MUR_API void MUR_UpdateFade(int32_t value);
/** @brief Accepted and ignored. */
MUR_API void MUR_EndFade(void);

/** @} */

/**
 * @defgroup files Image files and the holding buffer
 * @brief Reading picture files into the holding buffer or a host buffer,
 * writing host pictures and the composited page by extension, thumbnails
 * and web pictures.
 *
 * Files are recognised by their content when read: PNG, JPEG, GIF (first
 * frame), TIFF (first image), BMP, TGA, PCX, PSD (the composite image) and
 * Windows metafiles (EMF: bitmap records only; WMF through libwmf), which
 * are drawn at the image's size over the current colour. Writers choose the
 * format from an extension text compared without regard to case, its dot
 * included (".png" and ".PNG" alike). A file is written under a temporary
 * name beside the destination and renamed when complete: a failed write
 * leaves no partial file and an existing file as it was. Paths longer than
 * 4096 bytes are refused. Pictures larger than 65535 pixels a side or
 * 2^28 pixels are refused before anything is allocated.
 *
 * The holding buffer is the engine's RGBA32 picture (rows of width x 4
 * bytes) from the last successful read; it outlives the image and stays
 * until MUR_DeleteNewRGBA or the next read. A failed read leaves it as it was.
 * @{
 */

/**
 * @brief Reads a picture file into the holding buffer.
 * @param path  the file; a metafile is drawn at the image's width x height
 *        over the current colour (MUR_SetColor), and fails without an image.
 * @return 1 when read; 0 when the file cannot be opened, is of no known
 *         kind, damaged, truncated or too large.
 * @par Last error
 * "ReadFromFile Excpt" on a fault.
 */
MUR_API int32_t MUR_ReadFromFile(const char* path);

/**
 * @brief Reads a camera raw file into the holding buffer: developed by
 * LibRaw at full size to 8-bit RGB (AHD demosaicing, the file's
 * orientation, the camera's colour matrix and embedded profile, gamma 2.24),
 * alpha 255. A raw picture beyond the size limits is refused before it is
 * unpacked.
 * @return 1 when read, else 0.
 * @par Last error
 * "ReadFromFileRAW Excpt" on a fault.
 */
MUR_API int32_t MUR_ReadFromFileRAW(const char* path);

/**
 * @brief Reads a picture file into a host buffer as packed RGB24.
 * @param buffer  width x height x 3 bytes.
 * @param width, height  the size the caller expects.
 * @param path  the file, read as by MUR_ReadFromFile.
 * @return 1 when the file's picture is exactly width x height and was
 *         copied; else 0 and the buffer untouched.
 * @par Last error
 * "ReadFromFileRGB24 Excpt" on a fault.
 */
MUR_API int32_t MUR_ReadFromFileRGB24(uint8_t* buffer, int32_t width, int32_t height, const char* path);

/**
 * @brief Reads a picture file into a host buffer as RGBA32 (metafiles opaque).
 * @param buffer  width x height x 4 bytes.
 * @return 1 when the sizes match and the picture was copied; else 0 and the buffer untouched.
 * @par Last error
 * "ReadFromFileRGBA32 Excpt" on a fault.
 */
MUR_API int32_t MUR_ReadFromFileRGBA32(uint8_t* buffer, int32_t width, int32_t height, const char* path);

/**
 * @brief The resolution a picture file's header records, in dots per inch,
 * snapped to a common value.
 *
 * Read from BMP and PNG (pixels per metre), JPEG (JFIF: per inch or per
 * centimetre), TIFF and PSD (per inch or per centimetre) and PCX (per
 * inch); per centimetre and per metre are converted and truncated. Then
 * 95..97 gives 96, 149..151 150, 199..201 200, 299..301 300, 449..451 450,
 * 599..601 600, and every other value 72 (a 302-dpi JPEG reads 72, a PNG
 * written at 302 dpi reads 300: 11889 pixels per metre are 301 dpi).
 * @return the snapped resolution; 72 for a file that cannot be opened, has
 *         no resolution or is of another kind.
 * @par Last error
 * "GetDPIFromFile Excpt" on a fault (the result is then 72).
 */
MUR_API int32_t MUR_GetDPIFromFile(const char* path);

/** @brief The width a PNG file's header gives. @return the width; 0 when the file cannot be opened or is not a PNG. */
MUR_API int32_t MUR_GetWidthFromPNG(const char* path);
/** @brief The height a PNG file's header gives. @return the height; 0 when the file cannot be opened or is not a PNG. */
MUR_API int32_t MUR_GetHeightFromPNG(const char* path);

/** @brief The holding buffer's width; 0 when it is empty. */
MUR_API int32_t MUR_GetNewRGBAWidth(void);
/** @brief The holding buffer's height; 0 when it is empty. */
MUR_API int32_t MUR_GetNewRGBAHeight(void);

/**
 * @brief Copies the holding buffer into a host buffer (nothing when it is empty).
 * @param buffer  MUR_GetNewRGBAWidth() x MUR_GetNewRGBAHeight() x 4 bytes; ignored when NULL.
 * @par Last error
 * "GetNewRGBA32 Excpt" on a fault.
 */
MUR_API void MUR_GetNewRGBA32(uint8_t* buffer);

/**
 * @brief Copies R, G, B of every pixel of the holding buffer into a host buffer.
 * @param buffer  MUR_GetNewRGBAWidth() x MUR_GetNewRGBAHeight() x 3 bytes; ignored when NULL.
 * @par Last error
 * "GetNewRGBA24 Excpt" on a fault.
 */
MUR_API void MUR_GetNewRGBA24(uint8_t* buffer);

/**
 * @brief Resamples the holding buffer to width x height and copies its
 * R, G, B into a host buffer: bicubic when any of the four sides is below 5,
 * else Lanczos3.
 * @param buffer  width x height x 3 bytes; nothing is written when the
 *        holding buffer is empty or a size is not positive.
 * @par Last error
 * "GetResizedNewRGB24 Excpt" on a fault.
 */
MUR_API void MUR_GetResizedNewRGBA24(uint8_t* buffer, int32_t width, int32_t height);

/** @brief 1 when any pixel of the holding buffer has an alpha below 255; 0 when all are opaque or it is empty.
 * @par Last error
 * "IsNewRGBA32Transparent Excpt" on a fault.
 */
MUR_API int32_t MUR_IsNewRGBA32Transparent(void);

/**
 * @brief Loads the holding buffer into the current layer at (0, 0) with its
 * own size, as MUR_LoadRGBA32Layer with masked 1 (texture, mask and the
 * layer's transparency lock apply); nothing without a current layer or a picture.
 * @par Last error
 * "SetInNewRGBA Excpt" on a fault.
 */
MUR_API void MUR_SetInNewRGBA(void);

/** @brief Releases the holding buffer.
 * @par Last error
 * "DeleteNewRGBA Excpt" on a fault.
 */
MUR_API void MUR_DeleteNewRGBA(void);

/**
 * @brief Writes an RGB24 host picture to a file by extension.
 *
 * ".bmp": 24-bit, truncate(dpi x 39.3700787) pixels per metre; ".png": 8-bit
 * RGB (colour type 2), the same pixels per metre; ".jpg": quality 97, no
 * chroma subsampling, dpi dots per inch; ".gif": 256 colours from the
 * picture's own palette (a picture of 256 colours or fewer keeps them
 * exactly), no transparent colour; ".pcx": 24-bit (three planes, run-length
 * coded) with dpi; ".psd": flat RGB, 8 bits, with dpi; ".emf" and ".wmf":
 * both an enhanced metafile of one 24-bit bitmap record.
 * @param pixels  width x height x 3 bytes, rows without gaps.
 * @param dpi  the resolution to record; 0 or less records none.
 * @return 1 when the file was written; 0 for an unknown extension, NULL
 *         pixels or path, a size of 0 or less or beyond the limits (no file
 *         is created then) or a failed write (an existing file is kept).
 * @par Last error
 * "WriteToFileRGB24 Excpt" on a fault.
 */
MUR_API int32_t MUR_WriteToFileRGB24(const uint8_t* pixels, int32_t width, int32_t height, const char* path,
                                     const char* extension, int32_t dpi);

/**
 * @brief Writes an RGBA32 host picture to a file by extension: ".png" (8-bit
 * RGBA, colour type 6, pixels per metre as for MUR_WriteToFileRGB24), ".tga"
 * (32-bit, rows top-down) or ".tif" (8 bits a sample, unassociated alpha,
 * Deflate, dpi dots per inch).
 * @param pixels  width x height x 4 bytes, rows without gaps.
 * @return 1 when written; 0 as for MUR_WriteToFileRGB24.
 * @par Last error
 * "WriteToFileRGBA32 Excpt" on a fault.
 */
MUR_API int32_t MUR_WriteToFileRGBA32(const uint8_t* pixels, int32_t width, int32_t height, const char* path,
                                      const char* extension, int32_t dpi);

/**
 * @brief Writes the composited page (MUR_MergeRect) without alpha as ".bmp",
 * ".png" or ".jpg", with the settings of MUR_WriteToFileRGB24.
 *
 * The page is composited and written one row at a time: besides the
 * encoder's own state, only one RGBA64 row and one output row are held.
 * @return 1 when the file was written; 0 for another extension, without an
 *         image, when a row buffer cannot be had or the write fails (no file is left).
 * @par Last error
 * "MUR_SavePageToFileRGB24 Excpt" on a fault.
 */
MUR_API int32_t MUR_SavePageToFileRGB24(const char* path, const char* extension, int32_t dpi);

/**
 * @brief Writes the composited page with its alpha as ".png", ".tga" or
 * ".tif", row by row, with the settings of MUR_WriteToFileRGBA32.
 * @return 1 when written, else 0 as for MUR_SavePageToFileRGB24.
 * @par Last error
 * "MUR_SavePageToFileRGB32 Excpt" on a fault.
 */
MUR_API int32_t MUR_SavePageToFileRGB32(const char* path, const char* extension, int32_t dpi);

/**
 * @brief Writes a thumbnail of a picture file as a 24-bit BMP without resolution.
 *
 * Fully transparent pixels become white, then the alpha is dropped. The
 * longer side becomes `side` and the other keeps the proportion, truncated
 * and at least 1 (300 x 200 at 100 gives 100 x 66; a square gives side x
 * side). Shrinking both sides averages the covered pixels; otherwise the
 * picture is resized bilinearly.
 * @return 1 when written; 0 when the source cannot be read, side is 0 or
 *         less, or the write fails.
 * @par Last error
 * "MakeThumbnails Excpt" on a fault.
 */
MUR_API int32_t MUR_MakeThumbnail(const char* source, const char* destination, int32_t side);

/**
 * @brief Writes a web picture of a picture file: a JPEG of quality 75 without
 * resolution, within maxWidth x maxHeight with the aspect ratio kept (1000 x
 * 500 within 300 x 300 gives 300 x 150), never enlarged; sides truncated and
 * at least 1. Transparent pixels keep their colour; the alpha is dropped.
 * @return 1 when written; 0 when the source cannot be read, a limit is 0 or
 *         less, or the write fails.
 * @par Last error
 * "MakeWebPic Excpt" on a fault.
 */
MUR_API int32_t MUR_MakeWebPic(const char* source, const char* destination, int32_t maxWidth, int32_t maxHeight);

/** @} */

/**
 * @defgroup clipboard Clipboard, screen capture and text-brush clips
 * @brief Pictures exchanged through the clipboard, the screen read into
 * the holding buffer, brushes made from the clipboard picture and text
 * characters written as brush pictures.
 *
 * The clipboard holds one picture as a device-independent bitmap (32 bits,
 * alpha kept). A 32-bit picture keeps its alpha unless every alpha byte is
 * zero; smaller depths come in opaque. With a desktop attached the picture
 * is also offered to and read from other programs; without one the
 * process's own clipboard serves, and the screen cannot be captured.
 * Pastes load back only the pixels the picture covers, so the rest of the
 * layer keeps its 16-bit values.
 * @{
 */

/**
 * @brief Copies the current layer to the clipboard, its alpha weighed by
 * the mask while the mask is enabled.
 * @return 1 when put; 0 without a current layer or when memory runs out.
 * @par Last error
 * "ToClipBoard Excpt" on a fault.
 */
MUR_API int32_t MUR_ToClipboard(void);
/**
 * @brief Copies the rectangle with corners (x0, y0) and (x1, y1) of the
 * current layer to the clipboard, as MUR_ToClipboard does.
 *
 * The corners may come in any order; the picture is |x0 - x1| x |y0 - y1|
 * pixels (the far corner excluded), clipped to the layer. An empty
 * rectangle puts nothing.
 * @return 1 when put, else 0.
 * @par Last error
 * "ToClipBoardRect Excpt" on a fault.
 */
MUR_API int32_t MUR_ToClipboardRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
/**
 * @brief Puts a host RGBA32 buffer of width x height pixels on the
 * clipboard.
 * @param buffer  width x height x 4 bytes; never written.
 * @param x, y  where the buffer lies in the image, for the mask.
 * @param applyMask  non-zero: while the mask is enabled, the mask rectangle
 *   (x, y)-(x + width - 1, y + height - 1) weighs the alpha of a copy.
 * @return 1 when put; 0 for a null buffer, a size outside 1..65535 or when
 *   memory runs out.
 * @par Last error
 * "RGBA32ToClipBoardRect Excpt" on a fault.
 */
MUR_API int32_t MUR_RGBA32ToClipboardRect(const uint8_t* buffer, int32_t x, int32_t y, int32_t width, int32_t height,
                                          int32_t applyMask);
/**
 * @brief Reads the clipboard picture into the holding buffer.
 * @return 1 when read; 0 for an empty clipboard, one without a picture, a
 *   damaged picture or when memory runs out.
 * @par Last error
 * "FromClipBoard Excpt" on a fault.
 */
MUR_API int32_t MUR_FromClipboard(void);
/**
 * @brief Pastes the clipboard picture over the current layer at (x, y),
 * with its alpha, clipped to the layer.
 *
 * Only the pixels the picture covers change, through the texture and the
 * enabled mask; the undo rectangle covers the paste. The holding buffer is
 * released afterwards.
 * @param centred  1: (x, y) is the picture's centre (half its size, rounded
 *   toward zero, is taken off).
 * @return 1 when any pixel was pasted, else 0.
 * @par Last error
 * "FromClipBoardInto Excpt" on a fault.
 */
MUR_API int32_t MUR_FromClipboardInto(int32_t x, int32_t y, int32_t centred);
/**
 * @brief The transforming paste: the clipboard picture scaled, turned and
 * merged in "Normal" into the paint layer or the current layer.
 *
 * The picture's longer side becomes size (smooth: premultiplied bicubic
 * below 5 pixels, else Lanczos; otherwise the nearest sample); angle turns
 * it in hundredths of a degree (0 and 36000 turn nothing). The result is
 * kept for the next call with the same size, angle and smoothing, which
 * then does not read the clipboard; MUR_ClearClipEX2Cache forgets it (a new
 * clipboard picture does not). The picture is placed at (x, y) (its centre
 * with centred = 1), clipped to the image, weighed by the texture and the
 * enabled mask and merged with the opacity given (0..256), density 255 and
 * the current layer's alpha lock: into the paint layer when toPaintLayer is
 * non-zero and one exists (its extents then cover the image), else into the
 * current layer.
 * @return 0 always.
 * @par Last error
 * "FromClipBoardIntoEX Excpt" on a fault.
 */
MUR_API int32_t MUR_FromClipboardIntoEX2(int32_t x, int32_t y, int32_t size, int32_t angle, int32_t centred,
                                         int32_t smooth, int32_t opacity, int32_t toPaintLayer);
/**
 * @brief Forgets the transformed picture MUR_FromClipboardIntoEX2 keeps.
 * @par Last error
 * "ClearClipEX2Cache Excpt" on a fault.
 */
MUR_API void MUR_ClearClipEX2Cache(void);
/**
 * @brief Mirrors the clipboard picture and puts it back.
 * @param horizontal  1 mirrors left to right; any other value top to bottom.
 * @return 1 when done; 0 without a clipboard picture.
 * @par Last error
 * "ClipBoardHFlip Excpt" on a fault.
 */
MUR_API int32_t MUR_ClipboardFlip(int32_t horizontal);
/**
 * @brief Captures the whole screen into the holding buffer, alpha 255.
 * @return 1 when captured; 0 without a display or a readable screen.
 * @par Last error
 * "ScreenCapture Excpt" on a fault.
 */
MUR_API int32_t MUR_ScreenCapture(void);
/**
 * @brief Captures the screen and pastes it into the current layer at (0, 0)
 * as MUR_FromClipboardInto does.
 * @return 1 when pasted, else 0.
 * @par Last error
 * "ScreenCaptureInto Excpt" on a fault.
 */
MUR_API int32_t MUR_ScreenCaptureInto(void);
/**
 * @brief Writes the clipboard picture to a file by extension (as
 * MUR_WriteToFileRGBA32), through the holding buffer, which is released.
 * @return 1 when written, else 0.
 * @par Last error
 * "FromClipBoardToFile Excpt" on a fault.
 */
MUR_API int32_t MUR_FromClipboardToFile(const char* path, const char* extension, int32_t dpi);
/**
 * @brief Reads a picture file into the holding buffer (MUR_ReadFromFile) and
 * puts it on the clipboard.
 * @return 1 when put, else 0.
 * @par Last error
 * "ToClipBoardFromFile Excpt" on a fault.
 */
MUR_API int32_t MUR_ToClipboardFromFile(const char* path);
/**
 * @brief Makes the clipboard picture the image brush: its longer side
 * scaled to size (premultiplied; area average when narrowing, else
 * Lanczos), centred on a transparent size x size square.
 * @return 1 when loaded; 0 without a picture or for a size outside 1 ..
 *   the largest brush size.
 * @par Last error
 * "FromClipBoardToImageBrush Excpt" on a fault.
 */
MUR_API int32_t MUR_FromClipboardToImageBrush(int32_t size);
/**
 * @brief Writes the square picture MUR_FromClipboardToImageBrush would load
 * as a PNG file at 300 dpi.
 * @return 1 when written, else 0.
 * @par Last error
 * "MUR_FromClipboardToImageBrushFile Excpt" on a fault.
 */
MUR_API int32_t MUR_FromClipboardToImageBrushFile(const char* path, int32_t size);
/**
 * @brief Writes a brush shape file from the clipboard picture: scaled as
 * for the image brush, turned by angle hundredths of a degree (0 and 36000
 * turn nothing), centred on a size x size square and written as a grey PNG
 * at 300 dpi whose level is the coverage.
 *
 * A picture that is opaque everywhere takes its coverage from its
 * darkness: 255 - (R + G + B) / 3, so black paint covers fully and white
 * not at all.
 * @return 1 when written, else 0.
 * @par Last error
 * "MUR_FromClipboardToShapeFile Excpt" on a fault.
 */
MUR_API int32_t MUR_FromClipboardToShapeFile(const char* path, int32_t size, int32_t angle);
/**
 * @brief The font chooser of the text brush: without a desktop dialog it
 * confirms the current choice at once.
 *
 * The record is resolved through fontconfig (no family means "sans-serif",
 * height 0 means 16 pixels) and the family of the face found is written
 * back. When no font can be had, the last error becomes "Font Err:
 * CFERR_NOFONTS", the record is emptied and the choice is tried once more.
 * Hosts name a face with MUR_SetFontByName(1, ...).
 * @return 1 when a font was confirmed, else 0.
 * @par Last error
 * "ChooseTextBrushFont Excpt" on a fault.
 */
MUR_API int32_t MUR_ChooseTextBrushFont(void);
/**
 * @brief The same chooser for the text tool's font (MUR_SetFontByName
 * record 0).
 * @return 1 when a font was confirmed, else 0.
 * @par Last error
 * "ChooseFont Excpt" on a fault.
 */
MUR_API int32_t MUR_ChooseFont(void);
/**
 * @brief Draws each character of a text in the text brush font into its own
 * PNG file, folder/clip0.png, folder/clip1.png, ...
 *
 * Characters are UTF-8 code points; a byte that starts no valid sequence is
 * a Windows-1252 character. Each file is RGBA at 8 bits, 100 dpi (3937
 * pixels a metre), as large as the character's box, the colour (r, g, b)
 * with the glyph's coverage as alpha.
 * @return the number of files written; 0 for a null or empty text, a null
 *   or empty folder or when no font can be found.
 * @par Last error
 * "BuildTextBrushClips Excpt" on a fault.
 */
MUR_API int32_t MUR_BuildTextBrushClips(int32_t r, int32_t g, int32_t b, const char* text, const char* folder);

/** @} */

/**
 * @defgroup export Animation and document export
 * @brief Recording an AVI or an animated GIF while the user paints, and
 * PDF documents and slide shows of picture files.
 *
 * At most one AVI and one GIF recording are open at a time; each is bound
 * to the image size when it is created, and frames of another size are
 * ignored. A recording is written under a temporary name beside its
 * destination and takes the destination's name when it is closed (an
 * existing file is replaced only then); creating a recording while one is
 * open closes the open one first, finished and valid. The recordings
 * outlive the image (MUR_DeleteImage leaves them open).
 *
 * AVI files hold one video stream of framePeriod milliseconds a frame,
 * every frame a key frame, in an index: uncompressed 24-bit rows
 * (bottom-up, B, G, R, each padded to 4 bytes) or Motion JPEG, chosen on
 * the first frame (MUR_SetAVICompression). The RIFF sizes are 32-bit: a
 * recording that would pass 4 GiB, or meets a write error, takes no more
 * frames and still closes as a valid file of the frames before.
 * @{
 */

/**
 * @brief Sets how the frames of the next AVI recordings are compressed.
 *
 * Asked once per recording, on its first frame (a desktop may show its
 * compression dialog instead, with this as the proposal). Until it is set,
 * frames are uncompressed.
 * @param codec  0: uncompressed 24-bit rows; 1: Motion JPEG (baseline,
 *        chroma halved both ways); -1: "cancelled", the user backed out: the
 *        recording that asks takes no frame until it is closed.
 * @param quality  the JPEG quality 1..100 for codec 1; ignored otherwise.
 * @return 1 when set; 0 (and the setting kept) for another codec or a
 *         quality outside 1..100 with codec 1.
 * @par Last error
 * "SetAVICompression Excpt" on a fault.
 */
MUR_API int32_t MUR_SetAVICompression(int32_t codec, int32_t quality);

/**
 * @brief Starts an AVI recording of the image's size.
 * @param path  the file to write when the recording is closed.
 * @param framePeriod  milliseconds a frame, 1 or more.
 * @return 1 when the recording was started; 0 without an image, with a
 *         framePeriod below 1, an image side beyond 32767 or a destination
 *         whose folder cannot be written (no recording is open then).
 * @par Last error
 * "CreateAVI Excpt" on a fault.
 */
MUR_API int32_t MUR_CreateAVI(const char* path, int32_t framePeriod);

/**
 * @brief Appends a BMP file (any depth the BMP reader takes) to the AVI
 * recording as a 24-bit frame.
 * @param bmpPath  a BMP of the recording's size; another size, a damaged
 *        file or another kind of picture is ignored.
 * @return 1 when the frame was written; 0 without a recording, for an
 *         ignored file, after "cancelled" or a stream error.
 * @par Last error
 * "WriteAVI Excpt" on a fault.
 */
MUR_API int32_t MUR_WriteAVI(const char* bmpPath);

/**
 * @brief Appends an RGB24 picture to the AVI recording as a frame.
 * @param pixels  width x height x 3 bytes, rows of width x 3 bytes, top row first.
 * @param width, height  the recording's size, else the frame is ignored.
 * @return 1 when the frame was written; else 0 as for MUR_WriteAVI.
 * @par Last error
 * "WriteAVI_RGB24 Excpt" on a fault.
 */
MUR_API int32_t MUR_WriteAVI_RGB24(const uint8_t* pixels, int32_t width, int32_t height);

/**
 * @brief Finishes the AVI recording: writes its index and sizes and gives
 * the file its name.
 * @return 1 when the file was finished with every frame offered; 0 without
 *         a recording, when a frame was refused ("cancelled", a stream error,
 *         the size bound: the file then holds the frames before) or the file
 *         could not be finished (no file is left).
 * @par Last error
 * "CloseAVI Excpt" on a fault.
 */
MUR_API int32_t MUR_CloseAVI(void);

/**
 * @brief Starts an animated GIF recording of the image's size: GIF89a,
 * looping for ever, each frame with its own 256 colours, no transparent colour.
 * @param path  the file to write when the recording is closed.
 * @param frameDelayMs  milliseconds a frame; stored in hundredths of a
 *        second, truncated (250 gives 25, 99 gives 9) and held to 0..65535.
 * @param palette  the global colour table: 1024 bytes, 256 entries of R, G,
 *        B and an unused byte; NULL gives an all-black table.
 * @return the delay in hundredths of a second; -1 when no recording could
 *         be started (no image, a NULL path, a folder that cannot be written).
 * @par Last error
 * "CreateGIF Excpt" on a fault.
 */
MUR_API int32_t MUR_CreateGIF(const char* path, int32_t frameDelayMs, const uint8_t* palette);

/**
 * @brief Appends an RGB24 picture to the GIF recording, reduced to at most
 * 256 colours of its own (as MUR_WriteToFileRGB24 writes a ".gif").
 * @param pixels  width x height x 3 bytes, rows of width x 3 bytes.
 * @param width, height  the recording's size, else the frame is ignored.
 * @return 1 when the frame was written; 0 without a recording, for another
 *         size or when it could not be written (the recording then takes no
 *         more frames and closes with those before).
 * @par Last error
 * "WriteGIF_RGB24 Excpt" on a fault.
 */
MUR_API int32_t MUR_WriteGIF_RGB24(const uint8_t* pixels, int32_t width, int32_t height);

/**
 * @brief Finishes the GIF recording and gives the file its name.
 * @return 1 when the file was written; 0 without a recording or when it
 *         could not be finished.
 * @par Last error
 * "CloseGIF Excpt" on a fault.
 */
MUR_API int32_t MUR_CloseGIF(void);

/**
 * @brief Empties the list of pictures of the next PDF document.
 * @par Last error
 * "I2PDF_Reset Excpt" on a fault.
 */
MUR_API void MUR_I2PDF_Reset(void);

/**
 * @brief Adds a picture file as the next page of the next PDF document.
 * @param imagePath  any picture file the engine reads; it is read when the
 *        document is made.
 * @return 1 when added; 0 for a NULL or empty path, a path beyond 4096
 *         bytes or a list of 4096 pictures already.
 * @par Last error
 * "I2PDF_AddImage Excpt" on a fault.
 */
MUR_API int32_t MUR_I2PDF_AddImage(const char* imagePath);

/**
 * @brief Makes a PDF document of the pictures added since the last reset,
 * one page each, in order, then empties the list.
 *
 * Each page shows its picture at full resolution at 96 dpi inside a border
 * of 20 pixels of light gray (196, 196, 196): a w x h picture gives a page
 * of (w + 40) x 0.75 by (h + 40) x 0.75 points. A baseline JPEG file is
 * embedded as it is; other pictures are decoded (transparent parts over
 * white) and stored Flate-compressed. Pictures that cannot be read, or
 * with a side beyond 19160 pixels, make no page. Once the document is
 * written, the files that became pages are deleted; the others, and all of
 * them when nothing was written, are kept.
 * @param pdfPath  the document; written under a temporary name and renamed
 *        when complete.
 * @return 1 when the document was written; 0 when there was no page or the
 *         write failed (no file is left, an existing one is kept).
 * @par Last error
 * "I2PDF_MakePDF Excpt" on a fault.
 */
MUR_API int32_t MUR_I2PDF_MakePDF(const char* pdfPath);

/**
 * @brief Makes the document as MUR_I2PDF_MakePDF does, as a slide show: it
 * opens in full-screen mode, and every page comes in with a transition of
 * boxes closing in on the middle over 1 second and is shown for 4 seconds.
 * @return 1 when the document was written, else 0.
 * @par Last error
 * "I2PDF_MakePDFSlideshow Excpt" on a fault.
 */
MUR_API int32_t MUR_I2PDF_MakePDFSlideshow(const char* pdfPath);

/** @} */

/**
 * @defgroup plugins Plug-ins and scanners
 * @brief Filter plug-ins (`.8bf` files) listed from folders, and scanners
 * through SANE (libsane.so.1, loaded at run time when present).
 *
 * Plug-ins are found by reading their files, never by loading them: each
 * listed filter is named "Category :: Name :: path". Running one is the
 * effect "Adobe Compatible Plug-ins", which needs a plug-in host library
 * (libapih.so) that the host supplies. Scanner calls each open and close a
 * whole SANE session; without the library or a device they return 0 and
 * leave the last-error text alone.
 * @{
 */

/**
 * @brief Lists the filter plug-ins under a folder and its subfolders (eight
 * levels down; links to folders are not followed), in byte order of names:
 * every regular file whose name ends in ".8bf" (any case) that describes
 * filters. The filters are put in front of those still listed, so
 * MUR_PhotoshopPluginNextName returns them newest first.
 * @param folder the folder; a filter's path is this text, "/" and the path
 *        below it, followed by "#" and the resource's number when its file
 *        holds several filters (or its name, when it has one).
 * @return the number of filters listed; 0 when the folder cannot be read.
 * @par Last error
 * "PhotoshopPluginScan_cb Excpt" when a filter could not be copied into the
 * list (it is skipped and the scan goes on); "PhotoshopPluginScan Excpt" on
 * another fault.
 */
MUR_API int32_t MUR_PhotoshopPluginScan(const char* folder);
/**
 * @brief Takes the newest listed filter off the list.
 * @return "Category :: Name :: path" (UTF-8, at most 1023 bytes, cut between
 *         characters), in a buffer of the engine that the next call
 *         overwrites; the empty text when the list is empty. The category
 *         is empty for a filter without one.
 * @par Last error
 * "MUR_PhotoshopPluginNextName Excpt" on a fault (the empty text is returned).
 */
MUR_API const char* MUR_PhotoshopPluginNextName(void);

/** @brief Whether scanners can be used: 1 when the SANE library loads and initialises, else 0. */
MUR_API int32_t MUR_IsTwain(void);
/**
 * @brief Chooses the scanner later acquisitions use: the one chosen by name
 * (MUR_TwainSelectSourceByName) when it is present, else the first.
 * @return 1 when a scanner is chosen; 0 without scanners.
 */
MUR_API int32_t MUR_TwainSelectSource(void);
/**
 * @brief Chooses a scanner by its device name (MUR_TwainGetSourceName).
 * @return 1 when such a scanner is present and chosen; 0 otherwise (the
 *         choice is kept).
 */
MUR_API int32_t MUR_TwainSelectSourceByName(const char* name);
/**
 * @brief The device name of scanner index (0 the first).
 * @return the name, in a buffer of the engine that the next call
 *         overwrites; the empty text past the last scanner.
 */
MUR_API const char* MUR_TwainGetSourceName(int32_t index);
/**
 * @brief Scans one picture with the chosen scanner (or the first) at its own
 * settings into the holding buffer, fully opaque (MUR_GetNewRGBA32).
 *
 * Gray, colour and three-pass red, green, blue frames of 1 (a set gray bit
 * is black), 8 and 16 bits a sample are read. The old picture is replaced
 * only by a whole new one.
 * @return 1 when a picture was scanned; 0 otherwise, the holding buffer
 *         unchanged.
 * @par Last error
 * "TwainAcquire Excpt" on a fault.
 */
MUR_API int32_t MUR_TwainAcquire(void);

/** @} */

/**
 * @defgroup tablet Tablet
 * @brief Pen input through a Wintab driver library loaded at run time
 * (libwintab32.so); without one every call returns its neutral value.
 *
 * A fault inside these calls is swallowed: the call returns 0 and leaves no
 * last-error text. Packets are read in batches of up to 256; index names a
 * packet of the last batch.
 * @{
 */

/** @brief Opens the tablet context for a window (replacing an open one). @return non-zero when open; 0 without a tablet or driver. */
MUR_API int32_t MUR_InitTablet(MUR_Window window);
/** @brief Takes the window's client origin as the origin of packet coordinates. @return 1 when converted; 0 without a context or when the origin cannot be read. */
MUR_API int32_t MUR_SetTabletOrigin(void);
/** @brief Closes the tablet context. @return the driver's result; 0 without a context. */
MUR_API int32_t MUR_CloseTablet(void);
/** @brief Start of a stroke: pressure back to 10 % and the driver's queue emptied. */
MUR_API void MUR_ResetTabletPressure(void);
/** @brief Reads up to 256 packets from the driver. @return their number; 0 without a context. */
MUR_API int32_t MUR_ReadTabletPackets(void);
/**
 * @brief Pen pressure of packet index in percent, at least 1.
 * @return the pressure; for a missing packet (a stroke made with the mouse)
 *         a ramp that rises from the reset value to 100 over successive calls.
 */
MUR_API int32_t MUR_ReadTabletPressure(int32_t index);
/** @brief Scaled pressure of packet slot 0..255; 0 otherwise or without a context. */
MUR_API int32_t MUR_ReadRawTabletPressure(int32_t index);
/** @brief 1 when packet index came from the eraser end of the pen. */
MUR_API int32_t MUR_IsPacketInvert(int32_t index);
/** @brief The driver's status word of packet index; 0 without such a packet. */
MUR_API uint32_t MUR_PacketStatus(int32_t index);
/** @brief X of packet index relative to the window's client origin; 0 without such a packet. */
MUR_API int32_t MUR_ReadTabletX(int32_t index);
/** @brief Y of packet index relative to the window's client origin; 0 without such a packet. */
MUR_API int32_t MUR_ReadTabletY(int32_t index);

/** @} */

/** @cond MURCORE_INTERNAL */
#ifdef __cplusplus
}
#endif
/** @endcond */

#endif /* MURCORE_H */
