#pragma once
// The fixed diagrams of the two pictures, drawn with QPainter in picture pixels: the
// datapath (registers, buses, ALU and shifter, the control word, the control lines in
// black) and the clock with its legend. The colours are the table's (ui/model/Geometry.h).

#include "ui/model/DatapathView.h"
#include "ui/model/Geometry.h"

#include <QColor>
#include <QFont>
#include <QStringList>

class QPainter;

namespace tarveno::ui {

// The pictures' font: Liberation Sans at a pixel size.
QFont pictureFont(int pixelSize, bool bold = false);

// A control line: every segment is axis-parallel, so it is filled as pixel runs that
// include both end points; red over black then covers exactly the same pixels.
void drawPolyline(QPainter& p, const Polyline& line, const QColor& colour);

void drawDatapathDiagram(QPainter& p);
// The clock diagram's legend (four phases), its title, the cycle's start and the note on
// MPC (two lines), in the window's language.
QStringList clockDiagramTexts();
void drawClockDiagram(QPainter& p);

} // namespace tarveno::ui
