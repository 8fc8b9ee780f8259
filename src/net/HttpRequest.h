// The request side of the station's small HTTP/1.x endpoint: reads one
// request head, bounded in size, and says what to answer. Only GET of a
// known path is served; anything else gets its status code. The connection
// closes after the answer, so a body, keep-alive and pipelining never matter.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

enum class HttpTarget { Metrics, Health };

enum class HttpVerdict {
    Incomplete,       // the head has not ended yet
    Serve,            // GET of a known path: Target() says which
    BadRequest,       // 400: not an HTTP/1.x request head
    NotFound,         // 404
    MethodNotAllowed, // 405
    TooLarge,         // 431: the head passed kMaxHeadBytes
};

class HttpRequestReader {
public:
    static constexpr size_t kMaxHeadBytes = 8192;

    // Appends received bytes; once the verdict is no longer Incomplete,
    // further bytes change nothing.
    HttpVerdict Feed(std::span<const char> bytes);
    HttpVerdict Verdict() const { return m_verdict; }
    HttpTarget Target() const { return m_target; }

    // The status line's code and reason for a verdict other than Incomplete.
    static int StatusCode(HttpVerdict verdict);
    static std::string_view Reason(HttpVerdict verdict);

private:
    HttpVerdict Judge(std::string_view head);

    std::string m_head;
    // Where the search for the blank line goes on, so that a peer sending
    // one byte at a time costs no more than one sending the whole head.
    size_t m_scanned = 0;
    HttpVerdict m_verdict = HttpVerdict::Incomplete;
    HttpTarget m_target = HttpTarget::Metrics;
};
