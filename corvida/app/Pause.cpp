#include "Pause.h"

#include <atomic>

namespace {
std::atomic<unsigned> g_percent{100};
}

void Pause(DWORD milliseconds)
{
    Sleep(static_cast<DWORD>(static_cast<unsigned long long>(milliseconds) * g_percent / 100));
}

void SetPauseScale(unsigned percent)
{
    g_percent = percent;
}
