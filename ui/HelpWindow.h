#pragma once
// The Help window: one of the pages of ui/model/HelpPages at a time, chosen in a box, with a
// search box that finds the next place a text appears (from the top again after the last).

#include "ui/model/HelpPages.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QTextBrowser;

namespace tarveno::ui {

class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    explicit HelpWindow(QWidget* parent);

    void showPage(HelpPage page);
    // The next place the search box's text appears after the selection; false when none.
    bool findNext();

  private:
    QComboBox* pages_;
    QLineEdit* search_;
    QLabel* note_;
    QTextBrowser* text_;
};

} // namespace tarveno::ui
