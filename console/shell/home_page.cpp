#include "home_page.h"

#include "program_directory.h"

#include <QPainter>

CHomePage::CHomePage(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    m_background.Load(ProgramFile(QStringLiteral("m3.bmp")));
}

void CHomePage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    m_background.Paint(painter);
}
