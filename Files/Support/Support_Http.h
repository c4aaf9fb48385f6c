// Web requests: GET and POST through libcurl on one worker thread. The game thread queues a
// request and gets its id at once; finished requests wait in a queue until the game step takes
// them (the asynchronous stage of the other events), so game code never sees a result outside
// the step.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct HttpResult {
  int32_t id = 0;
  std::string url;
  int32_t status = 0;      // 0 finished; negative: the request failed (no answer from the server)
  int32_t httpStatus = 0;  // the server's status code (200, 404 ...), 0 without an answer
  std::string body;        // the answer's body
  std::string error;       // why a failed request failed
};

// Queues a request and returns its id (counting from 0 per run of the process). A POST sends
// `body` as "application/x-www-form-urlencoded", as web forms do.
int32_t Http_Get(const std::string& url);
int32_t Http_Post(const std::string& url, const std::string& body);

// Moves the finished requests, in the order they finished, into `out`.
void Http_TakeFinished(std::vector<HttpResult>& out);
// Forgets every queued and finished request (game restart); a request under way is dropped when
// it finishes.
void Http_Forget();
// Waits until nothing is queued or under way, at most `millis` (tests). True when idle.
bool Http_WaitIdle(int millis);
