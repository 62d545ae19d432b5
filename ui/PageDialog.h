#pragma once

#include <QCoreApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QHash>
#include <QMetaObject>
#include <QPushButton>
#include <QSpacerItem>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QVariant>

#include <functional>

// A link to an anchor of the page itself ("#name"): nothing but a fragment, which the browser
// leaves as it is because the page has no address of its own.
inline bool
isInPageLink(const QUrl& link)
{
  return link.scheme().isEmpty() && link.authority().isEmpty() && link.path().isEmpty() &&
         !link.hasQuery() && !link.fragment().isEmpty();
}

// What a page shows for a file it may not have: a transparent pixel for a picture, nothing for
// anything else.
QVariant
pageResourceStandIn(int type);

// A page's browser that takes its images and style sheets only from its resource loader. The
// browser's own loading would open any file or address a page names (a FIFO, /dev/zero, a
// picture of gigabytes) on the thread that draws the window.
// Each page (from one setHtml to the next) loads each file once, whatever query or anchor its
// address carries, and within a budget: 128 MB of decoded pictures (two of the largest a picture
// may be) and 1 MB of style sheets. Qt keeps what it loaded for each address and parses a style
// sheet again for each address: one 57 KB PNG named 200 times with different queries took
// 8.1 GB, four links to one 16 MB style sheet 2.75 GB. Teaching pages need a few figures of a
// few megabytes and a style sheet of a few kilobytes.
class PageBrowser : public QTextBrowser
{
public:
  // Returns the resource as a non-null QVariant (QImage for images, QString for style sheets);
  // the loader decides what a refused resource shows instead.
  using ResourceLoader = std::function<QVariant(int type, const QUrl& name)>;

  static constexpr qint64 pictureBudgetBytes = qint64(128) << 20;
  static constexpr qint64 styleSheetBudgetCharacters = qint64(1) << 20;

  explicit PageBrowser(QWidget* parent = nullptr);
  void setResourceLoader(ResourceLoader loader) { resourceLoader = std::move(loader); }

  QVariant loadResource(int type, const QUrl& name) override;

  // What the page shown has loaded so far: decoded picture bytes, style sheet characters.
  qint64 pictureBytesLoaded() const { return pictures.spent; }
  qint64 styleSheetCharactersLoaded() const { return styleSheets.spent; }

private:
  struct Budget
  {
    qint64 spent = 0;
    bool exhausted = false; // a file was refused: the page loads no more of its kind
  };

  void startPage();

  ResourceLoader resourceLoader;
  // Each file the page has loaded, by type and address without query and anchor.
  QHash<QString, QVariant> loaded;
  Budget pictures;
  Budget styleSheets;
};

// The shape the Help and About dialogs share: a read-only page with an "OK" button between two
// spacers under it.
class PageDialog : public QDialog
{
public:
  explicit PageDialog(QWidget* parent = nullptr)
    : QDialog(parent)
  {
  }

  QVBoxLayout* vboxLayout = nullptr;
  QTextBrowser* textBrowser = nullptr; // a PageBrowser
  QHBoxLayout* hboxLayout = nullptr;
  QSpacerItem* spacerItem = nullptr;
  QPushButton* okButton = nullptr;
  QSpacerItem* spacerItem1 = nullptr;

protected:
  // Builds the tree on dialog, then sets its texts through retranslate and wires the button.
  void setUpPage(QDialog* dialog,
                 const char* objectName,
                 const QSize& size,
                 const std::function<void()>& retranslate);
};
