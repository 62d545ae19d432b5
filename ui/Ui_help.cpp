#include "ui/Ui_help.h"

Ui_help::Ui_help(QWidget* parent)
  : PageDialog(parent)
{
}

void
Ui_help::setupUi(QDialog* dialog)
{
  setUpPage(dialog, "help", QSize(971, 864), [this, dialog] { retranslateUi(dialog); });
}

void
Ui_help::retranslateUi(QDialog* dialog)
{
  dialog->setWindowTitle(QCoreApplication::translate("help", "Help"));
  okButton->setText(QCoreApplication::translate("help", "OK"));
}
