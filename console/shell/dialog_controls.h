#pragma once

#include <QRect>
#include <QString>

class CSkinButton;
class CSkinEdit;
class QLabel;
class QWidget;

// Controls placed the way the dialog templates place them: at a pixel rectangle, carrying
// their control ID as object name.
CSkinButton* PlaceButton(QWidget* parent, const QString& id, const QString& caption, QRect rect);
CSkinEdit* PlaceEdit(QWidget* parent, const QString& id, QRect rect);
QLabel* PlaceLabel(QWidget* parent, const QString& id, const QString& text, QRect rect);
