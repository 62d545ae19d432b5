// cochlex-make-model on the files segmentation tools write, made here: a segmentation file
// whose named, coloured segments overlap in two layers; surfaces in RAS and in LPS; label maps
// in the encodings, types and layouts such tools use (bzip2, skipped lines, voxels at the end,
// 32-bit labels, scaled NIfTI, series), colour tables as comma-separated values. Each comes out
// as the structures it holds, or as one line saying why not.

#include "MakeModelRuns.h"
#include "TestDriver.h"
#include "loading/SectionVolume.h"
#include "loading/TeachingModel.h"
#include "tools/make_model/SegmentationHeader.h"
#include "tools/make_model/Surfaces.h"

#include <vtkImageData.h>
#include <vtkMatrix4x4.h>
#include <vtkNIFTIImageWriter.h>
#include <vtkNew.h>
#include <vtkOBJWriter.h>
#include <vtkPLYWriter.h>
#include <vtkPoints.h>
#include <vtkPolyData.h>
#include <vtkPolyDataWriter.h>
#include <vtkSTLWriter.h>
#include <vtkSphereSource.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QVector3D>
#include <QtTest>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>

namespace {

// A grid of n^3 voxels of 0.1 mm from the origin (LPS): the label of each voxel centre.
std::vector<std::int64_t>
labelsOf(int n, const std::function<std::int64_t(const QVector3D&)>& label)
{
  std::vector<std::int64_t> values;
  for (int k = 0; k < n; ++k) {
    for (int j = 0; j < n; ++j) {
      for (int i = 0; i < n; ++i) {
        values.push_back(label(QVector3D(0.1f * i, 0.1f * j, 0.1f * k)));
      }
    }
  }
  return values;
}

template<typename T>
QByteArray
bytesOf(const std::vector<std::int64_t>& values)
{
  QByteArray bytes;
  for (std::int64_t value : values) {
    const T stored = T(value);
    bytes.append(reinterpret_cast<const char*>(&stored), sizeof stored);
  }
  return bytes;
}

std::function<std::int64_t(const QVector3D&)>
ball(QVector3D centre, float radius, std::int64_t value)
{
  return [=](const QVector3D& p) { return (p - centre).length() < radius ? value : 0; };
}

// A NRRD header of n^3 voxels of 0.1 mm in LPS from the origin, with more fields.
QByteArray
nrrdHeader(const QByteArray& type, int n, const QByteArray& more)
{
  const QByteArray size = QByteArray::number(n);
  return "NRRD0004\ntype: " + type + "\ndimension: 3\nsizes: " + size + ' ' + size + ' ' + size +
         "\nspace: left-posterior-superior\nspace directions: (0.1,0,0) (0,0.1,0) (0,0,0.1)\n"
         "space origin: (0,0,0)\nendian: little\n" +
         more;
}

// A sphere of 64 x 64 facets, in whatever frame its file is written in.
vtkSmartPointer<vtkPolyData>
sphere(QVector3D centre, double radius)
{
  vtkNew<vtkSphereSource> source;
  source->SetCenter(centre.x(), centre.y(), centre.z());
  source->SetRadius(radius);
  source->SetThetaResolution(64);
  source->SetPhiResolution(64);
  source->Update();
  return source->GetOutput();
}

} // namespace

class MakeModelSegmentationsTest : public QObject
{
  Q_OBJECT

  QTemporaryDir directory;
  QString path(const QString& name) const { return directory.filePath(name); }

  void write(const QString& name, const QByteArray& bytes)
  {
    QFile file(path(name));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
  }

  int run(QStringList arguments, QString* errors)
  {
    for (QString& argument : arguments) {
      // Files made here by their names, also after --option= and NAME=.
      const QString file = argument.section('=', -1);
      if (!QDir::isAbsolutePath(file) && (QFile::exists(path(file)) || file == "out")) {
        argument = argument.left(argument.size() - file.size()) + path(file);
      }
    }
    return makemodeltest::runTool(arguments, errors);
  }

  static std::vector<LoadedStructure> loaded(const QString& model)
  {
    makemodeltest::ReadModel read = makemodeltest::readModel(model);
    if (!read.model.fromManifest || !read.model.problems.empty()) {
      read.structures.clear();
    }
    return read.structures;
  }

