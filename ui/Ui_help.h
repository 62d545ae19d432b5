#pragma once

#include "ui/PageDialog.h"

// The Help dialog: a read-only page with an "OK" button under it. No Q_OBJECT of its own.
class Ui_help : public PageDialog
{
public:
  explicit Ui_help(QWidget* parent = nullptr);

  void setupUi(QDialog* dialog);
  void retranslateUi(QDialog* dialog);
};
