#pragma once

#include "label_grid.h"

#include <QFont>
#include <QPainter>
#include <QString>

#include <memory>
#include <string>

class QIODevice;
class QPdfWriter;
struct Sticker;

// Draws stickers onto A4 PDF pages, label after label; a page is handed to the device as
// soon as the next one begins, so memory does not grow with the number of stickers.
class StickerSheet final {
public:
    // smsNumber may be empty; then the hint names no number.
    StickerSheet(const LabelGrid& grid, const std::string& smsNumber, bool outline);
    ~StickerSheet();
    StickerSheet(const StickerSheet&) = delete;
    StickerSheet& operator=(const StickerSheet&) = delete;

    // device must be open for writing and outlive the sheet.
    bool Begin(QIODevice* device, const QString& title, std::string& error);
    void Add(const Sticker& sticker);
    bool Finish(std::string& error);

    int Count() const { return m_count; }

    // "0100 0000 0928 2731": the 16 digits in groups of four, as printed.
    static QString GroupedCode(const std::string& productId, const std::string& productCode);
    static QString HintText(const std::string& smsNumber);

private:
    double Px(double millimetres) const;
    void FitFonts();
    // Chooses how the name goes into a box of that size (pixels): m_lastNameFont and
    // m_lastNameFlags.
    void FitName(const QString& name, double width, double height);

    LabelGrid m_grid;
    QString m_hint;
    bool m_outline;
    std::unique_ptr<QPdfWriter> m_writer;
    QPainter m_painter;
    QFont m_nameFont;
    QFont m_codeFont;
    QFont m_hintFont;
    int m_count = 0;
    // The name of the previous sticker and how it fits: a batch repeats one name.
    std::string m_lastName;
    QString m_lastNameText;
    QFont m_lastNameFont;
    int m_lastNameFlags = 0;
};
