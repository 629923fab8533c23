#include "ui/EditorPane.h"

#include "workbench/Session.h"

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>

namespace tarveno::ui {

EditorPane::EditorPane(QWidget* client, style::PlacedControls& placed) : QObject(client) {
    title_ = placed.add(style::makeLabel(client, places::fileTitle), places::fileTitle);
    fileName_ = placed.add(style::makeLabel(client, places::fileNameLabel), places::fileNameLabel);
    title_->hide();
    fileName_->hide();
    editor = placed.add(style::makeEditor(client, places::microprogramEditor), places::microprogramEditor);
    // The selection of the current microinstruction stays visible without focus.
    QPalette p = editor->palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    editor->setPalette(p);
    report_ = placed.add(style::makeEditor(client, places::reportPane), places::reportPane);
    report_->setReadOnly(true);
    report_->hide();
    connect(editor->document(), &QTextDocument::modificationChanged, this, [this](bool modified) {
        if (modified && !showing_ && edited) edited();
    });
}

void EditorPane::show(const Answer& a, const Session& session) {
    showing_ = true;
    const Document& d = session.document();
    if (a.editorReloaded) editor->setPlainText(QString::fromStdString(d.file.text));
    editor->document()->setModified(d.modified);
    style::setCaption(fileName_, QFile::decodeName(QByteArray::fromStdString(d.fileName)));
    if (a.reportChanged) {
        report_->setVisible(session.reportShown());
        if (session.reportShown()) report_->setPlainText(QString::fromStdString(session.report()));
    }
    showing_ = false;
}

void EditorPane::showTitle() {
    title_->show();
    fileName_->show();
}

std::string EditorPane::text() const {
    QString t = editor->document()->toRawText();
    t.replace(QChar::ParagraphSeparator, QChar('\n'));
    return t.toStdString();
}

void EditorPane::setReadOnly(bool readOnly) {
    editor->setReadOnly(readOnly);
}

} // namespace tarveno::ui
