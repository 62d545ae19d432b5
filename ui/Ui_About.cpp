#include "ui/Ui_About.h"

Ui_About::Ui_About(QWidget* parent)
  : PageDialog(parent)
{
}

void
Ui_About::setupUi(QDialog* dialog)
{
  setUpPage(dialog, "About", QSize(400, 300), [this, dialog] { retranslateUi(dialog); });
}

void
Ui_About::retranslateUi(QDialog* dialog)
{
  dialog->setWindowTitle(QCoreApplication::translate("About", "About"));
  okButton->setText(QCoreApplication::translate("About", "OK"));
}
