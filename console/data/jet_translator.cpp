#include "jet_translator.h"

#include "case_fold.h"
#include "clock.h"
#include "text_util.h"

#include <cstdio>
#include <cstdlib>

namespace {

bool IsIdentStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

bool IsIdentChar(char c)
{
    return IsIdentStart(c) || (c >= '0' && c <= '9') || c == '$';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsLeapYear(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : days[m - 1];
}

// Reads digits at pos; false when there are none or too many.
bool ReadNumber(std::string_view s, std::size_t& pos, int& value, int& digits)
{
    value = 0;
    digits = 0;
    while (pos < s.size() && IsDigit(s[pos])) {
        if (++digits > 4)
            return false;
        value = value * 10 + (s[pos] - '0');
        ++pos;
    }
    return digits > 0;
}

void SkipSpaces(std::string_view s, std::size_t& pos)
{
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t'))
        ++pos;
}

void FormatNow(const Clock& clock, std::string& out)
{
    const std::tm t = clock.LocalNow();
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    out = buffer;
}

} // namespace

bool JetTranslator::NormaliseDate(std::string_view inside, std::string& out)
{
    std::size_t pos = 0;
    SkipSpaces(inside, pos);
    int a, b, c, da, db, dc;
    if (!ReadNumber(inside, pos, a, da) || pos >= inside.size())
        return false;
    const char separator = inside[pos];
    if (separator != '-' && separator != '/')
        return false;
    ++pos;
    if (!ReadNumber(inside, pos, b, db) || pos >= inside.size() || inside[pos] != separator)
        return false;
    ++pos;
    if (!ReadNumber(inside, pos, c, dc))
        return false;
    int year, month, day;
    if (da == 4) {
        year = a, month = b, day = c;
    } else {
        // Month first, as the dialect reads it; a first number above 12 can only be a day.
        month = a, day = b, year = c;
        if (month > 12 && day <= 12)
            std::swap(month, day);
        if (dc <= 2)
            year += year < 30 ? 2000 : 1900;
    }
    if (month < 1 || month > 12 || day < 1 || year < 1 || day > DaysInMonth(year, month))
        return false;

    int hour = 0, minute = 0, second = 0;
    SkipSpaces(inside, pos);
    if (pos < inside.size()) {
        int d;
        if (!ReadNumber(inside, pos, hour, d) || pos >= inside.size() || inside[pos] != ':')
            return false;
        ++pos;
        if (!ReadNumber(inside, pos, minute, d))
            return false;
        if (pos < inside.size() && inside[pos] == ':') {
            ++pos;
            if (!ReadNumber(inside, pos, second, d))
                return false;
        }
        SkipSpaces(inside, pos);
        if (pos < inside.size()) {
            const std::string rest = ToLowerAscii(TrimBlanks(inside.substr(pos)));
            if (rest != "am" && rest != "pm")
                return false;
            if (hour < 1 || hour > 12)
                return false;
            if (rest == "am" && hour == 12)
                hour = 0;
            else if (rest == "pm" && hour != 12)
                hour += 12;
            pos = inside.size();
        }
        if (hour > 23 || minute > 59 || second > 59)
            return false;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
    out = buffer;
    return true;
}

JetTranslator::StatementKind JetTranslator::KindOf(std::string_view statement)
{
    std::size_t i = 0;
    while (i < statement.size() && (IsBlank(statement[i]) || statement[i] == '('))
        ++i;
    std::size_t j = i;
    while (j < statement.size() && IsIdentChar(statement[j]))
        ++j;
    const std::string_view word = statement.substr(i, j - i);
    if (EqualsNoCaseAscii(word, "select"))
        return StatementKind::Select;
    if (EqualsNoCaseAscii(word, "insert"))
        return StatementKind::Insert;
    if (EqualsNoCaseAscii(word, "update"))
        return StatementKind::Update;
    if (EqualsNoCaseAscii(word, "delete"))
        return StatementKind::Delete;
    return StatementKind::Other;
}

bool JetTranslator::IsDml(StatementKind kind)
{
    return kind == StatementKind::Insert || kind == StatementKind::Update || kind == StatementKind::Delete;
}

JetTranslator::StatementKind JetTranslator::ParametriseStatement(std::string_view statement, const Clock& clock)
{
    const StatementKind kind = KindOf(statement);
    if (kind == StatementKind::Other)
        Scan(statement, clock, false, false);
    else
        Parametrise(statement, clock, IsDml(kind));
    return kind;
}

std::string JetTranslator::Translate(std::string_view statement, const Clock& clock)
{
    Scan(statement, clock, false, false);
    return m_skeleton;
}

void JetTranslator::Parametrise(std::string_view statement, const Clock& clock, bool parametriseNumbers)
{
    Scan(statement, clock, true, parametriseNumbers);
    for (std::size_t k = 0; k < m_literals.size(); ++k) {
        const Place& p = m_places[k];
        m_literals[k].text =
            p.owned ? std::string_view(m_owned).substr(p.offset, p.length) : statement.substr(p.offset, p.length);
    }
}

void JetTranslator::EmitLiteral(Literal::Kind kind, std::size_t offset, std::size_t length, bool owned,
                                bool parametrise)
{
    if (!parametrise) {
        // Only rebuilt texts (dates, now()) reach here in inline mode.
        m_skeleton += '\'';
        m_skeleton.append(m_owned, offset, length);
        m_skeleton += '\'';
        return;
    }
    m_literals.push_back(Literal{kind, {}});
    m_places.push_back(Place{owned, offset, length});
    if (m_dialect == SqlDialect::PostgreSQL) {
        m_skeleton += '$';
        m_skeleton += std::to_string(m_literals.size());
    } else {
        m_skeleton += '?';
    }
}

void JetTranslator::Scan(std::string_view s, const Clock& clock, bool parametrise, bool numbers)
{
    m_skeleton.clear();
    m_literals.clear();
    m_places.clear();
    m_owned.clear();
    const std::size_t n = s.size();
    std::size_t i = 0, copied = 0;
    auto flush = [&](std::size_t upto) { m_skeleton.append(s.data() + copied, upto - copied); };
    std::string scratch;
    while (i < n) {
        const char c = s[i];
        if (c == '\'') {
            std::size_t j = i + 1;
            bool doubled = false;
            while (j < n) {
                if (s[j] == '\'') {
                    if (j + 1 < n && s[j + 1] == '\'') {
                        doubled = true;
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            if (j >= n) // unterminated: the engine will say so
                break;
            if (parametrise) {
                flush(i);
                std::string_view text;
                if (!doubled) {
                    EmitLiteral(Literal::Kind::Text, i + 1, j - i - 1, false, true);
                    text = s.substr(i + 1, j - i - 1);
                } else {
                    const std::size_t start = m_owned.size();
                    for (std::size_t k = i + 1; k < j; ++k) {
                        m_owned += s[k];
                        if (s[k] == '\'')
                            ++k;
                    }
                    EmitLiteral(Literal::Kind::Text, start, m_owned.size() - start, true, true);
                    text = std::string_view(m_owned).substr(start);
                }
                // SQLite's columns fold ASCII letters only (NOCASE, which every SQLite
                // program has). A text with other letters that have a case is compared
                // with the data layer's own folding, named here: an explicit collation of
                // either side decides a comparison, so column = text folds like citext.
                // Other texts keep NOCASE and with it the indexes. (SQLite turns
                // "c='x' or c='y'" into an IN list that compares by the column's own
                // collation; no statement of the system has that shape.)
                if (m_dialect == SqlDialect::SQLite && FoldsBeyondAscii(text)) {
                    m_skeleton += " COLLATE ";
                    m_skeleton += kFoldCollation;
                }
                copied = j + 1;
            }
            i = j + 1;
            continue;
        }
        if (c == '"') {
            const auto close = s.find('"', i + 1);
            i = close == std::string_view::npos ? n : close + 1;
            continue;
        }
        if (c == '[') {
            const auto close = s.find(']', i + 1);
            if (close == std::string_view::npos) {
                ++i;
                continue;
            }
            flush(i);
            const std::string_view name = s.substr(i + 1, close - i - 1);
            bool plain = !name.empty() && IsIdentStart(name[0]);
            for (char ch : name)
                plain = plain && IsIdentChar(ch) && ch != '$';
            if (plain) {
                m_skeleton.append(name); // folds to the table's own case like any bare name
            } else {
                // Quoted names keep their case; PostgreSQL's folded names are lower case.
                m_skeleton += '"';
                m_skeleton += m_dialect == SqlDialect::PostgreSQL ? ToLowerAscii(name) : std::string(name);
                m_skeleton += '"';
            }
            i = copied = close + 1;
            continue;
        }
        if (c == '#') {
            const auto close = s.find('#', i + 1);
            if (close != std::string_view::npos && NormaliseDate(s.substr(i + 1, close - i - 1), scratch)) {
                flush(i);
                const std::size_t start = m_owned.size();
                m_owned += scratch;
                EmitLiteral(Literal::Kind::Text, start, scratch.size(), true, parametrise);
                i = copied = close + 1;
                continue;
            }
            ++i;
            continue;
        }
        if (c == '-' && i + 1 < n && s[i + 1] == '-') {
            const auto end = s.find('\n', i);
            i = end == std::string_view::npos ? n : end;
            continue;
        }
        if (IsIdentStart(c)) {
            std::size_t j = i + 1;
            while (j < n && IsIdentChar(s[j]))
                ++j;
            if (j - i == 3 && EqualsNoCaseAscii(s.substr(i, 3), "now")) {
                std::size_t k = j;
                SkipSpaces(s, k);
                if (k < n && s[k] == '(') {
                    ++k;
                    SkipSpaces(s, k);
                    if (k < n && s[k] == ')') {
                        flush(i);
                        FormatNow(clock, scratch);
                        const std::size_t start = m_owned.size();
                        m_owned += scratch;
                        EmitLiteral(Literal::Kind::Text, start, scratch.size(), true, parametrise);
                        i = copied = k + 1;
                        continue;
                    }
                }
            }
            i = j;
            continue;
        }
        if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(s[i + 1]))) {
            std::size_t j = i;
            bool real = false;
            while (j < n && IsDigit(s[j]))
                ++j;
            if (j < n && s[j] == '.') {
                real = true;
                ++j;
                while (j < n && IsDigit(s[j]))
                    ++j;
            }
            if (j + 1 < n && (s[j] == 'e' || s[j] == 'E') &&
                (IsDigit(s[j + 1]) || ((s[j + 1] == '+' || s[j + 1] == '-') && j + 2 < n && IsDigit(s[j + 2])))) {
                real = true;
                j += 2;
                while (j < n && IsDigit(s[j]))
                    ++j;
            }
            // A number glued to letters (1abc) is left to the engine.
            if (parametrise && numbers && (j >= n || !IsIdentChar(s[j]))) {
                if (!real && j - i > 18)
                    real = true; // may not fit 64 bits
                flush(i);
                EmitLiteral(real ? Literal::Kind::Real : Literal::Kind::Integer, i, j - i, false, true);
                copied = j;
            }
            i = j;
            continue;
        }
        ++i;
    }
    flush(n);
}
