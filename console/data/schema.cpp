#include "schema.h"

#include "db_connection.h"
#include "db_provider.h"

extern const unsigned char kEmbeddedSqliteSchema[];
extern const unsigned char kEmbeddedPostgresSchema[];
extern const unsigned char* const kEmbeddedAddressScripts[];

namespace {
const char* Text(const unsigned char* bytes)
{
    return reinterpret_cast<const char*>(bytes);
}
} // namespace

std::string SchemaScript(SqlDialect dialect)
{
    return Text(dialect == SqlDialect::PostgreSQL ? kEmbeddedPostgresSchema : kEmbeddedSqliteSchema);
}

std::vector<std::string> AddressScripts()
{
    std::vector<std::string> scripts;
    for (const unsigned char* const* script = kEmbeddedAddressScripts; *script; ++script)
        scripts.emplace_back(Text(*script));
    return scripts;
}

bool CreateSchema(CDbConnection& connection, std::string& error, bool replace)
{
    DbProvider* provider = connection.Provider();
    if (!provider) {
        error = "The connection is not open.";
        return false;
    }
    // Inside a transaction of the caller the tables become part of it (and its rollback
    // takes them away); otherwise they are one transaction of their own.
    const bool own = !provider->InTransaction();
    auto fail = [&] {
        error = connection.GetErrorsText();
        if (own && provider->InTransaction()) {
            const std::string first = error;
            provider->Rollback();
            error = first;
        }
        return false;
    };
    if (own && !provider->Begin())
        return fail();
    if (replace) {
        for (const char* table :
             {"QueryLogTable", "SendSmsTable", "SendSmsLease", "ProductTable", "ProductGroupTable", "AddressTable"})
            if (!provider->ExecuteScript(std::string("drop table if exists ") + table))
                return fail();
    }
    if (!provider->ExecuteScript(SchemaScript(provider->Dialect())))
        return fail();
    for (const auto& script : AddressScripts())
        if (!provider->ExecuteScript(script))
            return fail();
    if (own && !provider->Commit())
        return fail();
    return true;
}
