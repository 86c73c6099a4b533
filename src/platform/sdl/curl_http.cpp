#include "platform/sdl/curl_http.h"

#include <curl/curl.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>

namespace {

// libcurl and the thirty-odd libraries it brings (TLS, LDAP, Kerberos, SSH...) are loaded when
// the first request is made, not when the game starts: most sessions send nothing, and loading
// them took a tenth of the game's start-up.
struct CurlApi {
    decltype(&curl_global_init) globalInit = nullptr;
    decltype(&curl_easy_init) easyInit = nullptr;
    decltype(&curl_easy_cleanup) easyCleanup = nullptr;
    decltype(&curl_easy_setopt) easySetopt = nullptr;
    decltype(&curl_easy_getinfo) easyGetinfo = nullptr;
    decltype(&curl_easy_perform) easyPerform = nullptr;
    decltype(&curl_easy_strerror) easyStrerror = nullptr;
    decltype(&curl_slist_append) slistAppend = nullptr;
    decltype(&curl_slist_free_all) slistFreeAll = nullptr;
};

template <class Function>
bool Find(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

// The library, loaded and set up once; null when it cannot be had.
const CurlApi* Curl() {
    static const CurlApi* const api = []() -> const CurlApi* {
        void* library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) return nullptr;
        static CurlApi loaded;
        if (!Find(library, "curl_global_init", loaded.globalInit) ||
            !Find(library, "curl_easy_init", loaded.easyInit) ||
            !Find(library, "curl_easy_cleanup", loaded.easyCleanup) ||
            !Find(library, "curl_easy_setopt", loaded.easySetopt) ||
            !Find(library, "curl_easy_getinfo", loaded.easyGetinfo) ||
            !Find(library, "curl_easy_perform", loaded.easyPerform) ||
            !Find(library, "curl_easy_strerror", loaded.easyStrerror) ||
            !Find(library, "curl_slist_append", loaded.slistAppend) ||
            !Find(library, "curl_slist_free_all", loaded.slistFreeAll))
            return nullptr;
        if (loaded.globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) return nullptr;
        return &loaded;
    }();
    return api;
}

struct Transfer {
    std::string body;
    size_t limit = 0;
    bool overflowed = false;
};

// Content-Length alone does not bound an answer (chunked or unannounced bodies), so the
// transfer also stops here once the limit is passed.
size_t Collect(char* data, size_t size, size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (transfer.body.size() + bytes > transfer.limit) {
        transfer.body.append(data, transfer.limit - transfer.body.size());
        transfer.overflowed = true;
        return 0;  // curl ends the transfer with CURLE_WRITE_ERROR
    }
    transfer.body.append(data, bytes);
    return bytes;
}

bool HasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

struct HeaderList {
    const CurlApi& curl;
    curl_slist* list = nullptr;
    ~HeaderList() { curl.slistFreeAll(list); }
};

}  // namespace

CurlHttpClient::CurlHttpClient(const Limits& limits) : limits_(limits) {}

CurlHttpClient::~CurlHttpClient() {
    if (handle_ != nullptr) Curl()->easyCleanup(static_cast<CURL*>(handle_));
}

void* CurlHttpClient::Handle() {
    if (handle_ != nullptr || triedHandle_) return handle_;
    triedHandle_ = true;
    const CurlApi* api = Curl();
    if (api == nullptr) return nullptr;
    CURL* curl = api->easyInit();
    handle_ = curl;
    if (curl == nullptr) return nullptr;
    // An empty cookie file switches the cookie engine on without reading any file.
    api->easySetopt(curl, CURLOPT_COOKIEFILE, "");
    api->easySetopt(curl, CURLOPT_NOSIGNAL, 1L);
    api->easySetopt(curl, CURLOPT_PROXY, "");
    api->easySetopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    api->easySetopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    api->easySetopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    api->easySetopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits_.answerBytes));
    api->easySetopt(curl, CURLOPT_WRITEFUNCTION, &Collect);
    return handle_;
}

HttpAnswer CurlHttpClient::Get(const std::string& url, const std::vector<HttpHeader>& headers,
                               int32_t timeLimitMs) {
    return Perform(url, headers, nullptr, timeLimitMs);
}

HttpAnswer CurlHttpClient::Post(const std::string& url, const std::vector<HttpHeader>& headers,
                                std::span<const uint8_t> body, int32_t timeLimitMs) {
    return Perform(url, headers, &body, timeLimitMs);
}

