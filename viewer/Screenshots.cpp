#include "viewer/Screenshots.h"

#include "loading/SafeWrite.h"
#include "viewer/CochlexUI.h"
#include "viewer/Lessons.h"
#include "viewer/StructureSelection.h"

#include <QBuffer>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QStandardPaths>
#include <QStatusBar>

#include <vtkImageData.h>
#include <vtkNew.h>
#include <vtkPointData.h>
#include <vtkRenderWindow.h>
#include <vtkUnsignedCharArray.h>
#include <vtkWindowToImageFilter.h>

#include <algorithm>
#include <cstring>

namespace {

const QString viewSizePng = QStringLiteral("PNG image, view size (*.png)");
const QString doubleSizePng = QStringLiteral("PNG image, double size (*.png)");
const QString viewSizeJpeg = QStringLiteral("JPEG image, view size (*.jpg *.jpeg)");
const QString doubleSizeJpeg = QStringLiteral("JPEG image, double size (*.jpg *.jpeg)");

// The size is part of the file type, so the one dialog asks for both; Qt's own dialog, so that
// it can also ask for the title.
ScreenshotChoice
askWithDialog(QWidget* parent, const QString& suggestedPath)
{
  QFileDialog dialog(parent, QStringLiteral("Save Screenshot"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  auto* titleField = new QLineEdit(&dialog);
  titleField->setObjectName(QStringLiteral("screenshotTitleField"));
  titleField->setMaxLength(maximumTitleLength);
  titleField->setPlaceholderText(QStringLiteral("Printed above the picture; empty for none"));
  // Kept for the next picture of the series, like the type.
  static QString lastTitle;
  titleField->setText(lastTitle);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
    auto* caption = new QLabel(QStringLiteral("&Title:"), &dialog);
    caption->setBuddy(titleField);
    const int row = grid->rowCount();
    grid->addWidget(caption, row, 0);
    grid->addWidget(titleField, row, 1, 1, grid->columnCount() - 1);
  }
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({ viewSizePng, doubleSizePng, viewSizeJpeg, doubleSizeJpeg });
  // The size and kind chosen last time, like the file name: a teacher saving a series of
  // handouts chooses them once.
  static QString lastFilter = viewSizePng;
  dialog.selectNameFilter(lastFilter);
  dialog.setDefaultSuffix(lastFilter.contains(QLatin1String("JPEG")) ? QStringLiteral("jpg")
                                                                     : QStringLiteral("png"));
  // The ending follows the chosen type when the user gives none.
  QObject::connect(
    &dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
      dialog.setDefaultSuffix(filter.contains(QLatin1String("JPEG")) ? QStringLiteral("jpg")
                                                                     : QStringLiteral("png"));
    });
  dialog.selectFile(suggestedPath);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return {};
  }
  const QString filter = dialog.selectedNameFilter();
  lastFilter = filter;
  lastTitle = titleField->text();
  return { dialog.selectedFiles().constFirst(),
           filter == doubleSizePng || filter == doubleSizeJpeg ? 2 : 1,
           titleField->text() };
}

ScreenshotFileChooser&
fileChooser()
{
  static ScreenshotFileChooser chooser;
  return chooser;
}

// Kept for this run only: the viewer keeps no settings.
QString&
lastScreenshotPath()
{
  static QString path;
  return path;
}

QString
suggestedScreenshotPath()
{
  if (!lastScreenshotPath().isEmpty()) {
    return lastScreenshotPath();
  }
  // Not the model folder: it may be read-only, and the pictures are the teacher's, not the
  // model's.
  QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (folder.isEmpty() || !QDir(folder).exists()) {
    folder = QDir::homePath();
  }
  return QDir(folder).filePath(QStringLiteral("cochlex-view.png"));
}

QByteArray
imageFormatFor(const QString& path)
{
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("png")) {
    return "PNG";
  }
  if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) {
    return "JPEG";
  }
  return {};
}

} // namespace

