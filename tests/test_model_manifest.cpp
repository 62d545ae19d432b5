// A model whose manifest names twelve structures in three groups: every structure its own row
// with its own name, rows that find structures by name, groups shown and hidden at once; and a
// folder without a manifest as it always looked.

#include "GuiTest.h"
#include "viewer/Quiz.h"
#include "viewer/ViewCapture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// Names unlike the file names, so a row can only show them from the manifest.
const QStringList names = { "Incus body",    "Incus cartilage",  "Incus vessels",
                            "Incus areolar", "Stapes head",      "Stapes cartilage",
                            "Joint capsule", "Stapedius Tendon", "Joint space",
                            "Malleus head",  "Stapes footplate", "Chorda tympani" };

QString
groupOf(int index)
{
  // The footplate belongs to the joint's group although the malleus stands between them.
  return index < 4                  ? QStringLiteral("Incus")
         : index < 9 || index == 10 ? QStringLiteral("Joint")
                                    : QStringLiteral("Others");
}

std::vector<fixture::Structure>
twelveStructures()
{
  std::vector<fixture::Structure> structures = fixture::standardStructures();
  for (const char* file : { "Malleus_Head", "Stapes_Footplate", "Chorda_Tympani" }) {
    fixture::Structure extra = structures.back();
    extra.relativePath = QStringLiteral("/Joint/%1.vtk").arg(file);
    extra.center = { 3.0 * double(structures.size() % 3), 9.0, 0.0 };
    structures.push_back(extra);
  }
  return structures;
}

void
writeManifest(const QString& folder, const std::vector<fixture::Structure>& structures)
{
  QJsonArray entries;
  for (int index = 0; index < int(structures.size()); ++index) {
    entries.append(QJsonObject{ { "file", structures[std::size_t(index)].relativePath.mid(1) },
                                { "name", names[index] },
                                { "group", groupOf(index) },
                                { "opacity", index == 11 ? 0.5 : 1.0 } });
  }
  fixture::writeFile(
    folder + "/cochlex-model.json",
    QJsonDocument(QJsonObject{ { "cochlex-model", 1 }, { "structures", entries } }).toJson());
}

QString
rowTitle(const _CochlexUI& window, int index)
{
  return qobject_cast<QGroupBox*>(window.structureCheckBoxes[std::size_t(index)]->parentWidget())
    ->title();
}

bool
rowShown(const _CochlexUI& window, int index)
{
  return window.structureCheckBoxes[std::size_t(index)]->parentWidget()->isVisible();
}

} // namespace

class ModelManifestTest : public QObject
{
  Q_OBJECT

  std::unique_ptr<ViewerSession> session;
  _CochlexUI* window = nullptr;

  bool inView(int index) const
  {
    return window->mainRenderer()->HasViewProp(window->frontActors[std::size_t(index)]) != 0;
  }

private slots:
  void init()
  {
    session = std::make_unique<ViewerSession>();
    const std::vector<fixture::Structure> structures = twelveStructures();
    window = &session->openModel(
      structures, true, [&](const QString& folder) { writeManifest(folder, structures); });
  }
  void cleanup() { session.reset(); }

  void everyStructureHasItsRowAndName()
  {
    QCOMPARE(window->structureTable->count(), 12);
    QCOMPARE(int(window->structureCheckBoxes.size()), 12);
    for (int index = 0; index < 12; ++index) {
      QCOMPARE(rowTitle(*window, index), names[index]);
      // The areolar tissue's row too: the manifest hides none.
      QVERIFY2(rowShown(*window, index) || index > 5, qPrintable(names[index]));
      QCOMPARE(window->structureSelection->structureName(index), names[index]);
      QVERIFY(inView(index) || index == 11);
    }
    QVERIFY(window->groupBox_21->isVisibleTo(window->page));
    // A click on a structure beyond the ninth opens its own name in the Structure dock.
    window->structureSelection->selectStructure(9);
    auto* dock = window->findChild<QTextBrowser*>("structureInfo");
    QVERIFY(dock != nullptr);
    QVERIFY2(dock->toPlainText().startsWith("Malleus head"), qPrintable(dock->toPlainText()));
    const ViewState view = captureView(*window);
    QCOMPARE(int(view.structures.size()), 12);
    QCOMPARE(view.structures[9].name, QStringLiteral("Malleus head"));
    QCOMPARE(view.structures[11].transparency, 0.5);
  }

