#include "ui/EditorPane.h"

#include "ui/CodeEditor.h"
#include "ui/WindowText.h"
#include "workbench/Session.h"

#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>

namespace tarveno::ui {

EditorPane::EditorPane(QWidget* client, style::PlacedControls& placed) : QObject(client) {
    title_ = placed.add(style::makeLabel(client, places::fileTitle), places::fileTitle);
    fileName_ = placed.add(style::makeLabel(client, places::fileNameLabel), places::fileNameLabel);
    title_->hide();
    fileName_->hide();
    editor =
        placed.add(style::makeCodeEditor(client, places::microprogramEditor), places::microprogramEditor);
    // The selection of the current microinstruction stays visible without focus.
    QPalette p = editor->palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    editor->setPalette(p);
    report_ = placed.add(style::makeEditor(client, places::reportPane), places::reportPane);
    report_->setReadOnly(true);
    report_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    report_->hide();
    report_->installEventFilter(this);
    connect(report_, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (!showing_) chooseReportLine();
    });
    connect(editor->document(), &QTextDocument::modificationChanged, this, [this](bool modified) {
        if (modified && !showing_ && edited) edited();
    });
}

void EditorPane::show(const Outcome& o, const Session& session) {
    showing_ = true;
    const MalDocument& d = session.mal();
    if (o.redraw.has(View::MalEditor)) editor->setPlainText(QString::fromStdString(d.file.text));
    editor->document()->setModified(d.needsCompile);
    if (o.redraw.has(View::Report)) {
        const CheckerReport& report = session.report();
        report_->setVisible(report.shown());
        if (report.shown()) report_->setPlainText(QString::fromStdString(report.text()));
        std::vector<CodeMark> marks;
        for (const Finding& f : report.findings())
            marks.push_back({f.statement.start, f.statement.end, f.error});
        editor->setMarks(marks);
    }
    showing_ = false;
    showName(session);
}

void EditorPane::showName(const Session& session) {
    QString name = shownName(session.mal().fileName);
    if (session.mal().hasUnsavedWork(text())) name += "*";
    style::setCaption(fileName_, name);
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

void EditorPane::selectSpan(const EditorSpan& span) {
    editor->selectSpan(span.start, span.end);
}

void EditorPane::chooseReportLine() {
    if (reportLineClicked) reportLineClicked(report_->textCursor().blockNumber());
}

bool EditorPane::eventFilter(QObject* watched, QEvent* event) {
    // Enter on the line the cursor is on chooses it again.
    if (watched == report_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            chooseReportLine();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tarveno::ui
