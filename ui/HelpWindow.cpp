#include "ui/HelpWindow.h"

#include "ui/FormStyle.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>

#include <algorithm>

namespace tarveno::ui {

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("helpWindow");
    setWindowTitle("TARVENO - Help");
    setAccessibleName(windowTitle());
    resize(860, 720);

    pages_ = new QComboBox(this);
    pages_->setObjectName("helpPageBox");
    pages_->setAccessibleName("Help page");
    for (const HelpPageInfo& p : helpPages)
        pages_->addItem(QString::fromUtf8(p.title.data(), static_cast<qsizetype>(p.title.size())));
    connect(pages_, &QComboBox::currentIndexChanged, this,
            [this](int i) { showPage(static_cast<HelpPage>(std::clamp(i, 0, int(helpPages.size()) - 1))); });

    auto* searchCaption = new QLabel("&Search:", this);
    search_ = new QLineEdit(this);
    search_->setObjectName("helpSearch");
    search_->setAccessibleName("Search the page");
    search_->setPlaceholderText("a word, an instruction, a register");
    search_->setClearButtonEnabled(true);
    searchCaption->setBuddy(search_);
    connect(search_, &QLineEdit::returnPressed, this, &HelpWindow::findNext);
    auto* next = new QPushButton("Find &Next", this);
    next->setObjectName("helpFindNextButton");
    style::makeKeyboardButton(next);
    connect(next, &QPushButton::clicked, this, &HelpWindow::findNext);
    note_ = new QLabel(this);
    note_->setObjectName("helpSearchNote");

    text_ = new QTextBrowser(this);
    text_->setObjectName("helpText");
    text_->setAccessibleName("Help text");
    text_->setOpenLinks(false);

    auto* bar = new QHBoxLayout;
    bar->addWidget(pages_);
    bar->addSpacing(12);
    bar->addWidget(searchCaption);
    bar->addWidget(search_, 1);
    bar->addWidget(next);
    bar->addWidget(note_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(text_, 1);
    showPage(HelpPage::MalReference);
}

void HelpWindow::showPage(HelpPage page) {
    const HelpPageInfo& info = helpPage(page);
    QFile file(":/help/" + QString::fromUtf8(info.file.data(), static_cast<qsizetype>(info.file.size())));
    const QString markdown = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll())
                                                            : "The page " + file.fileName() + " is missing.";
    text_->setMarkdown(markdown);
    const QSignalBlocker quiet(pages_);
    pages_->setCurrentIndex(static_cast<int>(page));
    note_->clear();
}

bool HelpWindow::findNext() {
    const QString wanted = search_->text();
    if (wanted.isEmpty()) return false;
    bool found = text_->find(wanted);
    if (!found) {
        // From the top again.
        QTextCursor top = text_->textCursor();
        top.movePosition(QTextCursor::Start);
        text_->setTextCursor(top);
        found = text_->find(wanted);
    }
    note_->setText(found ? QString() : "Not found");
    return found;
}

} // namespace tarveno::ui
