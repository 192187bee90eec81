// What the input and output module offers the other modules and its own exports:
// its internal interface.
#pragma once

#include "imaging/picture.h"
#include "murcore.h"

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
