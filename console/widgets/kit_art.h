#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

// The pictures shipped beside the program: backgrounds in the program directory, the kit's
// skins in its "skin" folder. The shell points the kit at the program directory once.
void SetArtDirectory(const QString& directory);
const QString& ArtDirectory();
QString ArtPath(const QString& relativePath);

// A picture of the art directory as a pixmap, null when it is missing or unreadable.
// With a key colour, pixels of exactly that colour become transparent.
QPixmap LoadArt(const QString& relativePath);
QPixmap LoadArt(const QString& relativePath, QColor transparent);

// Pure green: the key colour of the main window's button pictures.
QColor ArtKeyColour();
