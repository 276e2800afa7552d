#pragma once

#include <QAbstractButton>
#include <QPixmap>

#include <array>

// A navigation button of the main window: a picture per state with the caption beside it,
// on white. A click selects it; the mouse makes a normal button hot; a selected one stays.
class CNavButton final : public QAbstractButton {
    Q_OBJECT
public:
    enum State { Normal = 0, Selected = 1, Hot = 2, Disabled = 3 };

    explicit CNavButton(const QString& caption = QString(), QWidget* parent = nullptr);

    // Pictures from the art directory, in the order of the states.
    bool SetBitmaps(const QString& normal, const QString& selected, const QString& hot, const QString& disabled,
                    QColor key);
    void SetState(State state);
    State GetState() const { return m_state; }
    static QColor CaptionColour(State state);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    std::array<QPixmap, 4> m_pictures;
    State m_state = Normal;
};
