// Learning from the picture: atlas labels over the model view, the description of the selected
// structure in the "Structure" dock, and the white background for handouts.

#include "GuiTest.h"
#include "app/ScreenshotCommand.h"
#include "viewer/CutFaces.h"
#include "viewer/InteractiveDetail.h"
#include "viewer/Labels.h"
#include "viewer/Lessons.h"
#include "viewer/Quiz.h"
#include "viewer/StructureInfo.h"
#include "viewer/ViewCapture.h"
#include "viewer/teaching/LessonFile.h"

#include <QVTKOpenGLWindow.h>

#include <vtkAssemblyNode.h>
#include <vtkAssemblyPath.h>
#include <vtkCellPicker.h>
#include <vtkTextActor.h>

#include <map>

#include <sys/stat.h>

class LabelsTest : public QObject
{
  Q_OBJECT

  std::unique_ptr<ViewerSession> session;
  _CochlexUI* window = nullptr;

  // The shared fixture, with description pages by structure number.
  void openModel(const std::map<int, QByteArray>& pages = {}, bool fifoForFirst = false)
  {
    session.reset();
    session = std::make_unique<ViewerSession>();
    const std::vector<fixture::Structure> structures = fixture::standardStructures();
    bool fifoMade = !fifoForFirst;
    window = &session->openModel(structures, true, [&](const QString& folder) {
      for (const auto& [index, page] : pages) {
        fixture::writeFile(folder + structures[std::size_t(index)].relativePath + ".html", page);
      }
      if (fifoForFirst) {
        const QString path = folder + structures[0].relativePath + ".html";
        fifoMade = mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
      }
    });
    QVERIFY(fifoMade);
    // The fixture's names are long ("Incus Articular Cartilage transformed"): its 640-pixel view
    // holds them in a column each side only at the small size.
    window->labels->setLabelSize(LabelSize::Small);
  }

  // The sample teaching model in the shared fixture, opened once for the tests that need real
  // anatomy: nested structures, section images through them.
  std::unique_ptr<ViewerSession> sampleSession;
  _CochlexUI* sample = nullptr;
  vtkNew<vtkCamera> sampleStart;

  void openSample()
  {
    if (sample != nullptr) {
      return;
    }
    sampleSession = std::make_unique<ViewerSession>();
    QString error;
    sample =
      &sampleSession->openModel(fixture::standardStructures(), true, [&](const QString& folder) {
        // Written beside the fixture (the generator puts the icon next to the model folder), then
        // over it.
        const QString written = folder + "/sample/model";
        if (!writeSampleModel(written, &error)) {
          return;
        }
        QDirIterator files(written, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
          const QString from = files.next();
          const QString to = folder + from.mid(written.size());
          QDir().mkpath(QFileInfo(to).path());
          QFile::remove(to);
          if (!QFile::copy(from, to)) {
            error = "cannot copy " + from;
          }
        }
      });
    QVERIFY2(error.isEmpty(), qPrintable(error));
    sampleStart->DeepCopy(sample->mainCamera());
  }

