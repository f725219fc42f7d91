#pragma once

class QWidget;

// Brings one of the program's windows to the front: shown, raised and given the focus. Linux has no Dock, so the
// design's Dock-icon rule reduces to the taskbar entry every shown window has anyway.
namespace AppActivation {
void show(QWidget* window);
} // namespace AppActivation
