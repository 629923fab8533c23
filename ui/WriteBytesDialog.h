#pragma once
// The memory viewer's byte editor: a byte address and the four bytes of the word to store
// there, the most significant first.

#include "ui/MemoryEditorDialog.h"

#include <array>

namespace tarveno::ui {

class WriteBytesDialog : public MemoryEditorDialog {
    Q_OBJECT
  public:
    explicit WriteBytesDialog(double zoom = 1.0, QWidget* parent = nullptr);

    QLineEdit* address;
    std::array<QLineEdit*, 4> bytes;
};

} // namespace tarveno::ui
