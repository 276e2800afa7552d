#pragma once

#include <QTranslator>

// The texts of Qt's own dialogs the console shows (the standard buttons of a plain message
// box, the file chooser's buttons, fields, columns and its replace question), in Chinese
// like the console's own dialogs. Qt's translation files need not be on the operator's
// machine, so the few texts are carried here. Install one for the application's lifetime.
class ChineseQtTexts final : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int n = -1) const override;
};
