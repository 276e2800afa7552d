#pragma once

class QLineEdit;
class QPlainTextEdit;

// Keeps an edit's text within maxBytes GBK bytes: typed or pasted text past the limit is cut
// to the longest start that fits, so the operator sees what was kept. A longer text the
// program sets stays whole; it can be shortened but not lengthened by typing.
void LimitGbkBytes(QLineEdit* edit, int maxBytes);
void LimitGbkBytes(QPlainTextEdit* edit, int maxBytes);
