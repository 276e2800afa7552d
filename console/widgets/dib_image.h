#pragma once

#include <QImage>
#include <QString>

class QPainter;

// A device-independent picture read from a ".bmp" file and painted at its own size.
// A picture that never loaded paints nothing.
class CDibImage final {
public:
    // False when the file cannot be opened, its headers cannot be read, it is shorter than
    // its file header states, or its pixel bits are not a picture this class can show.
    bool Load(const QString& path);
    bool IsLoaded() const { return !m_image.isNull(); }
    QSize Size() const { return m_image.size(); }
    const QImage& Image() const { return m_image; }
    // Copies the whole picture to the top-left corner.
    void Paint(QPainter& painter) const;

private:
    QImage m_image;
};
