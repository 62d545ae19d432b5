// The exported web page in a real browser: headless Chromium opens the page of the sample model
// and a lesson made here, from a file, at a phone's size and a desktop's; the page's state, as its
// script publishes it, says which view shows with which caption and what is visible; and its
// pictures match the desktop viewer's --screenshot of the same views, structure by structure.

#include "ModelFixture.h"
#include "TestDriver.h"
#include "ViewerSession.h"
#include "scene/StructureTable.h"
#include "viewer/CochlexUI.h"
#include "viewer/Lessons.h"
#include "viewer/ViewCapture.h"
#include "viewer/teaching/LessonFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <cmath>

namespace {

const QStringList sampleNames{
  "Incus",      "Incus Articular Cartilage",  "Incus Blood Vessels",        "Incus Areolar Tissue",
  "Stapes",     "Stapes Articular Cartilage", "Capsular Ligamental Fibers", "Stapedius Tendon",
  "Joint Space"
};

// The pictures both programs draw for the comparison.
const QSize pictureSize(1024, 768);
// The page is meant to stay well within what a course page or an e-mail carries.
constexpr qint64 largestPageBytes = qint64(12) * 1000 * 1000;
// Share of a structure's pixels that both pictures must agree on (intersection over union).
constexpr double leastOverlap = 0.9;

struct Run
{
  int status = -1;
  QByteArray output;
  QByteArray errors;
};

Run
run(const QString& program, const QStringList& arguments, int seconds)
{
  QProcess process;
  process.start(program, arguments);
  Run result;
  if (!process.waitForFinished(seconds * 1000)) {
    process.kill();
    process.waitForFinished();
    result.errors = "did not finish in time";
    return result;
  }
  result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  result.output = process.readAllStandardOutput();
  result.errors = process.readAllStandardError();
  return result;
}

QString
chromium()
{
  return QStandardPaths::findExecutable(QStringLiteral("chromium"));
}

// Chromium without a GPU, drawing WebGL in software, at a device pixel ratio of 1.
QStringList
browserArguments(const QSize& size)
{
  return { "--headless",
           "--no-sandbox",
           "--disable-gpu",
           "--use-gl=angle",
           "--use-angle=swiftshader",
           "--enable-unsafe-swiftshader",
           "--force-device-scale-factor=1",
           "--hide-scrollbars",
           "--no-first-run",
           "--virtual-time-budget=8000",
           QStringLiteral("--window-size=%1,%2").arg(size.width()).arg(size.height()) };
}

QString
pageUrl(const QString& page, const QString& steps)
{
  return QUrl::fromLocalFile(page).toString() + (steps.isEmpty() ? QString() : "#" + steps);
}

// What a script of a host page reads from the page, read as Chromium leaves it. The page sits in
// a frame of exactly the size asked for: a browser window is never narrower than 500 pixels and
// its viewport is smaller than the window by the height of its bars, a frame is exactly as large
// as it is made. reader is the body of a function of the frame's window that returns what to
// keep, or nothing while the page is not ready for it.
QJsonObject
framedPage(const QString& page,
           const QString& steps,
           const QSize& size,
           const QString& reader,
           const QStringList& browserOptions = {})
{
  const QString host = QFileInfo(page).absolutePath() + "/host.html";
  fixture::writeFile(
    host,
    QStringLiteral("<!DOCTYPE html><html><body style=\"margin:0\"><iframe id=\"page\" "
                   "src=\"%1\" style=\"border:0;width:%2px;height:%3px\"></iframe><script>\n"
                   "function read(frame) {\n%4\n}\n"
                   "setInterval(() => { try { const kept = "
                   "read(document.getElementById('page').contentWindow);\n"
                   "if (kept) document.body.dataset.state = JSON.stringify(kept); }\n"
                   "catch (error) { document.body.dataset.error = String(error); } }, 100);\n"
                   "</script></body></html>\n")
      .arg(pageUrl(page, steps).toHtmlEscaped())
      .arg(size.width())
      .arg(size.height())
      .arg(reader)
      .toUtf8());
  const QSize window(std::max(size.width(), 500) + 40, size.height() + 200);
  const Run dump =
    run(chromium(),
        browserArguments(window) << browserOptions << "--allow-file-access-from-files"
                                 << "--dump-dom" << pageUrl(host, {}),
        120);
  const QByteArray dom = dump.output;
  const int start = dom.indexOf("data-state=\"");
  if (start < 0) {
    qWarning("no state in the page: %s", dump.errors.right(2000).constData());
    return {};
  }
  const int from = start + int(qstrlen("data-state=\""));
  QByteArray text = dom.mid(from, dom.indexOf('"', from) - from);
  text.replace("&quot;", "\"").replace("&lt;", "<").replace("&gt;", ">").replace("&#39;", "'");
  text.replace("&nbsp;", "\xC2\xA0").replace("&amp;", "&");
  return QJsonDocument::fromJson(text).object();
}

// The state the page's script publishes.
QJsonObject
pageState(const QString& page, const QString& steps, const QSize& size)
{
  return framedPage(page, steps, size, QStringLiteral("return frame.cochlexState;"));
}

// An accessibility check of the page as the browser lays it out, written here rather than taken
// from the page so that it judges the page independently. Once the page has drawn: every control
// a user can operate must take the focus (Tab reaches it) and have an accessible name, as the
// browser computes it, that holds its visible text; every visible text must stand out from its
// background by a contrast of at least 4.5 (WCAG AA), the background composed from the
// element's ancestors and, where they leave it see-through, the worse of black and white; the
// page must not scroll sideways. The same again with the Help page open, whose dialog alone is
// then operable.
const char* const accessibilityAudit = R"(
// Once: the check leaves the Help dialog open, which makes the rest of the page inert.
if (frame.accessibilityAudit) return frame.accessibilityAudit;
const state = frame.cochlexState;
if (!state || !state.drawn) return null;
const doc = frame.document;
frame.focus();
const problems = [];
const describe = (node) => `${node.tagName.toLowerCase()}${node.id ? "#" + node.id : ""} "${(node.textContent || "").trim().slice(0, 40)}"`;
const shows = (node) => {
  const style = frame.getComputedStyle(node);
  const box = node.getBoundingClientRect();
  return style.visibility === "visible" && box.width > 0 && box.height > 0;
};
const colour = (text) => {
  const parts = text.match(/[\d.]+/g).map(Number);
  return { r: parts[0], g: parts[1], b: parts[2], a: parts.length > 3 ? parts[3] : 1 };
};
const over = (top, below) => ({
  r: top.r * top.a + below.r * (1 - top.a),
  g: top.g * top.a + below.g * (1 - top.a),
  b: top.b * top.a + below.b * (1 - top.a),
  a: 1,
});
const luminance = (c) => {
  const linear = (value) => { const v = value / 255; return v <= 0.04045 ? v / 12.92 : Math.pow((v + 0.055) / 1.055, 2.4); };
  return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
};
const ratio = (a, b) => {
  const [light, dark] = [luminance(a), luminance(b)].sort((x, y) => y - x);
  return (light + 0.05) / (dark + 0.05);
};
let controls = 0;
let texts = 0;
let worst = 100;
function check(root) {
  const operable = root.querySelectorAll("button, input, select, textarea, a[href], [tabindex], [contenteditable=true]");
  for (const control of operable) {
    if (!shows(control) || control.disabled) continue;
    ++controls;
    control.focus();
    if (doc.activeElement !== control || control.tabIndex < 0) problems.push(`Tab does not reach ${describe(control)}`);
    const name = control.computedName;
    if (typeof name !== "string") { problems.push("the browser computes no accessible names"); continue; }
    const visible = (control.tagName === "BUTTON" ? control.textContent : "").trim().toLowerCase();
    if (!name.trim()) problems.push(`${describe(control)} has no accessible name`);
    else if (visible && !name.toLowerCase().includes(visible)) problems.push(`${describe(control)} is named "${name}", without its visible text`);
  }
  if (doc.activeElement) doc.activeElement.blur();
  const walker = doc.createTreeWalker(root, NodeFilter.SHOW_TEXT);
  const seen = new Set();
  for (let node = walker.nextNode(); node; node = walker.nextNode()) {
    const parent = node.parentElement;
    if (!node.textContent.trim() || seen.has(parent) || parent.closest("svg, script, style")) continue;
    seen.add(parent);
    if (!shows(parent)) continue;
    ++texts;
    const style = frame.getComputedStyle(parent);
    let ink = colour(style.color);
    let opacity = 1;
    const layers = [];
    let opaque = false;
    for (let element = parent; element && !opaque; element = element.parentElement) {
      opacity *= Number(frame.getComputedStyle(element).opacity);
      const paper = colour(frame.getComputedStyle(element).backgroundColor);
      if (paper.a > 0) layers.push(paper);
      opaque = paper.a >= 1;
    }
    const grounds = opaque ? [{ r: 0, g: 0, b: 0, a: 1 }] : [{ r: 0, g: 0, b: 0, a: 1 }, { r: 255, g: 255, b: 255, a: 1 }];
    for (const base of grounds) {
      const ground = layers.reduceRight((below, layer) => over(layer, below), base);
      const shown = over({ ...ink, a: ink.a * opacity }, ground);
      const contrast = ratio(shown, ground);
      worst = Math.min(worst, contrast);
      if (contrast < 4.5) problems.push(`${describe(parent)}: contrast ${contrast.toFixed(2)}`);
    }
  }
}
check(doc.body);
const scrollWidth = doc.documentElement.scrollWidth;
if (scrollWidth > doc.documentElement.clientWidth) problems.push(`the page scrolls sideways: ${scrollWidth} px`);
doc.getElementById("helpButton").click();
const dialog = doc.querySelector("dialog[open]");
if (!dialog) problems.push("Help opens no dialog");
else check(dialog);
frame.accessibilityAudit = { problems, controls, texts, worst, scrollWidth };
return frame.accessibilityAudit;
)";