  void writeNifti(const QString& name,
                  const std::vector<std::vector<std::int64_t>>& frames,
                  double slope)
  {
    vtkNew<vtkImageData> image;
    image->SetDimensions(20, 20, 20);
    image->SetSpacing(0.1, 0.1, 0.1);
    image->AllocateScalars(VTK_UNSIGNED_CHAR, int(frames.size()));
    auto* voxels = static_cast<std::uint8_t*>(image->GetScalarPointer());
    for (std::size_t voxel = 0; voxel < frames[0].size(); ++voxel) {
      for (std::size_t frame = 0; frame < frames.size(); ++frame) {
        voxels[voxel * frames.size() + frame] = std::uint8_t(frames[frame][voxel]);
      }
    }
    vtkNew<vtkNIFTIImageWriter> writer;
    writer->SetInputData(image);
    if (frames.size() > 1) {
      writer->SetTimeDimension(int(frames.size()));
      writer->SetTimeSpacing(1.0);
    }
    writer->SetRescaleSlope(slope);
    writer->SetRescaleIntercept(0.0);
    writer->SetFileName(QFile::encodeName(path(name)).constData());
    writer->Write();
  }

private slots:
  void initTestCase()
  {
    QVERIFY(directory.isValid());
    // A segmentation file of two layers: in the first the malleus (1) and the incus (2), in the
    // second the stapes (1), overlapping both; one more segment has no voxels.
    const int n = 40;
    const auto first = labelsOf(n, [](const QVector3D& p) {
      return ball({ 1.0f, 2.0f, 2.0f }, 0.6f, 1)(p) + ball({ 2.6f, 2.0f, 2.0f }, 0.6f, 2)(p);
    });
    const auto second = labelsOf(n, ball({ 1.8f, 2.0f, 2.0f }, 0.6f, 1));
    QByteArray layers;
    for (std::size_t voxel = 0; voxel < first.size(); ++voxel) {
      layers.append(char(first[voxel])).append(char(second[voxel]));
    }
    write("ear.seg.nrrd",
          "NRRD0004\ntype: unsigned char\ndimension: 4\nspace: left-posterior-superior\n"
          "sizes: 2 40 40 40\nspace directions: none (0.1,0,0) (0,0.1,0) (0,0,0.1)\n"
          "kinds: list domain domain domain\nencoding: gzip\nspace origin: (0,0,0)\n"
          "Segment0_Color:=0.9 0.8 0.1\nSegment0_ID:=Segment_1\nSegment0_LabelValue:=1\n"
          "Segment0_Layer:=0\nSegment0_Name:=Malleus head\n"
          "Segment1_Color:=0.2 0.4 0.9\nSegment1_LabelValue:=2\nSegment1_Layer:=0\n"
          "Segment1_Name:=Incus\n"
          "Segment2_Color:=0.1 0.7 0.3\nSegment2_LabelValue:=1\nSegment2_Layer:=1\n"
          "Segment2_Name:=Stapes\tcrus\n"
          "Segment3_Color:=0.5 0.5 0.5\nSegment3_LabelValue:=5\nSegment3_Layer:=1\n"
          "Segment3_Name:=Tensor tympani\n\n" +
            makemodeltest::deflated(layers));
    write("incus.csv",
          "LabelValue,Name,Color_R,Color_G,Color_B,Color_A\n"
          "2,\"Incus, long process\",255,0,0,255\n");

    // Label maps of one ball (label 3 unless said) in each layout.
    const auto three = labelsOf(20, ball({ 1, 1, 1 }, 0.5f, 3));
    const auto two = labelsOf(20, [](const QVector3D& p) {
      return ball({ 0.6f, 1, 1 }, 0.35f, 70000)(p) + ball({ 1.4f, 1, 1 }, 0.35f, 2147483647)(p);
    });
    write("large.nrrd", nrrdHeader("int32", 20, "encoding: raw\n\n") + bytesOf<std::int32_t>(two));
    write("bzip2.nrrd",
          nrrdHeader("uint8", 20, "encoding: bzip2\n\n") +
            makemodeltest::bzipped(bytesOf<std::uint8_t>(three)));
    write("skip.raw", "a first line\nand a second\n" + bytesOf<std::uint8_t>(three));
    write("skip.nhdr",
          nrrdHeader("uint8", 20, "encoding: raw\nline skip: 2\ndata file: skip.raw\n"));
    write("end.nrrd",
          nrrdHeader("uint16", 20, "encoding: raw\nbyte skip: -1\n\n") + QByteArray(37, 'x') +
            bytesOf<std::uint16_t>(three));
    write(
      "text.nrrd", nrrdHeader("short", 20, "encoding: text\n\n") + [&] {
        QByteArray text;
        for (std::int64_t value : three) {
          text += QByteArray::number(qlonglong(value)) + ' ';
        }
        return text;
      }());
    QByteArray series;
    const auto seven = labelsOf(20, ball({ 1, 1, 1 }, 0.5f, 7));
    for (const auto* frame : { &three, &seven, &three }) {
      series += bytesOf<std::uint8_t>(*frame);
    }
    write(
      "series.nrrd",
      QByteArray(nrrdHeader("uint8", 20, "kinds: domain domain domain time\nencoding: gzip\n\n"))
          .replace("sizes: 20 20 20", "dimension: 4\nsizes: 20 20 20 3")
          .replace("dimension: 3\n", "")
          .replace("(0,0,0.1)", "(0,0,0.1) none") +
        makemodeltest::deflated(series));
    const auto one = labelsOf(20, ball({ 1, 1, 1 }, 0.5f, 1));
    writeNifti("scaled.nii", { one }, 5.0);
    writeNifti("half.nii", { one }, 0.5);
    writeNifti("series.nii", { one, labelsOf(20, ball({ 1, 1, 1 }, 0.5f, 2)) }, 1.0);
    write("pair.nrrd",
          nrrdHeader("uint8", 20, "encoding: raw\n\n") +
            bytesOf<std::uint8_t>(labelsOf(20, [](const QVector3D& p) {
              return ball({ 0.6f, 1, 1 }, 0.35f, 3)(p) + ball({ 1.4f, 1, 1 }, 0.35f, 4)(p);
            })));
    write("three.txt", "3 Stapes 10 20 30 255\n");
    write("nine.txt", "9 Cochlea 10 20 30 255\n");
    write("incus.txt", "2 Incus 10 20 30 255\n");

    // The ball of label 3 as surface files: in LPS, and in RAS (x and y the other way).
    write("ball.nrrd", nrrdHeader("uint8", 20, "encoding: raw\n\n") + bytesOf<std::uint8_t>(three));
    const QVector3D lps(1, 1, 1), ras(-1, -1, 1);
    auto stl = [&](const QString& name, QVector3D centre, const char* header) {
      vtkNew<vtkSTLWriter> writer;
      writer->SetInputData(sphere(centre, 0.5));
      writer->SetHeader(header);
      writer->SetFileTypeToBinary();
      writer->SetFileName(QFile::encodeName(path(name)).constData());
      writer->Write();
    };
    stl("lps.stl", lps, "SPACE=LPS");
    stl("ras.stl", ras, "SPACE=RAS");
    stl("unsaid-ras.stl", ras, "made elsewhere");
    stl("far.stl", QVector3D(40, 40, 40), "made elsewhere");
    // Beside the map's far x face, which with its half voxel lies at 1.95 mm: just past it and
    // just within it.
    stl("past-x.stl", QVector3D(2.48f, 1, 1), "SPACE=LPS");
    stl("within-x.stl", QVector3D(2.42f, 1, 1), "SPACE=LPS");
    // The same ball on a grid turned so that its last voxel alone lies farthest along x: the
    // index axes run along (1,1,1)/sqrt 3 in x, together with directions that cancel in y and z.
    // That corner, half a voxel out, is at x = 1.95 sqrt 3 = 3.38 mm; the corners with two high
    // indices reach 2.22 mm. The ball at x = 3.05 mm lies between.
    const double a = 0.1 / std::sqrt(3.0), b = 0.1 / std::sqrt(2.0), c = 0.1 / std::sqrt(6.0);
    write("oblique.nrrd",
          QByteArray(nrrdHeader("uint8", 20, "encoding: raw\n\n"))
              .replace("(0.1,0,0) (0,0.1,0) (0,0,0.1)",
                       QStringLiteral("(%1,%2,%3) (%1,-%2,%3) (%1,0,-%4)")
                         .arg(a, 0, 'g', 17)
                         .arg(b, 0, 'g', 17)
                         .arg(c, 0, 'g', 17)
                         .arg(2 * c, 0, 'g', 17)
                         .toLatin1()) +
            bytesOf<std::uint8_t>(three));
    stl("corner.stl", QVector3D(3.05f, 0, 0), "SPACE=LPS");
    vtkNew<vtkOBJWriter> obj;
    obj->SetInputData(sphere(ras, 0.5));
    obj->SetFileName(QFile::encodeName(path("unsaid-ras.obj")).constData());
    obj->Write();
    vtkNew<vtkPLYWriter> ply;
    ply->SetInputData(sphere(ras, 0.5));
    ply->AddComment("SPACE=RAS");
    ply->SetFileName(QFile::encodeName(path("ras.ply")).constData());
    ply->Write();
    vtkNew<vtkPolyDataWriter> legacy;
    legacy->SetInputData(sphere(ras, 0.5));
    legacy->SetHeader("ball SPACE=RAS");
    legacy->SetFileName(QFile::encodeName(path("ras.vtk")).constData());
    legacy->Write();
  }

