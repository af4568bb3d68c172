#pragma once
// Every fixed pause of the program goes through here, so tests can shorten them.
#include <windows.h>

void Pause(DWORD milliseconds);
// Tests: pauses take milliseconds * percent / 100 (100 = real time).
void SetPauseScale(unsigned percent);
