#pragma once

#include <QRect>
#include <QString>

class CSkinButton;
class CSkinEdit;
class QDialog;
class QLabel;
class QWidget;

// Controls placed the way the dialog templates place them: at a pixel rectangle, carrying
// their control ID as object name.
CSkinButton* PlaceButton(QWidget* parent, const QString& id, const QString& caption, QRect rect);
CSkinEdit* PlaceEdit(QWidget* parent, const QString& id, QRect rect);
QLabel* PlaceLabel(QWidget* parent, const QString& id, const QString& text, QRect rect);

struct OkCancelButtons {
    CSkinButton* ok;
    CSkinButton* cancel;
};
// The OK (ID 1, the default button) and Cancel (ID 2) pair an input dialog ends with;
// Cancel rejects, what OK does is the caller's.
OkCancelButtons PlaceOkCancel(QDialog* dialog, QRect ok, QRect cancel);