bool
isScreenshotFileName(const QString& path)
{
  return !imageFormatFor(path).isEmpty();
}

void
setScreenshotFileChooser(ScreenshotFileChooser chooser)
{
  fileChooser() = std::move(chooser);
}

QImage
renderMainView(_CochlexUI& window, int scale)
{
  vtkRenderWindow* renderWindow = window.mainRenderWindow();
  // Rendered afresh, in tiles when enlarged; the orientation marker's labels keep their size
  // relative to the picture.
  vtkNew<vtkWindowToImageFilter> capture;
  capture->SetInput(renderWindow);
  capture->SetScale(scale);
  capture->SetInputBufferTypeToRGB();
  capture->ReadFrontBufferOff();
  capture->ShouldRerenderOn();
  capture->Update();
  // The view shows the normal frame again, not the last tile.
  renderWindow->Render();

  vtkImageData* pixels = capture->GetOutput();
  int dimensions[3] = { 0, 0, 0 };
  pixels->GetDimensions(dimensions);
  auto* data = vtkUnsignedCharArray::SafeDownCast(pixels->GetPointData()->GetScalars());
  if (data == nullptr || dimensions[0] <= 0 || dimensions[1] <= 0 ||
      data->GetNumberOfComponents() != 3 ||
      data->GetNumberOfTuples() != vtkIdType(dimensions[0]) * dimensions[1]) {
    return {};
  }
  QImage image(dimensions[0], dimensions[1], QImage::Format_RGB888);
  // VTK's rows run from the bottom up.
  for (int row = 0; row < dimensions[1]; ++row) {
    std::memcpy(image.scanLine(dimensions[1] - 1 - row),
                data->GetPointer(vtkIdType(row) * dimensions[0] * 3),
                std::size_t(dimensions[0]) * 3);
  }
  return image;
}

namespace {

// Dark ink on a light background, as the labels on white; light ink on a dark one.
QColor
inkFor(const QColor& background)
{
  return background.lightnessF() > 0.5 ? QColor(20, 20, 20) : QColor(242, 242, 242);
}

} // namespace

QImage
withTitleBand(const QImage& picture, const QString& title, const QColor& background)
{
  QString line = title.left(maximumTitleLength).simplified();
  if (picture.isNull() || line.isEmpty()) {
    return picture;
  }
  // A twelfth of the picture's height: 100 pixels over a handout of 1600 x 1200, which on the
  // 190 mm of an A4 page's printed width is a title of about 17 pt.
  const int band = std::max(16, picture.height() / 12);
  QImage titled(picture.width(), picture.height() + band, QImage::Format_RGB888);
  titled.fill(background);
  QPainter painter(&titled);
  painter.drawImage(0, band, picture);
  painter.setPen(inkFor(background));
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(std::max(8, band / 2));
  // Smaller to fit the width, down to a legible size; beyond that the end is left out.
  const int room = std::max(1, picture.width() - band);
  while (font.pixelSize() > 8 && QFontMetrics(font).horizontalAdvance(line) > room) {
    font.setPixelSize(font.pixelSize() - 1);
  }
  painter.setFont(font);
  line = QFontMetrics(font).elidedText(line, Qt::ElideRight, room);
  painter.drawText(QRect(0, 0, picture.width(), band), Qt::AlignCenter, line);
  painter.end();
  return titled;
}

