#include "sticker_sheet.h"

#include "qr_symbol.h"
#include "sticker_source.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include <algorithm>

namespace {

constexpr int kResolution = 1200; // dots per inch of the page coordinates
constexpr int kQuietModules = 2;  // the label's own padding adds to the quiet zone

// Layout of one label, as shares of its size.
constexpr double kPaddingShare = 0.07;
constexpr double kQrWidthShare = 0.42;

// Fitting a long product name: the size steps down by kShrinkStep; on one line it goes
// no lower than kSmallestNameShare of the normal size before two lines are tried.
constexpr double kShrinkStep = 0.95;
constexpr double kSmallestNameShare = 0.7;
constexpr double kTinyPoints = 1.0;

QFont MakeFont(const QStringList& families, bool bold)
{
    QFont font;
    font.setFamilies(families);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferOutline);
    return font;
}

} // namespace

StickerSheet::StickerSheet(const LabelGrid& grid, const std::string& smsNumber, bool outline)
    : m_grid(grid), m_hint(HintText(smsNumber)), m_outline(outline)
{
    const QStringList cjk{"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Droid Sans Fallback"};
    m_nameFont = MakeFont(cjk, true);
    m_hintFont = MakeFont(cjk, false);
    m_codeFont = MakeFont({"DejaVu Sans Mono", "Liberation Mono"}, true);
    m_codeFont.setStyleHint(QFont::Monospace);
}

StickerSheet::~StickerSheet()
{
    if (m_painter.isActive())
        m_painter.end();
}

QString StickerSheet::GroupedCode(const std::string& productId, const std::string& productCode)
{
    const QString digits = QString::fromStdString(productId + productCode);
    QString grouped;
    for (qsizetype i = 0; i < digits.size(); i += 4) {
        if (i > 0)
            grouped += QLatin1Char(' ');
        grouped += digits.mid(i, 4);
    }
    return grouped;
}

QString StickerSheet::HintText(const std::string& smsNumber)
{
    if (smsNumber.empty())
        return QStringLiteral("将以上16位防伪码用短信发出，即可查询真伪");
    return QStringLiteral("将以上16位防伪码用短信发送到 %1，即可查询真伪").arg(QString::fromStdString(smsNumber));
}

double StickerSheet::Px(double millimetres) const
{
    return millimetres * kResolution / 25.4;
}

bool StickerSheet::Begin(QIODevice* device, const QString& title, std::string& error)
{
    m_writer = std::make_unique<QPdfWriter>(device);
    m_writer->setResolution(kResolution);
    m_writer->setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    m_writer->setTitle(title);
    m_writer->setCreator(QStringLiteral("stickwell"));
    if (!m_painter.begin(m_writer.get())) {
        error = "cannot start the PDF";
        return false;
    }
    // A QR code must reach the page pixel for pixel, never through lossy compression.
    m_painter.setRenderHint(QPainter::LosslessImageRendering);
    FitFonts();
    return true;
}

void StickerSheet::FitFonts()
{
    // Sizes follow the label: the code fills the text column's width, the name and the
    // hint take shares of the label's height.
    const double padding = std::min(m_grid.LabelWidth(), m_grid.LabelHeight()) * kPaddingShare;
    const double qr = std::min(m_grid.LabelHeight() - 2 * padding, m_grid.LabelWidth() * kQrWidthShare);
    const double textWidth = Px(m_grid.LabelWidth() - qr - 3 * padding);
    const double textHeight = Px(m_grid.LabelHeight() - 2 * padding);

    m_codeFont.setPointSizeF(10);
    const double codeWidth =
        QFontMetricsF(m_codeFont, m_writer.get()).horizontalAdvance(QStringLiteral("0000 0000 0000 0000"));
    double codePoints = 10 * textWidth / codeWidth;
    // Not taller than a quarter of the label's text height (1 pt = 1/72 inch).
    codePoints = std::min(codePoints, textHeight * 0.25 * 72 / kResolution / 1.2);
    m_codeFont.setPointSizeF(codePoints);
    m_nameFont.setPointSizeF(std::min(codePoints * 1.05, textHeight * 0.22 * 72 / kResolution / 1.2));
    m_hintFont.setPointSizeF(std::max(4.0, codePoints * 0.62));
}

