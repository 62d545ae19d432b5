#pragma once

#include <QString>

// The soak's model: the sample teaching model written into folder, and with vtkVariants its nine
// surfaces written again by VTK's own legacy writer in nine styles (ASCII and binary, file
// versions 4.2 and 5.1, normals, METADATA with component names, triangle strips, point and cell
// scalars, field data, texture coordinates), as models made with other tools hold them. Needs a
// QGuiApplication (the splash image). Prints the problem and returns false when a file cannot
// be written.
bool
writeSoakModel(const QString& folder, bool vtkVariants);
