#include "store_suites.h"

INSTANTIATE_TEST_SUITE_P(Sqlite, StoreTest, testing::Values(SqliteBackend()), BackendName);
INSTANTIATE_TEST_SUITE_P(Sqlite, HttpTest, testing::Values(SqliteBackend()), BackendName);
