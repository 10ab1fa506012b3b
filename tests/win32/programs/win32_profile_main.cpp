// The controller's settings tests with the system's profile functions in
// place of the program's INI module, as the Windows program runs.
#include "RigProfile.h"
#include "frontend/win32/Win32Profile.h"

#include <gmock/gmock.h>

int main(int argc, char **argv)
{
    testing::InitGoogleMock(&argc, argv);
    static const Win32Profile profile;
    rigProfile() = &profile;
    return RUN_ALL_TESTS();
}
