#pragma once

namespace X11 {
// True when a compositing manager runs on the display's default screen. Without one, translucent windows are
// drawn over solid black and window opacity has no effect.
bool compositingManagerRunning();
} // namespace X11
