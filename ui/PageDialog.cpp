#include "ui/PageDialog.h"

#include "loading/Console.h"
#include "loading/PageFile.h"

#include <QImage>
#include <QTextDocument>

QVariant
pageResourceStandIn(int type)
{
  if (type == QTextDocument::ImageResource) {
    QImage nothing(1, 1, QImage::Format_ARGB32);
    nothing.fill(Qt::transparent);
    return nothing;
  }
  return QString(QLatin1String(""));
}

PageBrowser::PageBrowser(QWidget* parent)
  : QTextBrowser(parent)
{
  // setHtml() and clear() empty the document first: everything from position 0 removed, nothing
  // added. Nothing else removes text from a read-only page.
  connect(document(), &QTextDocument::contentsChange, this, [this](int from, int, int added) {
    if (from == 0 && added == 0) {
      startPage();
    }
  });
}

void
PageBrowser::startPage()
{
  loaded.clear();
  pictures = {};
  styleSheets = {};
}

QVariant
PageBrowser::loadResource(int type, const QUrl& name)
{
  // An address of another computer gets no answer at all, as from the browser itself: the
  // document never fetches such an address on its own.
  const QString scheme = name.scheme().toLower();
  if (!name.isRelative() && scheme != QLatin1String("file") && scheme != QLatin1String("data")) {
    if (resourceLoader) {
      resourceLoader(type, name); // says that it is refused
    }
    return QVariant();
  }
  const bool picture = type == QTextDocument::ImageResource;
  const QString key =
    QString::number(type) + QLatin1Char(' ') +
    name.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::NormalizePathSegments)
      .toString(QUrl::FullyEncoded);
  const auto found = loaded.constFind(key);
  if (found != loaded.constEnd()) {
    // The same picture again costs nothing: Qt shares its pixels. A style sheet would be parsed
    // again, and adds nothing the first one did not.
    return picture ? found.value() : pageResourceStandIn(type);
  }
  Budget& budget = picture ? pictures : styleSheets;
  const qint64 limit = picture ? pictureBudgetBytes : styleSheetBudgetCharacters;
  QVariant resource;
  if (!budget.exhausted && resourceLoader) {
    resource = resourceLoader(type, name);
  }
  const qint64 size =
    picture ? resource.value<QImage>().sizeInBytes() : qint64(resource.toString().size());
  if (!resource.isNull() && budget.spent + size > limit) {
    printLine("The page " + std::string(picture ? "image " : "style sheet ") +
              shownResourceName(name) + " would take the page past its " + megabytes(limit) +
              (picture ? " of pictures" : " of style sheets") + "; it is not shown.");
    budget.exhausted = true;
    resource = QVariant();
  } else {
    budget.spent += size;
  }
  if (resource.isNull()) {
    // Never a null answer: the document would go and read the file itself. A transparent pixel
    // for a picture, nothing for anything else.
    resource = pageResourceStandIn(type);
  }
  loaded.insert(key, resource);
  return resource;
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
