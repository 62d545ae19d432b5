#pragma once

#include <QString>

#include <string>

// A structure's description: an HTML page beside its surface, named by the surface's path with
// ".html" appended ("Joint/Incus.vtk.html"). A model need not have one.
struct DescriptionRead
{
  QString page;        // null when there is no description or it could not be read
  std::string problem; // empty when there is none or it was read
};

// Reads the description with the rules of the Help page. A missing file is no problem; one that
// is there but cannot be read (not a plain file, unreadable) is.
DescriptionRead
readStructureDescription(const std::string& surfacePath);

// The same for a page the model manifest names.
DescriptionRead
readDescriptionFile(const std::string& pagePath);
