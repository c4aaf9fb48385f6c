// The loading screen: the start-up splash and the progress bar redrawn at each preparation step.
#pragma once

// Five frames cleared to opaque black, presented; then one more frame begins.
void Loading_Splash();
// Draws the bar filled to `percent` (when the progress bar is on), presents the frame, begins the
// next one and pumps window messages. The caption is not drawn.
void Loading_Update(int percent, const char* caption);
