#include "ui/Ui_About.h"

#include "ui/PageDialog.h"

Ui_About::Ui_About(QWidget* parent)
  : QDialog(parent)
{
}

void
Ui_About::setupUi(QDialog* dialog)
{
  setUpPageDialog(*this, dialog, "About", QSize(400, 300));
}

void
Ui_About::retranslateUi(QDialog* dialog)
{
  dialog->setWindowTitle(QCoreApplication::translate("About", "About"));
  okButton->setText(QCoreApplication::translate("About", "OK"));
}