  // The header's segments: names as given (control characters as spaces, bounded), colours,
  // layers and label values; each fault one line.
  void segmentFields_data()
  {
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<int>("layers");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("problem");
    QTest::newRow("named, coloured, layered") << QStringList{ "segment0_name=Malleus",
                                                              "segment0_color=1 0.5 0",
                                                              "segment0_layer=1",
                                                              "segment0_labelvalue=4",
                                                              "segment1_name=Incus" }
                                              << 2 << "0 Malleus 1 4 (1,0.5,0); 1 Incus 1 1 none"
                                              << "";
    QTest::newRow("older file: a layer per segment, label 1")
      << QStringList{ "segment0_name=A", "segment1_name=B" } << 2 << "0 A 0 1 none; 1 B 1 1 none"
      << "";
    QTest::newRow("control characters and escapes in a name")
      << QStringList{ "segment0_name= Chorda\ttympani\\nnerve\x1b " } << 1
      << "0 Chorda tympani nerve 0 1 none"
      << "";
    QTest::newRow("colour over 1") << QStringList{ "segment0_color=1.5 0 0" } << 1 << ""
                                   << "Segment0_Color is not three numbers from 0 to 1";
    QTest::newRow("two numbers of colour") << QStringList{ "segment2_color=1 0" } << 1 << ""
                                           << "Segment2_Color";
    QTest::newRow("layer outside the file") << QStringList{ "segment0_layer=2" } << 2 << ""
                                            << "Segment0_Layer is not one of the file's 2 layers";
    QTest::newRow("label 0") << QStringList{ "segment0_labelvalue=0" } << 1 << ""
                             << "Segment0_LabelValue is not a label from 1 to 2147483647";
    QTest::newRow("label past 32 bits")
      << QStringList{ "segment0_labelvalue=2147483648" } << 1 << ""
      << "Segment0_LabelValue";
  }

