// COM on the user-interface thread for the program's whole run, as the shell
// asks of a program that hands it files and addresses.
#include "ProgramFolder.h"
#include "frontend/win32/Win32Program.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <thread>

namespace {
// What entering COM again on this thread says; the entry is left at once.
HRESULT enter(DWORD model)
{
    const HRESULT result = CoInitializeEx(nullptr, model);
    if (SUCCEEDED(result))
        CoUninitialize();
    return result;
}
} // namespace

TEST(Win32Program, KeepsItsThreadInASingleThreadedApartmentWhileItLives)
{
    HRESULT during = E_FAIL;
    HRESULT otherModel = E_FAIL;
    HRESULT after = E_FAIL;
    // A thread of its own, whose COM state is this test's alone.
    std::thread ui([&] {
        ProgramFolder folder;
        {
            Win32Program program(folder.path());
            during = enter(COINIT_APARTMENTTHREADED);
            otherModel = enter(COINIT_MULTITHREADED);
        }
        after = enter(COINIT_MULTITHREADED);
    });
    ui.join();
    EXPECT_EQ(during, S_FALSE) << "entered already, in the same model";
    EXPECT_EQ(otherModel, RPC_E_CHANGED_MODE) << "single-threaded";
    EXPECT_EQ(after, S_OK) << "left again when the program ended";
}
