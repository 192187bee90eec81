// Where mur finds the engine's shared files (texture scripts): beside the
// program, at <folder of mur>/MUR_SHARE_RELATIVE, so that an installed mur
// and one in the build tree both find theirs, wherever they were moved.
#pragma once

#include <string>

namespace mur_tool {

std::string share_dir();

}  // namespace mur_tool
