#include "kit_look.h"

#include <QApplication>
#include <QPalette>

QColor KitBlue()
{
    return QColor(140, 170, 230);
}

QColor DialogBackground()
{
    return QColor(239, 243, 255);
}

QColor ListSelectionBackground()
{
    return QColor(174, 196, 241);
}

QFont KitFont()
{
    QFont font;
    // The first family is the one the layouts were measured with; the CJK family renders
    // the Chinese texts.
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Noto Sans CJK SC"), QStringLiteral("sans-serif")});
    font.setPixelSize(11);
    font.setWeight(QFont::Normal);
    return font;
}

QFont DialogFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Noto Sans CJK SC"), QStringLiteral("sans-serif")});
    font.setPixelSize(12);
    return font;
}

int Dlu(int units)
{
    // Dialog units to pixels for the kit's 12-pixel font: 1.5 pixels a unit, halves rounded
    // away from zero so a layout's edges line up with its neighbours.
    return (units * 3 + (units >= 0 ? 1 : -1)) / 2;
}

QRect DluRect(int x, int y, int width, int height)
{
    return QRect(Dlu(x), Dlu(y), Dlu(width), Dlu(height));
}

QSize DluSize(int width, int height)
{
    return QSize(Dlu(width), Dlu(height));
}

void ApplyConsoleLook()
{
    QApplication::setFont(DialogFont());
    QPalette palette = QApplication::palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, DialogBackground());
        palette.setColor(group, QPalette::WindowText, Qt::black);
        palette.setColor(group, QPalette::Text, Qt::black);
        palette.setColor(group, QPalette::ButtonText, Qt::black);
    }
    QApplication::setPalette(palette);
}
