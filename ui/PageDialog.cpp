#include "ui/PageDialog.h"

#include <QImage>

QVariant
PageBrowser::loadResource(int type, const QUrl& name)
{
  QVariant resource = resourceLoader ? resourceLoader(type, name) : QVariant();
  // An address of another computer gets no answer at all, as from the browser itself: the
  // document never fetches such an address on its own.
  const QString scheme = name.scheme().toLower();
  if (!name.isRelative() && scheme != QLatin1String("file") && scheme != QLatin1String("data")) {
    return QVariant();
  }
  if (!resource.isNull()) {
    return resource;
  }
  // Never a null answer: the document would go and read the file itself. A transparent pixel
  // for a picture, nothing for anything else.
  if (type == QTextDocument::ImageResource) {
    QImage nothing(1, 1, QImage::Format_ARGB32);
    nothing.fill(Qt::transparent);
    return nothing;
  }
  return QString(QLatin1String(""));
}

void
PageDialog::setUpPage(QDialog* dialog,
                      const char* objectName,
                      const QSize& size,
                      const std::function<void()>& retranslate)
{
  dialog->setObjectName(QString::fromLatin1(objectName));

  vboxLayout = new QVBoxLayout(dialog);
  vboxLayout->setSpacing(6);
  vboxLayout->setContentsMargins(9, 9, 9, 9);
  vboxLayout->setObjectName(QStringLiteral("vboxLayout"));

  textBrowser = new PageBrowser(dialog);
  textBrowser->setObjectName(QStringLiteral("textBrowser"));
  // The page is shown as it is: a clicked link neither replaces it nor starts another program,
  // since the browser's own link handling would blank the page for any link outside it. Links
  // within the page, as from a table of contents, only scroll to their anchor.
  textBrowser->setOpenLinks(false);
  textBrowser->setOpenExternalLinks(false);
  QTextBrowser* browser = textBrowser;
  QObject::connect(browser, &QTextBrowser::anchorClicked, browser, [browser](const QUrl& link) {
    if (isInPageLink(link)) {
      browser->scrollToAnchor(link.fragment(QUrl::FullyDecoded));
    }
  });
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
  dialog->resize(size.expandedTo(dialog->minimumSizeHint()));

  retranslate();

  QObject::connect(okButton, SIGNAL(clicked()), dialog, SLOT(accept()));

  QMetaObject::connectSlotsByName(dialog);
}
