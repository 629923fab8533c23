#pragma once
// The memory viewer: 100 words of the machine's main memory at a time in its own radix,
// paging, a jump to an address, and the word and byte editors. It shows them as the course
// lists them (byte addresses, four bytes a word) or, in its word view, by word address with
// each word's value, the words the registers point at marked and those the last command
// changed highlighted; in the word view every address typed is a word address. The lines
// and the words to write are computed by ui/model/MemoryPage; the viewer shows and forwards.

#include "ui/model/MemoryPage.h"

#include <QDialog>

#include <cstdint>
#include <functional>

class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;

namespace tarveno {
class Session;
struct Outcome;
} // namespace tarveno

namespace tarveno::ui {

class Dialogs;

class MemoryViewer : public QDialog {
    Q_OBJECT
  public:
    // Shows the session's machine; with none the list stays as it is. Each viewer starts
    // at word 0 in decimal and fills its list at once. Writes go through the session, and
    // its answer to written.
    MemoryViewer(Dialogs& dialogs, Session& session, double zoom = 1.0, QWidget* parent = nullptr);

    std::function<void(const Outcome&)> written;

    uint32_t firstWord() const { return firstWord_; }
    bool showsWords() const { return unit_ == AddressUnit::Word; }
    void showWords(bool on);
    // Shown as a view inside another window (the Docked layout's memory dock): no window of
    // its own, not modal, no OK button.
    void embed();

  public slots:
    void refreshList();
    void onPreviousPageClicked();
    void onNextPageClicked();
    void onGoToClicked();
    void onWriteWordClicked();
    void onWriteBytesClicked();
    void onRadixChanged(int index);
    void onWordsToggled(bool on);

  private:
    // A number the editors cannot read shows its message; the command is abandoned and
    // the viewer stays open with nothing written.
    void command(const std::function<void()>& body);
    void write(uint32_t wordAddress, int32_t value);
    void nameWordAddresses(QDialog& editor) const;

    Dialogs& dialogs_;
    Session& session_;
    double zoom_;
    QListWidget* list_;
    QCheckBox* words_;
    uint32_t firstWord_ = 0;
    int memoryRadix_ = 10;
    AddressUnit unit_ = AddressUnit::Byte;
};

} // namespace tarveno::ui