QJsonObject
pageDataOf(const QString& page)
{
  QFile file(page);
  if (!file.open(QIODevice::ReadOnly)) {
    return {};
  }
  const QByteArray text = file.readAll();
  const QByteArray opening = "id=\"cochlex-data\">";
  const int from = text.indexOf(opening) + opening.size();
  return QJsonDocument::fromJson(text.mid(from, text.indexOf("</script", from) - from)).object();
}

QJsonObject
structureState(const QJsonObject& state, const QString& name)
{
  const QJsonArray structures = state["structures"].toArray();
  for (const QJsonValue& structure : structures) {
    if (structure.toObject()["name"].toString() == name) {
      return structure.toObject();
    }
  }
  return {};
}

// Pixels that show something: the background is black in both programs. The corner of the
// viewer's orientation axes (a fifth of the view each way, at the bottom left) is left out.
std::vector<bool>
foreground(const QImage& picture)
{
  const QImage image = picture.convertToFormat(QImage::Format_RGB32);
  std::vector<bool> mask(std::size_t(image.width() * image.height()));
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (x < image.width() / 5 && y >= image.height() * 4 / 5) {
        continue;
      }
      const QRgb pixel = image.pixel(x, y);
      mask[std::size_t(y) * std::size_t(image.width()) + std::size_t(x)] =
        std::max({ qRed(pixel), qGreen(pixel), qBlue(pixel) }) > 40;
    }
  }
  return mask;
}

