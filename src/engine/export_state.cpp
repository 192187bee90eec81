#include "engine/export_state.h"

namespace mur {

ExportState exporting;

}  // namespace mur
