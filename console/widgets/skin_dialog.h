#pragma once

#include "window_drag.h"

#include <QDialog>
#include <QPixmap>

// The base of the console's small modal dialogs: no platform frame, a picture title band
// with the window title drawn into it, four nested blue borders, and a white surface for
// the controls. The band drags the dialog; its close zone at the right cancels it.
class CSkinDialog : public QDialog {
    Q_OBJECT
public:
    explicit CSkinDialog(QWidget* parent = nullptr);

    int BandHeight() const;
    // The band with the title drawn in, rendered once per title.
    const QPixmap& RenderedBand();

protected:
    // Runs once, when the dialog is first shown. A derived dialog calls the base first.
    virtual void OnInitDialog();

    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QPixmap m_bandArt;
    QPixmap m_band;
    bool m_bandDirty = true;
    bool m_initialised = false;
    CWindowDrag m_drag;
};
