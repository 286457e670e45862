// createClock, updateClock and absorbClock at GLUT's elapsed time.
#include "app/glut_clock.h"

#include <GL/freeglut.h>

Clock* createClock() {
    return createClockAt(static_cast<uint32_t>(glutGet(GLUT_ELAPSED_TIME)));
}

void updateClock(Clock* clock) {
    updateClockAt(clock, static_cast<uint32_t>(glutGet(GLUT_ELAPSED_TIME)));
}

void absorbClock(Clock* clock) {
    absorbClockAt(clock, static_cast<uint32_t>(glutGet(GLUT_ELAPSED_TIME)));
}
