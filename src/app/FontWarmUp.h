#pragma once

// A windowed start reads the system's font configuration (tens of files of XML) before it
// draws the first letter. Started on a second thread while the window libraries are still
// being loaded and bound, that reading is done by the time the first window is made.
namespace FontWarmUp {

// Begins the reading; false (and nothing done) where the font library is not found.
bool start();
// Waits until the reading is done; called before the first font is asked for, so that the
// window code never reads the configuration a second time beside the thread.
void finish();

} // namespace FontWarmUp