// Intersection over union of two masks; the count of the union in union.
double
overlap(const std::vector<bool>& a, const std::vector<bool>& b, int* unionCount = nullptr)
{
  int both = 0;
  int either = 0;
  for (std::size_t index = 0; index < a.size() && index < b.size(); ++index) {
    both += a[index] && b[index] ? 1 : 0;
    either += a[index] || b[index] ? 1 : 0;
  }
  if (unionCount != nullptr) {
    *unionCount = either;
  }
  return either == 0 ? 1 : double(both) / double(either);
}

// Both masks side by side, and where they differ, for a failure to show.
void
saveComparison(const QImage& desktop, const QImage& page, const QString& stem)
{
  const std::vector<bool> a = foreground(desktop);
  const std::vector<bool> b = foreground(page);
  QImage difference(desktop.size(), QImage::Format_RGB32);
  for (int y = 0; y < difference.height(); ++y) {
    for (int x = 0; x < difference.width(); ++x) {
      const std::size_t index = std::size_t(y) * std::size_t(difference.width()) + std::size_t(x);
      difference.setPixel(x, y, qRgb(a[index] ? 255 : 0, b[index] ? 255 : 0, 0));
    }
  }
  const QString folder = qEnvironmentVariable("COCHLEX_BINARY_DIR") + "/test-failures";
  QDir().mkpath(folder);
  desktop.save(folder + "/" + stem + "-desktop.png");
  page.save(folder + "/" + stem + "-page.png");
  difference.save(folder + "/" + stem + "-difference.png");
}

std::array<double, 3>
arrayOf(const QJsonValue& value)
{
  const QJsonArray array = value.toArray();
  return { array[0].toDouble(), array[1].toDouble(), array[2].toDouble() };
}

} // namespace

class WebPageTest : public QObject
{
  Q_OBJECT

