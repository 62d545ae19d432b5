#include "ui/Ui_About.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QMetaObject>
#include <QPushButton>
#include <QSpacerItem>
#include <QTextBrowser>
#include <QVBoxLayout>

Ui_About::Ui_About(QWidget* parent)
  : QDialog(parent)
{
}

void
Ui_About::setupUi(QDialog* dialog)
{
  dialog->setObjectName(QStringLiteral("About"));

  vboxLayout = new QVBoxLayout(dialog);
  vboxLayout->setSpacing(6);
  vboxLayout->setContentsMargins(9, 9, 9, 9);
  vboxLayout->setObjectName(QStringLiteral("vboxLayout"));

  textBrowser = new QTextBrowser(dialog);
  textBrowser->setObjectName(QStringLiteral("textBrowser"));
  // The page is shown as it is: a clicked link neither replaces it nor starts another program.
  textBrowser->setOpenLinks(false);
  textBrowser->setOpenExternalLinks(false);
  vboxLayout->addWidget(textBrowser);

  hboxLayout = new QHBoxLayout();
  hboxLayout->setSpacing(6);
  hboxLayout->setContentsMargins(0, 0, 0, 0);
  hboxLayout->setObjectName(QStringLiteral("hboxLayout"));
  spacerItem = new QSpacerItem(131, 31, QSizePolicy::Expanding, QSizePolicy::Minimum);
  hboxLayout->addItem(spacerItem);
  okButton = new QPushButton(dialog);
  okButton->setObjectName(QStringLiteral("okButton"));
  hboxLayout->addWidget(okButton);
  spacerItem1 = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
  hboxLayout->addItem(spacerItem1);
  vboxLayout->addLayout(hboxLayout);

  // Sized once the tree exists, so that the start size can hold the whole layout.
  dialog->resize(QSize(400, 300).expandedTo(dialog->minimumSizeHint()));

  retranslateUi(dialog);

  QObject::connect(okButton, SIGNAL(clicked()), dialog, SLOT(accept()));

  QMetaObject::connectSlotsByName(dialog);
}

void
Ui_About::retranslateUi(QDialog* dialog)
{
  dialog->setWindowTitle(QCoreApplication::translate("About", "About"));
  okButton->setText(QCoreApplication::translate("About", "OK"));
}
