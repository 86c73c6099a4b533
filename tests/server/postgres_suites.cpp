#include "store_suites.h"

INSTANTIATE_TEST_SUITE_P(Postgres, StoreTest, testing::Values(PostgresBackend()), BackendName);
INSTANTIATE_TEST_SUITE_P(Postgres, HttpTest, testing::Values(PostgresBackend()), BackendName);
