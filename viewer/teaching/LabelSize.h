#pragma once

#include <QString>

#include <optional>

// The three text sizes of View > Label Size, and which one a screen starts with.
enum class LabelSize
{
  Small,
  Medium,
  Large
};

// The height of a label's text (the font's size) in logical pixels.
int
labelTextPixels(LabelSize size);

// What a screen of this height in logical pixels starts with: the smallest size whose text is at
// least a sixtieth of the screen's height, read from the back of a lecture room (18 pixels on a
// 1080-line projector, 13 on a 768-line laptop); Large where none is.
LabelSize
defaultLabelSize(int screenHeight);

// The text of labels in a picture written for print is at least this share of the picture's
// height: 30 pixels in 1200, 10 points when 1600 pixels fill the 190 mm of an A4 page.
constexpr double printTextShare = 1.0 / 40;

// How the lesson file names a size: "small", "medium", "large".
QString
labelSizeKey(LabelSize size);
std::optional<LabelSize>
labelSizeFromKey(const QString& key);