QImage
withCaptionBand(const QImage& picture, const QString& caption, const QColor& background)
{
  const QString text = caption.trimmed();
  if (picture.isNull() || text.isEmpty()) {
    return picture;
  }
  // A thirtieth of the picture's height, as the caption under the model view: 40 pixels on a
  // handout of 1600 x 1200, about 7 pt across an A4 page's 190 mm.
  QFont font;
  font.setPixelSize(std::max(10, picture.height() / 30));
  const QFontMetrics metrics(font);
  const int margin = metrics.height() / 2;
  const int room = std::max(1, picture.width() - 2 * margin);
  // The teacher's own line breaks are kept; long lines wrap at words. More than four lines would
  // take a picture's share from the picture itself: the rest is cut at the fourth, marked.
  const int lineLimit = 4;
  QStringList lines;
  for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
    QString rest = paragraph.simplified();
    do {
      int fit = rest.size();
      while (fit > 1 && metrics.horizontalAdvance(rest.left(fit)) > room) {
        const int space = rest.lastIndexOf(QLatin1Char(' '), fit - 1);
        fit = space > 0 ? space : fit - 1;
      }
      lines.append(rest.left(fit).trimmed());
      rest = rest.mid(fit).trimmed();
    } while (!rest.isEmpty() && lines.size() <= lineLimit);
  }
  if (lines.size() > lineLimit) {
    lines = lines.mid(0, lineLimit);
    const QString ellipsis(QChar(0x2026));
    QString& last = lines.last();
    while (!last.isEmpty() && metrics.horizontalAdvance(last + ellipsis) > room) {
      last.chop(1);
    }
    last += ellipsis;
  }
  const int band = int(lines.size()) * metrics.lineSpacing() + 2 * margin;
  QImage captioned(picture.width(), picture.height() + band, QImage::Format_RGB888);
  captioned.fill(background);
  QPainter painter(&captioned);
  painter.drawImage(0, 0, picture);
  painter.setPen(inkFor(background));
  painter.setFont(font);
  int baseline = picture.height() + margin + metrics.ascent();
  for (const QString& line : lines) {
    painter.drawText(margin, baseline, line);
    baseline += metrics.lineSpacing();
  }
  painter.end();
  return captioned;
}

QImage
renderScreenshot(_CochlexUI& window, int scale, const QString& title)
{
  const QImage picture = renderMainView(window, scale);
  double color[3] = { 0, 0, 0 };
  window.mainRenderer()->GetBackground(color);
  const QColor background = QColor::fromRgbF(color[0], color[1], color[2]);
  // The caption under the view belongs to the prepared picture, as on the screen.
  return withTitleBand(
    withCaptionBand(picture, window.lessons->shownCaption(), background), title, background);
}

QString
writeScreenshotFile(const QImage& image, const QString& path)
{
  const QString cannot =
    QStringLiteral("Cannot save the screenshot to %1: %2").arg(QDir::toNativeSeparators(path));
  const QByteArray format = imageFormatFor(path);
  if (format.isEmpty()) {
    return cannot.arg(QStringLiteral("the name must end in .png, .jpg or .jpeg."));
  }
  if (image.isNull()) {
    return cannot.arg(QStringLiteral("the view could not be drawn."));
  }
  // Encoded in memory first: what reaches the disk is then plain writes, each one checked.
  QByteArray encoded;
  QBuffer buffer(&encoded);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, format.constData())) {
    return cannot.arg(QStringLiteral("the picture could not be encoded."));
  }
  const QString problem = writeWholeFile(path, encoded);
  return problem.isEmpty() ? QString() : cannot.arg(problem);
}

void
_CochlexUI::saveScreenshot()
{
  const ScreenshotFileChooser& chooser = fileChooser();
  const ScreenshotChoice choice = chooser ? chooser(this, suggestedScreenshotPath())
                                          : askWithDialog(this, suggestedScreenshotPath());
  if (choice.path.isEmpty()) {
    return;
  }
  // A structure flashing from a click is not part of the prepared view.
  structureSelection->finishHighlight();
  const QString problem =
    writeScreenshotFile(renderScreenshot(*this, choice.scale, choice.title), choice.path);
  if (!problem.isEmpty()) {
    QMessageBox::warning(this, QStringLiteral("Save Screenshot"), problem);
    return;
  }
  lastScreenshotPath() = choice.path;
  statusbar->showMessage(
    QStringLiteral("Screenshot saved to %1").arg(QDir::toNativeSeparators(choice.path)), 5000);
}
