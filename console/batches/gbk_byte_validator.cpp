#include "gbk_byte_validator.h"

#include "gbk_text.h"

GbkByteValidator::GbkByteValidator(int maxBytes, QObject* parent) : QValidator(parent), m_maxBytes(maxBytes)
{
}

QValidator::State GbkByteValidator::validate(QString& input, int&) const
{
    return GbkByteCount(input) <= m_maxBytes ? Acceptable : Invalid;
}