  QTemporaryDir directory;
  QString sample = qEnvironmentVariable("COCHLEX_BINARY_DIR") + "/sample/model";
  QString page = directory.filePath("lesson.html");
  QString soloPage = directory.filePath("solo.html");
  CameraPose front;
  Lesson lesson;
  Lesson solo;

  QString path(const QString& name) const { return directory.filePath(name); }

  void exportPage(const QString& target, const QString& lessonFile, const QString& model = {})
  {
    QStringList arguments{ "--export-web", target };
    if (!lessonFile.isEmpty()) {
      arguments << "--lesson" << lessonFile;
    }
    const Run exported =
      run(COCHLEX_EXECUTABLE, arguments << (model.isEmpty() ? sample : model), 300);
    QVERIFY2(exported.status == 0, exported.errors.constData());
    QVERIFY(exported.output.contains("wrote"));
  }

  // The page's labels inside its view, clear of each other, at a legible size.
  static void labelsStandApart(const QJsonObject& state)
  {
    const QJsonObject layout = state["layout"].toObject();
    const QJsonArray labels = state["placedLabels"].toArray();
    const QRectF viewArea(0, 0, layout["viewWidth"].toDouble(), layout["viewHeight"].toDouble());
    std::vector<QRectF> boxes;
    const QJsonArray boxValues = state["labelBoxes"].toArray();
    for (const QJsonValue& value : boxValues) {
      const QJsonObject box = value.toObject();
      boxes.emplace_back(box["x"].toDouble(),
                         box["y"].toDouble(),
                         box["width"].toDouble(),
                         box["height"].toDouble());
    }
    QCOMPARE(int(boxes.size()), labels.size());
    for (std::size_t index = 0; index < boxes.size(); ++index) {
      const QString name = labels[int(index)].toString();
      QVERIFY2(viewArea.contains(boxes[index]), qPrintable(name + " leaves the view"));
      for (std::size_t other = index + 1; other < boxes.size(); ++other) {
        QVERIFY2(!boxes[index].intersects(boxes[other]),
                 qPrintable(name + " lies over " + labels[int(other)].toString()));
      }
    }
    QVERIFY(labels.isEmpty() || state["labelFontSize"].toDouble() >= 9);
  }

  // The desktop viewer's picture of a lesson's view: a lesson whose first view it is.
  QImage desktopPicture(const Lesson& from, int view, const QString& stem)
  {
    Lesson first = from;
    std::swap(first.views[0], first.views[std::size_t(view)]);
    const QString lessonFile = path(stem + ".cochlex-lesson");
    fixture::writeFile(lessonFile, lessonJson(first));
    const QString picture = path(stem + "-desktop.png");
    const Run shot =
      run(COCHLEX_EXECUTABLE,
          { "--screenshot",
            picture,
            "--size",
            QStringLiteral("%1x%2").arg(pictureSize.width()).arg(pictureSize.height()),
            "--lesson",
            lessonFile,
            sample },
          180);
    if (shot.status != 0) {
      qWarning("%s", shot.errors.constData());
    }
    return QImage(picture);
  }

