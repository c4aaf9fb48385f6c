// The loading screen: the start-up splash, and the loading image with its bar redrawn at each
// preparation step.
#pragma once

// Five frames cleared to opaque black, presented; then one more frame begins.
void Loading_Splash();
// Draws the game's loading image centred and the bar filled to `percent` (the game's bar pictures,
// or the plain bar of the progress-bar option), presents the frame, begins the next one and pumps
// window messages. The caption is not drawn. At 100 the screen's textures are released.
void Loading_Update(int percent, const char* caption);
// Releases the screen's textures (between games in one process).
void Loading_Reset();
