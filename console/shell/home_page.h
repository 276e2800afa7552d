#pragma once

#include "dib_image.h"

#include <QWidget>

// Page 0 of the main window: the home background picture, nothing else.
class CHomePage final : public QWidget {
    Q_OBJECT
public:
    explicit CHomePage(QWidget* parent = nullptr);
    bool HasPicture() const { return m_background.IsLoaded(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CDibImage m_background;
};