  QImage pagePicture(const QString& target, int view, const QString& stem)
  {
    const QString picture = path(stem + "-page.png");
    const Run shot = run(chromium(),
                         browserArguments(pictureSize)
                           << "--screenshot=" + picture
                           << pageUrl(target, QStringLiteral("full&view=%1").arg(view + 1)),
                         120);
    if (shot.status != 0) {
      qWarning("%s", shot.errors.right(2000).constData());
    }
    return QImage(picture);
  }

private slots:
  void initTestCase()
  {
    QVERIFY2(QFileInfo(sample + "/Joint_transformed.txt").isFile(), "no sample model built");
    // A missing browser is a missing part of the suite's machine (scripts/setup installs it).
    QVERIFY2(!chromium().isEmpty(), "chromium is not installed: run scripts/setup");

    // The page of the model alone opens on the viewer's start view: its camera frames the model
    // from the front, and the lesson's views turn from there.
    const QString start = path("start.html");
    exportPage(start, {});
    const QJsonObject data = pageDataOf(start);
    const QJsonObject camera = data["views"].toArray()[0].toObject()["camera"].toObject();
    front.position = arrayOf(camera["position"]);
    front.focalPoint = arrayOf(camera["focalPoint"]);
    front.viewUp = arrayOf(camera["viewUp"]);
    front.viewAngle = camera["viewAngle"].toDouble();
    QVERIFY(front.viewAngle > 0);

    // The lesson: the front; from the side without the incus; from above, the stapes faded,
    // with labels.
    lesson.structureNames = sampleNames;
    const double distance = std::hypot(front.position[0] - front.focalPoint[0],
                                       front.position[1] - front.focalPoint[1],
                                       front.position[2] - front.focalPoint[2]);
    ViewState whole;
    whole.name = "Front";
    whole.caption = "The joint from the front";
    whole.camera = front;
    whole.labels = false;
    for (const QString& name : sampleNames) {
      whole.structures.push_back({ name, true, 0 });
    }
    ViewState side = whole;
    side.name = "Side";
    side.caption = "From the side, without the incus";
    side.camera.position = { front.focalPoint[0] + distance,
                             front.focalPoint[1],
                             front.focalPoint[2] };
    side.structures[0].shown = false;
    ViewState above = whole;
    above.name = "Above";
    above.caption = "From above: the stapes faded";
    above.camera.position = { front.focalPoint[0],
                              front.focalPoint[1],
                              front.focalPoint[2] + distance };
    above.camera.viewUp = { 0, -1, 0 };
    above.structures[4].transparency = 0.5;
    above.labels = true;
    lesson.views = { whole, side, above };
    fixture::writeFile(path("lesson.cochlex-lesson"), lessonJson(lesson));
    exportPage(page, path("lesson.cochlex-lesson"));

    // One view per structure, that structure alone and opaque: its mask in each program.
    solo.structureNames = sampleNames;
    for (const QString& shown : sampleNames) {
      ViewState view = whole;
      view.name = shown;
      view.caption.clear();
      view.structures.clear();
      for (const QString& name : sampleNames) {
        view.structures.push_back({ name, name == shown, 0 });
      }
      solo.views.push_back(view);
    }
    fixture::writeFile(path("solo.cochlex-lesson"), lessonJson(solo));
    exportPage(soloPage, path("solo.cochlex-lesson"));
  }

  void pageStaysSmall()
  {
    QVERIFY2(QFileInfo(page).size() < largestPageBytes,
             qPrintable(QString::number(QFileInfo(page).size())));
  }

  // The page at a phone's width and at a desktop's: the views and their captions, stepping with
  // "Next", a structure hidden through its box, one faded by its view; the page no wider than the
  // screen.
  void pageShowsLessonViews_data()
  {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("view");
    QTest::addColumn<QStringList>("hidden");
    QTest::newRow("phone, first view") << QSize(360, 740) << "" << 1 << QStringList{};
    QTest::newRow("phone, second view, stapes hidden")
      << QSize(360, 740) << "view=2&hide=Stapes" << 2 << QStringList{ "Incus", "Stapes" };
    QTest::newRow("phone, third view, labelled")
      << QSize(360, 740) << "view=3" << 3 << QStringList{};
    QTest::newRow("desktop, third view") << QSize(1920, 1080) << "view=3" << 3 << QStringList{};
    QTest::newRow("desktop, back to the first, joint space hidden")
      << QSize(1920, 1080) << "view=3&view=1&hide=Joint Space" << 1 << QStringList{ "Joint Space" };
  }
  void pageShowsLessonViews()
  {
    QFETCH(QSize, size);
    QFETCH(QString, steps);
    QFETCH(int, view);
    QFETCH(QStringList, hidden);
    const QJsonObject state = pageState(page, steps, size);
    QVERIFY(state["ready"].toBool());
    QVERIFY(state["drawn"].toInt() > 0);
    QCOMPARE(state["views"].toArray(), QJsonArray({ "Front", "Side", "Above" }));
    QCOMPARE(state["position"].toString(), QStringLiteral("%1 / 3").arg(view));
    QCOMPARE(state["caption"].toString(), lesson.views[std::size_t(view - 1)].caption);
    for (const QString& name : sampleNames) {
      const QJsonObject structure = structureState(state, name);
      QVERIFY2(!structure.isEmpty(), qPrintable(name));
      QVERIFY2(structure["visible"].toBool() == !hidden.contains(name), qPrintable(name));
    }
    // The third view fades the stapes to half; the others leave it opaque.
    QCOMPARE(structureState(state, "Stapes")["opacity"].toDouble(), view == 3 ? 0.5 : 1.0);
    // Labels where the view asks for them, each for a structure it shows; those hidden inside
    // opaque ones have none.
    const QJsonArray labels = state["placedLabels"].toArray();
    QVERIFY2(view == 3 ? labels.size() >= 5 : labels.isEmpty(),
             qPrintable(QString::number(labels.size())));
    for (const QJsonValue& label : labels) {
      QVERIFY(structureState(state, label.toString())["visible"].toBool());
    }
    const QJsonObject layout = state["layout"].toObject();
    // Every label legible, inside the view and clear of the others, on a phone too.
    labelsStandApart(state);
    QVERIFY2(layout["scrollWidth"].toInt() <= size.width(),
             qPrintable(QString::number(layout["scrollWidth"].toInt())));
    // On a phone the model takes the whole width; on a desktop the structures stand beside it.
    if (size.width() <= 700) {
      QCOMPARE(layout["viewWidth"].toInt(), size.width());
    } else {
      QVERIFY(layout["viewWidth"].toInt() >= size.width() / 2);
    }
    QVERIFY(layout["viewHeight"].toInt() >= size.height() / 2);
  }

