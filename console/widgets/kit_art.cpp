#include "kit_art.h"

#include "dib_image.h"

#include <QBitmap>
#include <QDir>

namespace {
QString g_artDirectory;
}

void SetArtDirectory(const QString& directory)
{
    g_artDirectory = directory;
}

const QString& ArtDirectory()
{
    return g_artDirectory;
}

QString ArtPath(const QString& relativePath)
{
    return QDir(g_artDirectory).filePath(relativePath);
}

QPixmap LoadArt(const QString& relativePath)
{
    CDibImage picture;
    if (!picture.Load(ArtPath(relativePath)))
        return QPixmap();
    return QPixmap::fromImage(picture.Image());
}

QPixmap LoadArt(const QString& relativePath, QColor transparent)
{
    QPixmap pixmap = LoadArt(relativePath);
    if (!pixmap.isNull())
        pixmap.setMask(pixmap.createMaskFromColor(transparent, Qt::MaskInColor));
    return pixmap;
}

QColor ArtKeyColour()
{
    return QColor(0, 255, 0);
}
