// Placeholder: this subsystem is being built; replace this file whole.
#include "unit/frame_update.h"
namespace tims {
void updateUnitFrame(TimsUnit&) {}
}
