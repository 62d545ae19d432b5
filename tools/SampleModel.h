#pragma once

#include <QString>

#include <array>

// The sample teaching model: writes into modelDirectory everything the viewer reads from its
// working directory (structure list, surfaces and colour files, head model, section volume,
// splash image, Help and About pages, audio guides) and the window icon at
// "../Cochlex_KT_source/icon.png" beside it. The same bytes on every run. Needs a
// QGuiApplication (for the images). Returns false and describes the problem in error when a
// file cannot be written.

struct SampleModelReport
{
  double seconds = 0;        // the whole run
  double volumeSeconds = 0;  // section volume, generated and written
  double surfaceSeconds = 0; // the nine structures and the head, extracted and written
  std::array<long long, 9> structureTriangles{};
  long long headTriangles = 0;
};

bool
writeSampleModel(const QString& modelDirectory,
                 QString* error,
                 SampleModelReport* report = nullptr);

// Writes only the icon, size x size pixels, as a PNG file.
bool
writeSampleIcon(const QString& path, int size, QString* error);
