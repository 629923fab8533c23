#include "ui/FormStyle.h"

#include "ui/CodeEditor.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

namespace tarveno::ui::style {

namespace {
// The course text a label or button was made with, so that it can be translated again.
constexpr char placeTextProperty[] = "tarvenoPlaceText";
} // namespace

QColor qColour(Rgb c) {
    return {c.r, c.g, c.b};
}

QFont font(const Font& f, double zoom) {
    QFont q(f.face == Face::Serif ? QStringLiteral("Times New Roman")
                                  : QStringLiteral("Liberation Sans Narrow"));
    q.setStyleHint(f.face == Face::Serif ? QFont::Serif : QFont::SansSerif);
    q.setPixelSize(std::max(1, scaled(f.pixels, zoom)));
    q.setBold(f.bold);
    q.setUnderline(f.underline);
    return q;
}

void setTextColour(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::Text, c);
    p.setColor(QPalette::ButtonText, c);
    w->setPalette(p);
}

void setBackground(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    // An editor's own background leaves the rest of the form as it is.
    const bool editor = qobject_cast<QAbstractScrollArea*>(w) || qobject_cast<QLineEdit*>(w);
    p.setColor(editor ? QPalette::Base : QPalette::Window, c);
    w->setPalette(p);
    if (!editor) w->setAutoFillBackground(true);
}

void place(QWidget* w, const Place& p, double zoom, Colours colours) {
    w->setFont(font(p.font, zoom));
    if (colours == Colours::Set && p.textColour) setTextColour(w, qColour(*p.textColour));
    if (colours == Colours::Set && p.background) setBackground(w, qColour(*p.background));
    const Rect r = scaled(p.rect, zoom);
    if (p.rect.width > 0) {
        w->setGeometry(r.x, r.y, r.width, r.height);
    } else {
        w->move(r.x, r.y);
        w->adjustSize();
    }
}

void setUpForm(QDialog* form, const FormPlace& f, double zoom) {
    form->setObjectName(f.name);
    form->setWindowTitle(f.caption);
    form->setModal(true);
    form->move(f.outer.x, f.outer.y);
    const Rect client = scaled(clientArea(f), zoom);
    form->setFixedSize(client.width, client.height);
    form->setFont(font(f.font, zoom));
    setBackground(form, qColour(f.background));
}

void setCaption(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

void select(QPlainTextEdit* editor, std::optional<std::pair<int, int>> span) {
    QTextCursor cursor = editor->textCursor();
    if (span) {
        const int last = editor->document()->characterCount() - 1;
        const int start = std::min(span->first, last);
        cursor.setPosition(start);
        cursor.setPosition(std::max(start, std::min(span->second, last)), QTextCursor::KeepAnchor);
    } else {
        cursor.clearSelection();
    }
    editor->setTextCursor(cursor);
}

QString caption(const Place& p) {
    return QCoreApplication::translate("Places", p.text);
}

void retranslate(QWidget* root) {
    for (QWidget* w : root->findChildren<QWidget*>()) {
        const QByteArray source = w->property(placeTextProperty).toByteArray();
        if (source.isEmpty()) continue;
        const QString text = QCoreApplication::translate("Places", source.constData());
        if (auto* l = qobject_cast<QLabel*>(w)) l->setText(text);
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            b->setText(text);
            b->setAccessibleName(text);
        }
    }
}

QLabel* makeLabel(QWidget* parent, const Place& p, double zoom) {
    auto* l = new QLabel(caption(p), parent);
    l->setProperty(placeTextProperty, QByteArray(p.text));
    l->setObjectName(p.name);
    place(l, p, zoom);
    return l;
}

namespace {

// Enter and Return press the button that has the focus, as Space does.
class EnterPresses : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (auto* b = qobject_cast<QAbstractButton*>(watched);
                b && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
                b->animateClick();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void makeKeyboardButton(QAbstractButton* b) {
    static EnterPresses* presses = new EnterPresses(qApp);
    b->setFocusPolicy(Qt::StrongFocus);
    b->installEventFilter(presses);
    if (b->accessibleName().isEmpty()) b->setAccessibleName(b->text().remove('&'));
}

QPushButton* makeButton(QWidget* parent, const Place& p, double zoom) {
    auto* b = new QPushButton(caption(p), parent);
    b->setProperty(placeTextProperty, QByteArray(p.text));
    b->setObjectName(p.name);
    place(b, p, zoom);
    makeKeyboardButton(b);
    return b;
}

QLineEdit* makeEdit(QWidget* parent, const Place& p, double zoom) {
    auto* e = new QLineEdit(QString::fromUtf8(p.text), parent);
    e->setObjectName(p.name);
    // Narrow boxes show their few digits whole.
    e->setTextMargins(0, 0, 0, 0);
    place(e, p, zoom);
    return e;
}

namespace {

template <class Editor> Editor* placedEditor(Editor* e, const Place& p, double zoom) {
    e->setObjectName(p.name);
    e->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    e->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    e->setLineWrapMode(QPlainTextEdit::NoWrap);
    place(e, p, zoom);
    return e;
}

} // namespace

QPlainTextEdit* makeEditor(QWidget* parent, const Place& p, double zoom) {
    return placedEditor(new QPlainTextEdit(parent), p, zoom);
}

CodeEditor* makeCodeEditor(QWidget* parent, const Place& p, double zoom) {
    return placedEditor(new CodeEditor(parent), p, zoom);
}

QListWidget* makeList(QWidget* parent, const Place& p, double zoom) {
    auto* l = new QListWidget(parent);
    l->setObjectName(p.name);
    place(l, p, zoom);
    return l;
}

QComboBox* makeRadixBox(QWidget* parent, const Place& p, double zoom) {
    auto* c = new QComboBox(parent);
    c->setObjectName(p.name);
    c->addItems({QStringLiteral("Decimal"), QStringLiteral("Hex")});
    c->setAccessibleName("Radix");
    c->setCurrentIndex(0);
    place(c, p, zoom);
    return c;
}

void PlacedControls::placeAll(double zoom) const {
    for (const Entry& e : controls_) {
        if (!e.widget) continue;
        if (e.sizing == Sizing::FontOnly)
            e.widget->setFont(font(e.place.font, zoom));
        else
            place(e.widget, e.place, zoom, Colours::Keep);
    }
}

} // namespace tarveno::ui::style
