#pragma once
// The PostgreSQL back end, through libpqxx: a pool of connections, one per request in progress.
// Several servers may share one database: the tokens live in it, and the migrations take a lock.

#include <memory>
#include <string>

#include "score_store.h"

std::unique_ptr<IScoreStore> OpenPostgresStore(const std::string& url);
