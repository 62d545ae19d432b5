#pragma once

#include <QColor>
#include <QImage>
#include <QString>

#include <functional>

class QWidget;
class _CochlexUI;

// Where and how large the user wants the picture of the main view.
struct ScreenshotChoice
{
  QString path;  // empty: the user cancelled
  int scale = 1; // 1: the view's own size; 2: twice its width and height
  QString title; // printed in a band above the picture; empty: none
};

// Asks the user for the file; suggestedPath is where the last picture went, or a fresh name.
using ScreenshotFileChooser =
  std::function<ScreenshotChoice(QWidget* parent, const QString& suggestedPath)>;

// Replaces the save dialog (tests answer it themselves); an empty chooser brings the dialog back.
void
setScreenshotFileChooser(ScreenshotFileChooser chooser);

// The main view as it is shown, orientation marker included, at scale times its size in device
// pixels. Null when the view cannot be drawn.
QImage
renderMainView(_CochlexUI& window, int scale);

// The picture with title in a band of its own above it: the picture keeps its size and every
// pixel, the band adds a twelfth of its height (the text half of that, smaller only to fit the
// width), in the picture's background colour with dark text on a light background and light
// text on a dark one. One line of at most maximumTitleLength characters; an empty (or blank)
// title gives the picture unchanged.
QImage
withTitleBand(const QImage& picture, const QString& title, const QColor& background);

constexpr int maximumTitleLength = 200;

// The picture with a lesson view's caption in a band below it, as the window shows it under the
// model view: left-aligned, wrapped at words within the width and the teacher's own line breaks,
// at most four lines (a longer caption ends in an ellipsis), a thirtieth of the picture's height
// per line, in the picture's background colour. An empty caption gives the picture unchanged.
QImage
withCaptionBand(const QImage& picture, const QString& caption, const QColor& background);

// The main view's picture as a screenshot: the caption the view shows below it and the title,
// when not empty, above it, both in the view's background colour.
QImage
renderScreenshot(_CochlexUI& window, int scale, const QString& title);

// Whether path ends in a kind of picture the viewer writes: .png, .jpg or .jpeg.
bool
isScreenshotFileName(const QString& path);

// Writes image as PNG or JPEG, chosen by the file name's ending. The picture goes to a temporary
// file beside path that replaces path only once every write and the flush to the disk have
// succeeded, so a failed write (a full disk, the file-size limit) leaves no partial file and an
// existing one untouched. Returns the problem for the user, empty on success.
QString
writeScreenshotFile(const QImage& image, const QString& path);
