#pragma once
// The SQLite back end: one file in WAL mode, one writer at a time, readers beside it.

#include <memory>
#include <string>

#include "score_store.h"

std::unique_ptr<IScoreStore> OpenSqliteStore(const std::string& path);
