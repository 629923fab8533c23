#pragma once
// TForm6: the write-word editor of the memory viewer, an address and a word.

#include "ui/EditorForm.h"

class QLabel;
class QLineEdit;

namespace tarveno::ui {

class TForm6 : public EditorForm {
    Q_OBJECT
  public:
    explicit TForm6(QWidget* parent = nullptr);

    QLabel* Label1;   // "Address:"
    QLabel* Label2;   // "Word:"
    QLineEdit* Edit1; // the byte address
    QLineEdit* Edit2; // the word
};

} // namespace tarveno::ui
