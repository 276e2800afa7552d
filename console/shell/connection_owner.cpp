#include "connection_owner.h"

#include "db_connection.h"

#include <memory>

namespace {
std::unique_ptr<CDbConnection>& Owned()
{
    static std::unique_ptr<CDbConnection> connection;
    return connection;
}
} // namespace

CDbConnection& CreateTheConnection()
{
    auto& owned = Owned();
    if (!owned)
        owned = std::make_unique<CDbConnection>();
    SetTheConnection(owned.get());
    return *owned;
}

void DestroyTheConnection()
{
    auto& owned = Owned();
    if (owned) {
        owned->CloseIfOpen();
        if (TheConnection() == owned.get())
            SetTheConnection(nullptr);
        owned.reset();
    }
}
