// What the input and output module offers the other modules and its own exports:
// its internal interface.
#pragma once

#include "imaging/picture.h"
#include "murcore.h"

#include <cstddef>
#include <cstdint>

namespace mur::io {

// ---- The holding buffer ------------------------------------------------------------

// A new holding buffer of width x height RGBA32 pixels (zeroed), replacing
// the old one; null (and the old one kept) when the size is out of bounds
// or the memory cannot be had even with the undo history given up.
uint8_t* create_holding_buffer(int32_t width, int32_t height);

// Makes a decoded picture the holding buffer (the old one released); the
// picture is emptied.
void hold_picture(imaging::Rgba32Picture& picture);

void release_holding_buffer();

// ---- Image files -------------------------------------------------------------------

// The current colour as a Windows colour value 0x00BBGGRR, from the high
// bytes of its channels: the background metafiles are drawn over.
uint32_t metafile_background() noexcept;

// Decodes a picture file (metafiles drawn at the image's size over the
// metafile background); false when it cannot be read.
bool read_picture_file(const char* path, imaging::Rgba32Picture& picture) noexcept;

int32_t read_from_file(const char* path);
int32_t read_from_file_raw(const char* path);
int32_t read_from_file_into(uint8_t* buffer, int32_t width, int32_t height, const char* path, int32_t channels);

// Writes a host picture of `channels` (3: RGB24, 4: RGBA32) bytes a pixel by
// its extension; 1 when the file was written.
int32_t write_to_file(const uint8_t* pixels, int32_t width, int32_t height, const char* path, const char* extension,
                      int32_t dpi, int32_t channels);

// The composited page, row by row; 1 when the file was written.
int32_t save_page_to_file(const char* path, const char* extension, int32_t dpi, int32_t channels);

int32_t make_thumbnail(const char* source, const char* destination, int32_t side);
int32_t make_web_picture(const char* source, const char* destination, int32_t maxWidth, int32_t maxHeight);


// ---- Clipboard and screen capture -------------------------------------------------

// Puts an RGBA32 picture on the clipboard; false when it could not be put.
bool put_on_clipboard(const uint8_t* rgba, int32_t width, int32_t height, std::ptrdiff_t stride) noexcept;

// The clipboard picture into the holding buffer; false when the clipboard
// holds none (or a block that does not decode).
bool read_clipboard_into_holding();

// Lays an RGBA32 picture with its alpha over the current layer at (x, y),
// clipped to the layer; only the pixels the picture covers are loaded back,
// through the texture and the enabled mask. 1 when any pixel landed.
int32_t paste_picture_into_layer(const uint8_t* rgba, int32_t width, int32_t height, int64_t x, int64_t y);

// The holding buffer pasted at (x, y) (its centre there when `centred`),
// then released; 1 when any pixel landed.
int32_t paste_holding_into_layer(int64_t x, int64_t y, bool centred);

// The current layer, whole or the rectangle with corners (x0, y0) and
// (x1, y1) in any order (the far corner excluded) clipped to the layer,
// through the enabled mask onto the clipboard; 1 when put.
int32_t layer_to_clipboard(int32_t x0, int32_t y0, int32_t x1, int32_t y1, bool whole);

// A host's RGBA32 buffer onto the clipboard, the enabled mask's rectangle at
// (x, y) laid on a copy's alpha when `applyMask`; 1 when put.
int32_t buffer_to_clipboard(const uint8_t* buffer, int32_t x, int32_t y, int32_t width, int32_t height, bool applyMask);

// The clipboard picture mirrored left to right (horizontal) or top to
// bottom, put back; 1 when done.
int32_t flip_clipboard(bool horizontal);

// The screen into the holding buffer; 1 when captured.
int32_t capture_screen_into_holding();

// The transforming paste: the clipboard picture with its longer side at
// `size` and turned by `angle` hundredths of a degree (the result kept in
// the transform cache for the next paste with the same size, angle and
// smoothing), placed at (x, y) (its centre there when `centred`), clipped to
// the image, weighed by the texture and the mask and merged in Normal at
// `opacity` into the paint layer (when asked and there is one; its extents
// then cover the image) or the current layer.
void paste_transformed(int32_t x, int32_t y, int32_t size, int32_t angle, bool centred, bool smooth, int32_t opacity,
                       bool toPaintLayer);
void clear_clip_cache() noexcept;

// The clipboard picture scaled into a size x size square: the image brush
// (1 when loaded), or a PNG file at 300 dpi, as it is or as a grey brush
// shape (turned by `angle`; an opaque picture's coverage from its darkness).
int32_t clipboard_to_image_brush(int32_t size);
int32_t clipboard_to_brush_file(const char* path, int32_t size, int32_t angle, bool shape);

// ---- Fonts and text-brush clips ----------------------------------------------------

// The next character of a text from byte `at` (moved past it): a UTF-8
// sequence, or else the byte alone as a Windows-1252 character.
uint32_t next_character(const char* text, std::size_t& at) noexcept;

// The last-error text of a font dialog error code ("Font Err: ...").
const char* font_error_text(int32_t code) noexcept;

// The font chooser of record `which` (0 text tool, 1 text brush): 1 when a
// font was confirmed.
int32_t choose_font(int32_t which);

// Each character of `text` drawn in the text brush font and colour (r, g,
// b) into folder/clip<i>.png (RGBA, 8 bits, 100 dpi); the number of files
// written.
int32_t build_text_brush_clips(int32_t r, int32_t g, int32_t b, const char* text, const char* folder);

// ---- Animation and document export ----------------------------------------------

// The AVI recorder: 1 when a recorder was started (an open one is finished
// first); frames: 1 when written; close: 1 when every frame offered was
// written and the file finished.
int32_t create_avi(const char* path, int32_t framePeriod);
int32_t write_avi_rgb24(const uint8_t* pixels, int32_t width, int32_t height);
int32_t write_avi_bmp(const char* bmpPath);
int32_t close_avi();

// The GIF recorder: the delay in hundredths, or -1 when none was started.
int32_t create_gif(const char* path, int32_t frameDelayMs, const uint8_t* palette);
int32_t write_gif_rgb24(const uint8_t* pixels, int32_t width, int32_t height);
int32_t close_gif();

// The pictures of the next PDF document.
void pdf_reset();
int32_t pdf_add_image(const char* imagePath);
int32_t make_pdf(const char* pdfPath, bool slideShow);

// ---- Filter plug-ins ----------------------------------------------------------------

// Lists the filters of the plug-ins under a folder (MUR_PhotoshopPluginScan):
// the number listed, 0 when the folder cannot be read.
int32_t scan_plugins(const char* folder);
// Pops the newest listed filter as "Category :: Name :: path" (at most 1023
// bytes, cut between characters); the empty text when none is left. The
// text lives until the next call.
const char* next_plugin_name();

// The effect "Adobe Compatible Plug-ins" over the IPL buffers, whole: the
// source refilled from the current layer and handed to the plug-in host in
// B, G, R, A order with the destination, the filter named by `path` (a path
// the list gave) run with its dialog, or in its other mode when `otherMode`
// (the effect's first flag), and on success the destination stored back in
// R, G, B, A order into the current layer through the texture and the mask
// (MUR_LoadRGBA32Layer with its last flag 1), the layer's transparency lock
// forced on for that store in the other mode. False, with the layer
// unchanged, without a current layer or page-sized IPL source and
// destination, when the path names no listed filter, without the plug-in
// host library (last error "Plug-in host not available") or when the
// plug-in reports a failure.
bool run_plugin_effect(const char* path, bool otherMode);

// ---- Scanners -----------------------------------------------------------------------

// The work of MUR_IsTwain, MUR_TwainSelectSource, MUR_TwainSelectSourceByName,
// MUR_TwainGetSourceName and MUR_TwainAcquire.
int32_t scanner_available();
int32_t select_scanner();
int32_t select_scanner_by_name(const char* name);
const char* scanner_name(int32_t index);
int32_t acquire_scan();

// ---- The work of the exports of the same name (MUR_...), so that other
// modules call it directly -------------------------------------------------

int32_t init_tablet(MUR_Window window);
int32_t set_tablet_origin();
int32_t read_tablet_packets();
int32_t read_tablet_pressure(int32_t index);

}  // namespace mur::io
