#include "skin_dialog.h"

#include "kit_art.h"
#include "kit_look.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace {

constexpr int kBandLeft = 250;
constexpr int kBandRight = 50;
constexpr int kDefaultBandHeight = 30;
constexpr int kCloseZoneFar = 26;
constexpr int kCloseZoneNear = 2;

// Used when the band picture is missing: the kit's blues in the same proportions.
QPixmap DrawnBand()
{
    QPixmap band(kBandLeft + 100 + kBandRight, kDefaultBandHeight);
    QPainter painter(&band);
    QLinearGradient gradient(0, 0, 0, kDefaultBandHeight);
    gradient.setColorAt(0, QColor(58, 104, 214));
    gradient.setColorAt(1, QColor(0, 52, 222));
    painter.fillRect(band.rect(), gradient);
    painter.setPen(QPen(Qt::white, 2));
    const int cx = band.width() - 14;
    const int cy = kDefaultBandHeight / 2;
    painter.drawLine(cx - 4, cy - 4, cx + 4, cy + 4);
    painter.drawLine(cx - 4, cy + 4, cx + 4, cy - 4);
    return band;
}

} // namespace

CSkinDialog::CSkinDialog(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    QPalette surface = palette();
    surface.setColor(QPalette::Window, Qt::white);
    setPalette(surface);
    setAutoFillBackground(true);
    m_bandArt = LoadArt(QStringLiteral("skin/title_band.bmp"));
    if (m_bandArt.isNull() || m_bandArt.width() < kBandLeft + kBandRight)
        m_bandArt = DrawnBand();
}

int CSkinDialog::BandHeight() const
{
    return m_bandArt.height();
}

const QPixmap& CSkinDialog::RenderedBand()
{
    if (m_bandDirty) {
        m_band = m_bandArt.copy();
        QPainter painter(&m_band);
        QFont caption = font();
        caption.setBold(true);
        caption.setPixelSize(14);
        painter.setFont(caption);
        painter.setPen(Qt::white);
        painter.drawText(QRect(16, 8, m_band.width() - 16 - kBandRight, m_band.height() - 8),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, windowTitle());
        m_bandDirty = false;
    }
    return m_band;
}

void CSkinDialog::OnInitDialog()
{
    // Centre on the owner, or on the screen when there is none.
    QRect area;
    if (const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr; owner && owner->isVisible())
        area = owner->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid())
        move(area.center() - QPoint(width() / 2, height() / 2));
    raise();
    activateWindow();
}

void CSkinDialog::showEvent(QShowEvent* event)
{
    if (!m_initialised) {
        m_initialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CSkinDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    static const QColor kBorders[] = {QColor(0, 24, 156), QColor(0, 48, 198), QColor(0, 52, 222), QColor(90, 130, 222)};
    const int top = 5;
    for (int i = 0; i < 4; ++i) {
        painter.setPen(kBorders[i]);
        painter.drawRect(QRect(i, top + i, width() - 1 - 2 * i, height() - top - 1 - 2 * i));
    }
    // The band: its left part as drawn, its middle stretched, its right part at the right edge.
    const QPixmap& band = RenderedBand();
    const int bandHeight = band.height();
    const int middleSource = band.width() - kBandLeft - kBandRight;
    painter.drawPixmap(QRect(0, 0, kBandLeft, bandHeight), band, QRect(0, 0, kBandLeft, bandHeight));
    const int middleWidth = width() - kBandLeft - kBandRight;
    if (middleWidth > 0)
        painter.drawPixmap(QRect(kBandLeft, 0, middleWidth, bandHeight), band,
                           QRect(kBandLeft, 0, middleSource, bandHeight));
    painter.drawPixmap(QRect(width() - kBandRight, 0, kBandRight, bandHeight), band,
                       QRect(band.width() - kBandRight, 0, kBandRight, bandHeight));
}

void CSkinDialog::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && at.y() < BandHeight()) {
        const int fromRight = width() - at.x();
        if (fromRight <= kCloseZoneFar && fromRight >= kCloseZoneNear) {
            reject();
            return;
        }
        if (fromRight > kBandRight) {
            // Dragged like a title bar.
            m_drag.Start(this, event);
            return;
        }
    }
    QDialog::mousePressEvent(event);
}

void CSkinDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_drag.Move(this, event))
        QDialog::mouseMoveEvent(event);
}

void CSkinDialog::mouseReleaseEvent(QMouseEvent* event)
{
    m_drag.Stop();
    QDialog::mouseReleaseEvent(event);
}

void CSkinDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowTitleChange) {
        m_bandDirty = true;
        update();
    }
    QDialog::changeEvent(event);
}
