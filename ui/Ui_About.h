#pragma once

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpacerItem>
#include <QTextBrowser>
#include <QVBoxLayout>

// The About dialog: a read-only page with an "OK" button under it. No Q_OBJECT of its own.
class Ui_About : public QDialog
{
public:
  explicit Ui_About(QWidget* parent = nullptr);

  void setupUi(QDialog* dialog);
  void retranslateUi(QDialog* dialog);

  QVBoxLayout* vboxLayout = nullptr;
  QTextBrowser* textBrowser = nullptr;
  QHBoxLayout* hboxLayout = nullptr;
  QSpacerItem* spacerItem = nullptr;
  QPushButton* okButton = nullptr;
  QSpacerItem* spacerItem1 = nullptr;
};
