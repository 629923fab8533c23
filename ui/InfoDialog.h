#pragma once
// The Info dialog, shown at start-up before the main window and from Help / Info: the
// program's name over two pictures of our own, its version and language, and where its
// README and examples are.

#include <QDialog>

namespace tarveno::ui {

class InfoDialog : public QDialog {
    Q_OBJECT
  public:
    // readme and examples: where the README and the example programs are.
    explicit InfoDialog(const QString& readme = {}, const QString& examples = {}, double zoom = 1.0,
                        QWidget* parent = nullptr);
};

} // namespace tarveno::ui
