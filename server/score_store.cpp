#include "score_store.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "postgres_store.h"
#include "sqlite_store.h"

std::unique_ptr<IScoreStore> OpenScoreStore(const std::string& url) {
    if (url.rfind("sqlite:", 0) == 0) {
        const std::string path = url.substr(7);
        if (path.empty()) throw StoreError("sqlite: no file named in '" + url + "'");
        // The default lives in a folder of its own that may not exist yet.
        const std::filesystem::path parent = std::filesystem::path(path).parent_path();
        std::error_code error;
        if (!parent.empty()) std::filesystem::create_directories(parent, error);
        if (error) throw StoreError("sqlite: cannot create " + parent.string() + ": " + error.message());
        return OpenSqliteStore(path);
    }
    if (url.rfind("postgresql://", 0) == 0 || url.rfind("postgres://", 0) == 0) return OpenPostgresStore(url);
    throw StoreError("unknown database URL '" + url + "' (expected sqlite:PATH or postgresql://...)");
}

std::string DefaultDatabaseUrl() {
    std::string dataHome;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') {
        dataHome = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        dataHome = std::string(home) + "/.local/share";
    } else {
        return {};
    }
    return "sqlite:" + dataHome + "/vandrax-scored/scores.db";
}
