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

// A page's browser that takes its images and style sheets only from its resource loader. The
// browser's own loading would open any file or address a page names (a FIFO, /dev/zero, a
// picture of gigabytes) on the thread that draws the window.
class PageBrowser : public QTextBrowser
{
public:
  // Returns the resource as a non-null QVariant (QImage for images, QString for style sheets);
  // the loader decides what a refused resource shows instead.
  using ResourceLoader = std::function<QVariant(int type, const QUrl& name)>;

  using QTextBrowser::QTextBrowser;
  void setResourceLoader(ResourceLoader loader) { resourceLoader = std::move(loader); }

  QVariant loadResource(int type, const QUrl& name) override;

private:
  ResourceLoader resourceLoader;
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
