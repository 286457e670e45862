// The clock's window-system side: the clock operations that read the milliseconds since glutInit
// (GLUT_ELAPSED_TIME) and pass them to the ones of core/clock.h.
#pragma once

#include "core/clock.h"

Clock* createClock();
void updateClock(Clock* clock);
void absorbClock(Clock* clock);
