// Recording and replaying the input of every step ("-record FILE", "-playback FILE").
//
// A record is the published keyboard and mouse state of one step, little-endian, without
// separators: last character (2), typed string (1025 UTF-16 units), last key (4), key (4), key
// down, released and pressed flags (256 each), mouse_button and mouse_lastbutton per device (5 x 4
// each), button down, released and pressed flags (15 each), wheel up and down flags (5 each), the
// cursor on the screen (x, y), the cursor in the client area (x, then y).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "IO/IO_Main.h"

inline constexpr size_t kRecordSize = 2 + 2050 + 4 + 4 + 3 * 256 + 20 + 20 + 3 * 15 + 5 + 5 + 8 + 4 + 4;

void IO_EncodeRecord(const IOState& state, uint8_t* out);
// Fills `state` (keys, buttons, wheel, text, cursor) from one record. False, with `state`
// untouched, when the record cannot be one the runner wrote: a flag that is neither 0 nor 1, a
// mouse button outside 0..3, a typed string without its terminator. `why` names the field.
bool IO_DecodeRecord(const uint8_t* in, IOState& state, std::string& why);

// Opening at start-up. Each says on the console when its file cannot be used, and the feature is
// then off. Recording writes to a temporary file beside FILE that becomes FILE when recording ends.
bool IO_StartRecording(const std::string& path);
bool IO_StartPlayback(const std::string& path);
// Ends recording (the file is renamed into place) and playback (the file is closed).
void IO_StopCapture();

bool IO_Recording();
bool IO_PlayingBack();

// Appends the current state as the step's record (flushed at once).
void IO_WriteRecord(const IOState& state);
// Reads the step's record into the current state. At the end of the file, or at a record that is
// cut short or corrupt, playback ends with a console line and false is returned (the caller goes
// on with live input).
bool IO_ReadRecord(IOState& state);