  void segmentFields()
  {
    QFETCH(QStringList, fields);
    QFETCH(int, layers);
    QFETCH(QString, summary);
    QFETCH(QString, problem);
    std::map<std::string, std::string> header;
    for (const QString& field : fields) {
      header[field.section('=', 0, 0).toStdString()] = field.section('=', 1).toStdString();
    }
    const makemodel::SegmentList list = makemodel::segmentsFromHeader(header, layers);
    QVERIFY2(QString::fromStdString(list.problem).contains(problem), list.problem.c_str());
    if (!problem.isEmpty()) {
      return;
    }
    QStringList described;
    for (const makemodel::SegmentInfo& segment : list.segments) {
      const std::string name = makemodel::displayName(segment.name, 80);
      described << QString("%1 %2 %3 %4 %5")
                     .arg(segment.index)
                     .arg(QString::fromStdString(name))
                     .arg(segment.layer)
                     .arg(segment.labelValue)
                     .arg(segment.color ? QString("(%1,%2,%3)")
                                            .arg((*segment.color)[0])
                                            .arg((*segment.color)[1])
                                            .arg((*segment.color)[2])
                                        : QString("none"));
    }
    QCOMPARE(described.join("; "), summary);
  }

  void displayNames_data()
  {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("longest");
    QTest::addColumn<QByteArray>("shown");
    QTest::newRow("as given") << QByteArray("Long process of incus") << 80
                              << QByteArray("Long process of incus");
    QTest::newRow("cut before a two-byte character")
      << QByteArray("Stap\xc3\xa9s") << 5 << QByteArray("Stap");
    QTest::newRow("only control characters") << QByteArray("\t\r\n") << 80 << QByteArray();
  }

