#include "MakeModelRuns.h"

#include <QProcess>

#include <vtkPolyData.h>

#include <bzlib.h>
#include <zlib.h>

namespace makemodeltest {

QString
toolPath()
{
  return qEnvironmentVariable("COCHLEX_BINARY_DIR") + "/tools/make_model/cochlex-make-model";
}

int
runTool(const QStringList& arguments,
        QString* errors,
        const QString& workingFolder,
        int limitBlocks)
{
  QProcess tool;
  if (!workingFolder.isEmpty()) {
    tool.setWorkingDirectory(workingFolder);
  }
  if (limitBlocks > 0) {
    tool.start("/bin/sh",
               QStringList{ "-c",
                            QStringLiteral("ulimit -f %1; exec \"$0\" \"$@\"").arg(limitBlocks),
                            toolPath() } +
                 arguments);
  } else {
    tool.start(toolPath(), arguments);
  }
  if (!tool.waitForFinished(120000)) {
    return -1;
  }
  if (errors != nullptr) {
    *errors = QString::fromUtf8(tool.readAllStandardError());
  }
  return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

ReadModel
readModel(const QString& folder)
{
  ReadModel read;
  TeachingModelSteps steps;
  steps.structureRead = [&read](std::size_t, const LoadedStructure& structure) {
    read.structures.push_back(structure);
  };
  read.model = loadTeachingModel(folder.toStdString(), steps);
  return read;
}

QVector3D
boxCentre(vtkPolyData* surface)
{
  double bounds[6];
  surface->GetBounds(bounds);
  return QVector3D(
    0.5 * (bounds[0] + bounds[1]), 0.5 * (bounds[2] + bounds[3]), 0.5 * (bounds[4] + bounds[5]));
}

QByteArray
deflated(const QByteArray& bytes, bool gzip)
{
  z_stream stream{};
  deflateInit2(&stream, 6, Z_DEFLATED, 15 + (gzip ? 16 : 0), 8, Z_DEFAULT_STRATEGY);
  QByteArray out(int(deflateBound(&stream, uLong(bytes.size()))) + 64, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
  stream.avail_in = uInt(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = uInt(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(int(stream.total_out));
  deflateEnd(&stream);
  return out;
}

QByteArray
bzipped(const QByteArray& bytes)
{
  QByteArray out(bytes.size() + bytes.size() / 100 + 600, '\0');
  auto length = unsigned(out.size());
  BZ2_bzBuffToBuffCompress(
    out.data(), &length, const_cast<char*>(bytes.constData()), unsigned(bytes.size()), 9, 0, 0);
  out.resize(int(length));
  return out;
}

} // namespace makemodeltest
