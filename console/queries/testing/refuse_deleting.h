#pragma once

#include "jet_translator.h"

#include <string>

// A trigger that refuses to delete one query log row: a clear or delete that fails there.
inline std::string RefuseDeletingScript(SqlDialect engine, int index)
{
    const std::string row = std::to_string(index);
    return engine == SqlDialect::SQLite
               ? "create trigger keep_row before delete on QueryLogTable when old.QueryIndex=" + row +
                     " begin select raise(abort, 'row kept'); end;"
               : "create function keep_row() returns trigger language plpgsql as $$ begin if old.QueryIndex = " + row +
                     " then raise exception 'row kept'; end if; return old; end $$;"
                     "create trigger keep_row before delete on QueryLogTable for each row execute function "
                     "keep_row();";
}
