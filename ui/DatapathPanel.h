#pragma once
// The datapath picture with the readouts over it: the register, bus, N, Z and MPC values,
// the 36 bits of the microinstruction executed last and the ALU panel. It plays a refresh
// step by step as ui/model/PaintSteps orders it; the flows that pause run from the event
// loop, and the steps after them wait for them.

#include "ui/DatapathDrawing.h"
#include "ui/FormStyle.h"
#include "ui/model/PaintSteps.h"

#include <array>
#include <functional>
#include <vector>

class QLabel;
class QWidget;

namespace tarveno::ui {

class DatapathPanel {
  public:
    using PicturesFactory = std::function<DatapathDrawing*(QWidget*)>;

    // Makes the pictures (the real ones when pictures is empty) and then the readouts over
    // them, hidden, in client; the readouts are placed through placed.
    DatapathPanel(QWidget* client, style::PlacedControls& placed, const PicturesFactory& pictures);

    // Shows the readouts: the window's layout at start-up.
    void showReadouts();

    // Plays the steps of refresh on the session's machine; selectSource makes the editor's
    // selection, finished runs after the last step (at once when nothing pauses).
    void play(Refresh refresh, const Session& session, std::function<void()> finished);
    bool playing() const { return playing_; }
    // Plays what is left of a refresh at once.
    void finish();
    // The clock without marks: a new sub-cycle starts.
    void clearClock() { drawing_->clockRepaint(); }

    // The editor selection step, made by the window.
    std::function<void()> selectSource;

    DatapathDrawing& drawing() { return *drawing_; }
    QLabel* aluPanel() const { return aluPanel_; }

  private:
    void advance();
    void perform(const Paint& p);
    void setCaption(QLabel* label, const std::string& text);

    DatapathDrawing* drawing_;
    QLabel* aluPanel_;
    QLabel* cBusTitle_;
    QLabel* cBus_;
    QLabel* bBus_;
    QLabel* n_;
    QLabel* z_;
    QLabel* mpc_;
    std::array<QLabel*, 10> registers_{};
    std::array<QLabel*, 36> bits_{};

    std::vector<Paint> steps_;
    size_t next_ = 0;
    const Session* session_ = nullptr;
    std::function<void()> finished_;
    bool playing_ = false;
};

} // namespace tarveno::ui
