#pragma once

#include <QString>

class QMessageBox;
class QWidget;

// A warning in a message box over the window that does not wait for its answer; text names
// what went wrong, details say what to do about it. The box is deleted when closed.
QMessageBox*
showWarning(QWidget* window, const QString& title, const QString& text, const QString& details);
