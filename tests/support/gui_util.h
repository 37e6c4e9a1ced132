#pragma once

#include <glibmm/main.h>

// Runs the default main loop until no event source is ready.
void RunUntilIdle();
// Runs the main loop for the given time, then until idle.
void RunFor(int milliseconds);
