#include "viewer/LoadReport.h"

#include <QMessageBox>

QMessageBox*
showWarning(QWidget* window, const QString& title, const QString& text, const QString& details)
{
  auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, window);
  box->setInformativeText(details);
  box->setAttribute(Qt::WA_DeleteOnClose);
  // Window-modal and shown without a nested event loop: the caller goes on at once.
  box->open();
  return box;
}
