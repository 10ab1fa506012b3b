// The comm calls the serial port makes, gathered so a test can stand in for a
// driver that Wine cannot imitate (one that never ends a cancelled request,
// refuses a speed or refuses time-outs). The system's own by default.
#pragma once

#include <windows.h>

struct Win32CommApi {
    decltype(&CreateFileW) createFile = &CreateFileW;
    decltype(&CloseHandle) closeHandle = &CloseHandle;
    decltype(&GetCommState) getCommState = &GetCommState;
    decltype(&SetCommState) setCommState = &SetCommState;
    decltype(&SetCommTimeouts) setCommTimeouts = &SetCommTimeouts;
    decltype(&PurgeComm) purgeComm = &PurgeComm;
    decltype(&ClearCommError) clearCommError = &ClearCommError;
    decltype(&ReadFile) readFile = &ReadFile;
    decltype(&WriteFile) writeFile = &WriteFile;
    decltype(&CancelIoEx) cancelIoEx = &CancelIoEx;
    decltype(&GetOverlappedResult) getOverlappedResult = &GetOverlappedResult;
};
