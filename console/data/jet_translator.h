#pragma once

#include <string>
#include <string_view>
#include <vector>

class Clock;

enum class SqlDialect { SQLite = 0, PostgreSQL = 1 };

// Turns a statement of the console's dialect into what the engines accept: #...# date literals become
// 'YYYY-MM-DD HH:MM:SS', now() becomes the local time as such a literal, [name] becomes
// "name". Nothing between single quotes is ever rewritten.
//
// Parametrise() also takes the literals out, leaving a skeleton with placeholders
// (? or $n) so prepared statements can be reused for every statement of the same shape.
// On SQLite a quoted text with letters beyond ASCII that have a case is followed by
// "COLLATE VARNHOLT_NOCASE", so comparisons with it fold as on the server.
class JetTranslator final {
public:
    struct Literal {
        enum class Kind { Text = 0, Integer = 1, Real = 2 };
        Kind kind = Kind::Text;
        std::string_view text; // unquoted value; valid until the next call
    };
    enum class StatementKind { Other = 0, Select, Insert, Update, Delete };

    explicit JetTranslator(SqlDialect dialect) : m_dialect(dialect) {}

    // The statement with literals left in place.
    std::string Translate(std::string_view statement, const Clock& clock);

    // Fills Skeleton() and Literals(). Quoted texts, date literals and now() always become
    // parameters; numbers only when parametriseNumbers (a bare number may mean a column
    // position in an order by, so callers pass true only for insert, update and delete).
    void Parametrise(std::string_view statement, const Clock& clock, bool parametriseNumbers);

    // Parametrise() as far as the statement's kind allows, answering the kind: insert,
    // update and delete give up every literal, select its texts and dates; any other
    // statement (definitions, pragmas) keeps its literals in place, as engines take no
    // parameters there, and Literals() is empty.
    StatementKind ParametriseStatement(std::string_view statement, const Clock& clock);

    const std::string& Skeleton() const { return m_skeleton; }
    const std::vector<Literal>& Literals() const { return m_literals; }

    // What the statement does, from its first word.
    static StatementKind KindOf(std::string_view statement);
    // Insert, update or delete.
    static bool IsDml(StatementKind kind);

    // Reads the inside of a #...# literal (2004-5-1 0:0:1, 5/1/2004, 2004/05/01 1:02 PM)
    // into "YYYY-MM-DD HH:MM:SS"; false when it is no date.
    static bool NormaliseDate(std::string_view inside, std::string& out);

private:
    void Scan(std::string_view statement, const Clock& clock, bool parametrise, bool numbers);
    void EmitLiteral(Literal::Kind kind, std::size_t offset, std::size_t length, bool owned, bool parametrise);

    SqlDialect m_dialect;
    std::string m_skeleton;
    std::vector<Literal> m_literals;
    // Where each literal's text lives: the statement, or m_owned for texts that had to be
    // rebuilt (doubled quotes, dates, now()).
    struct Place {
        bool owned;
        std::size_t offset, length;
    };
    std::vector<Place> m_places;
    std::string m_owned;
};