void StickerSheet::Add(const Sticker& sticker)
{
    const int perPage = m_grid.PerPage();
    if (m_count > 0 && m_count % perPage == 0)
        m_writer->newPage();
    const LabelGrid::Rect label = m_grid.Label(m_count % perPage);
    ++m_count;

    const double padding = std::min(label.width, label.height) * kPaddingShare;
    const double qrSide = std::min(label.height - 2 * padding, label.width * kQrWidthShare);

    if (m_outline) {
        m_painter.setPen(QPen(QColor(170, 170, 170), Px(0.1)));
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(QRectF(Px(label.x), Px(label.y), Px(label.width), Px(label.height)));
    }

    QrSymbol symbol;
    if (symbol.Encode(sticker.productId + sticker.productCode)) {
        const QRectF target(Px(label.x + padding), Px(label.y + (label.height - qrSide) / 2), Px(qrSide), Px(qrSide));
        m_painter.drawImage(target, symbol.ToImage(kQuietModules));
    }

    const double textLeft = label.x + qrSide + 2 * padding;
    const double textWidth = label.width - qrSide - 3 * padding;
    const double textTop = label.y + padding;
    const double textHeight = label.height - 2 * padding;
    m_painter.setPen(Qt::black);

    if (sticker.productName != m_lastName || m_count == 1) {
        m_lastName = sticker.productName;
        m_lastNameText = QString::fromStdString(sticker.productName);
        FitName(m_lastNameText, Px(textWidth), Px(textHeight * 0.28));
    }
    m_painter.setFont(m_lastNameFont);
    m_painter.drawText(QRectF(Px(textLeft), Px(textTop), Px(textWidth), Px(textHeight * 0.28)), m_lastNameFlags,
                       m_lastNameText);

    m_painter.setFont(m_codeFont);
    m_painter.drawText(QRectF(Px(textLeft), Px(textTop + textHeight * 0.28), Px(textWidth), Px(textHeight * 0.32)),
                       Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                       GroupedCode(sticker.productId, sticker.productCode));

    m_painter.setFont(m_hintFont);
    m_painter.drawText(QRectF(Px(textLeft), Px(textTop + textHeight * 0.62), Px(textWidth), Px(textHeight * 0.38)),
                       Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_hint);
}

void StickerSheet::FitName(const QString& name, double width, double height)
{
    // A name is never cut: a buyer compares it with the goods. It first gets smaller on
    // one line; below kSmallestNameShare of the normal size two lines read better, at the
    // largest size at which they fit the box.
    const double normal = m_nameFont.pointSizeF();
    // Room for rounding between measuring and drawing, which clips at the box.
    const double room = width * 0.98;
    QFont font = m_nameFont;
    const auto metrics = [&](double points) {
        font.setPointSizeF(points);
        return QFontMetricsF(font, m_writer.get());
    };
    double oneLine = normal;
    while (oneLine > kTinyPoints && metrics(oneLine).horizontalAdvance(name) > room)
        oneLine *= kShrinkStep;
    double size = oneLine;
    bool wrap = false;
    if (oneLine < normal * kSmallestNameShare) {
        // Counts down to oneLine at most, where the name fits on one line anyway.
        for (double points = normal; points > oneLine; points *= kShrinkStep) {
            const QRectF used = metrics(points).boundingRect(QRectF(0, 0, room, 100 * height), Qt::TextWordWrap, name);
            if (used.width() <= room && used.height() <= height) {
                size = points;
                wrap = true;
                break;
            }
        }
    }
    m_lastNameFont = m_nameFont;
    m_lastNameFont.setPointSizeF(size);
    m_lastNameFlags = Qt::AlignLeft | Qt::AlignVCenter | (wrap ? Qt::TextWordWrap : Qt::TextSingleLine);
}

bool StickerSheet::Finish(std::string& error)
{
    if (!m_painter.isActive())
        return true;
    if (!m_painter.end()) {
        error = "cannot finish the PDF";
        return false;
    }
    return true;
}