  // The chain sample's lesson on a phone: fifteen structures labelled, every label readable and
  // clear of the others.
  void chainLabelsStandApartOnAPhone()
  {
    const QString chain = qEnvironmentVariable("COCHLEX_BINARY_DIR") + "/sample/chain";
    const QString target = path("chain.html");
    exportPage(target, chain + "/ossicular-chain.cochlex-lesson", chain);
    const QJsonObject state = pageState(target, "", QSize(360, 740));
    QCOMPARE(state["position"].toString(), QStringLiteral("1 / 5"));
    QVERIFY2(state["placedLabels"].toArray().size() >= 12,
             qPrintable(QString::number(state["placedLabels"].toArray().size())));
    labelsStandApart(state);
  }

  // The page at a phone's size and at a desktop's: every control reached with Tab and named, its
  // texts legible against their backgrounds, nothing wider than the screen.
  void pageIsAccessible_data()
  {
    QTest::addColumn<QSize>("size");
    QTest::newRow("360x740") << QSize(360, 740);
    QTest::newRow("1920x1080") << QSize(1920, 1080);
  }
  void pageIsAccessible()
  {
    QFETCH(QSize, size);
    // The browser's own accessible names are an experimental interface of its scripts.
    const QJsonObject audit = framedPage(page,
                                         {},
                                         size,
                                         QString::fromUtf8(accessibilityAudit),
                                         { "--enable-experimental-web-platform-features" });
    QVERIFY2(!audit.isEmpty(), "the page was not checked");
    QStringList problems;
    const QJsonArray found = audit["problems"].toArray();
    for (const QJsonValue& problem : found) {
      problems << problem.toString();
    }
    qInfo("%d controls, %d texts, the least contrast %.2f",
          audit["controls"].toInt(),
          audit["texts"].toInt(),
          audit["worst"].toDouble());
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
    // Each structure's box, Info button and slider, the page's seven and the dialog's one; texts
    // of every structure and the lesson.
    QVERIFY2(audit["controls"].toInt() >= 3 * sampleNames.size() + 6,
             qPrintable(QString::number(audit["controls"].toInt())));
    QVERIFY2(audit["texts"].toInt() >= 2 * sampleNames.size(),
             qPrintable(QString::number(audit["texts"].toInt())));
    QVERIFY(audit["scrollWidth"].toInt() <= size.width());
  }

  // Each structure alone in the front view covers the same pixels in both programs.
  void structureMasksMatchDesktop_data()
  {
    QTest::addColumn<int>("view");
    for (int index = 0; index < sampleNames.size(); ++index) {
      QTest::newRow(qPrintable(sampleNames[index])) << index;
    }
  }
  void structureMasksMatchDesktop()
  {
    QFETCH(int, view);
    const QString stem = QStringLiteral("solo-%1").arg(view + 1);
    const QImage desktop = desktopPicture(solo, view, stem);
    const QImage browser = pagePicture(soloPage, view, stem);
    QCOMPARE(desktop.size(), pictureSize);
    QCOMPARE(browser.size(), pictureSize);
    int pixels = 0;
    const double share = overlap(foreground(desktop), foreground(browser), &pixels);
    if (share < leastOverlap) {
      saveComparison(desktop, browser, stem);
    }
    // A structure too small to judge would pass whatever the page drew.
    QVERIFY2(pixels > 300, qPrintable(QString::number(pixels)));
    QVERIFY2(share >= leastOverlap, qPrintable(QStringLiteral("overlap %1").arg(share)));
  }

