#include "ui/Ui_help.h"

#include "ui/PageDialog.h"

Ui_help::Ui_help(QWidget* parent)
  : QDialog(parent)
{
}

void
Ui_help::setupUi(QDialog* dialog)
{
  setUpPageDialog(*this, dialog, "help", QSize(971, 864));
}

void
Ui_help::retranslateUi(QDialog* dialog)
{
  dialog->setWindowTitle(QCoreApplication::translate("help", "Help"));
  okButton->setText(QCoreApplication::translate("help", "OK"));
}
