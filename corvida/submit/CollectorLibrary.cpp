#include "CollectorLibrary.h"

#include <cstring>

namespace {

DWORD UnboundRun(const char*, const char*, const char*)
{
    return 0;
}

int UnboundStatus(DWORD, char* text)
{
    if (text != nullptr)
        text[0] = '\0';
    return 3;
}

CollectorLibrary g_library{UnboundRun, UnboundStatus};

}  // namespace

void SetCollectorLibrary(const CollectorLibrary& library)
{
    g_library = library;
}

const CollectorLibrary& GetCollectorLibrary()
{
    return g_library;
}
