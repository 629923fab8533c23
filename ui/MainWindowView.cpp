#include "ui/MainWindow.h"

#include "ui/CodeEditor.h"
#include "ui/Dialogs.h"
#include "ui/EditorPane.h"
#include "ui/IjvmWindow.h"
#include "ui/WindowText.h"
#include "ui/Workspace.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QSettings>
#include <QStyle>
#include <QStyleFactory>

// The main window's arrangement and looks: the layout, the theme, and finding text in the
// editors.

namespace tarveno::ui {

void MainWindow::setLayout(Layout layout) {
    workspace_->apply(layout);
    for (const char* name : {"layoutClassic", "layoutDocked"})
        if (auto* a = findChild<QAction*>(name))
            a->setChecked((layout == Layout::Classic) == (QByteArray(name) == "layoutClassic"));
    if (auto* reset = findChild<QAction*>("resetLayout")) reset->setEnabled(layout == Layout::Docked);
}

void MainWindow::onResetLayout() {
    if (workspace_->layout() == Layout::Docked) workspace_->resetDocks();
}

namespace {

// The platform's own look, kept for "System".
struct PlatformLook {
    QString style;
    QPalette palette;
};
const PlatformLook& platformLook() {
    static const PlatformLook look{QApplication::style()->name(), QApplication::palette()};
    return look;
}

QPalette darkPalette() {
    QPalette p;
    const QColor window(45, 45, 48), base(30, 30, 30), text(230, 230, 230), disabled(130, 130, 130);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, window);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Highlight, QColor(38, 79, 120));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(110, 170, 255));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    return p;
}

} // namespace

void MainWindow::setTheme(const QString& theme) {
    // The course form, the pictures and the editors keep their own colours (and those the
    // user chose): only what takes the desktop's colours follows the theme.
    const PlatformLook& platform = platformLook();
    if (theme == "Dark" || theme == "Light") {
        QApplication::setStyle(QStyleFactory::create("Fusion"));
        QApplication::setPalette(theme == "Dark" ? darkPalette() : QApplication::style()->standardPalette());
    } else {
        QApplication::setStyle(QStyleFactory::create(platform.style));
        QApplication::setPalette(platform.palette);
    }
    const QString chosen = theme == "Dark" || theme == "Light" ? theme : QString("System");
    for (const char* name : {"System", "Light", "Dark"})
        if (auto* a = findChild<QAction*>(QString("theme") + name)) a->setChecked(chosen == name);
    if (!paths_.settings.isEmpty())
        QSettings(paths_.settings, QSettings::IniFormat).setValue("theme", chosen);
}

void MainWindow::chooseLanguage(Language language) {
    if (!applyLanguage(language))
        dialogs_.message(this, places::mainWindow.caption,
                         "The window's English texts are missing from this installation: the window keeps "
                         "the course texts, the messages are in English");
    // Qt posts the change to every window: delivered now, the window is redrawn in the new
    // language before the next command.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    rememberLanguage(paths_.settings, language);
    showLanguage();
}

void MainWindow::showLanguage() {
    const bool english = currentLanguage() == Language::English;
    if (auto* a = findChild<QAction*>("languageEnglish")) a->setChecked(english);
    if (auto* a = findChild<QAction*>("languageCourse")) a->setChecked(!english);
}

void MainWindow::changeEvent(QEvent* event) {
    // Qt tells every window of a new translation; the course's captions follow it.
    if (event->type() == QEvent::LanguageChange) style::retranslate(this);
    QMainWindow::changeEvent(event);
}

CodeEditor* MainWindow::searchedEditor() const {
    return lastEditor_ ? lastEditor_.data() : editor_->editor;
}

void MainWindow::onFind() {
    const auto text = dialogs_.ask(this, "Find:", searched_);
    if (!text || text->isEmpty()) return;
    searched_ = *text;
    onFindNext();
}

void MainWindow::onFindNext() {
    if (searched_.isEmpty()) return onFind();
    CodeEditor* editor = searchedEditor();
    if (!editor->findNext(searched_))
        setWindowTitle(places::mainWindow.caption + QString(" - Not found: ") + searched_);
    editor->setFocus();
}

void MainWindow::onGoToLine() {
    CodeEditor* editor = searchedEditor();
    const auto text =
        dialogs_.ask(this, "Go to line:", QString::number(editor->textCursor().blockNumber() + 1));
    if (!text) return;
    bool ok = false;
    const int line = text->trimmed().toInt(&ok);
    if (!ok) return;
    editor->goToLine(line);
    editor->setFocus();
}

void MainWindow::openMicroprogramAndPlace(const QString& microprogram, const QString& ijvmProgram) {
    auto full = [](const QString& f) { return fsName(QDir::cleanPath(QDir::current().absoluteFilePath(f))); };
    if (microprogram.isEmpty()) {
        if (!ijvmProgram.isEmpty()) openFromCommandLine(ijvmProgram);
        return;
    }
    perform([this, name = full(microprogram)] { return session_.openMicroprogram(name); });
    // Once the compile has loaded it, the program is placed on it.
    if (!ijvmProgram.isEmpty())
        perform([this, name = full(ijvmProgram)] { return session_.openIjvm(name, IjvmOpening::Placed); });
}

} // namespace tarveno::ui
