#pragma once

#include <QCoreApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QMetaObject>
#include <QPushButton>
#include <QSpacerItem>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

// A link to an anchor of the page itself ("#name"): nothing but a fragment, which the browser
// leaves as it is because the page has no address of its own.
inline bool
isInPageLink(const QUrl& link)
{
  return link.scheme().isEmpty() && link.authority().isEmpty() && link.path().isEmpty() &&
         !link.hasQuery() && !link.fragment().isEmpty();
}

// Builds the tree shared by the Help and About dialogs on dialog: a read-only page with an "OK"
// button between two spacers under it. PageDialog is Ui_help or Ui_About, whose members of the
// same names receive the widgets.
template<typename PageDialog>
void
setUpPageDialog(PageDialog& page, QDialog* dialog, const char* objectName, const QSize& size)
{
  dialog->setObjectName(QString::fromLatin1(objectName));

  page.vboxLayout = new QVBoxLayout(dialog);
  page.vboxLayout->setSpacing(6);
  page.vboxLayout->setContentsMargins(9, 9, 9, 9);
  page.vboxLayout->setObjectName(QStringLiteral("vboxLayout"));

  page.textBrowser = new QTextBrowser(dialog);
  page.textBrowser->setObjectName(QStringLiteral("textBrowser"));
  // The page is shown as it is: a clicked link neither replaces it nor starts another program,
  // since the browser's own link handling would blank the page for any link outside it. Links
  // within the page, as from a table of contents, only scroll to their anchor.
  page.textBrowser->setOpenLinks(false);
  page.textBrowser->setOpenExternalLinks(false);
  QTextBrowser* browser = page.textBrowser;
  QObject::connect(browser, &QTextBrowser::anchorClicked, browser, [browser](const QUrl& link) {
    if (isInPageLink(link)) {
      browser->scrollToAnchor(link.fragment(QUrl::FullyDecoded));
    }
  });
  page.vboxLayout->addWidget(page.textBrowser);

  page.hboxLayout = new QHBoxLayout();
  page.hboxLayout->setSpacing(6);
  page.hboxLayout->setContentsMargins(0, 0, 0, 0);
  page.hboxLayout->setObjectName(QStringLiteral("hboxLayout"));
  page.spacerItem = new QSpacerItem(131, 31, QSizePolicy::Expanding, QSizePolicy::Minimum);
  page.hboxLayout->addItem(page.spacerItem);
  page.okButton = new QPushButton(dialog);
  page.okButton->setObjectName(QStringLiteral("okButton"));
  page.hboxLayout->addWidget(page.okButton);
  page.spacerItem1 = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
  page.hboxLayout->addItem(page.spacerItem1);
  page.vboxLayout->addLayout(page.hboxLayout);

  // Sized once the tree exists, so that the start size can hold the whole layout.
  dialog->resize(size.expandedTo(dialog->minimumSizeHint()));

  page.retranslateUi(dialog);

  QObject::connect(page.okButton, SIGNAL(clicked()), dialog, SLOT(accept()));

  QMetaObject::connectSlotsByName(dialog);
}
