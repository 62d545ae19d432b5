// The model maker's image readers on damaged label maps made here: voxels missing from short
// files, cut compressed streams and absent data files; data files that are FIFOs; offsets into
// the header; header lines without end; spacing that is zero, NaN, infinite or absurd. Each is
// refused with its own line before a voxel is read; whole files of each format read to the
// voxels they were made from. A few go through the tool for its status and its one line.

#include "MakeModelRuns.h"
#include "TestDriver.h"
#include "tools/make_model/ImageInput.h"

#include <vtkDataArray.h>
#include <vtkImageData.h>
#include <vtkMatrix4x4.h>
#include <vtkMetaImageWriter.h>
#include <vtkNIFTIImageWriter.h>
#include <vtkNew.h>
#include <vtkPointData.h>
#include <vtkXMLImageDataWriter.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <random>

namespace {

// 16 x 8 x 8 voxels no compressor can shrink, the same on every run.
QByteArray
voxels()
{
  std::mt19937 generator(11);
  QByteArray bytes(1024, '\0');
  for (char& byte : bytes) {
    byte = char(generator() & 0xff);
  }
  return bytes;
}

vtkSmartPointer<vtkImageData>
voxelImage()
{
  auto image = vtkSmartPointer<vtkImageData>::New();
  image->SetDimensions(16, 8, 8);
  image->SetSpacing(0.5, 0.5, 0.5);
  image->AllocateScalars(VTK_UNSIGNED_CHAR, 1);
  std::memcpy(image->GetScalarPointer(), voxels().constData(), 1024);
  return image;
}

QByteArray
float32(float value)
{
  return QByteArray(reinterpret_cast<const char*>(&value), 4);
}

QByteArray
int16s(std::int16_t a, std::int16_t b, std::int16_t c)
{
  const std::int16_t values[3] = { a, b, c };
  return QByteArray(reinterpret_cast<const char*>(values), 6);
}

const QByteArray nrrd = "NRRD0004\ntype: uint8\ndimension: 3\nsizes: 16 8 8\n";
// VTK's reader takes the first of three axes for components unless the header places them.
const QByteArray placed =
  "space: left-posterior-superior\nspace directions: (0.5,0,0) (0,0.5,0) (0,0,0.5)\n";
const QByteArray meta = "ObjectType = Image\nNDims = 3\nDimSize = 16 8 8\n"
                        "ElementType = MET_UCHAR\nElementSpacing = 0.5 0.5 0.5\n";

} // namespace

