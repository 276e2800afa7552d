#pragma once

#include <string>

class Clock;
class ConnectionTarget;

// `varnholt-db init`: creates the five tables and AddressTable on a new database, and on
// request fills demo data. It leaves an existing database alone unless forced.
class DatabaseSetup final {
public:
    DatabaseSetup(const ConnectionTarget& target, const Clock& clock);

    void SetForce(bool force) { m_force = force; }
    void SetDemo(bool demo) { m_demo = demo; }
    // Log rows of the demo data; 0 for the demo's own few thousand.
    void SetQueryCount(long long count) { m_queryCount = count; }

    // False with a one-line reason; a new SQLite file that could not be completed is
    // removed again, so the same command can simply be repeated.
    bool Run(std::string& error);

    // After a successful run: what the installer should know, or empty. A server database
    // whose character type is not UTF-8 folds only ASCII letters, unlike SQLite.
    const std::string& Note() const { return m_note; }

private:
    bool RunOn(class CDbConnection& connection, std::string& error);
    bool Fill(class CDbConnection& connection, std::string& error);

    const ConnectionTarget& m_target;
    const Clock& m_clock;
    bool m_force = false;
    bool m_demo = false;
    long long m_queryCount = 0;
    std::string m_note;
};
