// One game step: its stages in their fixed order. Each stage is a named function; the world,
// input, collision and drawing modules fill them in.
#pragma once

// Runs one step. After every stage from the begin-step events to the end-step events the step
// checks the new-room request and skips the rest of the step when one is pending.
void Run_GameStep();

// The stages, in order (exposed so that tests can follow them).
void Step_PublishInput();          // 1
bool Step_FrozenWhileInactive();   // 2: true skips the rest of the step
void Step_RememberPositions();     // 3
void Step_BeginStepEvents();       // 4
void Step_Timelines();             // 5
void Step_Alarms();                // 6
void Step_KeyboardEvents();        // 7
void Step_JoystickEvents();        // 8
void Step_MouseEvents();           // 9
void Step_StepEvents();            // 10
void Step_Motion();                // 11
void Step_OtherEvents();           // 12
void Step_CollisionEvents();       // 13
void Step_EndStepEvents();         // 14
void Step_Particles();             // 15
void Step_RemoveAndDraw();         // 16
void Step_ScrollBackgrounds();     // 17
void Step_Animation();             // 18

// Whether the game window is the active window (always true without a window).
bool Run_WindowActive();
