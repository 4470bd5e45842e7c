// The Qt implementation of the UI seam: message boxes, the desktop's file
// opener, the file picker. The application object makes it the default seam.
#pragma once

#include "core/ui_seam.h"

namespace lumo {

UiSeam& QtUiSeam();

}  // namespace lumo