  void displayNames()
  {
    QFETCH(QByteArray, name);
    QFETCH(int, longest);
    QFETCH(QByteArray, shown);
    QCOMPARE(QByteArray::fromStdString(makemodel::displayName(name.toStdString(), longest)), shown);
  }

  // The segmentation file: one structure per segment with voxels, in the header's order, named
  // and coloured as the header says (a colour table overriding it label by label), each where
  // its layer puts it and holding its own voxels' volume though the segments overlap.
  void segmentationFile_data()
  {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QVector3D>("secondColor");
    QTest::addColumn<QString>("warning");
    QTest::newRow("header's names and colours")
      << QStringList{ "ear.seg.nrrd" } << QStringList{ "Malleus head", "Incus", "Stapes crus" }
      << QVector3D(0.2f, 0.4f, 0.9f) << "segments without voxels left out: Tensor tympani";
    QTest::newRow("a CSV table overrides label 2")
      << QStringList{ "ear.seg.nrrd", "--colors", "incus.csv" }
      << QStringList{ "Malleus head", "Incus, long process", "Stapes crus" } << QVector3D(1, 0, 0)
      << "incus.csv names no label 1 of ear.seg.nrrd";
  }

  void segmentationFile()
  {
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, names);
    QFETCH(QVector3D, secondColor);
    QFETCH(QString, warning);
    const QString model = path("segments-" + QString::number(names.size()) +
                               QString::number(qHash(QTest::currentDataTag())));
    QString errors;
    QVERIFY2(run(arguments << model, &errors) == 0, qPrintable(errors));
    QVERIFY2(errors.contains(warning), qPrintable(errors));
    const std::vector<LoadedStructure> structures = loaded(model);
    QStringList found;
    for (const LoadedStructure& structure : structures) {
      found << structure.name;
    }
    QCOMPARE(found, names);
    const std::array<QVector3D, 3> colors = { QVector3D(0.9f, 0.8f, 0.1f),
                                              secondColor,
                                              QVector3D(0.1f, 0.7f, 0.3f) };
    const std::array<QVector3D, 3> centres = { QVector3D(1.0f, 2.0f, 2.0f),
                                               QVector3D(2.6f, 2.0f, 2.0f),
                                               QVector3D(1.8f, 2.0f, 2.0f) };
    // A ball of 0.6 mm: 0.905 mm^3.
    const double ballVolume = 4.0 / 3.0 * M_PI * 0.6 * 0.6 * 0.6;
    for (std::size_t index = 0; index < 3; ++index) {
      const LoadedStructure& structure = structures[index];
      const QVector3D color(structure.color[0], structure.color[1], structure.color[2]);
      QVERIFY2((color - colors[index]).length() < 1e-3, qPrintable(structure.name));
      QCOMPARE(makemodel::openOrSharedEdges(structure.surface), vtkIdType(0));
      const double volume = makemodel::signedVolume(structure.surface);
      QVERIFY2(std::abs(volume - ballVolume) < 0.1 * ballVolume,
               qPrintable(QString("%1: %2 mm3").arg(structure.name).arg(volume)));
      // The right ear's model axes are LPS's own: offsets between structures are kept.
      const QVector3D offset = makemodeltest::boxCentre(structure.surface) -
                               makemodeltest::boxCentre(structures[0].surface);
      QVERIFY2((offset - (centres[index] - centres[0])).length() < 0.05,
               qPrintable(QString("%1: %2 %3 %4")
                            .arg(structure.name)
                            .arg(offset.x())
                            .arg(offset.y())
                            .arg(offset.z())));
    }
    // Without a CT the section volume shows each structure in its own grey, the second layer's
    // stapes too where it alone lies (between the malleus and the incus).
    const TeachingModel model_ = loadTeachingModel(model.toStdString(), TeachingModelSteps());
    QVERIFY(model_.volume != nullptr && model_.volumeGrid.placed);
    vtkNew<vtkMatrix4x4> modelToVoxel;
    vtkMatrix4x4::Invert(sectionVoxelPlacement(model_.volumeGrid), modelToVoxel);
    QSet<int> greys;
    for (const LoadedStructure& structure : structures) {
      const QVector3D centre = makemodeltest::boxCentre(structure.surface);
      double voxel[4] = { centre.x(), centre.y(), centre.z(), 1 };
      modelToVoxel->MultiplyPoint(voxel, voxel);
      const int grey = int(model_.volume->GetScalarComponentAsDouble(
        int(std::lround(voxel[0])), int(std::lround(voxel[1])), int(std::lround(voxel[2])), 0));
      QVERIFY2(grey > 16, qPrintable(QString("%1: grey %2").arg(structure.name).arg(grey)));
      greys.insert(grey);
    }
    QCOMPARE(greys.size(), 3);
  }

  // Each file or option that was refused or silently altered before: the structures it holds,
  // or its one line.
  void labelMapCases_data()
  {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("labels above 65535 in 32 bits")
      << QStringList{ "large.nrrd" } << 0 << ""
      << QStringList{ "Structure 70000", "Structure 2147483647" };
    QTest::newRow("NRRD, bzip2") << QStringList{ "bzip2.nrrd" } << 0 << ""
                                 << QStringList{ "Structure 3" };
    QTest::newRow("NRRD, line skip")
      << QStringList{ "skip.nhdr" } << 0 << "" << QStringList{ "Structure 3" };
    QTest::newRow("NRRD, byte skip -1")
      << QStringList{ "end.nrrd" } << 0 << "" << QStringList{ "Structure 3" };
    QTest::newRow("NRRD, text") << QStringList{ "text.nrrd" } << 0 << ""
                                << QStringList{ "Structure 3" };
    QTest::newRow("--option=value")
      << QStringList{ "--labels=4", "--max-triangles=5000", "--colors=three.txt", "pair.nrrd" } << 0
      << "names no label 4" << QStringList{ "Structure 4" };
    QTest::newRow("NIfTI, scl_slope 5")
      << QStringList{ "scaled.nii" } << 0 << "" << QStringList{ "Structure 5" };
    QTest::newRow("NIfTI, scl_slope 0.5: no whole labels")
      << QStringList{ "half.nii" } << 1 << "do not scale to labels" << QStringList{};
    QTest::newRow("NRRD series refused") << QStringList{ "series.nrrd" } << 1
                                         << "is a series of 3 images (a 4-D image); choose one "
                                            "with --frame N (0 to 2)"
                                         << QStringList{};
    QTest::newRow("NRRD series, --frame 1")
      << QStringList{ "--frame", "1", "series.nrrd" } << 0 << "" << QStringList{ "Structure 7" };
    QTest::newRow("NRRD series, --frame 3")
      << QStringList{ "--frame", "3", "series.nrrd" } << 1 << "has no frame 3" << QStringList{};
    QTest::newRow("NIfTI series refused")
      << QStringList{ "series.nii" } << 1 << "is a series of 2 images" << QStringList{};
    QTest::newRow("NIfTI series, --frame 1")
      << QStringList{ "--frame=1", "series.nii" } << 0 << "" << QStringList{ "Structure 2" };
    QTest::newRow("colour table matching no label")
      << QStringList{ "pair.nrrd", "--colors", "nine.txt" } << 1
      << "nine.txt: names none of the labels of pair.nrrd (3, 4)" << QStringList{};
    QTest::newRow("colour table matching one label of two")
      << QStringList{ "pair.nrrd", "--colors", "three.txt" } << 0
      << "three.txt names no label 4 of pair.nrrd" << QStringList{ "Stapes", "Structure 4" };
    QTest::newRow("legacy VTK surface")
      << QStringList{ "ball.nrrd", "--surface", "Legacy ball=ras.vtk" } << 0 << ""
      << QStringList{ "Structure 3", "Legacy ball" };
  }

  void labelMapCases()
  {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, line);
    QFETCH(QStringList, names);
    const QString model = path("case-" + QString::number(qHash(QTest::currentDataTag())));
    QString errors;
    QCOMPARE(run(arguments << model, &errors), status);
    QVERIFY2(errors.contains(line), qPrintable(errors));
    if (status != 0) {
      QCOMPARE(errors.count('\n'), 1);
      QVERIFY(!QFile::exists(model));
      return;
    }
    QStringList found;
    for (const LoadedStructure& structure : loaded(model)) {
      found << structure.name;
      QCOMPARE(makemodel::openOrSharedEdges(structure.surface), vtkIdType(0));
    }
    QCOMPARE(found, names);
  }

  // The ball of label 3 as a surface in either frame, named by the file or by --surface-space:
  // each lands where the label's own surface is; one that meets the label map in no frame, or
  // only in the other, is refused saying how far it is and whether the other frame fits.
  void surfaceFrames_data()
  {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("line");
    QTest::newRow("binary STL, SPACE=LPS") << QStringList{ "lps.stl" } << "";
    QTest::newRow("binary STL, SPACE=RAS") << QStringList{ "ras.stl" } << "";
    QTest::newRow("PLY, comment SPACE=RAS") << QStringList{ "ras.ply" } << "";
    QTest::newRow("legacy VTK, title SPACE=RAS") << QStringList{ "ras.vtk" } << "";
    QTest::newRow("OBJ in RAS, --surface-space ras")
      << QStringList{ "unsaid-ras.obj", "--surface-space", "ras" } << "";
    QTest::newRow("STL in RAS, unsaid: LPS by default")
      << QStringList{ "unsaid-ras.stl" }
      << "unsaid-ras.stl: does not overlap the label map: read as LPS (by default) it lies 0.6 mm "
         "from it; read as RAS it would overlap (--surface-space ras)";
    QTest::newRow("STL far away") << QStringList{ "far.stl" }
                                  << "far.stl: does not overlap the label map: read as LPS (by "
                                     "default) it lies 65.0 mm from it; read as RAS it would "
                                     "not either";
  }

  void surfaceFrames()
  {
    QFETCH(QStringList, arguments);
    QFETCH(QString, line);
    const QString model = path("frame-" + QString::number(qHash(QTest::currentDataTag())));
    QString errors;
    const int status = run(QStringList{ "ball.nrrd" } << arguments << model, &errors);
    QVERIFY2(errors.contains(line), qPrintable(errors));
    if (!line.isEmpty()) {
      QCOMPARE(status, 1);
      QCOMPARE(errors.count('\n'), 1);
      return;
    }
    QCOMPARE(status, 0);
    const std::vector<LoadedStructure> structures = loaded(model);
    QCOMPARE(int(structures.size()), 2);
    const QVector3D apart = makemodeltest::boxCentre(structures[1].surface) -
                            makemodeltest::boxCentre(structures[0].surface);
    QVERIFY2(apart.length() < 0.05,
             qPrintable(QString("%1 %2 %3").arg(apart.x()).arg(apart.y()).arg(apart.z())));
  }

  // A surface is refused only when it misses the label map's box, which reaches half a voxel
  // beyond the outer voxel centres, on a turned grid too.
  void surfaceAtTheMapsEdge_data()
  {
    QTest::addColumn<QString>("map");
    QTest::addColumn<QString>("surface");
    QTest::addColumn<bool>("taken");
    QTest::newRow("just past the far x face") << "ball.nrrd"
                                              << "past-x.stl" << false;
    QTest::newRow("just within the far x face") << "ball.nrrd"
                                                << "within-x.stl" << true;
    QTest::newRow("turned grid, by its farthest corner") << "oblique.nrrd"
                                                         << "corner.stl" << true;
  }

  void surfaceAtTheMapsEdge()
  {
    QFETCH(QString, map);
    QFETCH(QString, surface);
    QFETCH(bool, taken);
    const QString model = path("edge-" + QString::number(qHash(QTest::currentDataTag())));
    QString errors;
    const int status = run(QStringList{ map, surface, model }, &errors);
    QCOMPARE(status, taken ? 0 : 1);
    QCOMPARE(errors.contains("does not overlap the label map"), !taken);
  }

  // Thin structures: an oblique tube two or three voxels across and a thin ring come out
  // smooth (face normals across the tube, where voxel steps would face along the grid's axes),
  // holding their voxels' volume, closed and manifold within the triangle budget.
  void thinStructures_data()
  {
    QTest::addColumn<QString>("shape");
    QTest::addColumn<float>("radius"); // mm; voxels of 0.1 mm
    QTest::addColumn<int>("budget");
    QTest::addColumn<double>("steps"); // the largest share of the normals along a tube
    QTest::newRow("tube two voxels across") << "tube" << 0.1f << 60000 << 0.11;
    QTest::newRow("tube three voxels across") << "tube" << 0.15f << 60000 << 0.14;
    QTest::newRow("tube two voxels across, 500 triangles") << "tube" << 0.1f << 500 << 0.11;
    // A line one voxel across leaving the tube: blurring would lose it.
    QTest::newRow("tube with a whisker one voxel across") << "whisker" << 0.1f << 60000 << 0.0;
    QTest::newRow("thin ring, 2000 triangles") << "ring" << 0.12f << 2000 << 0.0;
    QTest::newRow("thin ring, 500 triangles") << "ring" << 0.12f << 500 << 0.0;
  }

  void thinStructures()
  {
    QFETCH(QString, shape);
    QFETCH(float, radius);
    QFETCH(int, budget);
    QFETCH(double, steps);
    const int n = 60;
    const QVector3D centre(3, 3, 3);
    const QVector3D axis = QVector3D(1, 0.6f, 0.35f).normalized();
    const QVector3D ringNormal = QVector3D(0.3f, 0.2f, 1).normalized();
    auto inside = [&](const QVector3D& p) -> std::int64_t {
      const QVector3D d = p - centre;
      if (shape != "ring") {
        const float along = QVector3D::dotProduct(d, axis);
        const bool whisker = shape == "whisker" && std::abs(d.x()) < 0.05f &&
                             std::abs(d.z()) < 0.05f && d.y() < -0.05f && d.y() > -2.6f;
        return whisker || (std::abs(along) < 2.2f && (d - along * axis).length() < radius) ? 1 : 0;
      }
      const float height = QVector3D::dotProduct(d, ringNormal);
      const float across = (d - height * ringNormal).length() - 1.8f;
      return across * across + height * height < radius * radius ? 1 : 0;
    };
    const auto values = labelsOf(n, inside);
    long voxels = 0;
    for (std::int64_t value : values) {
      voxels += value;
    }
    const QString file = QString("%1-%2.nrrd").arg(shape).arg(double(radius));
    write(file, nrrdHeader("uint8", n, "encoding: raw\n\n") + bytesOf<std::uint8_t>(values));
    const QString model = path("thin-" + QString::number(qHash(QTest::currentDataTag())));
    QString errors;
    QVERIFY2(run({ file, "--max-triangles", QString::number(budget), model }, &errors) == 0,
             qPrintable(errors));
    const std::vector<LoadedStructure> structures = loaded(model);
    QCOMPARE(int(structures.size()), 1);
    vtkPolyData* surface = structures[0].surface;
    QCOMPARE(makemodel::openOrSharedEdges(surface), vtkIdType(0));
    QVERIFY(surface->GetNumberOfPolys() <= budget);
    const double volume = makemodel::signedVolume(surface);
    const double voxelVolume = voxels * 0.001;
    QVERIFY2(std::abs(volume - voxelVolume) <= 0.1 * voxelVolume,
             qPrintable(QString("%1 mm3 enclosed, %2 mm3 of voxels").arg(volume).arg(voxelVolume)));
    if (shape == "whisker") {
      // Its far end kept: the box's sides add up to 8.7 mm with the whisker, 6.8 without.
      double bounds[6];
      surface->GetBounds(bounds);
      const double sides = bounds[1] - bounds[0] + bounds[3] - bounds[2] + bounds[5] - bounds[4];
      QVERIFY2(sides > 8.2, qPrintable(QString::number(sides)));
    }
    if (shape != "tube") {
      return;
    }
    // Along the tube's middle, each face's normal against the tube's axis, weighted by area: 0
    // for a smooth tube; the voxels' steps, facing along the grid, gave 0.30 (two voxels across)
    // and 0.28 (three) unsmoothed, 0.16 and 0.12 smoothed; 0.085 (two) contoured on the blurred
    // label.
    double along = 0, area = 0;
    const QVector3D middle = makemodeltest::boxCentre(surface);
    for (vtkIdType face = 0; face < surface->GetNumberOfCells(); ++face) {
      vtkIdType count = 0;
      const vtkIdType* ids = nullptr;
      surface->GetCellPoints(face, count, ids);
      double a[3], b[3], c[3];
      surface->GetPoint(ids[0], a);
      surface->GetPoint(ids[1], b);
      surface->GetPoint(ids[2], c);
      const QVector3D p(a[0], a[1], a[2]), q(b[0], b[1], b[2]), r(c[0], c[1], c[2]);
      if (std::abs(QVector3D::dotProduct((p + q + r) / 3 - middle, axis)) > 1.5f) {
        continue;
      }
      const QVector3D normal = QVector3D::crossProduct(q - p, r - p);
      along += std::abs(QVector3D::dotProduct(normal, axis));
      area += normal.length();
    }
    QVERIFY2(along / area < steps, qPrintable(QString::number(along / area)));
  }
};

COCHLEX_TEST_CLASS(MakeModelSegmentationsTest)
#include "test_make_model_segmentations.moc"
