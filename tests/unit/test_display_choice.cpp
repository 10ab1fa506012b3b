#include "app/DisplayChoice.h"

#include <gtest/gtest.h>

using DisplayChoice::platformFor;

TEST(DisplayChoice, X11UnderWaylandOnlyWhenXWaylandIsThereAndNothingWasChosen)
{
    EXPECT_EQ(platformFor("", "wayland-0", ":0"), QByteArray("xcb"));
    EXPECT_EQ(platformFor("wayland", "wayland-0", ":0"), QByteArray()) << "the user's choice";
    EXPECT_EQ(platformFor("offscreen", "", ""), QByteArray());
    EXPECT_EQ(platformFor("", "wayland-0", ""), QByteArray()) << "no XWayland";
    EXPECT_EQ(platformFor("", "", ":0"), QByteArray()) << "a plain X11 desktop";
    EXPECT_EQ(platformFor("", "", ""), QByteArray());
}
