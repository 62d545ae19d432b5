#pragma once

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpacerItem>
#include <QTextBrowser>
#include <QVBoxLayout>

// The Help dialog: a read-only page with an "OK" button under it. No Q_OBJECT of its own.
class Ui_help : public QDialog
{
public:
  explicit Ui_help(QWidget* parent = nullptr);

  void setupUi(QDialog* dialog);
  void retranslateUi(QDialog* dialog);

  QVBoxLayout* vboxLayout = nullptr;
  QTextBrowser* textBrowser = nullptr;
  QHBoxLayout* hboxLayout = nullptr;
  QSpacerItem* spacerItem = nullptr;
  QPushButton* okButton = nullptr;
  QSpacerItem* spacerItem1 = nullptr;
};
