// The settings-file functions the controller's tests install, where a test
// program runs them on a platform's own: none (the program's INI module) by
// default.
#pragma once

#include "platform/Profile.h"

inline const Profile *&rigProfile()
{
    static const Profile *profile = nullptr;
    return profile;
}
