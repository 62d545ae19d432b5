#pragma once

#include <QString>

#include <functional>

class QWidget;

// How File > Open Teaching Model... reaches outside the window: the folder chooser and the start
// of a new viewer process. Tests put stand-ins here.
struct ModelOpening
{
  ModelOpening();

  // The folder the user picked, empty when cancelled.
  std::function<QString(QWidget* parent)> chooseFolder;
  // Starts a viewer on folder in a process of its own; false when it could not be started.
  std::function<bool(const QString& folder)> startViewer;
};
