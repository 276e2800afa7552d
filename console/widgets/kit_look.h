#pragma once

#include <QColor>
#include <QFont>
#include <QRect>

// The kit's shared look: its colours, its two fonts and the dialog-unit grid the console's
// layouts are drawn on.

// The border colour of every kit control.
QColor KitBlue();
// The background of the console's dialogs and pages.
QColor DialogBackground();
// Selected list rows on the pages.
QColor ListSelectionBackground();

// The small font of frames, check boxes and labels.
QFont KitFont();
// The font of dialogs, pages and buttons.
QFont DialogFont();

// Dialog units of the layouts: the dialog font's base units are 6 x 12 pixels, so one unit
// is 1.5 pixels across and down.
int Dlu(int units);
QRect DluRect(int x, int y, int width, int height);
QSize DluSize(int width, int height);

// Sets the application font and the dialog palette (black text on the dialog background).
void ApplyConsoleLook();