  void rowsBeyondNineDriveTheirStructures()
  {
    // Structure 11 by its own row: hidden, then shown again.
    window->structureCheckBoxes[10]->click();
    QVERIFY(!inView(10) && !window->structureTable->at(10).shown);
    window->structureCheckBoxes[10]->click();
    QVERIFY(inView(10));
    // Slider and spin box of row 12 follow each other and fade it.
    window->structureSliders[11]->setValue(8);
    QCOMPARE(window->structureSpinBoxes[11]->value(), 0.8);
    QCOMPARE(window->frontActors[11]->GetProperty()->GetOpacity(), 1 - 0.8);
    window->structureSpinBoxes[11]->setValue(0.3);
    QCOMPARE(window->structureSliders[11]->value(), 3);
    QCOMPARE(window->backActors[11]->GetProperty()->GetOpacity(), 1 - 0.3);
    window->hideAll();
    QVERIFY(!window->structureCheckBoxes[11]->isChecked() && !inView(11));
    window->showAll();
    QVERIFY(window->structureCheckBoxes[11]->isChecked() && inView(11));
  }

  void filterFindsStructuresByPartOfTheirName()
  {
    auto* filter = window->page->findChild<QLineEdit*>("structureFilter");
    QVERIFY(filter != nullptr);
    filter->setText("stap");
    std::vector<int> found;
    for (int index = 0; index < 12; ++index) {
      if (rowShown(*window, index)) {
        found.push_back(index);
      }
    }
    QCOMPARE(found, (std::vector<int>{ 4, 5, 7, 10 }));
    // While the quiz hides the names, the rows a search found would give the answers away: every
    // row shows, the field waits, and the search is back when the quiz ends.
    window->actionQuiz->setChecked(true);
    QVERIFY(window->quiz->running() && !filter->isEnabled());
    for (int index = 0; index < 12; ++index) {
      QVERIFY(rowShown(*window, index));
    }
    window->actionQuiz->setChecked(false);
    QVERIFY(filter->isEnabled() && rowShown(*window, 4) && !rowShown(*window, 0));
    filter->clear();
    QVERIFY(rowShown(*window, 0) && rowShown(*window, 3));
  }

  // One heading per group, every member under it, in the model's order within the group.
  void groupsGatherTheirStructures()
  {
    QStringList shown;
    QVBoxLayout* list = window->vboxLayout5;
    for (int item = 0; item < list->count(); ++item) {
      QWidget* widget = list->itemAt(item)->widget();
      if (widget == nullptr) {
        continue;
      }
      if (widget->objectName().startsWith("structureGroup_")) {
        shown << "[" + widget->findChild<QCheckBox*>()->text() + "]";
      }
      for (int index = 0; index < 12; ++index) {
        if (window->structureCheckBoxes[std::size_t(index)]->parentWidget() == widget) {
          shown << names[index];
        }
      }
    }
    const QStringList expected = { "[Incus]",          "Incus body",       "Incus cartilage",
                                   "Incus vessels",    "Incus areolar",    "[Joint]",
                                   "Stapes head",      "Stapes cartilage", "Joint capsule",
                                   "Stapedius Tendon", "Joint space",      "Stapes footplate",
                                   "[Others]",         "Malleus head",     "Chorda tympani" };
    QCOMPARE(shown, expected);
  }

  void groupBoxShowsAndHidesItsStructures()
  {
    QCheckBox* incus = nullptr;
    for (QCheckBox* box : window->page->findChildren<QCheckBox*>()) {
      if (box->text() == "Incus") {
        incus = box;
      }
    }
    QVERIFY(incus != nullptr);
    QCOMPARE(incus->checkState(), Qt::Checked);
    incus->click();
    for (int index = 0; index < 12; ++index) {
      QCOMPARE(inView(index), index >= 4);
    }
    window->structureCheckBoxes[1]->click();
    QCOMPARE(incus->checkState(), Qt::PartiallyChecked);
    incus->click();
    for (int index = 0; index < 4; ++index) {
      QVERIFY(inView(index));
    }
  }

  // Without a manifest the nine rows keep the layout's titles and row 4 stays hidden, whatever
  // the files are called.
  void folderWithoutManifestLooksAsAlways()
  {
    session.reset();
    session = std::make_unique<ViewerSession>();
    window = &session->openModel();
    QCOMPARE(window->groupBox_1->title(), QStringLiteral("Incus"));
    QCOMPARE(window->groupBox_24->title(), QStringLiteral("Capsular Ligamental Fibers"));
    QVERIFY(window->groupBox_21->isHidden());
    QVERIFY(window->page->findChild<QLineEdit*>("structureFilter") == nullptr);
    QCOMPARE(int(window->structureCheckBoxes.size()), 9);
    QCOMPARE(window->structureSelection->structureName(0), QStringLiteral("Incus transformed"));
  }
};

COCHLEX_VIEWER_TEST_MAIN(ModelManifestTest)
#include "test_model_manifest.moc"