  // Tapping a structure names it: a touch on a pixel of the incus in the desktop viewer's
  // picture of the incus alone, the one nearest the middle of its pixels.
  void tapNamesStructure()
  {
    const QImage desktop(path("solo-1-desktop.png"));
    QCOMPARE(desktop.size(), pictureSize);
    const std::vector<bool> mask = foreground(desktop);
    double sumX = 0;
    double sumY = 0;
    int count = 0;
    for (int y = 0; y < pictureSize.height(); ++y) {
      for (int x = 0; x < pictureSize.width(); ++x) {
        if (mask[std::size_t(y) * std::size_t(pictureSize.width()) + std::size_t(x)]) {
          sumX += x;
          sumY += y;
          ++count;
        }
      }
    }
    QVERIFY(count > 0);
    QPoint nearest;
    double best = 1e18;
    for (int y = 2; y + 2 < pictureSize.height(); ++y) {
      for (int x = 2; x + 2 < pictureSize.width(); ++x) {
        // Inside the incus by two pixels each way, so an edge drawn a pixel apart still counts.
        bool inside = true;
        for (int dy = -2; dy <= 2 && inside; ++dy) {
          for (int dx = -2; dx <= 2 && inside; ++dx) {
            inside =
              mask[std::size_t(y + dy) * std::size_t(pictureSize.width()) + std::size_t(x + dx)];
          }
        }
        const double distance = std::hypot(x - sumX / count, y - sumY / count);
        if (inside && distance < best) {
          best = distance;
          nearest = QPoint(x, y);
        }
      }
    }
    QVERIFY(best < 1e18);
    // The page takes the point from the middle of the view in heights of the view, which the
    // picture of the model keeps whatever the browser makes of the window's size.
    const double height = pictureSize.height();
    const QJsonObject state =
      pageState(soloPage,
                QStringLiteral("full&view=1&tapAt=%1,%2")
                  .arg((nearest.x() + 0.5 - pictureSize.width() / 2.0) / height)
                  .arg((nearest.y() + 0.5 - height / 2) / height),
                pictureSize);
    QCOMPARE(state["selected"].toString(), QString("Incus"));
    QCOMPARE(state["hovered"].toString(), QString("Incus"));
    // A tap on the black beside it names nothing.
    const QJsonObject beside = pageState(soloPage, "full&view=1&tapAt=-0.6,-0.45", pictureSize);
    QCOMPARE(beside["selected"].toString(), QString());
  }

  // File > Export Lesson as Web Page writes the views of the Views dock as the window took them,
  // and without any the picture as it stands.
  void menuExportWritesDockViews()
  {
    ViewerSession session;
    _CochlexUI& window = session.openModel();
    const QString target = path("menu.html");
    window.structureTable->setShown(2, false);
    QCOMPARE(window.lessons->exportWebPageTo(target), QString());
    QJsonArray views = pageDataOf(target)["views"].toArray();
    QCOMPARE(views.size(), 1);
    const QString hiddenName = fixtureStructureName(2);
    QCOMPARE(views[0].toObject()["structures"].toObject()[hiddenName].toObject()["shown"].toBool(),
             false);

    CameraPose pose = mainCameraPose(window);
    window.lessons->addView();
    pose.position = { pose.position[0] + 3, pose.position[1] - 2, pose.position[2] + 1 };
    placeCameras(window, pose);
    window.structureTable->setShown(2, true);
    window.lessons->addView();
    QCOMPARE(window.lessons->exportWebPageTo(target), QString());
    views = pageDataOf(target)["views"].toArray();
    QCOMPARE(views.size(), 2);
    const QJsonArray position = views[1].toObject()["camera"].toObject()["position"].toArray();
    QCOMPARE(position, QJsonArray({ pose.position[0], pose.position[1], pose.position[2] }));
    QCOMPARE(views[1].toObject()["structures"].toObject()[hiddenName].toObject()["shown"].toBool(),
             true);
    // A folder that does not exist: the message names it, nothing is written.
    const QString problem = window.lessons->exportWebPageTo(path("nowhere/menu.html"));
    QVERIFY2(problem.contains("cannot be written to"), qPrintable(problem));
  }

