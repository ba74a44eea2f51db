#include "imaging/ImageOptions.h"

namespace {
bool g_force256Colors = false;
} // namespace

void SetForce256Colors(bool on) {
    g_force256Colors = on;
}

bool Force256Colors() {
    return g_force256Colors;
}
