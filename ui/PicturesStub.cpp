// Stand-in for the datapath and clock pictures: the four surfaces at their places, plain
// white, and drawing steps that draw nothing. The window builds and runs against it.

#include "ui/DatapathDrawing.h"

#include <QWidget>

namespace tarveno::ui {

namespace {

class BlankPictures : public QObject, public DatapathDrawing {
  public:
    explicit BlankPictures(QWidget* parent) : QObject(parent) {
        surface(parent, "Image1", {7, 16, 802, 497}, true);
        surface(parent, "PaintBox1", {0, 0, 809, 513}, false);
        surface(parent, "Image2", {8, 496, 352, 116}, true);
        surface(parent, "PaintBox2", {8, 496, 352, 116}, false);
    }

    void bLine(uint32_t) override {}
    void cLines(uint32_t) override {}
    void shiftAndJmpcMarks(uint32_t) override {}
    void nAndZMarks(bool, bool) override {}
    void abFlow(uint32_t, int) override {}
    void cFlow(uint32_t, int) override {}
    void clockRepaint() override {}
    void clockMark(int) override {}
    void datapathRepaint() override {}

  private:
    static void surface(QWidget* parent, const char* name, QRect place, bool white) {
        auto* w = new QWidget(parent);
        w->setObjectName(name);
        w->setGeometry(place);
        w->setAttribute(Qt::WA_TransparentForMouseEvents);
        if (white) {
            QPalette p = w->palette();
            p.setColor(QPalette::Window, Qt::white);
            w->setPalette(p);
            w->setAutoFillBackground(true);
        }
    }
};

} // namespace

DatapathDrawing* makeDatapathPictures(QWidget* parent) {
    return new BlankPictures(parent);
}

} // namespace tarveno::ui
