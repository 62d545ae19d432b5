#pragma once

// What the model maker's tests share: running the tool, reading back the model it made, and
// compressing the voxels they write.

#include "loading/TeachingModel.h"

#include <vtkImageData.h>
#include <vtkPolyData.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector3D>

#include <vector>

namespace makemodeltest {

// The built cochlex-make-model.
QString
toolPath();

// Runs the tool in workingFolder (the current folder when empty), optionally under a file-size
// limit of limitBlocks 512-byte blocks: its status, or -1 when it did not end normally within
// two minutes. errors receives what it printed on standard error.
int
runTool(const QStringList& arguments,
        QString* errors = nullptr,
        const QString& workingFolder = QString(),
        int limitBlocks = 0);

// A model folder read as the viewer reads it: the model and each structure as it was read.
struct ReadModel
{
  TeachingModel model;
  std::vector<LoadedStructure> structures;
};
ReadModel
readModel(const QString& folder);

// The centre of a surface's bounding box.
QVector3D
boxCentre(vtkPolyData* surface);

// gzip (a gzip header) or zlib (MetaImage's) compressed bytes.
QByteArray
deflated(const QByteArray& bytes, bool gzip = true);
QByteArray
bzipped(const QByteArray& bytes);

} // namespace makemodeltest
