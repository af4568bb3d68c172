#pragma once
// The two collector library functions a submission uses. The program binds them through
// its import table (see corvida/main.cpp); tests put fakes here.
#include <windows.h>

struct CollectorLibrary {
    DWORD (*runFileCollectionSilent)(const char* description, const char* subject, const char* options);
    int (*getFileCollectionStatus)(DWORD runId, char* text);
};

// Until something is set, runs return 0 and every status reads 3 (no entry).
void SetCollectorLibrary(const CollectorLibrary& library);
const CollectorLibrary& GetCollectorLibrary();
