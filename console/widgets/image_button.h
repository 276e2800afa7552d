#pragma once

#include <QAbstractButton>
#include <QPixmap>
#include <QUrl>

// A borderless button that is a picture: the normal picture, the hover picture while the
// mouse is over it, each with a key colour that shows what lies beneath.
class CImageButton final : public QAbstractButton {
    Q_OBJECT
public:
    explicit CImageButton(QWidget* parent = nullptr);

    // Pictures from the art directory; false when either is missing.
    bool SetBitmaps(const QString& normal, QColor normalKey, const QString& hover, QColor hoverKey);
    void SetPixmaps(const QPixmap& normal, const QPixmap& hover);
    void SetCursorShape(Qt::CursorShape shape) { setCursor(shape); }
    void SetTooltipText(const QString& text) { setToolTip(text); }
    // A click opens the address in the desktop's browser.
    void SetUrl(const QUrl& url) { m_url = url; }
    bool IsMouseOver() const { return m_mouseOver; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPixmap m_normal;
    QPixmap m_hover;
    QUrl m_url;
    bool m_mouseOver = false;
};
