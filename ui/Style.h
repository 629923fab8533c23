#pragma once
// The few looks the forms share: the form font, named colours, the client size of a
// form whose size is given as its outer size, and the memory editors' pieces.

#include <QAbstractScrollArea>
#include <QColor>
#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace tarveno::ui::style {

inline const QColor navy{0, 0, 128};
inline const QColor blue{0, 0, 255};
inline const QColor lime{0, 255, 0};
inline const QColor yellow{255, 255, 0};
inline const QColor gray{128, 128, 128};
inline const QColor toolTipBackground{255, 255, 225};
inline const QColor buttonFace{240, 240, 240};
inline const QColor light3d{227, 227, 227};
inline const QColor scrollBar{200, 200, 200};
inline const QColor dark3d{105, 105, 105};

// "Times New Roman" at a pixel height; where it is missing the system's metric-compatible
// serif (Liberation Serif) stands in.
inline QFont timesFont(int pixels, bool bold = false) {
    QFont f(QStringLiteral("Times New Roman"));
    f.setStyleHint(QFont::Serif);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

inline void setTextColour(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::Text, c);
    p.setColor(QPalette::ButtonText, c);
    w->setPalette(p);
}

// The background of a form, panel or label, or of the text area of an editor; an editor's
// own background leaves the controls on a form as they are.
inline void setBackground(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    const bool editor = qobject_cast<QAbstractScrollArea*>(w) || qobject_cast<QLineEdit*>(w);
    p.setColor(editor ? QPalette::Base : QPalette::Window, c);
    w->setPalette(p);
    if (!editor) w->setAutoFillBackground(true);
}

// A form's size is its outer size; its controls are placed in the client area inside a
// frame of 4 pixels and under a title bar of 26.
inline QSize clientSize(int width, int height) {
    return {width - 8, height - 34};
}

// A dialog form as the window shows it: its name, caption, place and outer size, modal,
// with its font and background.
inline void setUpForm(QDialog* form, const char* name, const QString& caption, QPoint at, QSize outer,
                      const QFont& font, const QColor& background) {
    form->setObjectName(name);
    form->setWindowTitle(caption);
    form->setModal(true);
    form->move(at);
    form->setFixedSize(clientSize(outer.width(), outer.height()));
    form->setFont(font);
    setBackground(form, background);
}

// The memory editors' pieces: a lime bold caption, a one-line box with its design text,
// and the standard OK and Cancel buttons (75 by 25).
inline QLabel* formLabel(QWidget* parent, const char* name, const QString& text, QPoint at) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setFont(timesFont(13, true));
    setTextColour(l, lime);
    l->move(at);
    l->adjustSize();
    return l;
}

inline QLineEdit* formEdit(QWidget* parent, const char* name, const QString& text, QRect place) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(name);
    e->setGeometry(place);
    // The narrow byte boxes show their three digits whole.
    e->setTextMargins(0, 0, 0, 0);
    setTextColour(e, Qt::black);
    return e;
}

inline QPushButton* okButton(QWidget* parent, QPoint at) {
    auto* b = new QPushButton(QStringLiteral("OK"), parent);
    b->setObjectName("BitBtn1");
    b->setGeometry(at.x(), at.y(), 75, 25);
    b->setDefault(true);
    return b;
}

inline QPushButton* cancelButton(QWidget* parent, QPoint at) {
    auto* b = new QPushButton(QStringLiteral("Cancel"), parent);
    b->setObjectName("BitBtn2");
    b->setGeometry(at.x(), at.y(), 75, 25);
    return b;
}

} // namespace tarveno::ui::style
