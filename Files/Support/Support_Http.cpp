#include "Support/Support_Http.h"

#include <curl/curl.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

constexpr long kConnectTimeoutSeconds = 10;
constexpr long kTotalTimeoutSeconds = 60;
constexpr size_t kMaxBody = 64u << 20;  // answers beyond 64 MiB are cut short as failures

struct Request {
  int32_t id;
  uint64_t generation;
  std::string url;
  bool post;
  std::string body;
};

size_t Collect(char* data, size_t size, size_t count, void* user) {
  std::string* out = static_cast<std::string*>(user);
  const size_t n = size * count;
  if (out->size() + n > kMaxBody) return 0;  // stops the transfer
  out->append(data, n);
  return n;
}

class Worker {
 public:
  ~Worker() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
  }

  int32_t Queue(const std::string& url, bool post, const std::string& body) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_thread.joinable()) {
      curl_global_init(CURL_GLOBAL_DEFAULT);
      m_thread = std::thread([this] { Run(); });
    }
    const int32_t id = m_nextId++;
    m_queue.push_back({id, m_generation, url, post, body});
    m_wake.notify_all();
    return id;
  }

  void Take(std::vector<HttpResult>& out) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (HttpResult& r : m_finished) out.push_back(std::move(r));
    m_finished.clear();
  }

  void Forget() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.clear();
    m_finished.clear();
    ++m_generation;
  }

  bool WaitIdle(int millis) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_idle.wait_for(lock, std::chrono::milliseconds(millis), [this] { return m_queue.empty() && !m_busy; });
  }

  bool Stopping() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stop;
  }

 private:
  void Run() {
    CURL* curl = curl_easy_init();
    std::unique_lock<std::mutex> lock(m_mutex);
    while (true) {
      m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
      if (m_stop) break;
      Request request = std::move(m_queue.front());
      m_queue.pop_front();
      m_busy = true;
      lock.unlock();
      HttpResult result = Perform(curl, request);
      lock.lock();
      m_busy = false;
      if (request.generation == m_generation) m_finished.push_back(std::move(result));
      m_idle.notify_all();
    }
    lock.unlock();
    if (curl) curl_easy_cleanup(curl);
  }

  HttpResult Perform(CURL* curl, const Request& request) {
    HttpResult r;
    r.id = request.id;
    r.url = request.url;
    if (curl == nullptr) {
      r.status = -1;
      r.error = "the web library could not start";
      return r;
    }
    curl_easy_reset(curl);
    curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, kTotalTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "tessera");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &r.body);
    // Stop a transfer under way when the process ends.
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION,
                     +[](void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) -> int {
                       return static_cast<Worker*>(self)->Stopping() ? 1 : 0;
                     });
    if (request.post) {
      curl_easy_setopt(curl, CURLOPT_POST, 1L);
      curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
      curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    }
    const CURLcode code = curl_easy_perform(curl);
    long httpStatus = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &httpStatus);
    r.httpStatus = static_cast<int32_t>(httpStatus);
    if (code != CURLE_OK) {
      r.status = -1;
      r.error = curl_easy_strerror(code);
      r.body.clear();
    }
    return r;
  }

  std::mutex m_mutex;
  std::condition_variable m_wake, m_idle;
  std::thread m_thread;
  std::deque<Request> m_queue;
  std::vector<HttpResult> m_finished;
  int32_t m_nextId = 0;
  uint64_t m_generation = 0;
  bool m_busy = false;
  bool m_stop = false;
};

Worker g_worker;

}  // namespace

int32_t Http_Get(const std::string& url) { return g_worker.Queue(url, false, ""); }
int32_t Http_Post(const std::string& url, const std::string& body) { return g_worker.Queue(url, true, body); }
void Http_TakeFinished(std::vector<HttpResult>& out) { g_worker.Take(out); }
void Http_Forget() { g_worker.Forget(); }
bool Http_WaitIdle(int millis) { return g_worker.WaitIdle(millis); }
