#pragma once
// The suites that run once per back end. Each test binary instantiates them with its back ends.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "score_server.h"
#include "score_token.h"
#include "server_harness.h"

// A token-shaped text no server signed.
inline std::string NewTestToken() {
    return RandomHex(16);
}

// Writes a schema version into the database as a newer server would.
void BumpSchemaVersion(const std::string& url, int version);

// Lays out an empty database as the server before replays left it, with one score ("Old", 4321)
// in it.
void MakeDatabaseBeforeReplays(const std::string& url);

class BackendTest : public testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (const std::string why = GetParam().unavailable(); !why.empty()) GTEST_SKIP() << why;
        database_ = GetParam().make();
    }
    std::unique_ptr<TestDatabase> database_;
};

class StoreTest : public BackendTest {};
class HttpTest : public BackendTest {};

inline std::string BackendName(const testing::TestParamInfo<Backend>& info) {
    return info.param.name;
}
