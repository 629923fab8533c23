#pragma once
// Controls made from their places: name, caption, rectangle, font and colours from the
// table of places, scaled by a zoom. A PlacedControls remembers what it placed, so the
// whole form can be placed again at another zoom.

#include "ui/model/Places.h"

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QWidget>

#include <optional>
#include <utility>
#include <vector>

class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QAbstractButton;
class QPushButton;

namespace tarveno::ui {
class CodeEditor;
}

namespace tarveno::ui::style {

QColor qColour(Rgb c);
// The face at its pixel height times zoom; where Times New Roman is missing, the system's
// metric-compatible serif stands in.
QFont font(const Font& f, double zoom = 1.0);

void setTextColour(QWidget* w, const QColor& c);
// The background of a form, panel or label, or of the text area of an editor or list.
void setBackground(QWidget* w, const QColor& c);

// Gives w its place at zoom: its rectangle (or, with width 0, its left and top and the
// size of its text), its font and, unless only placing it again, its colours.
enum class Colours { Set, Keep };
void place(QWidget* w, const Place& p, double zoom = 1.0, Colours colours = Colours::Set);
// A dialog form's name, caption, client size, font and background at zoom; modal.
void setUpForm(QDialog* form, const FormPlace& f, double zoom = 1.0);

// Sets a label's text and sizes it to the text, as the form's labels do.
void setCaption(QLabel* label, const QString& text);

// Selects start to end (editor positions, clamped to the text) in an editor; with none,
// clears its selection.
void select(QPlainTextEdit* editor, std::optional<std::pair<int, int>> span);

// The kinds of controls the forms use, made with their place at zoom. A button takes the
// focus by Tab and is pressed by Space, Enter or Return; every control has an accessible
// name (its caption, or the name given).
QLabel* makeLabel(QWidget* parent, const Place& p, double zoom = 1.0);
// A place's caption in the window's language (the course text, or its translation).
QString caption(const Place& p);
// Gives every label and button under root made from a place its caption again, in the
// language now chosen.
void retranslate(QWidget* root);
QPushButton* makeButton(QWidget* parent, const Place& p, double zoom = 1.0);
// Gives any button that focus and those keys.
void makeKeyboardButton(QAbstractButton* b);
QLineEdit* makeEdit(QWidget* parent, const Place& p, double zoom = 1.0);
// A multi-line editor with both scroll bars and no wrapping.
QPlainTextEdit* makeEditor(QWidget* parent, const Place& p, double zoom = 1.0);
// The same, with line numbers and marks.
CodeEditor* makeCodeEditor(QWidget* parent, const Place& p, double zoom = 1.0);
QListWidget* makeList(QWidget* parent, const Place& p, double zoom = 1.0);
// The radix selector: "Decimal" (item 0) and "Hex" (item 1), "Decimal" chosen.
QComboBox* makeRadixBox(QWidget* parent, const Place& p, double zoom = 1.0);

// Controls that keep their places: placed again, all at once, at a new zoom. A control
// that a layout sizes (in a splitter or a dock) takes the zoom's font only.
class PlacedControls {
  public:
    enum class Sizing { Place, FontOnly };
    template <class W> W* add(W* w, const Place& p, Sizing sizing = Sizing::Place) {
        controls_.push_back({w, p, sizing});
        return w;
    }
    // Places every control again at zoom; the colours the user chose stay.
    void placeAll(double zoom) const;

  private:
    struct Entry {
        QPointer<QWidget> widget;
        Place place;
        Sizing sizing;
    };
    std::vector<Entry> controls_;
};

} // namespace tarveno::ui::style
