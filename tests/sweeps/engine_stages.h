// The engine states the sweeps call exports in: before any image, with an
// image whose every part is in use, and after that image was deleted.
#pragma once

#include "sweeps/export_table.h"

#include <cstdint>

namespace mur::sweep {

// FreshImage is the image and its layers alone, as just made and loaded: no
// texture, paint layer, working buffers or undo history, so that the exports
// that make those on first use allocate, and the guarded allocators have no
// history to give up.
enum class Stage { NoImage, ImageWithLayers, FreshImage, AfterDelete };
inline constexpr Stage kStages[] = {Stage::NoImage, Stage::ImageWithLayers, Stage::AfterDelete};
inline constexpr Stage kAllStages[] = {Stage::NoImage, Stage::FreshImage, Stage::ImageWithLayers,
                                       Stage::AfterDelete};

const char* stage_name(Stage stage);
bool stage_from_name(const char* name, Stage& stage);

inline constexpr int32_t kStageWidth = 64;
inline constexpr int32_t kStageHeight = 48;

// Builds the stage from a fresh engine, through the public interface: for
// ImageWithLayers an image of kStageWidth x kStageHeight with the trace image,
// the background and two layers holding pixels (slot 2 current, slot 3 in
// "Multiply"), a texture, a partly protected mask, a tool with a brush, the
// paint layer with a dab in it, two blend buffers, the four image-processing
// buffers and an undo history of two steps.
void build_stage(Stage stage);

// The image the engine holds now (0 x 0 without one).
ImageSize current_image();

// What a host does next with the engine: reads the current layer back,
// renders it, paints a dab, undoes and redoes. Run after a call to find
// calls that leave the engine in a state the next ordinary call dies of.
void use_engine_as_host();

}  // namespace mur::sweep
