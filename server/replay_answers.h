#pragma once
// The answers of the replay routes: an upload is answered in JSON,
// {"verified": true|false|null, "reason": "…"}, null while its check runs.

#include <optional>
#include <string>

#include "http_front.h"

HttpResponse ReplayAnswer(int status, std::optional<bool> verified, const std::string& reason);
