// Learning from the picture: atlas labels over the model view, the description of the selected
// structure in the "Structure" dock, and the white background for handouts.

#include "GuiTest.h"
#include "viewer/Labels.h"
#include "viewer/Quiz.h"
#include "viewer/StructureInfo.h"

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

    for (const Labels::ShownLabel& label : labels()) {
      if (label.structure != 4 && label.structure != 7) {
        continue;
      }
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
