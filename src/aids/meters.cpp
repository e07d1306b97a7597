// Placeholder: this subsystem is being built; replace this file whole.
#include "aids/meters.h"
namespace tims {
void resetMeters(PluginState&) {}
void runMeters(PluginState&) {}
}
