#pragma once
// TForm7: the write-byte editor of the memory viewer, an address and four bytes, the most
// significant first.

#include "ui/EditorForm.h"

class QLabel;
class QLineEdit;

namespace tarveno::ui {

class TForm7 : public EditorForm {
    Q_OBJECT
  public:
    explicit TForm7(QWidget* parent = nullptr);

    QLabel* Label1;   // "Address:"
    QLabel* Label2;   // "Data:"
    QLineEdit* Edit1; // the byte address
    QLineEdit* Edit2; // the most significant byte
    QLineEdit* Edit3;
    QLineEdit* Edit4;
    QLineEdit* Edit5; // the least significant byte
};

} // namespace tarveno::ui
