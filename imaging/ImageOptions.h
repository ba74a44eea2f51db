// The process-wide 256-colour option: when it is on, image objects made afterwards
// behave as on a screen of 8 bits per pixel (PxImage reads it once, at construction).
// The picture view sets it from the "Force256" setting; the thumbnail maker switches it
// on for the length of one thumbnail and restores it.
#pragma once

void SetForce256Colors(bool on);
bool Force256Colors();