class MakeModelImagesTest : public QObject
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

  QByteArray contents(const QString& name)
  {
    QFile file(path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  // The NIfTI file VTK's writer makes of voxelImage(), with the bytes at offset replaced (the
  // NIfTI-1 header: dim[] at 40, pixdim[] at 76, vox_offset at 108).
  void patchedNifti(const QString& name, int offset, const QByteArray& bytes, int cut = 0)
  {
    QByteArray file = contents("whole.nii");
    file.replace(offset, bytes.size(), bytes);
    file.chop(cut);
    write(name, name.endsWith(".gz") ? makemodeltest::deflated(file, true) : file);
  }

private slots:
  void initTestCase()
  {
    QVERIFY(directory.isValid());
    const QByteArray data = voxels();
    vtkNew<vtkNIFTIImageWriter> nifti;
    nifti->SetInputData(voxelImage());
    nifti->SetFileName(QFile::encodeName(path("whole.nii")).constData());
    nifti->Write();
    write("whole.nii.gz", makemodeltest::deflated(contents("whole.nii"), true));
    vtkNew<vtkMetaImageWriter> metaWriter;
    metaWriter->SetInputData(voxelImage());
    metaWriter->SetFileName(QFile::encodeName(path("whole.mha")).constData());
    metaWriter->SetCompression(true);
    metaWriter->Write();
    vtkNew<vtkXMLImageDataWriter> vti;
    vti->SetInputData(voxelImage());
    vti->SetFileName(QFile::encodeName(path("whole.vti")).constData());
    vti->Write();
    write("whole.nrrd", nrrd + placed + "encoding: gzip\n\n" + makemodeltest::deflated(data, true));
    write("whole.raw", data);
    write("whole.nhdr", nrrd + "encoding: raw\ndata file: whole.raw\n");

    // Voxels that are not there.
    write("cut-gzip.nrrd",
          nrrd + placed + "encoding: gzip\n\n" + makemodeltest::deflated(data, true).left(300));
    write("short.nrrd", nrrd + placed + "encoding: raw\n\n" + data.left(100));
    write("text.nrrd", nrrd + placed + "encoding: text\n\n0 1 2\n");
    write("cut-bzip2.nrrd",
          nrrd + placed + "encoding: bzip2\n\n" + makemodeltest::bzipped(data).left(300));
    write("end-gzip.nrrd",
          nrrd + placed + "encoding: gzip\nbyte skip: -1\n\n" +
            makemodeltest::deflated(data, true));
    write("bzip2.nrrd", nrrd + placed + "encoding: bzip2\n\n" + makemodeltest::bzipped(data));
    write("skipped.raw", "two lines\nof text\n" + data);
    write("line-skip.nhdr", nrrd + "encoding: raw\nline skip: 2\ndata file: skipped.raw\n");
    QByteArray text;
    for (char byte : data) {
      text += QByteArray::number(int(std::uint8_t(byte))) + (text.size() % 7 ? " " : "\n");
    }
    write("whole-text.nrrd", nrrd + placed + "encoding: text\n\n" + text);
    write("missing.nhdr", nrrd + "encoding: raw\ndata file: nowhere.raw\n");
    write("short.raw", data.left(100));
    write("short.nhdr", nrrd + "encoding: raw\ndata file: short.raw\n");
    write("cut-zlib.mha",
          meta + "CompressedData = True\nElementDataFile = LOCAL\n" +
            makemodeltest::deflated(data, false).left(300));
    write("short.mha", meta + "ElementDataFile = LOCAL\n" + data.left(100));
    write("skip-past-zlib.mha",
          meta + "CompressedData = True\nHeaderSize = 100000\nElementDataFile = LOCAL\n" +
            makemodeltest::deflated(data, false));
    write("list.mhd", meta + "ElementDataFile = LIST\nwhole.raw\n");
    patchedNifti("short.nii", 0, {}, 100);
    patchedNifti("cut.nii.gz", 0, {}, 100);
    // Offsets and sizes the bytes do not back.
    patchedNifti("offset-in-header.nii", 108, float32(0));
    // dim[0] in the other byte order than the header's size: VTK's reader crashed on it.
    patchedNifti("dim0-swapped.nii", 40, QByteArray("\0\3", 2));
    write("untyped.nrrd",
          QByteArray(nrrd).replace("type: uint8\n", "") + placed + "encoding: raw\n\n" + data);
    write("six.nrrd",
          QByteArray(nrrd).replace("dimension: 3", "dimension: 6") + placed + "encoding: raw\n\n" +
            data);
    patchedNifti("type.nii", 70, int16s(24940, 8, 0).left(4));
    write("byte-skip.nrrd", nrrd + "encoding: raw\nbyte skip: -1\n\n" + data);
    patchedNifti("two-gib.nii.gz", 42, int16s(2048, 2048, 512));
    write("long-line.nrrd", nrrd + "content: " + QByteArray(1 << 20, 'x') + "\nencoding: raw\n\n");
    // A FIFO as the data file: opening it for reading would wait for a writer.
    QCOMPARE(::mkfifo(QFile::encodeName(path("fifo.raw")).constData(), 0600), 0);
    write("fifo.nhdr", nrrd + "encoding: raw\ndata file: fifo.raw\n");
    // Spacing.
    patchedNifti("nan-pixdim.nii", 80, float32(NAN));
    patchedNifti("zero-pixdim.nii", 84, float32(0));
    patchedNifti("inf-pixdim.nii", 88, float32(INFINITY));
    write("nan-spacings.nrrd", nrrd + "spacings: 0.5 nan 0.5\nencoding: raw\n\n" + data);
    write("inf-directions.nrrd",
          nrrd + "space: RAS\nspace directions: (inf,0,0) (0,1,0) (0,0,1)\nencoding: raw\n\n" +
            data);
    write("huge-directions.nrrd",
          nrrd + "space: RAS\nspace directions: (1e300,0,0) (0,1,0) (0,0,1)\nencoding: raw\n\n" +
            data);
    write("zero-spacing.mha", meta + "ElementSize = 0 0.5 0.5\nElementDataFile = LOCAL\n" + data);
    write("piece.vti",
          contents("whole.vti")
            .replace("<Piece Extent=\"0 15 0 7 0 7\"", "<Piece Extent=\"0 15 0 7 0 3\""));
    write("zero-spacing.vti",
          contents("whole.vti").replace("Spacing=\"0.5 0.5 0.5\"", "Spacing=\"0 0.5 0.5\""));
  }

  void damagedImages_data()
  {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("problem");
    QTest::newRow("NRRD, gzip stream cut") << "cut-gzip.nrrd"
                                           << "shorter than its header says";
    QTest::newRow("MetaImage, compressed voxels skipped past the end") << "skip-past-zlib.mha"
                                                                       << "0 of 1024 bytes";
    QTest::newRow("NRRD without its type") << "untyped.nrrd"
                                           << "lacks one of the fields a NRRD header needs";
    QTest::newRow("NRRD, voxels short") << "short.nrrd"
                                        << "100 of 1024 bytes";
    QTest::newRow("NRRD, voxels as text, short") << "text.nrrd"
                                                 << "3 of 1024 values";
    QTest::newRow("NRRD, bzip2 stream cut") << "cut-bzip2.nrrd"
                                            << "shorter than its header says";
    QTest::newRow("NRRD, voxels at the end, compressed") << "end-gzip.nrrd"
                                                         << "byte skip -1";
    QTest::newRow("NRRD, data file missing") << "missing.nhdr"
                                             << "nowhere.raw that does not exist";
    QTest::newRow("NRRD, data file short") << "short.nhdr"
                                           << "100 of 1024 bytes";
    QTest::newRow("NRRD, data file a FIFO") << "fifo.nhdr"
                                            << "is not a regular file";
    QTest::newRow("MetaImage, zlib stream cut") << "cut-zlib.mha"
                                                << "shorter than its header says";
    QTest::newRow("MetaImage, voxels short") << "short.mha"
                                             << "100 of 1024 bytes";
    QTest::newRow("MetaImage, voxels in a list of files") << "list.mhd"
                                                          << "several files";
    QTest::newRow("NIfTI, voxels short") << "short.nii"
                                         << "924 of 1024 bytes";
    QTest::newRow("NIfTI, gzip stream short") << "cut.nii.gz"
                                              << "shorter than its header says";
    QTest::newRow("NIfTI, voxels at offset 0") << "offset-in-header.nii"
                                               << "at offset 0, inside";
    QTest::newRow("NIfTI, byte orders mixed") << "dim0-swapped.nii"
                                              << "(dim[0] = 768)";
    QTest::newRow("NRRD, dimension 6 with three sizes") << "six.nrrd"
                                                        << "do not make a 3-D image";
    QTest::newRow("NIfTI, unknown voxel type") << "type.nii"
                                               << "datatype 24940";
    QTest::newRow("NIfTI, 2 MB declaring 2 GiB") << "two-gib.nii.gz"
                                                 << "more than the 1024 MiB";
    QTest::newRow("NRRD, header line of 1 MiB") << "long-line.nrrd"
                                                << "longer than 64 KiB";
    QTest::newRow("NIfTI, NaN spacing") << "nan-pixdim.nii"
                                        << "pixdim[1]";
    QTest::newRow("NIfTI, zero spacing") << "zero-pixdim.nii"
                                         << "pixdim[2]";
    QTest::newRow("NIfTI, infinite spacing") << "inf-pixdim.nii"
                                             << "pixdim[3]";
    QTest::newRow("NRRD, NaN spacing") << "nan-spacings.nrrd"
                                       << "spacings field";
    QTest::newRow("NRRD, infinite direction") << "inf-directions.nrrd"
                                              << "space directions field";
    QTest::newRow("NRRD, 1e300 direction") << "huge-directions.nrrd"
                                           << "space directions field";
    QTest::newRow("MetaImage, zero spacing") << "zero-spacing.mha"
                                             << "elementsize field";
    QTest::newRow("VTI, one piece of half the image") << "piece.vti"
                                                      << "not one piece";
    QTest::newRow("VTI, zero spacing") << "zero-spacing.vti"
                                       << "Spacing";
  }

  void damagedImages()
  {
    QFETCH(QString, name);
    QFETCH(QString, problem);
    const makemodel::ImageInput input = makemodel::readImageInput(path(name).toStdString());
    QVERIFY2(QString::fromStdString(input.problem).contains(problem), input.problem.c_str());
    QVERIFY(!input.image);
  }

  // Whole files of each format and encoding: read, to the voxels they were made from.
  void wholeImages_data()
  {
    QTest::addColumn<QString>("name");
    for (const char* name : { "whole.nii",
                              "whole.nii.gz",
                              "whole.mha",
                              "whole.vti",
                              "whole.nrrd",
                              "whole.nhdr",
                              "bzip2.nrrd",
                              "line-skip.nhdr",
                              "byte-skip.nrrd",
                              "whole-text.nrrd" }) {
      QTest::newRow(name) << name;
    }
  }

  void wholeImages()
  {
    QFETCH(QString, name);
    const makemodel::ImageInput input = makemodel::readImageInput(path(name).toStdString());
    QVERIFY2(input.problem.empty(), input.problem.c_str());
    int dimensions[3];
    input.image->GetDimensions(dimensions);
    QCOMPARE(QVector<int>({ dimensions[0], dimensions[1], dimensions[2] }),
             QVector<int>({ 16, 8, 8 }));
    // Text voxels are read as numbers whatever their declared type.
    QByteArray read(static_cast<const char*>(input.image->GetScalarPointer()), 1024);
    if (input.image->GetScalarType() == VTK_DOUBLE) {
      read.clear();
      for (vtkIdType voxel = 0; voxel < 1024; ++voxel) {
        read += char(input.image->GetPointData()->GetScalars()->GetTuple1(voxel));
      }
    }
    QCOMPARE(read, voxels());
  }

  // A MetaImage's place: its first voxel at Offset, or at Origin where a writer names it so, in
  // LPS; the index axes along TransformMatrix's rows, scaled by the spacing.
  void metaImagePlacement_data()
  {
    QTest::addColumn<QByteArray>("fields");
    QTest::newRow("Offset") << QByteArray(
      "Offset = 10 -20 30\nTransformMatrix = 0 1 0 -1 0 0 0 0 1\n");
    QTest::newRow("Origin") << QByteArray(
      "Origin = 10 -20 30\nTransformMatrix = 0 1 0 -1 0 0 0 0 1\n");
  }

  void metaImagePlacement()
  {
    QFETCH(QByteArray, fields);
    write("placed.mha", meta + fields + "ElementDataFile = LOCAL\n" + voxels());
    const makemodel::ImageInput input = makemodel::readImageInput(path("placed.mha").toStdString());
    QVERIFY2(input.problem.empty(), input.problem.c_str());
    // Index (1, 2, 3): 0.5 mm along (0, 1, 0), 1 mm along (-1, 0, 0), 1.5 mm along (0, 0, 1).
    const double index[4] = { 1, 2, 3, 1 };
    double lps[4];
    input.indexToLps->MultiplyPoint(index, lps);
    QVERIFY2(std::abs(lps[0] - 9.0) < 1e-9 && std::abs(lps[1] + 19.5) < 1e-9 &&
               std::abs(lps[2] - 31.5) < 1e-9,
             qPrintable(QString("%1 %2 %3").arg(lps[0]).arg(lps[1]).arg(lps[2])));
  }

  // Through the tool: status 1, one line naming the file and the fault, at once.
  void toolRefuses_data()
  {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("problem");
    QTest::newRow("FIFO data file") << "fifo.nhdr"
                                    << "is not a regular file";
    QTest::newRow("2 GiB declared") << "two-gib.nii.gz"
                                    << "more than the 1024 MiB";
    QTest::newRow("offset inside the header") << "offset-in-header.nii"
                                              << "inside its 352-byte";
  }

  void toolRefuses()
  {
    QFETCH(QString, input);
    QFETCH(QString, problem);
    QString errors;
    QCOMPARE(makemodeltest::runTool({ path(input), path("out") }, &errors), 1);
    QCOMPARE(errors.count('\n'), 1);
    QVERIFY2(errors.contains(path(input) + ": ") && errors.contains(problem), qPrintable(errors));
    QVERIFY(!QFile::exists(path("out")));
  }
};

COCHLEX_TEST_CLASS(MakeModelImagesTest)
#include "test_make_model_images.moc"
