#include "app/DisplayChoice.h"

#include "TestText.h"
#include "text/Text.h"

#include <gtest/gtest.h>

using DisplayChoice::platformFor;

TEST(DisplayChoice, X11UnderWaylandOnlyWhenXWaylandIsThereAndNothingWasChosen)
{
    EXPECT_EQ(platformFor("", "wayland-0", ":0"), std::string("xcb"));
    EXPECT_EQ(platformFor("wayland", "wayland-0", ":0"), std::string()) << "the user's choice";
    EXPECT_EQ(platformFor("offscreen", "", ""), std::string());
    EXPECT_EQ(platformFor("", "wayland-0", ""), std::string()) << "no XWayland";
    EXPECT_EQ(platformFor("", "", ":0"), std::string()) << "a plain X11 desktop";
    EXPECT_EQ(platformFor("", "", ""), std::string());
}
