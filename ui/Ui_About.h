#pragma once

#include "ui/PageDialog.h"

// The About dialog: a read-only page with an "OK" button under it. No Q_OBJECT of its own.
class Ui_About : public PageDialog
{
public:
  explicit Ui_About(QWidget* parent = nullptr);

  void setupUi(QDialog* dialog);
  void retranslateUi(QDialog* dialog);
};
