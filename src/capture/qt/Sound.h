#pragma once

// The sound of a successful copy: the sound theme's "screen-capture" event through libcanberra. Silent when no
// sound server answers or Ambrel was built without libcanberra.
namespace Sound {
void playCapture();
} // namespace Sound
