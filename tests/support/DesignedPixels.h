// Designed sizes and places, in twips, as pixels on the test screen.
#pragma once

#include <QWidget>
#include <gtest/gtest.h>

// The offscreen screen has 96 dots per inch: 15 twips to the pixel, and every
// designed figure is a whole number of pixels.
inline int pixels(const QWidget &w, int twips)
{
    EXPECT_EQ(w.logicalDpiX(), 96);
    EXPECT_EQ(twips % 15, 0) << twips << " twips";
    return twips / 15;
}
