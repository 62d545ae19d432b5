#include "tools/make_model/ModelWriter.h"

#include "loading/ModelManifest.h"

#include "loading/SafeWrite.h"
#include "loading/SectionVolume.h"
#include "tools/SampleImages.h"
#include "tools/make_model/ModelPages.h"
#include "tools/make_model/OutputFolder.h"

#include <vtkNew.h>
#include <vtkPolyData.h>
#include <vtkPolyDataWriter.h>

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <cctype>
#include <set>

namespace makemodel {

namespace {

QByteArray
colorText(const std::array<double, 3>& color)
{
  return QByteArray::number(color[0], 'g', 6) + ' ' + QByteArray::number(color[1], 'g', 6) + ' ' +
         QByteArray::number(color[2], 'g', 6) + '\n';
}

} // namespace

std::string
structureFileName(const std::string& name)
{
  std::string file;
  for (unsigned char character : name) {
    if (std::isalnum(character) || character == '-' || character == '(' || character == ')' ||
        character == '+' || character == ',') {
      file += char(character);
    } else if (character == ' ' || character == '_') {
      file += '_';
    }
  }
  return file.empty() ? std::string("Structure") : file;
}

namespace {

// One file of the model: its name inside the model folder and its bytes.
struct OutputFile
{
  QString name;
  QByteArray bytes;
};

QByteArray
legacyPolyData(vtkPolyData* surface, const std::string& title)
{
  vtkNew<vtkPolyDataWriter> writer;
  writer->SetInputData(surface);
  writer->WriteToOutputStringOn();
  writer->SetHeader(title.c_str());
  writer->SetFileTypeToBinary();
  writer->SetFileVersion(vtkPolyDataWriter::VTK_LEGACY_READER_VERSION_4_2);
  if (writer->Write() != 1 || writer->GetErrorCode() != 0) {
    return {};
  }
  return QByteArray(writer->GetOutputString(), int(writer->GetOutputStringLength()));
}

// Every file of the model, made in memory: what reaches the disk is then plain writes, each
// one checked. The problem, empty when all could be made.
std::string
modelFiles(const ModelContent& content, std::vector<OutputFile>& files)
{
  QByteArray list;
  QJsonArray manifestStructures;
  std::set<std::string> used;
  std::vector<sample::RenderItem> splashItems;
  for (const Structure& structure : content.structures) {
    std::string file = structureFileName(structure.name);
    for (int copy = 2; !used.insert(file).second; ++copy) {
      file = structureFileName(structure.name) + "_" + std::to_string(copy);
    }
    const QString name = QStringLiteral("Joint/") + QString::fromStdString(file) + ".vtk";
    list += '/' + name.toUtf8() + '\n' + QByteArray::number(structure.opacity, 'g', 3) + "\n\n";
    // The manifest keeps the name as given (the file name loses what a file name cannot hold)
    // and gives every structure its row.
    QJsonObject entry{ { QStringLiteral("file"), name },
                       { QStringLiteral("name"), QString::fromStdString(structure.name) },
                       { QStringLiteral("color"),
                         QJsonArray{ structure.color[0], structure.color[1], structure.color[2] } },
                       { QStringLiteral("opacity"), structure.opacity } };
    if (!structure.group.empty()) {
      entry.insert(QStringLiteral("group"), QString::fromStdString(structure.group));
    }
    manifestStructures.append(entry);
    files.push_back(
      { name, legacyPolyData(structure.surface, "Cochlex teaching model: " + structure.name) });
    if (files.back().bytes.isEmpty()) {
      return "cannot write the surface of " + structure.name;
    }
    files.push_back({ name + ".color", colorText(structure.color) });
    if (!structure.description.empty()) {
      files.push_back({ name + ".html", QByteArray::fromStdString(structure.description) });
    }
    splashItems.push_back(
      { structure.surface,
        QColor::fromRgbF(structure.color[0], structure.color[1], structure.color[2]),
        structure.opacity });
  }
  files.push_back({ QStringLiteral("Joint_transformed.txt"), list });
  const SectionVolumeGrid& grid = content.volumeGrid;
  const auto three = [](const auto& values) {
    return QJsonArray{ double(values[0]), double(values[1]), double(values[2]) };
  };
  // The grid's axes are the model's own: no direction is written.
  const QJsonObject volume{ { QStringLiteral("file"),
                              QString::fromStdString(grid.relativePath.substr(1)) },
                            { QStringLiteral("size"), three(grid.dimensions) },
                            { QStringLiteral("spacing"), three(grid.spacing) },
                            { QStringLiteral("origin"), three(grid.origin) } };
  const QJsonObject manifest{ { QStringLiteral("cochlex-model"), modelManifestVersion },
                              { QStringLiteral("structures"), manifestStructures },
                              { QStringLiteral("volume"), volume } };
  files.push_back({ QString::fromLatin1(modelManifestName),
                    QJsonDocument(manifest).toJson(QJsonDocument::Indented) });
  files.push_back({ QStringLiteral("Joint/Head_bone_transformed.vtp"),
                    legacyPolyData(content.head, "Cochlex teaching model: head") });
  if (files.back().bytes.isEmpty()) {
    return "cannot write the head model";
  }
  if (content.volume.size() != std::size_t(grid.byteCount()) || grid.relativePath.size() < 2 ||
      grid.byteCount() > largestSectionVolumeBytes) {
    return "the section volume has the wrong size";
  }
  files.push_back({ QString::fromStdString(grid.relativePath.substr(1)),
                    QByteArray::fromRawData(reinterpret_cast<const char*>(content.volume.data()),
                                            int(content.volume.size())) });
  QByteArray splash;
  QBuffer buffer(&splash);
  buffer.open(QIODevice::WriteOnly);
  if (!sample::splashImage(splashItems).save(&buffer, "PNG")) {
    return "cannot make the splash image TB.png";
  }
  files.push_back({ QStringLiteral("TB.png"), splash });
  files.push_back({ QStringLiteral("help2.html"), helpPage(content) });
  files.push_back({ QStringLiteral("about2.html"), aboutPage(content) });
  return {};
}

} // namespace

std::string
writeModelFolder(const std::string& outFolder,
                 bool force,
                 const std::vector<std::string>& inputs,
                 const ModelContent& content)
{
  if (const std::string refused = checkOutputFolder(outFolder, force, inputs); !refused.empty()) {
    return outFolder + ": " + refused;
  }
  std::vector<OutputFile> files;
  if (std::string problem = modelFiles(content, files); !problem.empty()) {
    return problem;
  }
  const QFileInfo target(QDir::cleanPath(QFile::decodeName(QByteArray::fromStdString(outFolder))));
  const QString targetPath = target.absoluteFilePath();
  // Before the scratch folder exists, and gone after it: an interruption removes it.
  const InterruptionGuard interruptions;
  QTemporaryDir temporary(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                          QStringLiteral("-making-XXXXXX"));
  if (!temporary.isValid()) {
    return "cannot create a folder beside " + targetPath.toStdString() + ": " +
           temporary.errorString().toStdString();
  }
  const QString root = temporary.path();
  // A temporary folder is private to its owner; the model is for everyone who may read the
  // folder it goes into.
  QFile::setPermissions(root,
                        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                          QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
  if (!QDir().mkpath(root + QStringLiteral("/Joint"))) {
    return "cannot create " + root.toStdString() + "/Joint";
  }
  for (const OutputFile& file : files) {
    if (InterruptionGuard::interrupted()) {
      return "interrupted; nothing was changed in " + targetPath.toStdString();
    }
    const QString problem = writeWholeFile(root + QLatin1Char('/') + file.name, file.bytes);
    if (!problem.isEmpty()) {
      return "cannot write " + file.name.toStdString() + " of the model: " + problem.toStdString() +
             " Nothing was changed in " + targetPath.toStdString();
    }
  }
  // The folder may have changed while the model was made.
  if (const std::string refused = checkOutputFolder(outFolder, force, inputs); !refused.empty()) {
    return outFolder + ": " + refused;
  }

  // Everything is written: only now does the old folder give way. An empty or forced folder is
  // moved aside first, so that a failed rename can put it back.
  const QString aside = root + QStringLiteral("-replaced");
  const bool replacing = target.exists();
  if (replacing && !QDir().rename(targetPath, aside)) {
    return "cannot move the existing " + targetPath.toStdString() + " aside";
  }
  if (!QDir().rename(root, targetPath)) {
    if (replacing) {
      QDir().rename(aside, targetPath);
    }
    return "cannot rename " + root.toStdString() + " to " + targetPath.toStdString();
  }
  temporary.setAutoRemove(false);
  if (replacing && !QDir(aside).removeRecursively()) {
    return "the model is written, but the replaced folder stays at " + aside.toStdString();
  }
  return {};
}

} // namespace makemodel