HttpAnswer CurlHttpClient::Perform(const std::string& url, const std::vector<HttpHeader>& headers,
                                   const std::span<const uint8_t>* body, int32_t timeLimitMs) {
    HttpAnswer answer;
    const int32_t requestMs = std::min(limits_.requestMs, timeLimitMs);
    if (requestMs <= 0) {
        answer.outcome = HttpAnswer::Outcome::TimedOut;
        answer.detail = "no time left for the request";
        return answer;
    }
    CURL* curl = static_cast<CURL*>(Handle());
    if (curl == nullptr) {
        answer.detail = "libcurl could not start";
        return answer;
    }
    const CurlApi& api = *Curl();
    HeaderList list{api};
    for (const HttpHeader& header : headers) {
        // A line break would smuggle a header or a request of its own into this one.
        if (HasLineBreak(header.name) || HasLineBreak(header.value) || header.name.empty()) {
            answer.detail = "a request header holds a line break";
            return answer;
        }
        const std::string line = header.name + ": " + header.value;
        curl_slist* next = api.slistAppend(list.list, line.c_str());
        if (next == nullptr) {
            answer.detail = "out of memory";
            return answer;
        }
        list.list = next;
    }
    if (body != nullptr) {
        // No "Expect: 100-continue": the body goes at once, with no second waiting for a go-ahead
        // out of a bound that is already short.
        curl_slist* next = api.slistAppend(list.list, "Expect:");
        if (next == nullptr) {
            answer.detail = "out of memory";
            return answer;
        }
        list.list = next;
    }
    Transfer transfer;
    transfer.limit = limits_.answerBytes;
    char errorText[CURL_ERROR_SIZE] = {};
    api.easySetopt(curl, CURLOPT_URL, url.c_str());
    if (body != nullptr) {
        api.easySetopt(curl, CURLOPT_POST, 1L);
        api.easySetopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body->size()));
        // Never a null pointer: curl would read the body from standard input instead.
        static const char kNothing[] = "";
        api.easySetopt(curl, CURLOPT_POSTFIELDS,
                       body->empty() ? kNothing : reinterpret_cast<const char*>(body->data()));
    } else {
        api.easySetopt(curl, CURLOPT_HTTPGET, 1L);
    }
    api.easySetopt(curl, CURLOPT_HTTPHEADER, list.list);
    api.easySetopt(curl, CURLOPT_WRITEDATA, &transfer);
    api.easySetopt(curl, CURLOPT_ERRORBUFFER, errorText);
    api.easySetopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                   static_cast<long>(std::min(limits_.connectMs, requestMs)));
    api.easySetopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(requestMs));
    const auto start = std::chrono::steady_clock::now();
    const CURLcode code = api.easyPerform(curl);
    answer.elapsedMs = static_cast<int32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count());
    // The list and the body die with this call; the handle must not keep pointing at them.
    api.easySetopt(curl, CURLOPT_HTTPHEADER, nullptr);
    api.easySetopt(curl, CURLOPT_POSTFIELDS, nullptr);
    api.easySetopt(curl, CURLOPT_WRITEDATA, nullptr);
    api.easySetopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    long status = 0;
    api.easyGetinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    answer.status = static_cast<int32_t>(status);
    answer.body = std::move(transfer.body);
    answer.detail = errorText[0] != '\0' ? errorText : api.easyStrerror(code);
    using Outcome = HttpAnswer::Outcome;
    if (transfer.overflowed || code == CURLE_FILESIZE_EXCEEDED) {
        answer.outcome = Outcome::TooLarge;
    } else if (code == CURLE_OPERATION_TIMEDOUT) {
        answer.outcome = Outcome::TimedOut;
    } else if (code == CURLE_COULDNT_CONNECT || code == CURLE_COULDNT_RESOLVE_HOST ||
               code == CURLE_COULDNT_RESOLVE_PROXY) {
        answer.outcome = Outcome::NoConnection;
    } else if (code != CURLE_OK) {
        answer.outcome = Outcome::Failed;
    } else if (status < 200 || status > 299) {
        answer.outcome = Outcome::HttpError;
        answer.detail = "HTTP status " + std::to_string(status);
    } else {
        answer.outcome = Outcome::Ok;
        answer.detail.clear();
    }
    return answer;
}
