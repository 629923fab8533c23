#pragma once
// The memory viewer's word editor: a byte address and the word to store there.

#include "ui/MemoryEditorDialog.h"

namespace tarveno::ui {

class WriteWordDialog : public MemoryEditorDialog {
    Q_OBJECT
  public:
    explicit WriteWordDialog(double zoom = 1.0, QWidget* parent = nullptr);

    QLineEdit* address;
    QLineEdit* word;
};

} // namespace tarveno::ui
