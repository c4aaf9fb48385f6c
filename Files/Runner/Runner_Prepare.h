// Preparation after the main chunk pass: the steps that ready every subsystem, each with its
// console line, its loading-bar percentage and its failure message.
#pragma once
#include <functional>
#include <string>

enum PrepareStep {
  kPrepareIncludedFiles,
  kPrepareExtensions,
  kPrepareConstants,
  kPrepareScripts,
  kPrepareTimelines,
  kPrepareObjects,
  kPrepareRooms,
  kPrepareSounds,
  kPrepareGraphics,
  kPrepareStepCount
};

// Sets the work of a step; a step without work succeeds.
void Prepare_SetStep(PrepareStep step, std::function<bool()> work);
// Hands each step's percentage and caption to the loading screen.
void Prepare_SetProgress(std::function<void(int percent, const char* caption)> progress);

// Runs the steps in order. On the first failure prints its message and returns false; on success
// ends with "Finished PrepareGame() \n".
bool Prepare_Run();
