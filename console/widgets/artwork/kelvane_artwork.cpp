// Draws the console's pictures into a program directory: the two backgrounds (m2.bmp for
// the main window, m3.bmp for the home page) and the kit's skins (skin/*.bmp, the icon).
// Run at build time; usage: kelvane_artwork <program directory>

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

namespace {

const QColor kKitBlue(140, 170, 230);
const QColor kDialogBackground(239, 243, 255);
const QColor kDeepBlue(22, 64, 160);
const QColor kMidBlue(58, 110, 212);
const QColor kKey(0, 255, 0);

// Sizes of the main window and its page host, in pixels of the console's layout grid.
constexpr int kWindowWidth = 755;
constexpr int kWindowHeight = 519;
constexpr int kPageWidth = 629;
constexpr int kPageHeight = 398;

QFont Font(int pixels, bool bold = false)
{
    QFont font;
    font.setFamilies(
        {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"), QStringLiteral("sans-serif")});
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

bool SaveBmp(const QImage& image, const QString& path)
{
    // 24-bit pictures with a plain information header: what the console's loader reads.
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    if (!rgb.save(path, "BMP")) {
        std::fprintf(stderr, "kelvane_artwork: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// The product's mark: a shield with a tick.
void DrawShield(QPainter& p, QRectF box, QColor fill, QColor tick)
{
    const qreal w = box.width(), h = box.height();
    QPainterPath shield;
    shield.moveTo(box.left() + w * 0.5, box.top());
    shield.cubicTo(box.left() + w * 0.75, box.top() + h * 0.1, box.left() + w * 0.9, box.top() + h * 0.1, box.right(),
                   box.top() + h * 0.12);
    shield.cubicTo(box.right(), box.top() + h * 0.6, box.left() + w * 0.8, box.top() + h * 0.85, box.left() + w * 0.5,
                   box.bottom());
    shield.cubicTo(box.left() + w * 0.2, box.top() + h * 0.85, box.left(), box.top() + h * 0.6, box.left(),
                   box.top() + h * 0.12);
    shield.cubicTo(box.left() + w * 0.1, box.top() + h * 0.1, box.left() + w * 0.25, box.top() + h * 0.1,
                   box.left() + w * 0.5, box.top());
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(shield);
    QPen pen(tick, std::max<qreal>(2.0, w * 0.11), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(box.left() + w * 0.28, box.top() + h * 0.5),
                              QPointF(box.left() + w * 0.45, box.top() + h * 0.66),
                              QPointF(box.left() + w * 0.74, box.top() + h * 0.34)}));
}

QImage MainBackground()
{
    QImage image(kWindowWidth, kWindowHeight, QImage::Format_RGB32);
    image.fill(kDialogBackground);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // Header: a deep-to-bright blue band with two soft arcs.
    const int headerHeight = 84;
    QLinearGradient header(0, 0, kWindowWidth, headerHeight);
    header.setColorAt(0, kDeepBlue);
    header.setColorAt(1, kMidBlue);
    p.fillRect(QRect(0, 0, kWindowWidth, headerHeight), header);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 18));
    p.drawEllipse(QPointF(620, -60), 220, 150);
    p.setBrush(QColor(255, 255, 255, 12));
    p.drawEllipse(QPointF(420, 150), 260, 110);
    p.fillRect(QRect(0, headerHeight, kWindowWidth, 3), QColor(255, 170, 60));

    DrawShield(p, QRectF(26, 16, 44, 52), QColor(255, 255, 255), kDeepBlue);
    p.setPen(Qt::white);
    p.setFont(Font(26, true));
    p.drawText(QRect(86, 14, 420, 36), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("防伪系统管理器"));
    p.setPen(QColor(205, 220, 250));
    p.setFont(Font(13));
    p.drawText(QRect(88, 50, 460, 22), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("一物一码  ·  短信验证  ·  查询分析"));

    // The navigation column: a white card behind the eight buttons and the exit button.
    p.setPen(QPen(kKitBlue, 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(20.5, 94.5, 91, 204), 6, 6);
    // The password card.
    p.drawRoundedRect(QRectF(20.5, 342.5, 91, 92), 6, 6);
    p.setPen(QColor(70, 90, 140));
    p.setFont(Font(12));
    p.drawText(QRect(21, 404, 90, 22), Qt::AlignCenter, QStringLiteral("修改口令"));

    // Footer line.
    p.setPen(QColor(120, 140, 185));
    p.setFont(Font(11));
    p.drawText(QRect(20, 496, 360, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("产品防伪短信验证系统 · 管理控制台"));

    // A one-pixel edge so the frameless window stands out from the desktop.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(16, 48, 130));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(0, 0, kWindowWidth - 1, kWindowHeight - 1));
    return image;
}

// A phone with a code message in its bubble.
void DrawPhone(QPainter& p, QRectF body)
{
    p.setPen(QPen(QColor(40, 70, 140), 3));
    p.setBrush(QColor(250, 252, 255));
    p.drawRoundedRect(body, 18, 18);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 70, 140));
    p.drawRoundedRect(QRectF(body.center().x() - 18, body.top() + 10, 36, 5), 2.5, 2.5);
    const QRectF screen = body.adjusted(12, 26, -12, -34);
    p.setBrush(QColor(228, 236, 252));
    p.drawRoundedRect(screen, 6, 6);
    // The consumer's message and the answer.
    QRectF sent(screen.right() - 112, screen.top() + 16, 104, 40);
    p.setBrush(QColor(90, 150, 235));
    p.drawRoundedRect(sent, 10, 10);
    p.setPen(Qt::white);
    p.setFont(Font(11, true));
    p.drawText(sent, Qt::AlignCenter, QStringLiteral("0312 4587\n9021 6634"));
    QRectF reply(screen.left() + 8, screen.top() + 72, 118, 58);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(reply, 10, 10);
    p.setPen(QColor(30, 120, 60));
    p.setFont(Font(12, true));
    p.drawText(reply.adjusted(8, 6, -6, -26), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("√ 正品"));
    p.setPen(QColor(80, 90, 110));
    p.setFont(Font(10));
    p.drawText(reply.adjusted(8, 28, -6, -4), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("首次查询，谢谢！"));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 70, 140));
    p.drawEllipse(QPointF(body.center().x(), body.bottom() - 17), 7, 7);
}

QImage HomeBackground()
{
    QImage image(kPageWidth, kPageHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient sky(0, 0, 0, kPageHeight);
    sky.setColorAt(0, QColor(255, 255, 255));
    sky.setColorAt(1, QColor(226, 235, 253));
    p.fillRect(image.rect(), sky);
    QRadialGradient glow(QPointF(470, 190), 190);
    glow.setColorAt(0, QColor(200, 218, 252, 200));
    glow.setColorAt(1, QColor(200, 218, 252, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(470, 190), 190, 190);

    DrawPhone(p, QRectF(400, 40, 170, 300));
    DrawShield(p, QRectF(548, 226, 58, 68), QColor(255, 150, 40), Qt::white);

    p.setPen(kDeepBlue);
    p.setFont(Font(24, true));
    p.drawText(QRect(34, 40, 360, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("欢迎使用防伪系统管理器"));
    p.setPen(QColor(90, 110, 150));
    p.setFont(Font(13));
    p.drawText(QRect(36, 84, 360, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("消费者发送防伪码短信，即时得到真伪答复。"));

    const struct {
        const char* number;
        const char* title;
        const char* text;
    } steps[] = {
        {"1", "货品批次", "新建批次，生成并打印防伪码，启用后即可查询"},
        {"2", "查询记录", "查看每一条查询短信，手工回复消费者"},
        {"3", "统计与警示", "按时间、地区统计查询，发现假货与串货"},
        {"4", "短信群发", "向经销商和顾客批量发送短信"},
    };
    int y = 134;
    for (const auto& step : steps) {
        p.setPen(Qt::NoPen);
        p.setBrush(kMidBlue);
        p.drawEllipse(QPointF(50, y + 14), 12, 12);
        p.setPen(Qt::white);
        p.setFont(Font(13, true));
        p.drawText(QRectF(38, y + 2, 24, 24), Qt::AlignCenter, QString::fromUtf8(step.number));
        p.setPen(QColor(30, 50, 100));
        p.setFont(Font(14, true));
        p.drawText(QRect(72, y - 2, 300, 20), Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(step.title));
        p.setPen(QColor(100, 115, 150));
        p.setFont(Font(12));
        p.drawText(QRect(72, y + 18, 320, 18), Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(step.text));
        y += 52;
    }
    p.setPen(QColor(150, 165, 200));
    p.setFont(Font(11));
    p.drawText(QRect(34, kPageHeight - 30, 400, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("点击左侧按钮进入各功能页面"));
    return image;
}

// The small dialogs' title band: its left 250 and right 50 pixels are kept, the middle stretched.
QImage TitleBand()
{
    QImage image(400, 30, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient band(0, 0, 0, 30);
    band.setColorAt(0, QColor(64, 118, 226));
    band.setColorAt(0.5, QColor(30, 84, 212));
    band.setColorAt(1, QColor(8, 56, 190));
    p.fillRect(image.rect(), band);
    p.fillRect(QRect(0, 0, 400, 1), QColor(120, 160, 240));
    p.fillRect(QRect(0, 29, 400, 1), QColor(0, 24, 156));
    p.fillRect(QRect(0, 0, 1, 30), QColor(0, 24, 156));
    p.fillRect(QRect(399, 0, 1, 30), QColor(0, 24, 156));
    // The close mark, inside the zone 26 to 2 pixels from the right edge.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(170, 195, 245), 1));
    p.setBrush(QColor(45, 95, 215));
    p.drawRoundedRect(QRectF(376.5, 6.5, 19, 18), 4, 4);
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(382, 11.5), QPointF(390, 19.5));
    p.drawLine(QPointF(382, 19.5), QPointF(390, 11.5));
    return image;
}

QImage NavIcon(QColor fill)
{
    QImage image(14, 14, QImage::Format_RGB32);
    image.fill(kKey);
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRect(0, 0, 14, 14), 3, 3);
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPolyline(QPolygon({QPoint(5, 3), QPoint(9, 7), QPoint(5, 11)}));
    return image;
}

enum class Glyph { Hide, Close };

QImage CornerButton(Glyph glyph, bool hover)
{
    QImage image(21, 21, QImage::Format_RGB32);
    image.fill(kKey);
    QPainter p(&image);
    const QColor fill = !hover                  ? QColor(44, 96, 200)
                        : glyph == Glyph::Close ? QColor(220, 64, 52)
                                                : QColor(255, 150, 40);
    p.setPen(QColor(150, 182, 240));
    p.setBrush(fill);
    p.drawRoundedRect(QRect(0, 0, 20, 20), 3, 3);
    p.setPen(QPen(Qt::white, 2));
    if (glyph == Glyph::Hide) {
        p.drawLine(6, 14, 14, 14);
    } else {
        p.drawLine(6, 6, 14, 14);
        p.drawLine(6, 14, 14, 6);
    }
    return image;
}

QImage PasswordButton(bool hover)
{
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(kKey);
    QPainter p(&image);
    p.setPen(QPen(hover ? QColor(255, 150, 40) : kKitBlue, 2));
    p.setBrush(hover ? QColor(255, 246, 232) : QColor(244, 247, 255));
    p.drawEllipse(QRect(1, 1, 29, 29));
    // A key: ring, shaft and two teeth.
    const QColor metal = hover ? QColor(220, 120, 20) : kDeepBlue;
    p.setPen(QPen(metal, 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRect(7, 9, 9, 9));
    p.drawLine(16, 13, 25, 13);
    p.setPen(QPen(metal, 2));
    p.drawLine(21, 13, 21, 18);
    p.drawLine(24, 13, 24, 17);
    return image;
}

QImage MessageStrip()
{
    QImage image(260, 4, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient strip(0, 0, 260, 0);
    strip.setColorAt(0, QColor(255, 170, 60));
    strip.setColorAt(0.35, kMidBlue);
    strip.setColorAt(1, kKitBlue);
    p.fillRect(image.rect(), strip);
    return image;
}

QImage MessageSymbol()
{
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(kKey);
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(kMidBlue);
    p.drawEllipse(QRect(0, 0, 31, 31));
    p.setBrush(Qt::white);
    p.drawRect(QRect(14, 13, 4, 11));
    p.drawRect(QRect(14, 7, 4, 4));
    return image;
}

QImage Icon()
{
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kMidBlue);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    DrawShield(p, QRectF(14, 9, 36, 44), Qt::white, kDeepBlue);
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: kelvane_artwork <program directory>\n");
        return 2;
    }
    // Fonts need a GUI application; no screen is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.filePath(QStringLiteral("skin"))))
        return 1;
    const auto skin = [&out](const char* name) {
        return out.filePath(QStringLiteral("skin/") + QString::fromLatin1(name));
    };

    bool ok = SaveBmp(MainBackground(), out.filePath(QStringLiteral("m2.bmp")));
    ok = SaveBmp(HomeBackground(), out.filePath(QStringLiteral("m3.bmp"))) && ok;
    ok = SaveBmp(TitleBand(), skin("title_band.bmp")) && ok;
    ok = SaveBmp(NavIcon(QColor(90, 130, 222)), skin("nav_normal.bmp")) && ok;
    ok = SaveBmp(NavIcon(QColor(226, 40, 30)), skin("nav_selected.bmp")) && ok;
    ok = SaveBmp(NavIcon(QColor(255, 140, 0)), skin("nav_hot.bmp")) && ok;
    ok = SaveBmp(NavIcon(QColor(190, 190, 190)), skin("nav_disabled.bmp")) && ok;
    ok = SaveBmp(CornerButton(Glyph::Hide, false), skin("hide.bmp")) && ok;
    ok = SaveBmp(CornerButton(Glyph::Hide, true), skin("hide_hover.bmp")) && ok;
    ok = SaveBmp(CornerButton(Glyph::Close, false), skin("close.bmp")) && ok;
    ok = SaveBmp(CornerButton(Glyph::Close, true), skin("close_hover.bmp")) && ok;
    ok = SaveBmp(PasswordButton(false), skin("password.bmp")) && ok;
    ok = SaveBmp(PasswordButton(true), skin("password_hover.bmp")) && ok;
    ok = SaveBmp(MessageStrip(), skin("message_strip.bmp")) && ok;
    ok = SaveBmp(MessageSymbol(), skin("message_symbol.bmp")) && ok;
    ok = Icon().save(skin("kelvane.png"), "PNG") && ok;
    return ok ? 0 : 1;
}
