#pragma once

class QLineEdit;
class QPlainTextEdit;

// Keeps an edit's text within maxBytes GBK bytes: typing or pasting past the limit is cut
// back to the longest start that fits, the way the platform's byte-limited edits behaved.
void LimitGbkBytes(QLineEdit* edit, int maxBytes);
void LimitGbkBytes(QPlainTextEdit* edit, int maxBytes);