  // Sends a click, a drag or a wheel turn to the view's native window, which the window system
  // hands the pointer to: the VTK interactor turns or zooms the model as for the user.
  void sendToView(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
  {
    QWindow* native = window->qvtkWidget->embeddedOpenGLWindow();
    QMouseEvent event(type,
                      QPointF(at),
                      QPointF(at),
                      QPointF(native->mapToGlobal(at)),
                      button,
                      held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(native, &event);
  }
  void clickInView(QPoint at)
  {
    sendToView(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    sendToView(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
  }

  std::vector<Labels::ShownLabel> labels() const { return window->labels->shownLabels(); }
  StructureInfo* info() const { return window->findChild<StructureInfo*>(); }

  // Every label names a shown structure once, inside the view, over no other label, and its
  // leader line ends on its structure as the view shows it.
  void verifyLabels(const std::set<int>& expected)
  {
    QTRY_COMPARE(int(labels().size()), int(expected.size()));
    // Exact once the picture has stood still a moment.
    QTRY_VERIFY_WITH_TIMEOUT(
      [&] {
        for (const Labels::ShownLabel& label : labels()) {
          if (window->structurePicker->structureAtViewPoint(label.anchor) != label.structure) {
            return false;
          }
        }
        return true;
      }(),
      2000);
    const QRect view = window->qvtkWidget->rect();
    std::set<int> named;
    const std::vector<Labels::ShownLabel> shown = labels();
    for (std::size_t index = 0; index < shown.size(); ++index) {
      named.insert(shown[index].structure);
      QCOMPARE(shown[index].text, fixtureStructureName(shown[index].structure));
      QVERIFY2(view.contains(shown[index].box), qPrintable(shown[index].text));
      for (std::size_t other = index + 1; other < shown.size(); ++other) {
        QVERIFY(!shown[index].box.intersects(shown[other].box));
      }
    }
    QCOMPARE(named, expected);
  }

private slots:
  void initTestCase() { qputenv(Quiz::seedVariable, "20261207"); }
  void cleanup() { session.reset(); }
  void cleanupTestCase()
  {
    sample = nullptr;
    sampleSession.reset();
  }

  void anchorsEndOnWhatThePictureShows_data()
  {
    QTest::addColumn<QString>("view");
    for (const char* view : { "front", "rotated", "zoomed", "sectioned", "double-cut" }) {
      QTest::newRow(view) << QString(view);
    }
  }

  // On the sample model: every label's line ends on a point the picture shows of its structure
  // (not behind a section image, not in a part cut away, inside the view), the pointer names
  // that structure there, and structures drawn one in another get anchors apart.
  void anchorsEndOnWhatThePictureShows()
  {
    QFETCH(QString, view);
    openSample();
    window = sample;
    vtkCamera* camera = window->mainCamera();
    camera->DeepCopy(sampleStart);
    QCheckBox* const boxes[] = { window->showXPlane, window->showYPlane, window->showZPlane };
    QSlider* const clips[] = { window->clipX, window->clipY, window->clipZ };
    window->findChild<QAction*>(QStringLiteral("actionSolid_Cut_Faces"))->setChecked(false);
    for (int axis = 0; axis < 3; ++axis) {
      clips[axis]->setValue(0);
      if (boxes[axis]->isChecked()) {
        boxes[axis]->click();
      }
    }
    if (view == "rotated") {
      camera->Azimuth(150);
      camera->Elevation(35);
      camera->OrthogonalizeViewUp();
    } else if (view == "zoomed") {
      camera->Zoom(3);
    } else if (view == "sectioned") {
      for (QCheckBox* box : boxes) {
        box->click();
      }
      camera->Azimuth(30);
      camera->Elevation(20);
      camera->OrthogonalizeViewUp();
    } else if (view == "double-cut") {
      // Two cuts that open the model towards the camera, without the images: the cut faces show,
      // closed.
      window->findChild<QAction*>(QStringLiteral("actionSolid_Cut_Faces"))->setChecked(true);
      vtkPlane* const planes[] = { window->clipPlaneX, window->clipPlaneY };
      for (int axis = 0; axis < 2; ++axis) {
        clips[axis]->setValue(1);
        if (planes[axis]->EvaluateFunction(camera->GetPosition()) > 0) {
          clips[axis]->setValue(-1);
        }
      }
    }
    window->mainRenderer()->ResetCameraClippingRange();
    window->labels->showLabelsAction()->setChecked(true);
    window->labels->placeNow();

    vtkRenderer* renderer = window->mainRenderer();
    const std::vector<Labels::ShownLabel> shown = labels();
    // Two cuts leave the incus's cut face and the ends of the stapes and its tendon.
    QVERIFY(shown.size() >= (view == "double-cut" ? 1U : 3U));
    const double ratio = window->qvtkWidget->renderPixelRatio();
    const int height = window->mainRenderWindow()->GetSize()[1];
    const QRect inView = window->qvtkWidget->rect();
    // What the picture shows at a pixel, as the renderer's own selection finds it among every
    // prop it draws (section images included).
    const auto structureDrawnAt = [&](const QPoint& point) {
      vtkAssemblyPath* path = renderer->PickProp(point.x() * ratio, height - 1 - point.y() * ratio);
      vtkProp* prop = path != nullptr ? path->GetLastNode()->GetViewProp() : nullptr;
      for (std::size_t index = 0; index < window->frontActors.size(); ++index) {
        if (prop == window->frontActors[index] || prop == window->backActors[index]) {
          return int(index);
        }
      }
      for (const auto& [cap, index] : window->cutFaces->shownCaps()) {
        if (prop == cap) {
          return index;
        }
      }
      return -1;
    };
    // The renderer's selection leaves out see-through surfaces: where it finds no structure, a
    // ray cast through the pixel must meet the see-through structure before anything else drawn
    // (a capsule over a section image, not behind it).
    const auto drawnAt = [&](const QPoint& point, int structure) {
      if (structureDrawnAt(point) >= 0) {
        return true;
      }
      vtkNew<vtkCellPicker> ray;
      ray->SetTolerance(0);
      if (ray->Pick(point.x() * ratio, height - 1 - point.y() * ratio, 0, renderer) == 0) {
        return false;
      }
      vtkProp* const nearest = ray->GetViewProp();
      return nearest == window->frontActors[std::size_t(structure)] ||
             nearest == window->backActors[std::size_t(structure)];
    };
    for (const Labels::ShownLabel& label : shown) {
      const QString name = label.text;
      QVERIFY2(inView.contains(label.anchor), qPrintable(name));
      QVERIFY2(drawnAt(label.anchor, label.structure), qPrintable(name + " ends on no structure"));
      QVERIFY2(window->structurePicker->structureAtViewPoint(label.anchor) == label.structure,
               qPrintable(name + " ends where the pointer names another"));
      for (const Labels::ShownLabel& other : shown) {
        if (other.structure != label.structure) {
          QVERIFY2(QLineF(label.anchor, other.anchor).length() >= 5,
                   qPrintable(name + " and " + other.text + " end on one spot"));
        }
      }
    }
  }

  void labelClickSelectsEveryTime_data()
  {
    QTest::addColumn<QString>("before");
    for (const char* before : { "nothing", "rotating", "zooming", "hiding", "a selection" }) {
      QTest::newRow(before) << QString(before);
    }
  }

  // As on a renderer too slow for full detail, where a press in the view switches it to a
  // reduced resolution before the label hears of the click.
  void labelClickSelectsEveryTime()
  {
    QFETCH(QString, before);
    openModel();
    InteractiveDetail& detail = *window->interactiveDetail;
    detail.setFullDetailFrameOverride(1000);
    detail.setMovingFrameOverride(1000);
    detail.buildIfNeeded();
    QTRY_VERIFY_WITH_TIMEOUT(detail.coarseCopiesReady(), 60000);
    window->labels->showLabelsAction()->trigger();
    QVERIFY(!labels().empty());
    // Between the label columns, above the spheres.
    const QPoint empty(ViewerSession::viewSize.width() / 2, 6);
    QCOMPARE(window->structurePicker->structureAtViewPoint(empty), -1);
    if (before == "rotating") {
      sendToView(QEvent::MouseButtonPress, empty, Qt::LeftButton, Qt::LeftButton);
      for (int step = 1; step <= 4; ++step) {
        sendToView(QEvent::MouseMove, empty + QPoint(8 * step, 0), Qt::NoButton, Qt::LeftButton);
      }
      sendToView(QEvent::MouseButtonRelease, empty + QPoint(32, 0), Qt::LeftButton, Qt::NoButton);
    } else if (before == "zooming") {
      QWindow* native = window->qvtkWidget->embeddedOpenGLWindow();
      QWheelEvent wheel(QPointF(empty),
                        QPointF(native->mapToGlobal(empty)),
                        QPoint(),
                        QPoint(0, 120),
                        Qt::NoButton,
                        Qt::NoModifier,
                        Qt::NoScrollPhase,
                        false);
      QCoreApplication::sendEvent(native, &wheel);
    } else if (before == "hiding") {
      window->show_3->click();
    } else if (before == "a selection") {
      clickInView(labels().front().box.center());
      QCOMPARE(window->structureSelection->selectedStructure(), labels().front().structure);
    }
    window->labels->placeNow();
    const std::vector<Labels::ShownLabel> shown = labels();
    QVERIFY(shown.size() >= 2);
    for (const Labels::ShownLabel& label : { shown.back(), shown.front() }) {
      clickInView(label.box.center());
      QCOMPARE(window->structureSelection->selectedStructure(), label.structure);
    }
  }

  // A view arrives with its labels placed once: none on the way, none moving after.
  void labelsArriveWithTheView()
  {
    openModel();
    Lessons& lessons = *window->lessons;
    window->labels->showLabelsAction()->trigger();
    lessons.addView();
    window->mainCamera()->Azimuth(140);
    window->mainCamera()->Elevation(-30);
    window->mainCamera()->Zoom(1.6);
    window->mainCamera()->OrthogonalizeViewUp();
    window->mainRenderer()->ResetCameraClippingRange();
    lessons.addView();
    lessons.goToView(0);
    lessons.finishTransition();

    lessons.goToView(1);
    QVERIFY(lessons.transitionRunning());
    bool labelsOnTheWay = false;
    while (lessons.transitionRunning()) {
      labelsOnTheWay = labelsOnTheWay || !labels().empty();
      QTest::qWait(20);
    }
    QVERIFY(!labelsOnTheWay);
    const std::vector<Labels::ShownLabel> arrived = labels();
    QVERIFY(arrived.size() >= 5);
    for (const Labels::ShownLabel& label : arrived) {
      QCOMPARE(window->structurePicker->structureAtViewPoint(label.anchor), label.structure);
    }
    QTest::qWait(5 * Labels::refineMilliseconds);
    const std::vector<Labels::ShownLabel> later = labels();
    QCOMPARE(later.size(), arrived.size());
    for (std::size_t index = 0; index < later.size(); ++index) {
      QCOMPARE(later[index].structure, arrived[index].structure);
      QCOMPARE(later[index].box, arrived[index].box);
      QCOMPARE(later[index].anchor, arrived[index].anchor);
    }
  }

  // The size is part of a lesson's view; a lesson from before sizes leaves the size alone.
  void labelSizeKeptInTheLessonFile()
  {
    openModel();
    Lessons& lessons = *window->lessons;
    Labels& labelSet = *window->labels;
    // View > Label Size: one of three at a time.
    auto* menu = window->menuView->findChild<QMenu*>(QStringLiteral("menuLabel_Size"));
    QVERIFY(menu != nullptr && window->menuView->actions().contains(menu->menuAction()));
    QCOMPARE(menu->title(), QString("Label Size"));
    QStringList texts;
    for (QAction* action : menu->actions()) {
      texts.append(action->text());
      QVERIFY(action->isCheckable() && action->actionGroup()->isExclusive());
    }
    QCOMPARE(texts, QStringList({ "Small", "Medium", "Large" }));
    labelSet.showLabelsAction()->trigger();
    const auto tallest = [this] {
      int height = 0;
      for (const Labels::ShownLabel& label : labels()) {
        height = std::max(height, label.box.height());
      }
      return height;
    };
    labelSet.labelSizeAction(LabelSize::Small)->trigger();
    const int small = tallest();
    labelSet.labelSizeAction(LabelSize::Large)->trigger();
    const int large = tallest();
    // 14 and 28 pixels of text.
    QVERIFY2(small >= 14 && large >= 28 && large > 3 * small / 2,
             qPrintable(QStringLiteral("%1 and %2").arg(small).arg(large)));
    lessons.addView();
    QTemporaryDir folder;
    const QString path = folder.filePath("sizes.cochlex-lesson");
    QCOMPARE(lessons.saveLessonTo(path), QString());

    labelSet.labelSizeAction(LabelSize::Small)->trigger();
    QCOMPARE(tallest(), small);
    lessons.openLessonFile(path);
    lessons.goToView(0);
    lessons.finishTransition();
    QVERIFY(labelSet.labelSizeAction(LabelSize::Large)->isChecked());
    QVERIFY(!labelSet.labelSizeAction(LabelSize::Small)->isChecked());
    QCOMPARE(tallest(), large);

    Lesson older;
    older.structureNames = loadedStructureNames(*window);
    older.views = { captureView(*window) };
    older.views[0].labelSize.reset();
    labelSet.labelSizeAction(LabelSize::Medium)->trigger();
    const QString olderPath = folder.filePath("older.cochlex-lesson");
    fixture::writeFile(olderPath, lessonJson(older));
    lessons.openLessonFile(olderPath);
    lessons.goToView(0);
    lessons.finishTransition();
    QVERIFY(labelSet.labelSizeAction(LabelSize::Medium)->isChecked());
  }

  // A handout of 1600 x 1200 from the command line: label text of at least a sixtieth of the
  // picture's height (9 points on A4), the labels off the picture's edge.
  void screenshotLabelsReadableInPrint()
  {
    QTemporaryDir folder;
    fixture::writeModel(folder.path());
    const fixture::WorkingDirectory returnHere(QDir::currentPath());
    ScreenshotRequest request;
    request.file = folder.filePath("handout.png");
    request.size = QSize(1600, 1200);
    request.modelFolder = folder.path();
    request.labels = true;
    request.white = true;
    QCOMPARE(runScreenshotCommand(request), 0);
    const QImage picture(request.file);
    QCOMPARE(picture.size(), request.size);

    // The ink of the labels: dark grey on white; the spheres are coloured, light where lit.
    const auto ink = [&](int x, int y) {
      const QRgb pixel = picture.pixel(x, y);
      return qGray(pixel) < 90 && std::abs(qRed(pixel) - qBlue(pixel)) < 20;
    };
    // Above the orientation axes, whose letters take the bottom left fifth.
    const int above = picture.height() * 4 / 5;
    int leftmost = picture.width();
    for (int y = 0; y < above; ++y) {
      for (int x = 0; x < picture.width() / 4; ++x) {
        if (ink(x, y)) {
          leftmost = std::min(leftmost, x);
          break;
        }
      }
    }
    QVERIFY2(leftmost >= picture.width() / 80 && leftmost < picture.width() / 4,
             qPrintable(QStringLiteral("left margin %1").arg(leftmost)));
    // Rows with ink in the first letters of the left column form one band per label.
    std::vector<int> bands;
    int bandRows = 0;
    for (int y = 0; y <= above; ++y) {
      bool inked = false;
      for (int x = leftmost; y < above && x < leftmost + 12 && !inked; ++x) {
        inked = ink(x, y);
      }
      if (inked) {
        ++bandRows;
      } else if (bandRows > 0) {
        bands.push_back(bandRows);
        bandRows = 0;
      }
    }
    QVERIFY(!bands.empty());
    for (int band : bands) {
      QVERIFY2(band >= picture.height() / 60,
               qPrintable(QStringLiteral("text %1 pixels high").arg(band)));
    }
  }

  void labelsFollowThePicture()
  {
    openModel();
    QVERIFY(labels().empty());
    window->labels->showLabelsAction()->trigger();
    verifyLabels({ 0, 1, 2, 3, 4, 5, 6, 7, 8 });

    // Turned half round, the labels follow and their lines still end on their structures.
    window->mainCamera()->Azimuth(150);
    window->mainRenderWindow()->Render();
    verifyLabels({ 0, 1, 2, 3, 4, 5, 6, 7, 8 });

    // Hidden or wholly transparent: no label.
    window->show_3->click();
    window->horizontalSlider_6->setValue(10);
    verifyLabels({ 0, 1, 3, 4, 6, 7, 8 });

    // The quiz would be given away: no labels while it runs.
    window->actionQuiz->trigger();
    QVERIFY(labels().empty());
    window->actionQuiz->trigger();
    verifyLabels({ 0, 1, 3, 4, 6, 7, 8 });

    window->labels->showLabelsAction()->trigger();
    QVERIFY(labels().empty());
  }

  void clickOnALabelSelectsAndDescribes()
  {
    openModel({ { 4, "<p>The <b>fourth</b> sphere.</p>" } });
    window->labels->showLabelsAction()->trigger();
    verifyLabels({ 0, 1, 2, 3, 4, 5, 6, 7, 8 });
    QTextBrowser* browser = window->findChild<QTextBrowser*>(QStringLiteral("structureInfo"));
    QVERIFY(browser != nullptr && !info()->dock()->isVisible());

    // The opened dock narrows the view and the labels move: each click goes where its label
    // stands now.
    for (const int structure : { 4, 7 }) {
      const std::vector<Labels::ShownLabel> shown = labels();
      const auto found =
        std::find_if(shown.begin(), shown.end(), [&](const Labels::ShownLabel& candidate) {
          return candidate.structure == structure;
        });
      QVERIFY(found != shown.end());
      const Labels::ShownLabel& label = *found;
      QTest::mouseClick(window->qvtkWidget, Qt::LeftButton, {}, label.box.center());
      QCOMPARE(window->structureSelection->selectedStructure(), label.structure);
      // Opened once a double-click can no longer follow.
      QTRY_VERIFY(info()->dock()->isVisible());
      const QString text = browser->toPlainText();
      QVERIFY2(text.startsWith(label.text), qPrintable(text));
      QCOMPARE(text.contains(QStringLiteral("The fourth sphere.")), label.structure == 4);
      QCOMPARE(text.contains(StructureInfo::noDescriptionText()), label.structure == 7);
    }

    // The row's title selects too.
    auto* row = qobject_cast<QGroupBox*>(window->show_2->parentWidget());
    QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(row->width() / 2, 4));
    QTRY_COMPARE(info()->shownStructure(), 1);

    // A wrong answer in the quiz shows what was asked for.
    window->actionQuiz->trigger();
    const int asked = window->quiz->currentRound()->asked().index;
    const int wrong = asked == 0 ? 8 : 0;
    QTest::mouseClick(window->qvtkWidget,
                      Qt::LeftButton,
                      {},
                      viewPointOf(*window, fixture::standardStructures()[wrong].center));
    QCOMPARE(info()->shownStructure(), asked);
    QVERIFY(browser->toPlainText().startsWith(fixtureStructureName(asked)));
  }

  // A description that is there but cannot be read is a load problem; none at all is not.
  void unreadableDescriptionIsALoadProblem()
  {
    openModel({}, true);
    const std::vector<std::string>& problems = window->loadReport.problems;
    QCOMPARE(int(problems.size()), 1);
    const QString page = QFileInfo(fixture::standardStructures()[0].relativePath).fileName();
    QVERIFY(QString::fromStdString(problems[0]).contains(page + QStringLiteral(".html")));
    window->structureSelection->selectStructure(0);
    QVERIFY(info()->browser()->toPlainText().contains(StructureInfo::noDescriptionText()));
  }

  void whiteBackgroundWithDarkLabels()
  {
    openModel();
    window->labels->whiteBackgroundAction()->trigger();
    const QImage unlabelled = renderMainView(*window, 1);
    window->labels->showLabelsAction()->trigger();
    verifyLabels({ 0, 1, 2, 3, 4, 5, 6, 7, 8 });
    const QImage image = renderMainView(*window, 1);
    const double ratio = window->qvtkWidget->devicePixelRatioF();
    QCOMPARE(QColor(image.pixel(image.width() / 2, 2)), QColor(Qt::white));
    // Dark letters in each label: among the pixels the label changed (a structure may lie under
    // its box).
    for (const Labels::ShownLabel& label : labels()) {
      int darkest = 255;
      const QRect box(label.box.topLeft() * ratio, label.box.size() * ratio);
      for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) {
          if (image.pixel(x, y) != unlabelled.pixel(x, y)) {
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
          }
        }
      }
      QVERIFY2(darkest < 80, qPrintable(label.text));
    }
    window->labels->whiteBackgroundAction()->trigger();
    QCOMPARE(QColor(renderMainView(*window, 1).pixel(image.width() / 2, 2)), QColor(Qt::black));
  }
};

COCHLEX_VIEWER_TEST_MAIN(LabelsTest)
#include "test_labels.moc"