  // A view that cuts the structures along a section: the page keeps the side the viewer keeps,
  // with the cut faces closed or open as the view has them, and says so in its state. The cut
  // takes a good part of the front view's picture away, so that a page that ignored it, or kept
  // the other side, would not match.
  void cutMatchesDesktop_data()
  {
    QTest::addColumn<int>("axis");
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("side");
    QTest::addColumn<bool>("solid");
    QTest::newRow("X section 374, its normal's side kept") << 0 << 374 << 1 << true;
    // Through the middle of the model, a millimetre from the last.
    QTest::newRow("X section 300, the other side kept") << 0 << 300 << -1 << true;
    QTest::newRow("Z section 58, its normal's side, the cut faces open") << 2 << 58 << 1 << false;
  }
  void cutMatchesDesktop()
  {
    QFETCH(int, axis);
    QFETCH(int, number);
    QFETCH(int, side);
    QFETCH(bool, solid);
    std::array<int, 3> numbers{ { 374, 300, 58 } };
    numbers[std::size_t(axis)] = number;
    const QString axisName = QStringList{ "X", "Y", "Z" }[axis];
    Lesson cutLesson;
    cutLesson.structureNames = sampleNames;
    ViewState whole = lesson.views[0];
    whole.caption.clear();
    whole.labels.reset();
    ViewState cut = whole;
    cut.name = "Cut";
    for (int each = 0; each < 3; ++each) {
      cut.sections[std::size_t(each)] = { numbers[std::size_t(each)], false, 0 };
    }
    cut.sections[std::size_t(axis)].cut = side;
    cut.solidCutFaces = solid;
    cutLesson.views = { cut, whole };
    const QString stem = QStringLiteral("cut-%1%2%3").arg(axisName).arg(number).arg(side);
    fixture::writeFile(path(stem + "-page.cochlex-lesson"), lessonJson(cutLesson));
    const QString target = path(stem + ".html");
    exportPage(target, path(stem + "-page.cochlex-lesson"));

    const QJsonObject state = pageState(target, "full", pictureSize);
    const QJsonArray cuts = state["cuts"].toArray();
    QCOMPARE(cuts.size(), 1);
    QCOMPARE(cuts[0].toObject()["axis"].toString(), axisName);
    QCOMPARE(cuts[0].toObject()["side"].toInt(), side);
    QCOMPARE(cuts[0].toObject()["number"].toInt(), number);
    QCOMPARE(state["solidCutFaces"].toBool(), solid);
    QCOMPARE(state["cutFaces"].toArray().isEmpty(), !solid);

    const QImage desktop = desktopPicture(cutLesson, 0, stem);
    const QImage uncut = desktopPicture(cutLesson, 1, stem + "-whole");
    const QImage browser = pagePicture(target, 0, stem);
    QCOMPARE(browser.size(), pictureSize);
    const double removed = overlap(foreground(desktop), foreground(uncut));
    QVERIFY2(removed < 0.8,
             qPrintable(QStringLiteral("the cut keeps %1 of the picture").arg(removed)));
    const double share = overlap(foreground(desktop), foreground(browser));
    qInfo("overlap with the desktop %.3f; with its picture uncut %.3f", share, removed);
    if (share < leastOverlap) {
      saveComparison(desktop, browser, stem);
    }
    QVERIFY2(share >= leastOverlap, qPrintable(QStringLiteral("overlap %1").arg(share)));
  }

  // The whole picture of the views from the side and from above matches too.
  void viewsMatchDesktop_data()
  {
    QTest::addColumn<int>("view");
    QTest::newRow("side") << 1;
    QTest::newRow("above, stapes faded") << 2;
    QTest::newRow("the three section images alone") << 3;
  }
  void viewsMatchDesktop()
  {
    QFETCH(int, view);
    Lesson unlabelled = lesson;
    // The section images stand where the viewer puts them, each at its own number.
    ViewState sections = lesson.views[0];
    sections.name = "Sections";
    for (StructureView& structure : sections.structures) {
      structure.shown = false;
    }
    sections.sections = { { { 374, true, 0 }, { 300, true, 0 }, { 58, true, 0 } } };
    unlabelled.views.push_back(sections);
    for (ViewState& each : unlabelled.views) {
      each.labels.reset();
      each.caption.clear();
    }
    const QString stem = QStringLiteral("view-%1").arg(view + 1);
    fixture::writeFile(path(stem + "-page.cochlex-lesson"), lessonJson(unlabelled));
    const QString target = path(stem + ".html");
    exportPage(target, path(stem + "-page.cochlex-lesson"));
    const QImage desktop = desktopPicture(unlabelled, view, stem);
    const QImage browser = pagePicture(target, view, stem);
    const double share = overlap(foreground(desktop), foreground(browser));
    if (share < leastOverlap) {
      saveComparison(desktop, browser, stem);
    }
    QVERIFY2(share >= leastOverlap, qPrintable(QStringLiteral("overlap %1").arg(share)));
  }
};

COCHLEX_TEST_CLASS(WebPageTest)
#include "test_web_page.moc"
