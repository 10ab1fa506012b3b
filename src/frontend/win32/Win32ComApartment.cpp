#include "frontend/win32/Win32ComApartment.h"

#include <objbase.h>

Win32ComApartment::Win32ComApartment()
{
    // S_FALSE too counts as entered: each success is balanced by one
    // CoUninitialize.
    m_entered =
        SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

Win32ComApartment::~Win32ComApartment()
{
    if (m_entered)
        CoUninitialize();
}
