#pragma once
// The few looks the forms share: the form font, named colours and the client size of a
// form whose size is given as its outer size.

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QLineEdit>
#include <QPalette>
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

} // namespace tarveno::ui::style
